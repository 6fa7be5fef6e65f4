// The editor's areas kept across program runs: `temp\areas\<mapName>.json` in the program
// folder, an area file with the autosave's extra fields (AreaSession, area_file.h). The
// editor writes it after every change to its areas (AreaEditor::enableAutosave); when the
// tab opens again for the same map, the window offers it and loading replays it through the
// same calls as the user's clicks.
#pragma once

#include "areas/area_editor.h"
#include "areas/area_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tess::areas {

// programFolder + "temp\areas\" + mapName + ".json". A map name that is no plain file name
// (empty, "." or "..", or holding "\", "/", ":" or a control character) is refused, so that
// the file can never land outside temp\areas\.
std::string savedAreasFile(const std::string& programFolder, const std::string& mapName);

// Writes the editor's areas to the map's file atomically, creating the folders temp\ and
// temp\areas\ when they are missing.
void saveAreas(const AreaEditor& editor, const std::string& programFolder,
               const std::string& mapName);

// Copies the map's file, when there is one, to "<mapName>.previous.json" beside it (replacing
// an older copy), before a run that did not load it replaces or removes it. Throws the copy's
// file error; then the file stays untouched.
void keepEarlierSavedAreas(const std::string& programFolder, const std::string& mapName);

// Removes the map's file; nothing when there is none.
void removeSavedAreas(const std::string& programFolder, const std::string& mapName);

// For the offer "Gespeicherte Areas laden (<n>)": the number of areas in the file, nothing
// when there is no file. A damaged or foreign file (not JSON, another version, an area
// without a name, steps that do not fit its areas, drawn for another world size) throws a
// tess::Error that names the file and the reason; the file stays as it is.
std::optional<std::size_t> savedAreaCount(const std::string& file, std::int32_t worldSize);

struct RestoreOutcome {
    std::size_t areaCount = 0;
    // The replay wrote the area script, as "Nächste" did for the user at the end of a
    // neighbour phase; when every area was finished the script now holds them all.
    bool scriptWritten = false;
    std::string scriptPath;
};

// "Gespeicherte Areas laden": reads and checks the file as savedAreaCount does, then
// replays it into the editor (restoreAreaSession). Nothing reaches the editor from a file
// that is refused.
RestoreOutcome loadSavedAreas(AreaEditor& editor, const std::string& file);

// Replays saved areas through the editor's own calls, in the order of their steps: each area
// confirmed with its corners and panel, each "Fertig", each "Nächste" with its entries
// ticked, and at the end the ticks of the current area. Queues, summary list, check list,
// outlines and the written script are then what they were when the file was saved. Needs an
// editor in which no area has been confirmed or begun (Command::loadSavedAreas); the
// autosave rests meanwhile, since the file already holds what the replay rebuilds. When a
// write of the area script fails on the way and no later one succeeds, the replay still
// completes and then throws the file error; the next "Nächste" tries again.
RestoreOutcome restoreAreaSession(AreaEditor& editor, const AreaSession& session);

} // namespace tess::areas
