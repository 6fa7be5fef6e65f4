// The archives: an archive under check that cannot be read or lies under another level path,
// and for an addon folder the addon archive its first pack made (temp\pathf.bf): there, whole,
// under the map's level path, holding the addon's files and pathmaps, in the game's levels
// folder.
#include "checks/check_support.h"
#include "checks/checks.h"

#include "archive/names.h"
#include "archive/reader.h"
#include "core/error.h"
#include "core/files.h"
#include "core/letter_case.h"
#include "core/paths.h"

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace tess::checks {
namespace {

constexpr std::string_view kPackAgain =
    "Das Addon noch einmal packen (Tab 3: \"Packen zum 1.\" vor den Pathmaps, \"Packen\" "
    "danach).";

std::string listed(const std::vector<std::string>& names) {
    std::string text;
    constexpr std::size_t kShown = 5;
    for (std::size_t i = 0; i < names.size() && i < kShown; ++i)
        text += (i ? ", " : "") + names[i];
    if (names.size() > kShown)
        text += " und " + std::to_string(names.size() - kShown) + " weitere";
    return text;
}

bool under(std::string_view name, std::string_view folder) {
    return name.size() > folder.size() + 1 &&
           sameNameIgnoringCase(name.substr(0, folder.size()), folder) &&
           name[folder.size()] == '/';
}

// The names of the entries that do not lie under the level path.
std::vector<std::string> outsideLevel(const std::vector<archive::Entry>& entries,
                                      const std::string& levelPath) {
    std::vector<std::string> outside;
    for (const archive::Entry& entry : entries)
        if (!under(archive::entryNameText(entry), levelPath))
            outside.push_back(archive::entryNameShown(entry));
    return outside;
}

// Folder texts compared as the file system sees them: the same folder under any spelling.
bool sameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    const fs::path pa = resolvePath(a);
    const fs::path pb = resolvePath(b);
    if (fs::exists(pa, ec) && fs::exists(pb, ec))
        return fs::equivalent(pa, pb, ec);
    const auto key = [](std::string text) {
        for (char& c : text)
            if (isPathSeparator(c))
                c = '/';
        while (!text.empty() && text.back() == '/')
            text.pop_back();
        return caseFoldedKey(text);
    };
    return key(a) == key(b);
}

} // namespace

std::vector<Finding> checkArchiveReadable(Addon& addon) {
    if (!addon.fromArchive())
        return {};
    const std::string advice = addon.isMapArchive()
                                   ? "Map und Addon noch einmal verbinden (Netzwerk ?)."
                                   : std::string(kPackAgain);
    if (!addon.archiveError().empty())
        return {error(addon.target().archive,
                      withFullStop(addon.archiveError()) + " Das Spiel lädt es nicht.", advice)};
    for (const AddonFile& file : addon.files().files()) {
        try {
            addon.files().read(file);
        } catch (const Error& e) {
            return {error(addon.target().archive, withFullStop(e.what()), advice)};
        }
    }
    return {};
}

std::vector<Finding> checkArchiveEntries(Addon& addon) {
    if (!addon.fromArchive() || !addon.archiveError().empty())
        return {};
    const std::string& archive = addon.target().archive;
    std::vector<Finding> findings;
    for (const std::string& refused :
         archive::refusedEntries(addon.reader()->entries(), addon.reader()->displayName()))
        findings.push_back(error(archive, refused + ": rfaunpack entpackt deshalb nichts davon.",
                                 std::string(kPackAgain)));
    return findings;
}

std::vector<Finding> checkLeftovers(Addon& addon) {
    std::vector<Finding> findings;
    if (addon.fromArchive()) {
        if (!addon.archiveError().empty())
            return {};
        for (const archive::Entry& entry : addon.reader()->entries())
            if (isLeftoverName(fileNamePart(archive::entryNameText(entry))))
                findings.push_back(
                    error(addon.target().archive,
                          "Das Archiv enthält " + quotedName(archive::entryNameShown(entry)) +
                              ", die halb geschriebene Datei eines abgebrochenen Laufs.",
                          std::string(kPackAgain)));
        return findings;
    }
    for (const AddonFile& file : addon.files().files())
        if (isLeftoverName(fileNamePart(file.path)))
            findings.push_back(hint(addon.files().shownPath(file),
                                    "Die Datei ist die halb geschriebene Datei eines "
                                    "abgebrochenen Laufs; das Packen lässt sie aus.",
                                    "Die Datei löschen, oder den Schritt noch einmal ausführen, "
                                    "der abgebrochen wurde: er räumt sie weg."));
    return findings;
}

