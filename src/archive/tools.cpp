#include "archive/tools.h"

#include "archive/archive.h"
#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"

#include <filesystem>
#include <ostream>
#include <system_error>

namespace fs = std::filesystem;

namespace tess::archive {
namespace {

std::string asciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Runs one tool's work; its failure is written to err.
template <typename Work> bool runTool(std::ostream& err, const Work& work) {
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        err << e.what() << '\n';
    } catch (...) {
        err << "Unbekannter Fehler im Archivwerkzeug\n";
    }
    err.flush();
    return false;
}

// The program folder and its Network folder hold the program's own files (the programs, the
// templates, memory.bf, the batches).
bool holdsProgramFiles(const fs::path& destination, const std::string& programFolder) {
    if (programFolder.empty())
        return false;
    const auto folder = identityOf(destination);
    return folder && (folder == identityOf(resolvePath(programFolder)) ||
                      folder == identityOf(resolvePath(programFolder + "Network")));
}

Progress printTo(std::ostream& out) {
    return [&out](const std::string& line) { out << line << '\n' << std::flush; };
}

} // namespace

std::vector<ToolArgument> toolArguments(const std::vector<std::string>& texts) {
    std::vector<ToolArgument> arguments;
    for (const std::string& text : texts)
        arguments.push_back({text, false});
    return arguments;
}

bool runUnpackTool(const std::vector<ToolArgument>& arguments, std::ostream& out, std::ostream& err,
                   const std::string& programFolder) {
    if (arguments.empty() || arguments.size() > 2) {
        err << "Aufruf: rfaunpack.exe <Archiv> [<Zielordner>]\n";
        return false;
    }
    return runTool(err, [&] {
        const fs::path archive = resolvePath(arguments[0].text);
        std::error_code ec;
        if (!fs::is_regular_file(archive, ec))
            throw Error("Das Archiv \"" + arguments[0].text + "\" wurde nicht gefunden.");
        const fs::path destination =
            arguments.size() == 2 ? resolvePath(arguments[1].text) : fs::current_path();
        UnpackOptions options;
        options.onlyLevels = holdsProgramFiles(destination, programFolder);
        unpackArchive(archive, destination, printTo(out), options);
    });
}

bool runPackTool(const std::vector<ToolArgument>& arguments, std::ostream& out, std::ostream& err) {
    bool compress = false;
    std::vector<std::string> rest;
    for (const ToolArgument& a : arguments) {
        const std::string lower = asciiLower(a.text);
        if (!a.quoted && (lower == "-compress" || lower == "/compress"))
            compress = true;
        else
            rest.push_back(a.text);
    }
    if (rest.size() != 3) {
        err << "Aufruf: rfaPack.exe <Ordner> <Pfad im Archiv> <Archiv> [-Compress]\n";
        return false;
    }
    return runTool(err, [&] {
        const fs::path folder = resolvePath(rest[0]);
        std::error_code ec;
        if (!fs::is_directory(folder, ec))
            throw Error("Der Ordner \"" + rest[0] + "\" wurde nicht gefunden.");
        packFolder(folder, rest[1], resolvePath(rest[2]), compress, printTo(out));
    });
}

} // namespace tess::archive
