// tessarine-cli terrain: the ground under a map's pathmaps. What the level's terrain and
// path-finding script say; with --draft, a class's finest map drafted from the ground (never
// written into the addon by itself); with --compare, how a pathmap agrees with its draft and
// where the draft cannot be trusted.
#include "cli/commands.h"

#include "areas/overview_picture.h"
#include "checks/addon.h"
#include "core/error.h"
#include "core/files.h"
#include "core/inputs.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "intake/map_inspection.h"
#include "pathmaps/draft.h"
#include "pathmaps/levels.h"
#include "pathmaps/picture.h"
#include "pathmaps/png.h"
#include "pathmaps/writer.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <numeric>
#include <optional>

namespace fs = std::filesystem;

namespace tess::cli {
namespace {

struct TerrainOptions {
    std::string map;
    std::string draftClass;
    std::string draftTo;
    std::string png;
    std::string compare;
    std::string programFolder;
};

// The level MAP names, opened as the check opens what it reads: a folder (or its init.con)
// or a map archive, read without unpacking.
checks::CheckTarget levelTarget(const std::string& map) {
    std::error_code ec;
    const fs::path given = fs::absolute(resolvePath(map), ec);
    checks::CheckTarget target;
    if (!ec && fs::is_regular_file(given, ec)) {
        if (!sameNameIgnoringCase(fileNamePart(pathText(given)), "init.con")) {
            target.archive = pathText(given);
            return target;
        }
        target.addonFolder = pathText(given.parent_path()) + nativeSeparator();
    } else if (!ec && fs::is_directory(given, ec)) {
        target.addonFolder = pathText(given) + nativeSeparator();
    } else {
        throw Error(map + " gibt es nicht: erwartet ist ein Levelordner, seine init.con oder "
                          "ein Kartenarchiv (.rfa)");
    }
    target.mapLevelDir = target.addonFolder;
    return target;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// The level with its terrain, the search maps the game uses for it, and where they came from.
struct Level {
    std::unique_ptr<checks::Addon> files;
    pathmaps::Terrain terrain;
    std::vector<pathmaps::SearchMapSettings> searchMaps;
    std::string searchMapSource;
    std::string addonFolder;
    // What the command reads, which nothing it writes may replace.
    InputFiles read;
};

Level openLevel(const TerrainOptions& options) {
    Level level;
    const checks::CheckTarget target = levelTarget(options.map);
    if (target.archive.empty())
        level.read.addFolder(target.addonFolder);
    else
        level.read.addFile(target.archive);
    level.files = std::make_unique<checks::Addon>(target);
    checks::Addon& files = *level.files;
    if (!files.archiveError().empty())
        throw Error(files.archiveError());
    auto terrain = checks::levelTerrain(files);
    if (!terrain)
        throw Error("Die Karte " + files.shown() +
                    " hat kein Gelände zu lesen: Init/Terrain.con oder ihre Höhenkarte fehlen");
    level.terrain = std::move(*terrain);
    // The addon's path-finding script is the one the game generates the pathmaps with; the
    // level's own serves where the addon has none.
    useProgramFolder(options.programFolder);
    level.addonFolder = intake::addonFolderOf(programFolder(), files.mapName());
    level.read.addFolder(level.addonFolder);
    const std::string addonScript = level.addonFolder + "AIPathFinding.con";
    if (fileExists(addonScript)) {
        level.searchMaps = pathmaps::readSearchMaps(readFileBytes(addonScript));
        level.searchMapSource = addonScript;
    } else if (const auto own = files.bytes(checks::kPathFindingScript)) {
        level.searchMaps = pathmaps::readSearchMaps(*own);
        level.searchMapSource = files.files().shownPath(*files.files().find("AIPathFinding.con"));
    }
    return level;
}

void printLevel(const Level& level) {
    const pathmaps::Terrain& t = level.terrain;
    const auto [low, high] = std::minmax_element(t.heights.begin(), t.heights.end());
    std::cout << "mapName: " << level.files->mapName() << "\n"
              << "worldSize: " << t.worldSize << "\n"
              << "heightmap: " << shownText(t.heightmapName) << ", " << t.samples << " x "
              << t.samples << " Punkte zu " << number(t.spacing()) << " m\n"
              << "yScale: " << number(t.yScale) << "\n"
              << "heights: " << number(std::round(*low / 256.0 * t.yScale * 10) / 10) << " bis "
              << number(std::round(*high / 256.0 * t.yScale * 10) / 10) << " m\n"
              << "waterLevel: " << number(t.waterLevel) << "\n"
              << "combatArea: "
              << (t.hasCombatArea
                      ? number(t.combatArea.x) + " " + number(t.combatArea.z) + " " +
                            number(t.combatArea.width) + " " + number(t.combatArea.height)
                      : "keines gesetzt, die ganze Welt")
              << "\n"
              << "staticObjects: " << t.staticObjects.size() << "\n";
    if (level.searchMapSource.empty()) {
        std::cout << "searchMaps: kein AIPathFinding.con im Addon oder in der Karte\n";
        return;
    }
    std::cout << "searchMaps: " << shownText(level.searchMapSource) << "\n";
    for (const pathmaps::SearchMapSettings& map : level.searchMaps)
        std::cout << "searchMap: " << map.name << (map.waterClass ? " Wasser" : " Land")
                  << ", Wassertiefe " << number(map.waterDepth) << " m, Steigung bis "
                  << number(map.maxSlope) << " Grad, Größe " << number(map.size)
                  << " m, Spawnpunkte "
                  << (map.spawnPoints ? std::to_string(map.spawnPoints->size()) : "keine") << "\n";
}

const pathmaps::SearchMapSettings& settingsOf(const Level& level, const std::string& name,
                                              const pathmaps::SearchMapSettings* found) {
    if (found != nullptr)
        return *found;
    std::string known;
    for (const pathmaps::SearchMapSettings& map : level.searchMaps)
        known += (known.empty() ? "" : ", ") + map.name;
    throw Error("Zu " + name + " nennt " +
                (level.searchMapSource.empty() ? std::string("kein AIPathFinding.con")
                                               : shownText(level.searchMapSource)) +
                " keine Suchkarte" + (known.empty() ? "" : " (bekannt sind " + known + ")"));
}

// The class's existing finest map, for the size the game writes it in: in the addon's
// Pathfinding folder, else in the level's own.
std::optional<pathmaps::Grid> existingFinestMap(Level& level,
                                                const pathmaps::SearchMapSettings& map) {
    const auto isFinest = [&](const std::string& name) {
        const auto parsed = pathmaps::mapNameOf(name);
        return parsed && parsed->finest() &&
               sameNameIgnoringCase(pathmaps::pathmapClass(name), map.className);
    };
    std::vector<std::string> names;
    try {
        names = Folder(resolvePath(level.addonFolder + "Pathfinding")).names();
    } catch (const Error&) {
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        if (isFinest(name))
            return pathmaps::readPathmap(level.addonFolder + "Pathfinding" + nativeSeparator() +
                                         name);
    for (const checks::AddonFile* file : level.files->files().under("Pathfinding"))
        if (isFinest(fileNamePart(file->path)))
            if (const auto bytes = level.files->bytes(file->path))
                return pathmaps::parsePathmap(*bytes, level.files->files().shownPath(*file));
    return std::nullopt;
}

std::optional<areas::RgbaPicture> overviewPicture(Level& level) {
    for (const checks::AddonFile* file : level.files->files().under("Textures"))
        if (sameNameIgnoringCase(fileNamePart(file->path), "ingamemap.dds"))
            if (const auto bytes = level.files->bytes(file->path))
                return areas::decodeDds(*bytes);
    return std::nullopt;
}

void writeDraft(Level& level, const TerrainOptions& options) {
    const pathmaps::SearchMapSettings& map = settingsOf(
        level, options.draftClass, pathmaps::searchMapNamed(level.searchMaps, options.draftClass));
    const auto existing = existingFinestMap(level, map);
    const pathmaps::TerrainVerdicts verdicts = pathmaps::judgeTerrain(
        level.terrain, map, pathmaps::draftSizeOf(level.terrain, existing ? &*existing : nullptr));
    const pathmaps::Grid draft = pathmaps::draftMap(verdicts);
    writeFileAtomically(options.draftTo, pathmaps::encodePathmap(draft));
    std::cout << "draft: " << map.name << ", " << draft.width << " x " << draft.height
              << " Felder zu " << draft.cellSize << " m"
              << (verdicts.fromSpawnPoints ? "" : ", ohne Spawnpunkt: das größte freie Gebiet")
              << "\n"
              << "blocked: "
              << percent(pathmaps::shareOf(pathmaps::countBlocked(draft), draft.cells.size()))
              << "\n"
              << "written: " << shownText(options.draftTo) << "\n";
    if (options.png.empty())
        return;
    const auto overview = overviewPicture(level);
    const pathmaps::SpawnCheck spawns = pathmaps::checkSpawnPoints(
        draft, map.spawnPoints.value_or(std::vector<pathmaps::SpawnPoint>{}));
    pathmaps::writePng(pathmaps::drawPathmap(draft, overview ? &*overview : nullptr, spawns),
                       options.png);
    std::cout << "picture: " << shownText(options.png) << "\n";
}

void compareWithDraft(const Level& level, const TerrainOptions& options) {
    const pathmaps::Grid map = pathmaps::readPathmap(options.compare);
    const std::string name = fileNamePart(options.compare);
    const pathmaps::SearchMapSettings& settings =
        settingsOf(level, name, pathmaps::searchMapOfFile(level.searchMaps, name));
    if (map.kind == pathmaps::Kind::regions)
        throw Error("Die Gebietskarte " + name + " hat keinen Entwurf: nur Karten der Stufen " +
                    "lassen sich mit dem Gelände vergleichen");
    const pathmaps::TerrainComparison c = pathmaps::compareWithDraft(
        map,
        pathmaps::judgeTerrain(level.terrain, settings, pathmaps::draftSizeOf(level.terrain, &map)),
        level.terrain, name);
    std::cout << "compare: " << shownText(name) << " mit dem Entwurf von " << settings.name << "\n"
              << "agree: " << percent(pathmaps::shareOf(c.agreeing, c.cells)) << " von " << c.cells
              << " Feldern\n"
              << "combatArea: " << percent(pathmaps::shareOf(c.areaAgreeing, c.areaCells))
              << " von " << c.areaCells << " Feldern\n";
    // The kinds of differing cells, the most first.
    std::vector<std::size_t> kinds(pathmaps::kDifferenceKinds);
    std::iota(kinds.begin(), kinds.end(), std::size_t{0});
    std::stable_sort(kinds.begin(), kinds.end(),
                     [&](std::size_t a, std::size_t b) { return c.differing[a] > c.differing[b]; });
    std::string differ;
    for (const std::size_t kind : kinds)
        if (c.differing[kind] > 0)
            differ += (differ.empty() ? "" : ", ") +
                      pathmaps::differenceName(static_cast<pathmaps::Difference>(kind)) + " " +
                      percent(pathmaps::shareOf(c.differing[kind], c.cells));
    std::cout << "differ: " << (differ.empty() ? "nichts" : differ) << "\n";
    const std::vector<pathmaps::DraftDoubt> doubts = pathmaps::doubtsOf(c, settings, level.terrain);
    // Where the game's map was made otherwise than from this ground, the draft does not
    // stand for it.
    for (const pathmaps::DraftDoubt& doubt : doubts)
        std::cout << "doubt: " << doubt.text
                  << (doubt.kind == pathmaps::DraftDoubt::Kind::outside
                          ? ""
                          : " Dem Entwurf ist hier nicht zu trauen.")
                  << "\n";
}

// The draft and its picture go where nothing the command reads lies, and not onto each other.
void refuseOutputsOverInputs(Level& level, const TerrainOptions& options) {
    if (!options.compare.empty())
        level.read.addFile(options.compare);
    for (const std::string* output : {&options.draftTo, &options.png})
        if (!output->empty())
            level.read.refuseAsOutput(*output);
    if (!options.png.empty() && (sameFile(options.png, options.draftTo) ||
                                 fs::absolute(resolvePath(options.png)).lexically_normal() ==
                                     fs::absolute(resolvePath(options.draftTo)).lexically_normal()))
        throw Error("--to und --png nennen dieselbe Datei " + shownText(options.png) +
                    ": der Entwurf und sein Bild brauchen zwei Dateien");
}

// Writing below the program folder is a step there: under its lock, as every other.
std::optional<ProgramLock> lockForWriting(const TerrainOptions& options) {
    for (const std::string* output : {&options.draftTo, &options.png})
        if (!output->empty() && liesBelowGuardedFolder(*output))
            return std::optional<ProgramLock>(std::in_place, programFolder());
    return std::nullopt;
}

int showTerrain(const TerrainOptions& options) {
    Level level = openLevel(options);
    refuseOutputsOverInputs(level, options);
    const std::optional<ProgramLock> lock = lockForWriting(options);
    printLevel(level);
    if (!options.draftClass.empty())
        writeDraft(level, options);
    if (!options.compare.empty())
        compareWithDraft(level, options);
    return 0;
}

} // namespace

void addTerrainCommands(CLI::App& app) {
    const auto options = std::make_shared<TerrainOptions>();
    CLI::App* command = addCommand(
        app, "terrain",
        "Das Gelände einer Karte: Höhenkarte, Wasserstand, Kampfgebiet und Suchkarten; mit "
        "--draft der Entwurf der feinsten Pathmap einer Klasse, mit --compare eine Pathmap "
        "gegen ihren Entwurf",
        [options] { return showTerrain(*options); });
    command->add_option("MAP", options->map, "Levelordner, init.con oder .rfa-Archiv der Karte")
        ->required();
    CLI::Option* draft = command->add_option(
        "--draft", options->draftClass,
        "Die feinste Pathmap (Level0) dieser Klasse aus dem Gelände entwerfen (Tank0, "
        "Infantry1, Car4, ...)");
    CLI::Option* to =
        command->add_option("--to", options->draftTo, "Mit --draft: der Entwurf als .raw-Datei");
    draft->needs(to);
    to->needs(draft);
    command->add_option("--png", options->png, "Mit --draft: der Entwurf als Bild (PNG)")
        ->needs(draft);
    command->add_option("--compare", options->compare,
                        "Eine Pathmap (.raw) mit dem Entwurf ihrer Klasse vergleichen");
    addProgramFolderOption(command, options->programFolder);
}

} // namespace tess::cli
