// tessarine-cli pathmap: what a generated pathmap says, and its picture over the level with
// the spawn points of the level's addon on it.
#include "cli/commands.h"

#include "core/wizard_state.h"
#include "intake/map_inspection.h"
#include "intake/map_source.h"
#include "pathmaps/picture.h"
#include "pathmaps/png.h"
#include "platform/program_folder.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

namespace tess::cli {
namespace {

struct PathmapOptions {
    std::string file;
    std::string png;
    std::string level;
    std::string programFolder;
};

const char* kindName(pathmaps::Kind kind) {
    switch (kind) {
    case pathmaps::Kind::eightBit:
        return "8-bit";
    case pathmaps::Kind::tiled:
        return "tiled";
    case pathmaps::Kind::regions:
        return "regions";
    }
    return "";
}

std::string percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", share * 100.0);
    return text;
}

int showPathmap(const PathmapOptions& options) {
    // The level's overview picture lies in the map level folder, its spawn points in the
    // addon that was generated for it under the program folder.
    std::string mapLevelDir;
    std::string addonDir;
    if (!options.level.empty()) {
        useProgramFolder(options.programFolder);
        const std::string program = programFolder();
        WizardState state;
        intake::chooseMapAndWait(state, options.level, program);
        addonDir = intake::inspectMap(state, program).addonFolder;
        mapLevelDir = state.levelDir;
    }
    const pathmaps::PathmapView view = pathmaps::viewPathmap(options.file, mapLevelDir, addonDir);
    const pathmaps::PathmapSummary& map = view.summary;
    std::cout << "kind: " << kindName(map.kind) << "\n"
              << "class: " << map.className << "\n"
              << "size: " << map.width << " x " << map.height << "\n"
              << "cellSize: " << map.cellSize << "\n"
              << "blocked: " << percent(map.blockedShare()) << "\n";
    if (!options.level.empty()) {
        if (view.hasSpawnPoints)
            std::cout << "spawnPoints: " << view.spawnLine << "\n";
        else
            std::cout << "spawnPoints: keine in " << addonDir << "AIPathFinding.con\n";
    }
    if (!options.png.empty())
        pathmaps::writePng(view.picture, options.png);
    return 0;
}

} // namespace

void addPathmapCommands(CLI::App& app) {
    const auto options = std::make_shared<PathmapOptions>();
    CLI::App* command =
        addCommand(app, "pathmap",
                   "Eine Pathmap prüfen: Art, Größe, Feldgröße, gesperrter Anteil; mit --png "
                   "als Bild",
                   [options] { return showPathmap(*options); });
    command->add_option("FILE", options->file, "Pathmap (.raw)")->required();
    command->add_option("--png", options->png, "Bild der Pathmap als PNG-Datei schreiben");
    command->add_option("--level", options->level,
                        "Levelordner, init.con oder .rfa-Archiv der Karte: ihr Übersichtsbild "
                        "und die Spawnpunkte ihres Addons");
    addProgramFolderOption(command, options->programFolder);
}

} // namespace tess::cli
