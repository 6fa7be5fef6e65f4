#include "packing/batches.h"

#include "batch/batch_text.h"
#include "core/paths.h"

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

LineList buildPackBatch(const std::string& mapName, const std::string& packTarget,
                        const std::string& programFolder) {
    batch::checkSafeForBatch(mapName);
    batch::checkSafeForBatch(packTarget);
    batch::checkSafeForBatch(programFolder);
    const std::string packName = fileNamePart(packTarget);
    return {
        "rfaPack.exe " + batch::batchArgument("bf1942\\levels\\" + mapName + "_001") + "  " +
            batch::batchArgument("bf1942/levels/" + mapName) + " \"" + packName + ".rfa\"",
        batch::copyCommand(programFolder + packName + ".rfa", packTarget + ".rfa"),
    };
}

LineList buildNetworkUnpackBatch(const std::string& netMapArchive, const std::string& netMapName,
                                 const std::string& netAddonArchive,
                                 const std::string& netAddonName,
                                 const std::string& programFolder) {
    for (const std::string* text :
         {&netMapArchive, &netMapName, &netAddonArchive, &netAddonName, &programFolder})
        batch::checkSafeForBatch(*text);
    const std::string network = networkFolderOf(programFolder);
    LineList lines;
    const auto unpack = [&](const std::string& archive, const std::string& name) {
        const bool inPlace = sameFile(archive, network + name + ".rfa");
        if (!inPlace)
            lines.push_back(batch::copyCommand(archive, network + name + ".rfa"));
        lines.push_back("rfaunpack.exe " + batch::batchArgument(name + ".rfa"));
        if (!inPlace)
            lines.push_back(batch::deleteCommand(network + name + ".rfa"));
    };
    unpack(netMapArchive, netMapName);
    unpack(netAddonArchive, netAddonName);
    return lines;
}

LineList buildNetworkPackBatch(const std::string& netMapArchive, const std::string& netMapName,
                               const std::string& programFolder) {
    batch::checkSafeForBatch(netMapArchive);
    batch::checkSafeForBatch(netMapName);
    batch::checkSafeForBatch(programFolder);
    const std::string network = networkFolderOf(programFolder);
    LineList lines{"rfaPack.exe " + batch::batchArgument("bf1942\\levels\\" + netMapName) + " " +
                   batch::batchArgument("bf1942/levels/" + netMapName) + " \"" + netMapName +
                   ".rfa\""};
    if (sameFile(netMapArchive, network + netMapName + ".rfa"))
        return lines;
    lines.push_back(batch::copyCommand(network + netMapName + ".rfa", netMapArchive));
    lines.push_back(batch::deleteCommand(network + netMapName + ".rfa"));
    return lines;
}

} // namespace tess::packing
