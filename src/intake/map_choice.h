// Choosing the map: an unpacked level folder (by its init.con) or a packed level archive,
// which a generated unpack.bat copies into the program folder and unpacks there.
#pragma once

#include "core/lines.h"
#include "core/wizard_state.h"
#include "platform/shell.h"

#include <string>
#include <string_view>

namespace tess::intake {

// The name of an unpacked map: the last component of levelDir (which ends with a
// separator). Only `separator` separates; with no separator the name is empty.
std::string mapNameFromLevelDir(std::string_view levelDir, char separator);

// Refuses a map name that would lead the addon out of the levels folder or that the game
// cannot store, before anything is written: a "\" or "/" (separators on Windows, whatever
// the file system here thinks), a character Windows forbids in names, a name of dots and
// blanks only ("..", also in disguise), a character outside Windows-1252. Throws tess::Error
// naming the map.
void checkMapName(const std::string& mapName);

// An unpacked map was chosen by the full path of its init.con: levelDir becomes its
// folder, mapName that folder's name (checked first). Returns the text shown in the path
// field.
std::string chooseUnpackedMap(WizardState& state, const std::string& initConPath);

// The three lines of unpack.bat for an archive (full path) and the program folder (with
// its trailing separator). A file name with a blank is quoted on the tool line. When the
// archive already lies in the program folder, only the tool line remains: copying it
// onto itself and deleting "the copy" would delete the user's own archive.
LineList buildUnpackBatch(const std::string& archivePath, const std::string& programFolder);

// The state after a packed map is chosen: mapName is the archive's file name (extension
// included; OK removes it), levelDir the folder where the level lies once unpacked under the
// program folder.
void takePackedMap(WizardState& state, const std::string& archiveFileName,
                   const std::string& programFolder);

// A packed map was chosen: checks the names, writes unpack.bat into the program folder and
// starts it (not awaited; `started`, when given, receives it), then takes the packed map. When
// the batch cannot be written the state stays as it was. Returns the text shown in the path
// field.
std::string choosePackedMap(WizardState& state, const std::string& archivePath,
                            const std::string& programFolder, BatchProcess* started = nullptr);

// The archive's file name without its last four characters (".rfa").
std::string withoutExtension(const std::string& archiveFileName);

} // namespace tess::intake
