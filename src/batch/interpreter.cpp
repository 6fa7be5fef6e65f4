#include "batch/interpreter.h"

#include "archive/tools.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/lines.h"
#include "core/paths.h"
#include "platform/shell.h"

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <streambuf>
#include <system_error>

namespace fs = std::filesystem;

namespace tess::batch {
namespace {

// cmd.exe's German texts for the cases the generated batches can meet.
const char* const kCopied = "        1 Datei(en) kopiert.";
const char* const kNotCopied = "        0 Datei(en) kopiert.";
const char* const kFileNotFound = "Das System kann die angegebene Datei nicht finden.";
const char* const kPathNotFound = "Das System kann den angegebenen Pfad nicht finden.";
const char* const kSelfCopy = "Die Datei kann nicht auf sich selbst kopiert werden.";
const char* const kSyntax = "Die Syntax des Befehls ist falsch.";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string asciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && asciiLower(text.substr(0, prefix.size())) == prefix;
}

// A switch such as /Y, /-Y or /A:H: unquoted, a slash, an optional minus, one letter and
// nothing more but a colon part. An unquoted Linux path such as /tmp is not one.
bool isSwitch(const Argument& argument) {
    const std::string& t = argument.text;
    if (argument.quoted || t.size() < 2 || t[0] != '/')
        return false;
    std::size_t i = 1;
    if (t[i] == '-')
        ++i;
    if (i >= t.size() || !std::isalpha(static_cast<unsigned char>(t[i])))
        return false;
    ++i;
    return i == t.size() || t[i] == ':';
}

std::vector<Argument> withoutSwitches(const std::vector<Argument>& arguments) {
    std::vector<Argument> rest;
    for (const Argument& a : arguments)
        if (!isSwitch(a))
            rest.push_back(a);
    return rest;
}

bool isToolName(std::string_view name, std::string_view tool) {
    const std::string lower = asciiLower(name);
    return lower == tool || lower == std::string(tool) + ".exe";
}

bool endsWithSeparator(std::string_view path) {
    return !path.empty() && isPathSeparator(path.back());
}

class Interpreter {
public:
    Interpreter(std::ostream& log, std::string programFolder)
        : log_(log), programFolder_(std::move(programFolder)) {}

    int run(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            if (stopped_)
                break;
            if (!runLine(line))
                ++failures_;
            log_.flush();
        }
        return failures_;
    }

private:
    // Runs one line; false when it failed.
    bool runLine(std::string_view line) {
        std::size_t start = 0;
        while (start < line.size() && isBlank(line[start]))
            ++start;
        bool silent = false;
        while (start < line.size() && line[start] == '@') {
            silent = true;
            ++start;
        }
        const std::string_view command = line.substr(start);
        if (command.empty() || command[0] == ':') // empty line, label or "::" comment
            return true;
        if (echo_ && !silent)
            echoCommand(command);

        if (startsWithIgnoringCase(command, "echo") &&
            (command.size() == 4 || isBlank(command[4]) || command[4] == '.'))
            return runEcho(command.substr(4));

        const std::vector<Argument> words = splitArguments(command);
        const std::string name = asciiLower(words.front().text);
        const std::vector<Argument> arguments(words.begin() + 1, words.end());
        if (name == "rem" || name == "pause")
            return true;
        if (name == "exit") {
            stopped_ = true;
            return true;
        }
        if (name == "copy")
            return runCopy(withoutSwitches(arguments));
        if (name == "del" || name == "erase")
            return runDelete(withoutSwitches(arguments));
        if (isToolName(name, "rfaunpack"))
            return runUnpack(arguments);
        if (isToolName(name, "rfapack"))
            return runPack(arguments);
        log_ << "Unbekannter Befehl, wird nicht ausgeführt: " << command << '\n';
        return false;
    }

    void echoCommand(std::string_view command) {
        std::error_code ec;
        const fs::path folder = fs::current_path(ec);
        log_ << '\n' << pathText(folder) << '>' << command << '\n';
    }

    bool runEcho(std::string_view rest) {
        if (rest.empty()) {
            log_ << (echo_ ? "ECHO ist eingeschaltet (ON)." : "ECHO ist ausgeschaltet (OFF).")
                 << '\n';
            return true;
        }
        const std::string_view text = rest.substr(1); // the blank or dot after "echo"
        const std::string word = asciiLower(text);
        if (rest[0] != '.' && (word == "off" || word == "on")) {
            echo_ = word == "on";
            return true;
        }
        log_ << text << '\n';
        return true;
    }

