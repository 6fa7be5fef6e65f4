#include "scripts/review_editor.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/lines.h"

namespace tess::scripts {

std::string reviewFilePath(const std::string& levelDir, int selectedIndex) {
    if (selectedIndex < 0 || static_cast<std::size_t>(selectedIndex) >= kReviewEntries.size())
        throw listIndexOutOfBounds(selectedIndex);
    return levelDir + std::string(kReviewEntries[static_cast<std::size_t>(selectedIndex)]);
}

std::string editorTextFromBytes(std::string_view bytes) {
    const std::string text = decodeCp1252(bytes);
    std::string out;
    out.reserve(text.size());
    forEachLine(text, [&](std::string_view line, bool ended) {
        out += line;
        if (ended)
            out += '\n';
    });
    return out;
}

std::string bytesFromEditorText(std::string_view editorText) {
    return encodeCp1252(normalizeToCrLf(editorText));
}

std::string loadReviewFile(WizardState& state, int selectedIndex) {
    state.conFileIndex = selectedIndex;
    return editorTextFromBytes(readFileBytes(reviewFilePath(state.levelDir, selectedIndex)));
}

void saveReviewFile(WizardState& state, int selectedIndex, std::string_view editorText) {
    state.conFileIndex = selectedIndex;
    const std::string path = reviewFilePath(state.levelDir, selectedIndex);
    writeFileAtomically(path, bytesFromEditorText(editorText));
}

} // namespace tess::scripts
