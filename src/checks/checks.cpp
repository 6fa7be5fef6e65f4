#include "checks/checks.h"

#include <array>

namespace tess::checks {
namespace {

constexpr std::array kChecks = {
    Check{"archive-readable", checkArchiveReadable},
    Check{"archive-entries", checkArchiveEntries},
    Check{"leftovers", checkLeftovers},
    Check{"ai-con", checkAiScript},
    Check{"addon-files", checkAddonFiles},
    Check{"createallmaps", checkCreateAllMaps},
    Check{"class-pathmaps", checkClassPathmaps},
    Check{"class-spawn-points", checkClassSpawnPoints},
    Check{"script-text", checkScriptText},
    Check{"areas", checkAreasExist},
    Check{"area-names", checkAreaNames},
    Check{"neighbour-names", checkNeighbourNames},
    Check{"mutual-links", checkMutualLinks},
    Check{"order-positions", checkOrderPositions},
    Check{"area-groups", checkAreaGroups},
    Check{"area-in-world", checkAreasInWorld},
    Check{"control-point-area", checkControlPointsInAreas},
    Check{"area-passable", checkAreasPassable},
    // The levels first: each coarser map is read once, and what it holds is noted for the
    // two checks after it.
    Check{"pathmap-levels", checkPathmapLevels},
    Check{"pathmap-readable", checkPathmapsReadable},
    Check{"pathmap-size", checkPathmapSizes},
    Check{"spawn-blocked", checkSpawnPointsPassable},
    // The ground under the pathmaps: each class's finest map against its draft.
    Check{"terrain", checkTerrainReadable},
    Check{"terrain-drawn", checkTerrainDrawn},
    Check{"terrain-water", checkTerrainWater},
    Check{"terrain-outside", checkTerrainOutside},
    Check{"terrain-spawn", checkTerrainSpawnPoints},
    Check{"archive-level-path", checkArchiveLevelPath},
    Check{"coop-scripts", checkCoopScripts},
    Check{"addon-archive", checkAddonArchive},
    Check{"merged-archive", checkMergedArchive},
    Check{"pack-target", checkPackTargetPlace},
};

} // namespace

std::span<const Check> allChecks() {
    return kChecks;
}

CheckReport checkAddon(const CheckTarget& target) {
    Addon addon(target);
    CheckReport report;
    report.checked = addon.shown();
    for (const Check& check : kChecks) {
        // An archive that cannot be read has nothing else to check.
        if (!addon.archiveError().empty() && check.run != checkArchiveReadable)
            continue;
        for (Finding& finding : check.run(addon)) {
            finding.check = std::string(check.key);
            report.findings.push_back(std::move(finding));
        }
    }
    report.worldSize = addon.archiveError().empty() ? addon.worldSize().value_or(0) : 0;
    sortFindings(report.findings);
    return report;
}

} // namespace tess::checks
