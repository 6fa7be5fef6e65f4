#include "packing/batches.h"

#include "core/error.h"
#include "core/paths.h"
#include "intake/map_choice.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tess::packing {
namespace {

std::string networkFolderOf(const std::string& programFolder) {
    return programFolder + "Network\\";
}

// Both paths name one existing file (on any spelling of either).
bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    std::error_code ec;
    return fs::equivalent(resolvePath(a), resolvePath(b), ec) && !ec;
}

} // namespace

void checkNameForBatch(const std::string& text) {
    intake::checkSafeForBatch(text);
    // A line break would end the batch line and start a command of the name's own.
    for (const char c : text)
        if (c == '\r' || c == '\n')
            throw Error("Der Pfad \"" + text +
                        "\" enthält einen Zeilenumbruch, der in einer Batchdatei einen "
                        "eigenen Befehl beginnen würde. Bitte benenne die Datei oder den "
                        "Ordner um");
}

std::string batchArgument(const std::string& text) {
    if (text.find_first_of(" \t") == std::string::npos)
        return text;
    return "\"" + text + "\"";
}

LineList buildPackBatch(const std::string& mapName, const std::string& packTarget,
                        const std::string& programFolder) {
    checkNameForBatch(mapName);
    checkNameForBatch(packTarget);
    checkNameForBatch(programFolder);
    const std::string packName = fileNamePart(packTarget);
    return {
        "rfaPack.exe " + batchArgument("bf1942\\levels\\" + mapName + "_001") + "  " +
            batchArgument("bf1942/levels/" + mapName) + " \"" + packName + ".rfa\"",
        "copy \"" + programFolder + packName + ".rfa\" \"" + packTarget + ".rfa\"",
    };
}

LineList buildNetworkUnpackBatch(const std::string& netMapArchive, const std::string& netMapName,
                                 const std::string& netAddonArchive,
                                 const std::string& netAddonName,
                                 const std::string& programFolder) {
    for (const std::string* text :
         {&netMapArchive, &netMapName, &netAddonArchive, &netAddonName, &programFolder})
        checkNameForBatch(*text);
    const std::string network = networkFolderOf(programFolder);
    LineList lines;
    const auto unpack = [&](const std::string& archive, const std::string& name) {
        const bool inPlace = sameFile(archive, network + name + ".rfa");
        if (!inPlace)
            lines.push_back("copy \"" + archive + "\" \"" + network + name + ".rfa\"");
        lines.push_back("rfaunpack.exe " + batchArgument(name + ".rfa"));
        if (!inPlace)
            lines.push_back("del \"" + network + name + ".rfa\"");
    };
    unpack(netMapArchive, netMapName);
    unpack(netAddonArchive, netAddonName);
    return lines;
}

LineList buildNetworkPackBatch(const std::string& netMapArchive, const std::string& netMapName,
                               const std::string& programFolder) {
    checkNameForBatch(netMapArchive);
    checkNameForBatch(netMapName);
    checkNameForBatch(programFolder);
    const std::string network = networkFolderOf(programFolder);
    LineList lines{"rfaPack.exe " + batchArgument("bf1942\\levels\\" + netMapName) + " " +
                   batchArgument("bf1942/levels/" + netMapName) + " \"" + netMapName + ".rfa\""};
    if (sameFile(netMapArchive, network + netMapName + ".rfa"))
        return lines;
    lines.push_back("copy \"" + network + netMapName + ".rfa\" \"" + netMapArchive + "\"");
    lines.push_back("del \"" + network + netMapName + ".rfa\"");
    return lines;
}

} // namespace tess::packing
