#include "scripts/start.h"

#include "intake/map_choice.h"
#include "intake/map_inspection.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/lines.h"
#include "core/project_info.h"
#include "scripts/coop_listings.h"

#include <array>
#include <string_view>

namespace tess::scripts {
namespace {

// The AI start script "ai.con". Line 1 ends with our home page and line 5 with the world size
// twice; both are completed by aiStartScript. The game generates the path maps while
// "ai.createallmaps" is in it; the pathmap import deletes that line later.
constexpr std::array<std::string_view, 65> kAiStartScript = {
    "rem *** ai.con - WorX done by ferro_lumen....", // + home page
    "rem ---------------------------------------------------------------------------- ",
    "rem ************** LEVEL SPECIFIC AI SETTINGS ***************************",
    " ",
    "aiSettings.setWorldMapSize ", // + worldSize, blank, worldSize
    "aiSettings.setViewDistance 500",
    "aiSettings.setInformationGridDimension 32",
    " ",
    "rem ********************** START THE AI *********************************",
    " ",
    "rem *** Init AI using current settings ****",
    "ai.init 2",
    " ",
    "rem *** init Botmanager ***",
    "AIBotManager.setLodLevelTicks 6 6 6",
    "AIBotManager.setLodLevelPriority 3 3 3",
    "AIBotManager.setPlannedDecisionMakingThreshold 0.5 0.5 0.5",
    "AIBotManager.setUnplannedDecisionMakingThreshold 0.3 0.4 0.4",
    "AIBotManager.setDecisionMakingInterleave 2 2",
    "AIBotManager.setSensingQuotient 1 1",
    "AIBotManager.setSystemQuotient 40 40 20",
    " ",
    "rem *** Strategic map dimension, MUST BE DONE BEFORE CREATING SAI! ***",
    "ai.saiMapXDimension 64",
    "ai.saiMapYDimension 64",
    " ",
    "rem *** Create Strategic AI ***",
    "ai.createSAI",
    " ",
    "rem *** Enabled or disabled as default ***",
    "ai.saiEnable 1",
    "game.showAIstats 0",
    "ai.showBotStats 0",
    " ",
    "rem ----------------------------------------------------------------------------",
    " ",
    "run AIPathFinding.con",
    " ",
    "run ai/StrategicAreas",
    " ",
    "rem *** Set strategies for each side ***",
    "run ai/conditions.con",
    "run ai/prerequisites.con",
    "run ai/Strategies.con",
    " ",
    "rem ----------------------------------------------------------------------------",
    " ",
    "ai.addSAIStrategy 1 west",
    "ai.addSAIStrategy 1 east",
    "ai.addSAIStrategy 1 south",
    "ai.addSAIStrategy 1 north",
    "ai.addSAIStrategy 1 wide",
    "ai.addSAIStrategy 1 finalPush",
    "ai.addSAIStrategy 1 breakOut",
    " ",
    "ai.addSAIStrategy 2 west",
    "ai.addSAIStrategy 2 east",
    "ai.addSAIStrategy 2 south",
    "ai.addSAIStrategy 2 north",
    "ai.addSAIStrategy 2 wide",
    "ai.addSAIStrategy 2 finalPush",
    "ai.addSAIStrategy 2 breakOut",
    "",
    "ai.createallmaps",
    "rem ----------------------------------------------------------------------------",
};

// The single-player side script, the same for "SinglePlayerAllied.con" and
// "SinglePlayerAxis.con".
constexpr std::array<std::string_view, 18> kSinglePlayerSideScript = {
    "Game.setNumberOfTickets 1 100",
    "Game.setNumberOfTickets 2 105",
    "Game.setTicketLostPerMin 1 7",
    "Game.setTicketLostPerMin 2 7",
    " ",
    "run SinglePlayer/SoldierSpawnTemplates",
    "run SinglePlayer/SoldierSpawns",
    "run SinglePlayer/SpawnpointManagerSettings",
    "run SinglePlayer/ObjectSpawnTemplates",
    "run SinglePlayer/ControlPointTemplates",
    " ",
    "game.maxNrofPlayers 18",
    " ",
    "rem ----------------------------------------------------------------------------",
    "run ai",
    "run SinglePlayer/ObjectSpawns",
    "run SinglePlayer/ControlPoints",
    "game.timeToNextWave 20",
};

// The bot-name scripts "Singleplayer\Bots.con" and "Singleplayer\Skirmish.con"; they differ
// only in the letter case of the British names.
constexpr std::array<std::string_view, 4> kBotsScript = {
    "console.useRelativePaths 0",
    "run bf1942/game/common/Britishnames",
    "run bf1942/game/common/germannames",
    "console.useRelativePaths 1",
};
constexpr std::array<std::string_view, 4> kSkirmishScript = {
    "console.useRelativePaths 0",
    "run bf1942/game/common/britishnames",
    "run bf1942/game/common/germannames",
    "console.useRelativePaths 1",
};

// The map's Conquest scripts copied into the addon's "Singleplayer\", in this order.
constexpr std::array<std::string_view, 7> kConquestCopies = {
    "ControlPoints.con",
    "ControlPointTemplates.con",
    "ObjectSpawns.con",
    "ObjectSpawnTemplates.con",
    "SoldierSpawns.con",
    "SoldierSpawnTemplates.con",
    "spawnPointManagerSettings.con",
};

// The AI behaviour templates: source under the program folder, target under the addon.
struct TemplateCopy {
    std::string_view source;
    std::string_view target;
};
constexpr std::array<TemplateCopy, 3> kBehaviourTemplates = {{
    {"temp\\con files\\conditions.con", "AI\\conditions.con"},
    {"temp\\con files\\strategies.con", "AI\\strategies.con"},
    {"temp\\con files\\prerequisites.con", "AI\\prerequisites.con"},
}};

// The folders of the addon tree, created in this order.
constexpr std::array<std::string_view, 4> kAddonFolders = {"GameTypes", "AI", "SinglePlayer",
                                                           "Pathfinding"};

template <std::size_t N> LineList toLines(const std::array<std::string_view, N>& listing) {
    return LineList(listing.begin(), listing.end());
}

// mapLevelDir takes the map level folder and levelDir becomes the addon folder, before any
// folder or file is touched. A run that stopped has switched them already; switching again
// would lose the map level folder, so a repeated run keeps them.
void switchToAddonFolder(WizardState& state, const std::string& addonFolder) {
    const bool alreadySwitched = state.levelDir == addonFolder && !state.mapLevelDir.empty();
    if (!alreadySwitched)
        state.mapLevelDir = state.levelDir;
    state.levelDir = addonFolder;
}

} // namespace

StartReport writeAddonScripts(WizardState& state, SpawnFlags flags,
                              const std::string& programFolder) {
    // Before anything is written: a map name that would lead out of the levels folder, and
    // an addon folder that the stats file cannot hold in the game's code page.
    intake::checkMapName(state.mapName);
    const std::string addonFolder = intake::addonFolderOf(programFolder, state.mapName);
    const std::string statsFile = programFolder + "temp/stats.bf";
    if (!fitsCp1252(addonFolder)) {
        try {
            encodeCp1252(addonFolder);
        } catch (const Error& e) {
            throw cannotCreate(statsFile, e.what());
        }
    }
    switchToAddonFolder(state, addonFolder);
    const std::string& levelDir = state.levelDir;

    // The folder tree. Creation failures (the folder exists) pass silently; a folder that
    // cannot be entered stops the run.
    changeDirectory(programFolder + "bf1942\\levels\\");
    createFolder(state.mapName + "_001");
    changeDirectory(levelDir);
    for (const auto folder : kAddonFolders)
        createFolder(std::string(folder));

    saveLines(levelDir + "ai.con", aiStartScript(state.worldSize));
    saveLines(statsFile, {std::to_string(state.worldSize), levelDir});
    saveLines(levelDir + "Coop.con", toLines(kCoopScript));
    saveLines(levelDir + "Gametypes\\Coop.con", toLines(kCoopGameTypeScript));
    saveLines(levelDir + "SinglePlayerAllied.con", toLines(kSinglePlayerSideScript));
    saveLines(levelDir + "SinglePlayerAxis.con", toLines(kSinglePlayerSideScript));
    saveLines(levelDir + "Singleplayer\\Bots.con", toLines(kBotsScript));
    saveLines(levelDir + "Singleplayer\\Skirmish.con", toLines(kSkirmishScript));

    // A map without one of these scripts simply has no copy (or keeps an earlier one).
    for (const auto name : kConquestCopies)
        copyFileReplacing(state.mapLevelDir + "conquest\\" + std::string(name),
                          levelDir + "Singleplayer\\" + std::string(name));

    // The behaviour templates pass through unread; only their line breaks become CR LF.
    for (const auto& copy : kBehaviourTemplates)
        writeFileAtomically(
            levelDir + std::string(copy.target),
            normalizeToCrLf(readFileBytes(programFolder + std::string(copy.source))));

    const PathFindingCounts counts = writePathFindingScript(levelDir, flags);
    return {levelDir, counts.soldierSpawnPoints, counts.objectSpawnPoints};
}

void writeEmptyAreaScript(const WizardState& state) {
    writeFileAtomically(state.levelDir + "AI\\StrategicAreas.con", "");
}

StartReport runStart(WizardState& state, SpawnFlags flags, const std::string& programFolder) {
    const StartReport report = writeAddonScripts(state, flags, programFolder);
    writeEmptyAreaScript(state);
    return report;
}

std::string generateReportText(const StartReport& report) {
    return "addon: " + report.addonFolder + "\n" +
           "soldierSpawnPoints: " + std::to_string(report.soldierSpawnPoints) + "\n" +
           "objectSpawnPoints: " + std::to_string(report.objectSpawnPoints) + "\n";
}

LineList aiStartScript(std::int32_t worldSize) {
    LineList lines = toLines(kAiStartScript);
    lines[0] += kHomePage;
    const std::string size = std::to_string(worldSize);
    lines[4] += size + " " + size;
    return lines;
}

} // namespace tess::scripts
