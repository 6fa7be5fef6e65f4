#include "areas/script_parts.h"

#include "areas/area_script.h"
#include "core/letter_case.h"
#include "core/lines.h"
#include "core/script_words.h"

#include <algorithm>
#include <cstddef>

namespace tess::areas {
namespace {

enum class LineKind { create, setActive, areaCommand, opener, middle, closer, other };

bool startsWithIgnoringCase(std::string_view word, std::string_view start) {
    return word.size() >= start.size() && sameNameIgnoringCase(word.substr(0, start.size()), start);
}

LineKind kindOf(std::string_view command) {
    const auto is = [&](std::string_view name) { return sameNameIgnoringCase(command, name); };
    if (is("aiStrategicArea.create"))
        return LineKind::create;
    if (is("aiStrategicArea.setActive"))
        return LineKind::setActive;
    // A category is defined for every area, not for the active one.
    if (startsWithIgnoringCase(command, "aiStrategicArea.createNewCategory"))
        return LineKind::other;
    if (startsWithIgnoringCase(command, "aiStrategicArea."))
        return LineKind::areaCommand;
    if (is("if") || is("while"))
        return LineKind::opener;
    if (is("else") || is("elseIf"))
        return LineKind::middle;
    if (is("endIf") || is("endWhile"))
        return LineKind::closer;
    return LineKind::other;
}

class PartReader {
public:
    void read(std::string_view line) {
        const std::vector<std::string_view> words = scriptWords(line);
        if (words.empty()) {
            // Inside a block an empty line is kept, so that the block reads as it did.
            if (block_ && explicit_) {
                parts_[*block_].lines.emplace_back(line);
                ++trailingComments_;
            }
            return;
        }
        if (comments_.isComment(words[0])) {
            if (line.substr(line.find_first_not_of(" \t")).starts_with(kAreaScriptSignature))
                return;
            if (block_ && explicit_) {
                parts_[*block_].lines.emplace_back(line);
                ++trailingComments_;
            } else {
                outside(line);
            }
            return;
        }
        const bool inCondition = block_ && explicit_ && depth_ > 0;
        switch (kindOf(words[0])) {
        case LineKind::create: {
            close();
            ScriptPart part;
            part.kind = ScriptPart::Kind::create;
            part.line = line;
            part.created = parseCreateLine(line);
            if (part.created)
                part.name = part.created->name;
            parts_.push_back(std::move(part));
            afterCreate_ = true;
            return;
        }
        case LineKind::setActive: {
            close();
            ScriptPart part;
            part.kind = ScriptPart::Kind::block;
            part.line = line;
            part.name = wordsFrom(words, 1);
            block_ = parts_.size();
            explicit_ = true;
            parts_.push_back(std::move(part));
            return;
        }
        case LineKind::areaCommand:
            if (!block_ && afterCreate_) {
                ScriptPart part;
                part.kind = ScriptPart::Kind::block;
                part.name = parts_[lastCreate()].name;
                block_ = parts_.size();
                parts_.push_back(std::move(part));
            }
            if (block_)
                keep(line);
            else
                outside(line);
            return;
        case LineKind::opener:
            if (block_ && explicit_) {
                keep(line);
                ++depth_;
            } else {
                outside(line);
            }
            return;
        case LineKind::closer:
            if (inCondition) {
                keep(line);
                --depth_;
            } else {
                outside(line);
            }
            return;
        case LineKind::middle:
        case LineKind::other:
            if (inCondition)
                keep(line);
            else
                outside(line);
            return;
        }
    }

    std::vector<ScriptPart> take() {
        close(true);
        return std::move(parts_);
    }

private:
    // The empty line that ends a block, and the one that ends the script, are the writer's to
    // add.
    void close(bool atEnd = false) {
        for (int trim = block_ ? (atEnd ? 2 : 1) : 0; trim > 0; --trim) {
            std::vector<std::string>& lines = parts_[*block_].lines;
            if (lines.empty() || !scriptWords(lines.back()).empty())
                break;
            lines.pop_back();
        }
        block_.reset();
        explicit_ = false;
        afterCreate_ = false;
        depth_ = 0;
        trailingComments_ = 0;
    }

    void keep(std::string_view line) {
        parts_[*block_].lines.emplace_back(line);
        trailingComments_ = 0;
    }

    void outside(std::string_view line) {
        // The comments that end the open block head this line instead; the empty lines before
        // them stay with the block.
        if (block_ && trailingComments_ > 0) {
            std::vector<std::string>& lines = parts_[*block_].lines;
            auto first = lines.end() - static_cast<std::ptrdiff_t>(trailingComments_);
            while (first != lines.end() && scriptWords(*first).empty())
                ++first;
            std::vector<std::string> heading(std::make_move_iterator(first),
                                             std::make_move_iterator(lines.end()));
            lines.erase(first, lines.end());
            trailingComments_ = 0;
            for (std::string& comment : heading)
                if (!scriptWords(comment).empty())
                    addOutside(std::move(comment));
        }
        addOutside(std::string(line));
    }

    void addOutside(std::string line) {
        ScriptPart part;
        part.line = std::move(line);
        parts_.push_back(std::move(part));
    }

    std::size_t lastCreate() const {
        std::size_t i = parts_.size();
        while (i > 0 && parts_[i - 1].kind != ScriptPart::Kind::create)
            --i;
        return i - 1;
    }

    std::vector<ScriptPart> parts_;
    std::optional<std::size_t> block_; // the open block
    bool explicit_ = false;            // opened by a setActive line
    bool afterCreate_ = false;         // a create line came last: its area is the active one
    int depth_ = 0;                    // conditions opened in the open block
    std::size_t trailingComments_ = 0; // comments and empty lines at the end of the open block
    ScriptComments comments_;
};

} // namespace

bool ScriptComments::isComment(std::string_view firstWord) {
    const bool comment =
        inBlock_ || isScriptCommentStart(firstWord) || isScriptCommentBlockStart(firstWord);
    if (inBlock_)
        inBlock_ = !isScriptCommentBlockEnd(firstWord);
    else if (isScriptCommentBlockStart(firstWord))
        inBlock_ = true;
    return comment;
}

std::string wordsFrom(const std::vector<std::string_view>& words, std::size_t first,
                      std::size_t end) {
    std::string text;
    for (std::size_t i = first; i < std::min(end, words.size()); ++i) {
        if (i > first)
            text += ' ';
        text += words[i];
    }
    return text;
}

std::vector<ScriptPart> readScriptParts(std::string_view script) {
    PartReader reader;
    forEachLine(script, [&](std::string_view line, bool) { reader.read(line); });
    return reader.take();
}

} // namespace tess::areas