std::vector<Finding> checkArchiveLevelPath(Addon& addon) {
    if (!addon.fromArchive())
        return {};
    const std::string& archive = addon.target().archive;
    if (addon.levelPath().empty())
        return {error(archive,
                      "Das Archiv enthält keine Dateien unter bf1942/levels/<Karte>/: das Spiel "
                      "findet darin keine Karte.",
                      std::string(kPackAgain))};
    std::vector<Finding> findings;
    const std::string& name = addon.mapName();
    if (!addon.isMapArchive() && name.size() > 4 &&
        sameNameIgnoringCase(name.substr(name.size() - 4), "_001")) {
        const std::string map = name.substr(0, name.size() - 4);
        findings.push_back(error(archive,
                                 "Das Archiv legt das Addon unter " + addon.levelPath() +
                                     " ab statt unter bf1942/levels/" + map +
                                     ": das Spiel lädt es nicht mit der Karte " + map + ".",
                                 "Das Addon mit dem Basepath bf1942/levels/" + map +
                                     " packen, wie \"Packen zum 1.\" und \"Packen\" es tun."));
    }
    const std::vector<std::string> outside =
        outsideLevel(addon.reader()->entries(), addon.levelPath());
    if (!outside.empty())
        findings.push_back(error(archive,
                                 std::to_string(outside.size()) +
                                     " Einträge des Archivs liegen "
                                     "nicht unter " +
                                     addon.levelPath() + "/ (" + listed(outside) +
                                     "): das Spiel lädt sie nicht mit der "
                                     "Karte.",
                                 std::string(kPackAgain)));
    return findings;
}

namespace {

// An archive made of the addon folder: the first pack's addon archive, or the map archive
// the addon was merged into.
struct PackedAddon {
    std::string path;
    std::string name;        // "Das Addon-Archiv", "Das verbundene Kartenarchiv"
    std::string dative;      // "Dem Addon-Archiv", ...
    std::string advice;      // how to make it anew
    bool mapArchive = false; // the Co-op scripts there are the merge's own
};

// Opens the archive and reads every entry once; a damaged one ends in the finding.
std::unique_ptr<archive::ArchiveReader> openWhole(const PackedAddon& packed,
                                                  std::vector<Finding>& findings) {
    try {
        auto reader = std::make_unique<archive::ArchiveReader>(resolvePath(packed.path));
        for (const archive::Entry& entry : reader->entries())
            reader->readEntry(entry, [](const unsigned char*, std::size_t) {});
        return reader;
    } catch (const Error& e) {
        findings.push_back(error(packed.path, withFullStop(e.what()) + " Das Spiel lädt es nicht.",
                                 packed.advice));
        return nullptr;
    }
}

// Whether the archive holds the addon: its ai.con under the map's level path.
bool holdsAddon(const std::string& path, const std::string& levelPath) {
    try {
        archive::ArchiveReader reader(resolvePath(path));
        return archiveFiles(reader, levelPath)->find(kAiScript) != nullptr;
    } catch (const Error&) {
        return false;
    }
}

// The addon folder against the archive made of it: everything there, nothing changed since.
std::vector<Finding> compareWithArchive(Addon& addon, const PackedAddon& packed) {
    std::vector<Finding> findings;
    const auto reader = openWhole(packed, findings);
    if (!reader)
        return findings;
    if (!packed.mapArchive) {
        const std::vector<std::string> outside = outsideLevel(reader->entries(), addon.levelPath());
        if (!outside.empty())
            findings.push_back(error(packed.path,
                                     std::to_string(outside.size()) +
                                         " Einträge des Addon-Archivs liegen nicht unter " +
                                         addon.levelPath() + "/ (" + listed(outside) +
                                         "): das Spiel lädt sie nicht mit der Karte.",
                                     "Das Addon mit dem Basepath " + addon.levelPath() +
                                         " packen, wie \"Packen zum 1.\" und \"Packen\" es tun."));
    }
    const std::unique_ptr<AddonFiles> files = archiveFiles(*reader, addon.levelPath());
    std::vector<std::string> missing;
    std::vector<std::string> missingMaps;
    std::vector<std::string> changed;
    for (const AddonFile& file : addon.files().files()) {
        const AddonFile* entry = files->find(file.path);
        const bool coop = sameNameIgnoringCase(file.path, "Coop.con") ||
                          sameNameIgnoringCase(file.path, "GameTypes/Coop.con");
        if (entry == nullptr)
            (under(file.path, kPathmapFolder) ? missingMaps : missing).push_back(file.path);
        else if (entry->size != file.size && !(packed.mapArchive && coop))
            changed.push_back(file.path);
    }
    if (!missing.empty())
        findings.push_back(error(packed.path,
                                 packed.dative + " fehlen " + std::to_string(missing.size()) +
                                     " Dateien des Addons (" + listed(missing) + ").",
                                 packed.advice));
    if (!missingMaps.empty())
        findings.push_back(error(packed.path,
                                 packed.dative + " fehlen " + std::to_string(missingMaps.size()) +
                                     " der " + std::to_string(addon.pathmapFiles().size()) +
                                     " Pathmaps des Addons: die Bots finden im Spiel keinen Weg.",
                                 packed.advice));
    if (missing.empty() && missingMaps.empty() && !changed.empty())
        findings.push_back(hint(packed.path,
                                std::to_string(changed.size()) +
                                    " Dateien des Addons wurden nach dem Packen geändert (" +
                                    listed(changed) + ").",
                                packed.advice));
    return findings;
}

} // namespace

