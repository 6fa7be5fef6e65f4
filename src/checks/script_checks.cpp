// The addon's scripts: ai.con and ai.createallmaps, the files every addon holds, the classes
// of the path-finding script with their pathmaps and spawn points, and the scripts' text.
#include "checks/check_support.h"
#include "checks/checks.h"

#include "core/letter_case.h"
#include "scripts/coop_listings.h"

#include <array>
#include <string_view>

namespace tess::checks {
namespace {

constexpr std::string_view kRestart =
    "Start auf Tab 1 noch einmal ausführen (oder tessarine-cli generate) und das Addon neu "
    "packen.";

// The files that Start writes into every addon (besides ai.con, which has a check of its
// own), and the two spawn scripts the Co-op scripts run. The other Conquest copies may be
// missing when the map has none.
constexpr std::array<std::string_view, 13> kAddonFiles = {
    "AIPathFinding.con",
    "Coop.con",
    "GameTypes/Coop.con",
    "SinglePlayerAllied.con",
    "SinglePlayerAxis.con",
    "AI/conditions.con",
    "AI/strategies.con",
    "AI/prerequisites.con",
    "AI/StrategicAreas.con",
    "SinglePlayer/Bots.con",
    "SinglePlayer/Skirmish.con",
    "SinglePlayer/SoldierSpawns.con",
    "SinglePlayer/ObjectSpawns.con",
};

// The scripts Tessarine writes itself, always with CR LF. The Conquest copies keep the line
// breaks of the map's own files, which the game reads as well.
constexpr std::array<std::string_view, 12> kWrittenScripts = {
    "ai.con",
    "AIPathFinding.con",
    "Coop.con",
    "GameTypes/Coop.con",
    "SinglePlayerAllied.con",
    "SinglePlayerAxis.con",
    "SinglePlayer/Bots.con",
    "SinglePlayer/Skirmish.con",
    "AI/StrategicAreas.con",
    "AI/conditions.con",
    "AI/strategies.con",
    "AI/prerequisites.con",
};

bool isWrittenScript(std::string_view path) {
    for (const std::string_view name : kWrittenScripts)
        if (sameNameIgnoringCase(name, path))
            return true;
    return false;
}

bool endsWithCon(std::string_view path) {
    return path.size() > 4 && sameNameIgnoringCase(path.substr(path.size() - 4), ".con");
}

// The number of well-formed UTF-8 sequences of two to four bytes; -1 as soon as a byte
// above 0x7F stands outside one (then the text is no UTF-8).
long utf8Sequences(std::string_view bytes) {
    long sequences = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80                   ? 1
                                   : lead >= 0xC2 && lead < 0xE0 ? 2
                                   : lead >= 0xE0 && lead < 0xF0 ? 3
                                   : lead >= 0xF0 && lead < 0xF5 ? 4
                                                                 : 0;
        if (length == 0 || i + length > bytes.size())
            return -1;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                return -1;
        sequences += length > 1;
        i += length;
    }
    return sequences;
}

// The 1-based line of the first line break that is not CR LF; 0 when every one is.
int firstOtherBreak(std::string_view bytes) {
    int line = 1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            if (i + 1 >= bytes.size() || bytes[i + 1] != '\n')
                return line;
            ++i;
            ++line;
        } else if (bytes[i] == '\n') {
            return line;
        }
    }
    return 0;
}

// Whether the files hold an addon at all: the two scripts only an addon has.
bool holdsAddon(const Addon& addon) {
    return addon.files().find(kAiScript) != nullptr ||
           addon.files().find(kPathFindingScript) != nullptr;
}

} // namespace

std::vector<Finding> checkAiScript(Addon& addon) {
    if (addon.files().find(kAiScript) != nullptr || !holdsAddon(addon))
        return {}; // a map without any addon is one finding of the addon's files
    // Start is not at hand once the addon is packed, and it would write every script anew.
    return {error(std::string(kAiScript),
                  "Das Addon hat keine ai.con: ohne sie startet das Spiel keine Bots.",
                  "Im Fenster \"Addon prüfen\" schreibt \"ai.con neu schreiben\" sie wieder, wie "
                  "Start sie schrieb (ohne \"ai.createallmaps\", wenn das Addon schon Pathmaps "
                  "hat); danach das Addon neu packen.")};
}

