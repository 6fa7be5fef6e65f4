#include "pathmaps/editor.h"

#include "core/error.h"
#include "core/files.h"
#include "core/inputs.h"
#include "core/paths.h"
#include "pathmaps/png.h"

#include <algorithm>

namespace tess::pathmaps {
namespace {

constexpr const char* kPathfindingFolder = "Pathfinding\\";

// The world frame of the area script: the level's edge and its units per picture pixel.
std::int32_t worldSizeOf(const Grid& grid) {
    return grid.width * grid.cellSize;
}

} // namespace

EditPlaces editPlacesOf(const std::string& shownFile, const std::string& addonDir) {
    if (addonDir.empty())
        return {shownFile, shownFile};
    const std::string inAddon = addonDir + kPathfindingFolder + fileNamePart(shownFile);
    return {fileExists(inAddon) ? inAddon : shownFile, inAddon};
}

PathmapEditor::PathmapEditor(const std::string& shownFile, const std::string& mapLevelDir,
                             const std::string& addonDir)
    : places_(editPlacesOf(shownFile, addonDir)), className_(pathmapClass(fileNamePart(shownFile))),
      edit_(readPathmap(places_.readFrom)) {
    overview_ = areas::loadOverviewPicture(mapLevelDir);
    const int searchMap = searchMapOfClass(className_);
    const std::string script = addonDir + "AIPathFinding.con";
    if (!addonDir.empty() && searchMap >= 0 && fileExists(script)) {
        if (auto points = spawnPointsOfSearchMap(readFileBytes(script), searchMap)) {
            hasSpawnPoints_ = true;
            spawnPoints_ = std::move(*points);
        }
    }
    const std::int32_t worldSize = worldSizeOf(grid());
    const std::int32_t worldScale = std::max(1, worldSize / 512);
    if (!addonDir.empty())
        areas_ = areas::readLevelAreas(addonDir, worldSize, worldScale);
    if (areas_.empty() && !mapLevelDir.empty())
        areas_ = areas::readLevelAreas(mapLevelDir, worldSize, worldScale);
}

PathmapSummary PathmapEditor::summary() const {
    PathmapSummary s;
    s.kind = grid().kind;
    s.className = className_;
    s.width = grid().width;
    s.height = grid().height;
    s.cellSize = grid().cellSize;
    s.blockedCells = editable() ? edit_.blockedCells() : countBlocked(grid());
    return s;
}

SaveReport PathmapEditor::save() {
    const std::string folder = folderPart(places_.saveTo);
    if (!folder.empty() && !fileExists(folder))
        createFolder(folder);
    SaveReport report =
        saveMapWithLevels(grid(), edit_.savedCells(), places_.saveTo, places_.readFrom);
    edit_.markSaved(report.tileMarkers);
    places_.readFrom = places_.saveTo;
    return report;
}

std::vector<std::string> PathmapEditor::restoreOriginals() {
    std::vector<std::string> restored = pathmaps::restoreOriginals(places_.saveTo);
    if (fileExists(places_.saveTo))
        places_.readFrom = places_.saveTo;
    edit_ = GridEdit(readPathmap(places_.readFrom));
    return restored;
}

void PathmapEditor::exportPicture(const std::string& pngPath) const {
    InputFiles maps;
    for (const std::string& place : {places_.readFrom, places_.saveTo})
        for (const std::string& file : classFilesOf(place))
            maps.addFile(file);
    maps.refuseAsOutput(pngPath);
    writeFileAtomically(pngPath, encodeMapPicture(grid(), fileNamePart(places_.readFrom)));
}

CellRect PathmapEditor::importPicture(const std::string& pngPath) {
    if (!editable())
        throw Error("Die Gebietskarte " + fileNamePart(places_.readFrom) +
                    " wird nicht bearbeitet: nur das Spiel weiß ihre Gebiete zu zählen");
    const std::vector<std::uint8_t> cells = decodeMapPicture(
        readFileBytes(pngPath), grid(), fileNamePart(pngPath), fileNamePart(places_.readFrom));
    return edit_.replaceCells(cells);
}

} // namespace tess::pathmaps
