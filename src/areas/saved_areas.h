// The editor's areas kept across program runs: `temp\areas\<mapName>.json` in the program
// folder, an area file with the autosave's extra fields (AreaSession, area_file.h). The
// editor writes it after every change to its areas (AreaEditor::enableAutosave); when the
// tab opens again for the same map, the window offers it, and beside it every earlier set
// that a run set aside because it started without loading it.
#pragma once

#include "areas/area_editor.h"
#include "areas/area_file.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace tess::areas {

// programFolder + "temp\areas\" + mapName + ".json". A map name that is no plain file name
// (empty, "." or "..", or holding "\", "/", ":" or a control character) is refused, so that
// the file can never land outside temp\areas\.
std::string savedAreasFile(const std::string& programFolder, const std::string& mapName);

// Writes the editor's areas to the map's file atomically, creating the folders temp\ and
// temp\areas\ when they are missing.
void saveAreas(const AreaEditor& editor, const std::string& programFolder,
               const std::string& mapName);

// Before a run that did not load the map's file replaces or removes it: copies it, when there
// is one, to "<mapName>.<date>_<time>.json" beside it ("Bastogne.2025-03-12_14-05-33.json",
// the time of the copy; "_2", "_3" ... when that name is taken) and answers the copy's path
// (empty when there was no file). Of these sets the newest kKeptEarlierSets are kept. Throws
// the copy's file error; then the file stays untouched.
inline constexpr std::size_t kKeptEarlierSets = 20;
std::string keepEarlierSavedAreas(const std::string& programFolder, const std::string& mapName,
                                  std::time_t now = std::time(nullptr));

// A set kept by keepEarlierSavedAreas, or "<mapName>.previous.json" that earlier versions
// kept: its path and how the window names it ("12.03.2025 14:05:33", "früherer Lauf").
struct EarlierAreas {
    std::string file;
    std::string label;
    friend bool operator==(const EarlierAreas&, const EarlierAreas&) = default;
};

// The map's earlier sets, newest first; none when the folder is missing or unreadable.
std::vector<EarlierAreas> earlierSavedAreas(const std::string& programFolder,
                                            const std::string& mapName);

// Removes the map's file; nothing when there is none.
void removeSavedAreas(const std::string& programFolder, const std::string& mapName);

// For the offer "Gespeicherte Areas laden (<n>)": the number of areas in the file, nothing
// when there is no file. A damaged or foreign file (not JSON, another version, an area
// without a name, steps that do not fit its areas, drawn for another world size) throws a
// tess::Error that names the file and the reason; the file stays as it is.
std::optional<std::size_t> savedAreaCount(const std::string& file, std::int32_t worldSize);

struct RestoreOutcome {
    std::size_t areaCount = 0;
    // Names the game cannot read (taken over from a level), to be changed before "Fertig".
    std::vector<std::string> namesToChange;
    // The replay wrote the area script, as "Nächste" did for the user at the end of a
    // neighbour phase; when every area was finished the script now holds them all.
    bool scriptWritten = false;
    std::string scriptPath;
};

// "Gespeicherte Areas laden": reads and checks the map's own file as savedAreaCount does,
// then restores it into the editor (restoreAreaSession), whose later saves replace it.
// Nothing reaches the editor from a file that is refused.
RestoreOutcome loadSavedAreas(AreaEditor& editor, const std::string& file);

// "Frühere Areas laden": the same for an earlier set; the map's own file is then still set
// aside before the first save replaces it.
RestoreOutcome loadEarlierAreas(AreaEditor& editor, const std::string& file);

// Brings saved areas back into an editor in which no area has been confirmed or begun
// (Command::loadSavedAreas): every area with its corners, panel, kept lines and ticks, which
// areas the neighbour phase had walked and whether its panel was shown. When the phase had
// walked every area, the area script is written again, as "Nächste" did for the user; a
// failed write throws the file error after the areas are back, and the next "Nächste" tries
// again.
RestoreOutcome restoreAreaSession(AreaEditor& editor, const AreaSession& session);

} // namespace tess::areas