    // copy "<from>" "<to>": one file, replacing the target, as cmd.exe's copy does. A target
    // that is a folder receives the file under its own name; no target means the current
    // folder.
    bool runCopy(const std::vector<Argument>& arguments) {
        if (arguments.empty() || arguments.size() > 2) {
            log_ << kSyntax << '\n';
            return false;
        }
        const std::string& fromText = arguments[0].text;
        const std::string toText = arguments.size() == 2 ? arguments[1].text : ".";
        std::error_code ec;
        const fs::path from = resolvePath(fromText);
        if (fromText.empty() || !fs::exists(from, ec))
            return copyFailed(kFileNotFound);
        if (!fs::is_regular_file(from, ec))
            return copyFailed("\"" + fromText + "\" ist ein Ordner; kopiert werden nur Dateien.");

        fs::path to = resolvePath(toText);
        if (fs::is_directory(to, ec))
            to = resolvePath(pathText(to) + "/" + pathText(from.filename()));
        else if (toText.empty() || endsWithSeparator(toText))
            return copyFailed(kPathNotFound);
        const fs::path toFolder = to.parent_path().empty() ? fs::path(".") : to.parent_path();
        if (!fs::is_directory(toFolder, ec))
            return copyFailed(kPathNotFound);
        if (fs::is_directory(to, ec))
            return copyFailed("\"" + pathText(to) + "\" ist ein Ordner und wird nicht ersetzt.");
        if (fs::equivalent(from, to, ec))
            return copyFailed(kSelfCopy);

        // Atomically, never through a link; the copy of a read-only original (a map on a
        // read-only medium) is a new file and does not stop the next run from replacing it.
        try {
            copyFileAtomically(from, to);
        } catch (const Error& e) {
            return copyFailed(e.what());
        }
        log_ << kCopied << '\n';
        return true;
    }

    bool copyFailed(const std::string& message) {
        log_ << message << '\n' << kNotCopied << '\n';
        return false;
    }

    // del "<path>" ...: removes files. A missing file is reported and the batch goes on;
    // a folder is left alone (cmd.exe would empty it after asking).
    bool runDelete(const std::vector<Argument>& arguments) {
        if (arguments.empty()) {
            log_ << kSyntax << '\n';
            return false;
        }
        bool ok = true;
        for (const Argument& argument : arguments) {
            std::error_code ec;
            const fs::path path = resolvePath(argument.text);
            const fs::file_status status = fs::symlink_status(path, ec);
            if (argument.text.empty() || !fs::exists(status)) {
                log_ << "Die Datei \"" << pathText(fs::absolute(path, ec))
                     << "\" wurde nicht gefunden.\n";
                ok = false;
            } else if (fs::is_directory(status)) {
                log_ << "\"" << argument.text << "\" ist ein Ordner und wird nicht gelöscht.\n";
                ok = false;
            } else if (!fs::remove(path, ec) || ec) {
                log_ << "Die Datei \"" << argument.text << "\" kann nicht gelöscht werden. "
                     << systemReason(ec ? ec.value() : EIO) << '\n';
                ok = false;
            }
        }
        return ok;
    }

    // rfaunpack.exe <archive> [<destination>] and rfaPack.exe <folder> <path in archive>
    // "<archive>" [-Compress]: our own archive tools, as the programs of those names run them;
    // a failure is written to the log and the batch goes on.
    bool runUnpack(const std::vector<Argument>& arguments) {
        return archive::runUnpackTool(toolArguments(arguments), log_, log_, programFolder_);
    }

    bool runPack(const std::vector<Argument>& arguments) {
        return archive::runPackTool(toolArguments(arguments), log_, log_);
    }

    static std::vector<archive::ToolArgument>
    toolArguments(const std::vector<Argument>& arguments) {
        std::vector<archive::ToolArgument> tool;
        for (const Argument& a : arguments)
            tool.push_back({a.text, a.quoted});
        return tool;
    }

    std::ostream& log_;
    std::string programFolder_;
    bool echo_ = true;
    bool stopped_ = false;
    int failures_ = 0;
};

// Writes everything to two stream buffers at once (the console and the log file).
class TeeBuffer : public std::streambuf {
public:
    TeeBuffer(std::streambuf* first, std::streambuf* second) : first_(first), second_(second) {}

protected:
    int overflow(int c) override {
        if (c == traits_type::eof())
            return traits_type::not_eof(c);
        const char ch = static_cast<char>(c);
        xsputn(&ch, 1);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        first_->sputn(s, n);
        if (second_)
            second_->sputn(s, n);
        return n;
    }
    int sync() override {
        first_->pubsync();
        if (second_)
            second_->pubsync();
        return 0;
    }

private:
    std::streambuf* first_;
    std::streambuf* second_;
};

} // namespace

std::vector<Argument> splitArguments(std::string_view line) {
    std::vector<Argument> arguments;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        if (i == line.size())
            break;
        Argument argument;
        bool inQuotes = false;
        for (; i < line.size() && (inQuotes || !isBlank(line[i])); ++i) {
            if (line[i] == '"') {
                inQuotes = !inQuotes;
                argument.quoted = true;
            } else {
                argument.text += line[i];
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

int runBatchLines(const std::vector<std::string>& lines, std::ostream& log,
                  const std::string& programFolder) {
    return Interpreter(log, programFolder).run(lines);
}

int runBatchFile(const std::string& batchPath, std::ostream& log,
                 const std::string& programFolder) {
    return runBatchLines(splitLines(decodeBatchText(readFileBytes(batchPath))), log, programFolder);
}

int runBatchCommand(const std::string& batchPath, const std::string& programFolder) {
    std::ofstream logFile = tess::openBatchLog(batchPath);
    TeeBuffer tee(std::cout.rdbuf(), logFile ? logFile.rdbuf() : nullptr);
    std::ostream out(&tee);
    int result = 0;
    try {
        result = runBatchFile(batchPath, out, programFolder) > 0 ? 1 : 0;
    } catch (const std::exception& e) {
        out << e.what() << '\n';
        result = 1;
    }
    out.flush();
    return result;
}

} // namespace tess::batch
