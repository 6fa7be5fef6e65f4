#include "packing/batches.h"

#include "batch/batch_text.h"
#include "core/inputs.h"
#include "core/paths.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace tess::packing {
namespace {

std::string networkFolderOf(const std::string& programFolder) {
    return programFolder + "Network\\";
}

// A file name in the network folder that is free: neither there (as anything, in any letter
// case) nor among `used`.
std::string freeName(const std::string& network, const std::string& name,
                     const std::vector<std::string>& used) {
    for (int n = 1;; ++n) {
        const std::string candidate = name + (n == 1 ? "" : "~" + std::to_string(n)) + ".rfa";
        bool taken = false;
        for (const std::string& u : used)
            taken = taken || sameNameIgnoringCase(u, candidate);
        std::error_code ec;
        if (!taken && !fs::exists(fs::symlink_status(resolvePath(network + candidate), ec)))
            return candidate;
    }
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
    std::vector<std::string> used;
    const auto unpack = [&](const std::string& archive, const std::string& name) {
        const std::string own = fileNamePart(archive);
        if (sameFile(archive, network + own)) {
            lines.push_back("rfaunpack.exe " + batch::batchArgument(own));
            used.push_back(own);
            return;
        }
        const std::string copy = freeName(network, name, used);
        used.push_back(copy);
        lines.push_back(batch::copyCommand(archive, network + copy));
        lines.push_back("rfaunpack.exe " + batch::batchArgument(copy));
        lines.push_back(batch::deleteCommand(network + copy));
    };
    unpack(netMapArchive, netMapName);
    unpack(netAddonArchive, netAddonName);
    return lines;
}

std::string networkPackArchive(const std::string& netMapName, const std::string& programFolder) {
    const std::string network = networkFolderOf(programFolder);
    return network + freeName(network, netMapName, {});
}

LineList buildNetworkPackBatch(const std::string& netMapArchive, const std::string& netMapName,
                               const std::string& programFolder) {
    batch::checkSafeForBatch(netMapArchive);
    batch::checkSafeForBatch(netMapName);
    batch::checkSafeForBatch(programFolder);
    const std::string packed = networkPackArchive(netMapName, programFolder);
    return {"rfaPack.exe " + batch::batchArgument("bf1942\\levels\\" + netMapName) + " " +
                batch::batchArgument("bf1942/levels/" + netMapName) + " \"" + fileNamePart(packed) +
                "\"",
            batch::copyCommand(packed, netMapArchive), batch::deleteCommand(packed)};
}

} // namespace tess::packing
