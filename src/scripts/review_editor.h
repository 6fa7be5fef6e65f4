// The review editor: the user opens any generated script of the addon from the review list
// (`ListBox1`), edits it in the editor (`Memo6`) and saves it back. The editor's text uses "\n"
// as its line break, in UTF-8; the window converts to and from its own strings at its edge.
#pragma once

#include "core/wizard_state.h"

#include <array>
#include <string>
#include <string_view>

namespace tess::scripts {

// The nineteen entries of the review list, in order. Each is a path relative to levelDir (the
// addon folder); letter case and separator differ from the names Start writes, which the file
// functions resolve.
inline constexpr std::array<std::string_view, 19> kReviewEntries = {
    "AI.con",
    "AIPathfinding.con",
    "COOP.con",
    "SinglePlayerAllied.con",
    "SinglePlayerAxis.con",
    "AI/Conditions.con",
    "AI/Prerequisites.con",
    "AI/Strategies.con",
    "AI/StrategicAreas.con",
    "GameTypes/COOP.con",
    "Singleplayer/Bots.con",
    "Singleplayer/ControlPoints.con",
    "Singleplayer/ControlpointTemplates.con",
    "Singleplayer/ObjectSpawns.con",
    "Singleplayer/ObjectSpawnTemplates.con",
    "Singleplayer/SoldierSpawns.con",
    "Singleplayer/SoldierSpawnTemplates.con",
    "Singleplayer/SpawnPointManagerSettings.con",
    "Singleplayer/Skirmish.con",
};

// The file of a review entry: levelDir + the entry. An index outside the list (-1: nothing
// selected) throws "Listenindex überschreitet das Maximum (%d)".
std::string reviewFilePath(const std::string& levelDir, int selectedIndex);

// A file's bytes as editor text: decoded from the game's code page, every line break (CR, LF
// or CR LF) made "\n". A final line break stays as a final "\n".
std::string editorTextFromBytes(std::string_view bytes);

// The editor's text as file bytes: every line break ("\n", also CR or CR LF) made CR LF, no
// break added at the end, encoded in the game's code page.
std::string bytesFromEditorText(std::string_view editorText);

// Load (`ListBox1Click`): sets conFileIndex to the selected index and returns the text for the
// editor. Throws (and the editor keeps its text) when nothing is selected or the file cannot
// be opened ("Datei %s kann nicht geöffnet werden. %s" with the full path).
std::string loadReviewFile(WizardState& state, int selectedIndex);

// Save (`Button3Click`): sets conFileIndex to the selected index and replaces the selected file
// with the editor's text, atomically. Throws "Listenindex überschreitet das Maximum (-1)" when
// nothing is selected (nothing is written) and "Datei "%s" kann nicht erstellt werden. %s"
// when the file cannot be written (it stays unchanged).
void saveReviewFile(WizardState& state, int selectedIndex, std::string_view editorText);

} // namespace tess::scripts