std::vector<Finding> checkAddonArchive(Addon& addon) {
    const CheckTarget& target = addon.target();
    if (addon.fromArchive() || target.packTarget.empty())
        return {};
    const PackedAddon packed{target.packTarget + ".rfa", "Das Addon-Archiv", "Dem Addon-Archiv",
                             "Das Addon mit \"Packen\" (Tab 3, Teil 2) neu packen.", false};
    if (!fileExists(packed.path)) {
        // The merge of map and addon disposes of the addon archive as the user chose.
        if (!target.mergedArchive.empty() && holdsAddon(target.mergedArchive, addon.levelPath()))
            return {};
        return {error(packed.path,
                      "Das Addon-Archiv, das das 1. Packen angelegt hat (temp/pathf.bf), fehlt.",
                      std::string(kPackAgain) +
                          " Wurde es nach dem Verbinden mit der Karte entfernt, stattdessen das "
                          "verbundene Kartenarchiv prüfen (tessarine-cli check KARTE.rfa).")};
    }
    return compareWithArchive(addon, packed);
}

std::vector<Finding> checkMergedArchive(Addon& addon) {
    const CheckTarget& target = addon.target();
    if (addon.fromArchive() || target.mergedArchive.empty() ||
        !holdsAddon(target.mergedArchive, addon.levelPath()))
        return {}; // not merged (yet)
    const PackedAddon packed{target.mergedArchive, "Das verbundene Kartenarchiv",
                             "Dem verbundenen Kartenarchiv",
                             "Das Addon neu packen und Map und Addon noch einmal verbinden "
                             "(Netzwerk ?).",
                             true};
    return compareWithArchive(addon, packed);
}

std::vector<Finding> checkPackTargetPlace(Addon& addon) {
    const CheckTarget& target = addon.target();
    if (addon.fromArchive() || target.packTarget.empty() || target.gameDir.empty())
        return {};
    const std::string levels = target.gameDir + "bf1942\\levels\\";
    if (sameFolder(folderPart(target.packTarget), levels))
        return {};
    return {hint(target.packTarget + ".rfa",
                 "Das Addon-Archiv liegt nicht im Ordner bf1942/levels/ des Spiels: dort lädt "
                 "das Spiel es mit der Karte.",
                 "Das Archiv nach " + levels +
                     " kopieren, oder beim 1. Packen diesen Ordner "
                     "wählen.")};
}

} // namespace tess::checks