std::vector<Finding> checkAddonFiles(Addon& addon) {
    if (addon.fromArchive() && addon.levelPath().empty())
        return {}; // the archive holds no level at all; its level path is checked
    std::vector<std::string> missing;
    for (const std::string_view name : kAddonFiles)
        if (addon.files().find(name) == nullptr)
            missing.emplace_back(name);
    if (missing.empty())
        return {};
    const bool merged = addon.isMapArchive();
    const std::string advice =
        merged ? "Map und Addon noch einmal verbinden (Netzwerk ?), mit dem fertig gepackten "
                 "Addon-Archiv."
               : std::string(kRestart);
    if (!holdsAddon(addon))
        return {error(
            addon.shown(),
            std::string(merged ? "Das Kartenarchiv enthält kein Addon" : "Hier liegt kein Addon") +
                " (weder ai.con noch AIPathFinding.con): die Karte hat keine Bots.",
            advice)};
    std::vector<Finding> findings;
    for (const std::string& name : missing)
        findings.push_back(error(name,
                                 merged ? "Die Datei " + name + " des Addons fehlt im Kartenarchiv."
                                        : "Die Datei " + name + " fehlt im Addon.",
                                 advice));
    return findings;
}

std::vector<Finding> checkCreateAllMaps(Addon& addon) {
    if (addon.files().find(kAiScript) == nullptr)
        return {};
    const int line = addon.createAllMapsLine();
    const bool pathmaps = addon.hasPathmaps();
    const std::string file(kAiScript);
    if (line > 0 && (pathmaps || addon.isMapArchive()))
        return {error(file,
                      std::string(addon.isMapArchive()
                                      ? "Das Kartenarchiv enthält in ai.con noch "
                                        "\"ai.createallmaps\": "
                                      : "ai.con enthält noch \"ai.createallmaps\", obwohl die "
                                        "Pathmaps schon im Addon liegen: ") +
                          "das Spiel erzeugt die Pathmaps bei jedem Laden neu und "
                          "überschreibt sie.",
                      "Die Zeile " + std::to_string(line) +
                          " aus ai.con löschen (\"Generierte Pathmaps in das Addon "
                          "kopieren\" tut das) und das Addon neu packen.",
                      scriptPlace(file, line))};
    if (line == 0 && !pathmaps)
        return {error(file,
                      "Das Addon hat keine Pathmaps, und ai.con enthält kein "
                      "\"ai.createallmaps\", das sie erzeugen ließe: die Bots finden keinen "
                      "Weg.",
                      "Die Zeile \"ai.createallmaps\" wieder an das Ende von ai.con setzen, "
                      "zum 1. Mal packen und das Spiel die Pathmaps erzeugen lassen.",
                      scriptPlace(file))};
    if (line > 0 && !pathmaps)
        return {hint(std::string(kPathmapFolder),
                     "Das Addon hat noch keine Pathmaps; das Spiel erzeugt sie mit "
                     "\"ai.createallmaps\", wenn es die Karte mit dem Addon lädt.",
                     "Zum 1. Mal packen, das Spiel mit der Karte starten und danach die "
                     "Pathmaps mit \"Generierte Pathmaps in das Addon kopieren\" übernehmen.")};
    return {};
}

std::vector<Finding> checkClassPathmaps(Addon& addon) {
    if (!addon.hasPathmaps())
        return {};
    std::vector<Finding> findings;
    const std::string file(kPathFindingScript);
    for (const SearchMap& map : addon.searchMaps())
        if (map.maps.empty())
            findings.push_back(
                error(file,
                      "AIPathFinding.con nennt die Klasse " + map.name +
                          ", aber in Pathfinding/ "
                          "liegt keine Pathmap " +
                          map.name +
                          "Level<n>Map.raw: die Bots dieser "
                          "Klasse finden keinen Weg.",
                      "Das Spiel die Pathmaps mit \"ai.createallmaps\" neu erzeugen lassen und sie "
                      "in das Addon kopieren, oder die Zeilen der Klasse aus AIPathFinding.con "
                      "entfernen.",
                      scriptPlace(file, map.line)));
    return findings;
}

