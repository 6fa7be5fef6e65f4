#include "cli/commands.h"

#include "archive/archive.h"
#include "batch/interpreter.h"
#include "core/paths.h"
#include "core/wizard_state.h"
#include "intake/map_inspection.h"
#include "intake/map_source.h"
#include "platform/program_folder.h"
#include "scripts/start.h"

#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace tess::cli {
namespace {

struct Options {
    std::string map;
    std::string programFolder;
    std::string file;
    std::string archive;
    std::string folder;
    std::string pathInArchive;
    std::string to;
    bool compress = false;
    bool ships = false;
    bool landingCraft = false;
};

Options& options() {
    static Options o;
    return o;
}

std::map<std::string, std::function<int()>>& actions() {
    static std::map<std::string, std::function<int()>> a;
    return a;
}

void useProgramFolderOption() {
    if (!options().programFolder.empty())
        setProgramFolderOverride(pathText(fs::absolute(options().programFolder)));
}

void addProgramFolderOption(CLI::App* command) {
    command->add_option("--program-folder", options().programFolder,
                        "Programmordner (Vorgabe: der Ordner dieses Programms)");
}

void printArchiveProgress(const std::string& line) {
    std::cout << line << "\n";
}

// Choose the map and press OK, as in the window.
WizardState inspectedMap(intake::Inspection* shown = nullptr) {
    useProgramFolderOption();
    WizardState state;
    const std::string program = programFolder();
    intake::chooseMapAndWait(state, options().map, program);
    const auto result = intake::inspectMap(state, program);
    if (shown)
        *shown = result;
    return state;
}

int inspect() {
    intake::Inspection shown;
    const WizardState state = inspectedMap(&shown);
    std::cout << "mapName: " << state.mapName << "\n"
              << "worldSize: " << state.worldSize << "\n"
              << "worldScale: " << state.worldScale << "\n"
              << "levelDir: " << state.levelDir << "\n"
              << "basePath: " << shown.basePath << "\n"
              << "packed: " << (state.packed ? "yes" : "no") << "\n";
    return 0;
}

int generate() {
    WizardState state = inspectedMap();
    const SpawnFlags flags{options().ships, options().landingCraft};
    std::cout << generateReportText(runStart(state, flags, programFolder()));
    return 0;
}

int runBatch() {
    return batch::runBatchCommand(options().file, programFolder());
}

int rfaList() {
    for (const auto& line : archive::formatListing(archive::listArchive(options().archive)))
        std::cout << line << "\n";
    return 0;
}

int rfaUnpack() {
    const fs::path to = options().to.empty() ? fs::current_path() : fs::path(options().to);
    // The folder is made only once the archive has been read.
    archive::UnpackOptions unpackOptions;
    unpackOptions.createDestination = true;
    archive::unpackArchive(options().archive, to, printArchiveProgress, unpackOptions);
    return 0;
}

int rfaPack() {
    archive::packFolder(options().folder, options().pathInArchive, options().archive,
                        options().compress, printArchiveProgress);
    return 0;
}

} // namespace

void addCommands(CLI::App& app) {
    auto* inspectCommand = app.add_subcommand("inspect", "Karte w\xc3\xa4hlen und pr\xc3\xbc"
                                                         "fen (OK)");
    inspectCommand->add_option("MAP", options().map, "Levelordner, init.con oder .rfa-Archiv")
        ->required();
    addProgramFolderOption(inspectCommand);
    actions()["inspect"] = inspect;

    auto* generateCommand = app.add_subcommand(
        "generate", "Karte w\xc3\xa4hlen, OK und Start: das Bot-Addon schreiben");
    generateCommand->add_option("MAP", options().map, "Levelordner, init.con oder .rfa-Archiv")
        ->required();
    generateCommand->add_flag("--ships", options().ships, "Schiffe auf der Karte");
    generateCommand->add_flag("--landing-craft", options().landingCraft,
                              "Landungsboote auf der Karte");
    addProgramFolderOption(generateCommand);
    actions()["generate"] = generate;

    auto* batchCommand = app.add_subcommand(
        "run-batch", "Batchdatei im aktuellen Ordner ausf\xc3\xbchren (Ausgabe auch in .log)");
    batchCommand->add_option("FILE", options().file)->required();
    actions()["run-batch"] = runBatch;

    auto* list = app.add_subcommand("rfa-list", "Inhalt eines Archivs zeigen");
    list->add_option("ARCHIVE", options().archive)->required();
    actions()["rfa-list"] = rfaList;

    auto* unpack = app.add_subcommand("rfa-unpack", "Archiv entpacken");
    unpack->add_option("ARCHIVE", options().archive)->required();
    unpack->add_option("--to", options().to, "Zielordner (Vorgabe: aktueller Ordner)");
    actions()["rfa-unpack"] = rfaUnpack;

    auto* pack = app.add_subcommand("rfa-pack", "Ordner zu einem Archiv packen");
    pack->add_option("FOLDER", options().folder)->required();
    pack->add_option("PATH-IN-ARCHIVE", options().pathInArchive)->required();
    pack->add_option("ARCHIVE", options().archive)->required();
    pack->add_flag("--compress", options().compress, "LZO-komprimiert packen");
    actions()["rfa-pack"] = rfaPack;
}

int runSelected(CLI::App& app) {
    for (auto* command : app.get_subcommands())
        if (auto it = actions().find(command->get_name()); it != actions().end())
            return it->second();
    return 2;
}

} // namespace tess::cli
