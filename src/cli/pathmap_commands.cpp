// tessarine-cli pathmap: what a generated pathmap says, and its picture over the level with
// the spawn points of the level's addon on it; the map as a picture for any image editor, and
// such a picture brought back into the map and the coarser levels of its class.
#include "cli/commands.h"

#include "core/error.h"
#include "core/files.h"
#include "core/inputs.h"
#include "core/paths.h"
#include "core/wizard_state.h"
#include "intake/map_inspection.h"
#include "intake/map_source.h"
#include "pathmaps/levels.h"
#include "pathmaps/picture.h"
#include "pathmaps/png.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tess::cli {
namespace {

struct PathmapOptions {
    std::string file;
    std::string png;
    std::string level;
    std::string programFolder;
    std::string exportTo;
    std::string importFrom;
    std::string importTo;
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

// The file --import writes: --to, or the map itself.
std::string importTarget(const PathmapOptions& options) {
    return options.importTo.empty() ? options.file : options.importTo;
}

// Every file the command writes is refused, before anything is written, when it is one of
// the files it reads: the picture brought back, the map's class (written only as the map
// itself, by --import), and with --level the level and the addon's scripts read with it.
void refuseOutputsOverInputs(const PathmapOptions& options, const std::string& mapLevelDir,
                             const std::string& addonDir) {
    InputFiles picture;
    picture.addFile(options.importFrom);
    InputFiles read = picture;
    for (const std::string& file : pathmaps::classFilesOf(options.file))
        read.addFile(file);
    if (!addonDir.empty()) {
        read.addFile(addonDir + "AIPathFinding.con");
        read.addFile(addonDir + "AI\\StrategicAreas.con");
    }
    read.addFolder(mapLevelDir);
    if (!options.importFrom.empty()) {
        const std::string target = importTarget(options);
        (sameFile(target, options.file) ? picture : read).refuseAsOutput(target);
        // The pictures are made of the map as written.
        for (const std::string& file : pathmaps::classFilesOf(target))
            read.addFile(file);
    }
    for (const std::string* output : {&options.exportTo, &options.png})
        if (!output->empty())
            read.refuseAsOutput(*output);
}

// A pathmap written below a program folder is a step there: under its lock, and never
// through a link (the guarded folder). With --program-folder always.
std::optional<ProgramLock> lockForWriting(const PathmapOptions& options) {
    std::vector<std::string> written;
    for (const std::string& file :
         {options.importFrom.empty() ? std::string() : importTarget(options), options.exportTo,
          options.png})
        if (!file.empty())
            written.push_back(file);
    if (written.empty())
        return std::nullopt;
    useProgramFolder(options.programFolder);
    const std::string program = programFolder();
    bool below = !options.programFolder.empty() || liesBelowGuardedFolder(options.file);
    for (const std::string& file : written)
        below = below || liesBelowGuardedFolder(file);
    if (!below)
        return std::nullopt;
    return std::optional<ProgramLock>(std::in_place, program);
}

// The picture's cells into the map, written to --to or over the map itself, with the coarser
// levels of its class beside the written file; the file shown afterwards.
std::string importPicture(const PathmapOptions& options) {
    pathmaps::Grid map = pathmaps::readPathmap(options.file);
    const std::string target = importTarget(options);
    if (map.kind != pathmaps::Kind::regions &&
        pathmaps::isEightBitPathmapName(target) != (map.kind == pathmaps::Kind::eightBit))
        throw Error(
            "Die Zieldatei " + fileNamePart(target) + " ist dem Namen nach " +
            (map.kind == pathmaps::Kind::eightBit ? "eine gekachelte Karte" : "eine 8-Bit-Karte") +
            ", " + fileNamePart(options.file) + " aber nicht; nichts wurde geschrieben");
    std::vector<std::uint8_t> cells =
        pathmaps::decodeMapPicture(readFileBytes(options.importFrom), map,
                                   fileNamePart(options.importFrom), fileNamePart(options.file));
    const std::vector<std::uint8_t> before = std::move(map.cells);
    map.cells = std::move(cells);
    // A target that does not exist yet has no game's version to keep.
    const pathmaps::SaveReport report = pathmaps::saveMapWithLevels(map, before, target, "");
    if (report.written.empty())
        std::cout << "written: keine Datei, die Karte ist unverändert\n";
    for (const std::string& name : report.written)
        std::cout << "written: " << name << "\n";
    for (const std::string& name : report.originalsKept)
        std::cout << "original: " << name << "\n";
    if (const auto regions = pathmaps::regionMapBeside(target))
        std::cout << "regions: " << fileNamePart(*regions)
                  << " bleibt, wie das Spiel sie geschrieben hat\n";
    return target;
}

int showPathmap(const PathmapOptions& options) {
    refuseOutputsOverInputs(options, "", "");
    const std::optional<ProgramLock> lock = lockForWriting(options);
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
        refuseOutputsOverInputs(options, mapLevelDir, addonDir);
    }
    const std::string file = options.importFrom.empty() ? options.file : importPicture(options);
    if (!options.exportTo.empty()) {
        const pathmaps::Grid map = pathmaps::readPathmap(file);
        writeFileAtomically(options.exportTo, pathmaps::encodeMapPicture(map, fileNamePart(file)));
        std::cout << "picture: " << options.exportTo << "\n";
    }
    const pathmaps::PathmapView view = pathmaps::viewPathmap(file, mapLevelDir, addonDir);
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
                   "als Bild; mit --export und --import durch einen Bildeditor",
                   [options] { return showPathmap(*options); });
    command->add_option("FILE", options->file, "Pathmap (.raw)")->required();
    command->add_option("--png", options->png, "Bild der Pathmap als PNG-Datei schreiben");
    command->add_option("--level", options->level,
                        "Levelordner, init.con oder .rfa-Archiv der Karte: ihr Übersichtsbild "
                        "und die Spawnpunkte ihres Addons");
    CLI::Option* exportOption = command->add_option(
        "--export", options->exportTo,
        "Die Karte als 8-Bit-Graubild (PNG) für einen Bildeditor schreiben: Norden oben, "
        "schwarz frei, weiß gesperrt, ein Bildpunkt je Feld");
    CLI::Option* importOption = command->add_option(
        "--import", options->importFrom,
        "Ein Bild der Karte (PNG, genau so groß wie sie) zurücklesen: heller als mittleres "
        "Grau ist gesperrt; schreibt die Karte und passt die gröberen Stufen ihrer Klasse "
        "daneben an");
    command
        ->add_option("--to", options->importTo,
                     "Mit --import: die Karte hierhin schreiben statt über FILE")
        ->needs(importOption);
    exportOption->excludes(importOption);
    addProgramFolderOption(command, options->programFolder);
}

} // namespace tess::cli
