// inspect and generate: the map choice, OK and Start of tab 1 without a window.
#include "cli/commands.h"

#include "core/wizard_state.h"
#include "intake/map_inspection.h"
#include "intake/map_source.h"
#include "platform/program_folder.h"
#include "scripts/start.h"

#include <iostream>
#include <memory>

namespace tess::cli {
namespace {

struct MapOptions {
    std::string map;
    std::string programFolder;
    bool ships = false;
    bool landingCraft = false;
};

// Chooses the map and presses OK, as in the window.
WizardState inspectedMap(const MapOptions& options, intake::Inspection& shown) {
    useProgramFolder(options.programFolder);
    WizardState state;
    const std::string program = programFolder();
    intake::chooseMapAndWait(state, options.map, program);
    shown = intake::inspectMap(state, program);
    return state;
}

int inspect(const MapOptions& options) {
    intake::Inspection shown;
    const WizardState state = inspectedMap(options, shown);
    std::cout << "mapName: " << state.mapName << "\n"
              << "worldSize: " << state.worldSize << "\n"
              << "worldScale: " << state.worldScale << "\n"
              << "levelDir: " << state.levelDir << "\n"
              << "basePath: " << shown.basePath << "\n"
              << "packed: " << (state.packed ? "yes" : "no") << "\n";
    return 0;
}

int generate(const MapOptions& options) {
    intake::Inspection shown;
    WizardState state = inspectedMap(options, shown);
    const scripts::SpawnFlags flags{options.ships, options.landingCraft};
    std::cout << scripts::generateReportText(scripts::runStart(state, flags, programFolder()));
    return 0;
}

void addMapOption(CLI::App* command, MapOptions& options) {
    command->add_option("MAP", options.map, "Levelordner, init.con oder .rfa-Archiv")->required();
}

} // namespace

void addMapCommands(CLI::App& app) {
    const auto options = std::make_shared<MapOptions>();

    CLI::App* inspectCommand = addCommand(app, "inspect", "Karte wählen und prüfen (OK)",
                                          [options] { return inspect(*options); });
    addMapOption(inspectCommand, *options);
    addProgramFolderOption(inspectCommand, options->programFolder);

    CLI::App* generateCommand =
        addCommand(app, "generate", "Karte wählen, OK und Start: das Bot-Addon schreiben",
                   [options] { return generate(*options); });
    addMapOption(generateCommand, *options);
    generateCommand->add_flag("--ships", options->ships, "Schiffe auf der Karte");
    generateCommand->add_flag("--landing-craft", options->landingCraft,
                              "Landungsboote auf der Karte");
    addProgramFolderOption(generateCommand, options->programFolder);
}

} // namespace tess::cli