std::vector<Finding> checkClassSpawnPoints(Addon& addon) {
    std::vector<Finding> findings;
    const std::string file(kPathFindingScript);
    for (const SearchMap& map : addon.searchMaps()) {
        if (map.spawnPoints && !map.spawnPoints->empty())
            continue;
        const Place place = scriptPlace(file, map.spawnLine > 0 ? map.spawnLine : map.line);
        const std::string what = "Die Klasse " + map.name + " hat in AIPathFinding.con keine " +
                                 "Spawnpunkte (ai.setMapSpawnPoints " + std::to_string(map.number) +
                                 ")";
        if (sameNameIgnoringCase(map.className, "Infantry"))
            findings.push_back(error(
                file, what + ": die Pathmaps der Infanterie werden ohne Ausgangspunkt erzeugt.",
                "Prüfen, ob SinglePlayer/SoldierSpawns.con Positionen "
                "(Object.absolutePosition) enthält, und Start noch einmal ausführen.",
                place));
        else
            findings.push_back(
                hint(file, what + ".",
                     "Hat die Karte keine Fahrzeuge dieser Art, ist das in Ordnung; sonst "
                     "SinglePlayer/ObjectSpawns.con prüfen und Start noch einmal ausführen.",
                     place));
    }
    return findings;
}

std::vector<Finding> checkScriptText(Addon& addon) {
    std::vector<Finding> findings;
    for (const AddonFile& file : addon.files().files()) {
        if (!endsWithCon(file.path))
            continue;
        const auto bytes = addon.bytes(file.path);
        if (!bytes)
            continue;
        const std::string_view text = *bytes;
        const auto place = [&](int line) { return scriptPlace(file.path, line); };
        const std::string save =
            "Die Datei in Tessarines Editor (Tab 1, \"CONS\") oder einem Editor, der "
            "Windows-1252 speichert, neu speichern.";
        if (text.starts_with("\xEF\xBB\xBF")) {
            findings.push_back(error(file.path,
                                     "Die Datei beginnt mit einer UTF-8-Kennung (BOM): das Spiel "
                                     "liest ihren ersten Befehl falsch.",
                                     save, place(1)));
        } else if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
                   text.find('\0') != std::string_view::npos) {
            findings.push_back(error(file.path,
                                     "Die Datei ist kein Windows-1252-Text (UTF-16 oder "
                                     "Nullbytes): das Spiel kann sie nicht lesen.",
                                     save, place(1)));
        } else if (utf8Sequences(text) > 0) {
            findings.push_back(hint(file.path,
                                    "Die Datei ist UTF-8-Text, nicht Windows-1252: Umlaute "
                                    "erreichen das Spiel als zwei fremde Zeichen.",
                                    save, place(0)));
        } else if (isWrittenScript(file.path)) {
            if (const int line = firstOtherBreak(text))
                findings.push_back(hint(file.path,
                                        "Die Zeile " + std::to_string(line) +
                                            " endet nicht mit CR LF, wie Tessarine die Datei "
                                            "schreibt: sie wurde außerhalb geändert.",
                                        save, place(line)));
        }
    }
    return findings;
}

std::vector<Finding> checkCoopScripts(Addon& addon) {
    if (!addon.isMapArchive() || !holdsAddon(addon))
        return {};
    std::vector<Finding> findings;
    const auto compare = [&](std::string_view path, const auto& listing) {
        const auto bytes = addon.bytes(path);
        if (!bytes)
            return; // a missing script is a missing addon file
        std::string expected;
        for (const std::string_view line : listing)
            expected += std::string(line) + "\r\n";
        if (*bytes != expected)
            findings.push_back(hint(std::string(path),
                                    "Das Kartenarchiv enthält nicht die Co-op-Skripte dieser "
                                    "Tessarine-Version: ältere Addons spielen so im Netzwerk "
                                    "nicht richtig.",
                                    "Map und Addon noch einmal verbinden (Netzwerk ?, "
                                    "\"Netzwerkfehler fixen\" gewählt).",
                                    scriptPlace(std::string(path))));
    };
    compare("Coop.con", scripts::kCoopScript);
    compare("GameTypes/Coop.con", scripts::kCoopGameTypeScript);
    return findings;
}

} // namespace tess::checks
