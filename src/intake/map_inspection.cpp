#include "intake/map_inspection.h"

#include "intake/map_choice.h"

namespace tess::intake {

WorldSize readWorldSize(const LineList& terrainScript) {
    if (indexOfLineIgnoringCase(terrainScript, "GeometryTemplate.worldSize 2048") >= 0)
        return {2048, 4};
    if (indexOfLineIgnoringCase(terrainScript, "GeometryTemplate.worldSize 1024") >= 0)
        return {1024, 2};
    return {4096, 8};
}

std::string basePathOf(const std::string& mapName) {
    return "bf1942/levels/" + mapName;
}

std::string levelsFolderOf(const std::string& folder) {
    return folder + "bf1942\\levels\\";
}

std::string levelFolderOf(const std::string& programFolder, const std::string& levelName) {
    return levelsFolderOf(programFolder) + levelName + "\\";
}

std::string addonFolderOf(const std::string& programFolder, const std::string& mapName) {
    return levelFolderOf(programFolder, mapName + "_001");
}

Inspection inspectMap(WizardState& state, const std::string& programFolder) {
    const std::string mapName = state.packed ? withoutExtension(state.mapName) : state.mapName;
    checkMapName(mapName);
    const LineList terrain = loadLines(state.levelDir + "init\\terrain.con");
    const WorldSize world = readWorldSize(terrain);
    state.worldSize = world.size;
    state.worldScale = world.scale;
    if (state.packed) {
        state.mapName = mapName;
        state.levelDir = levelFolderOf(programFolder, state.mapName);
    }
    Inspection shown;
    shown.mapLevelFolder = state.levelDir;
    shown.worldSize = std::to_string(state.worldSize);
    shown.mapKind = state.packed ? "Is - RFA" : "Non - RFA";
    shown.basePath = basePathOf(state.mapName);
    shown.mapName = state.mapName;
    shown.addonFolder = addonFolderOf(programFolder, state.mapName);
    return shown;
}

} // namespace tess::intake
