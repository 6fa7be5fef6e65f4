// The batch files of packing and of the network merge, as pure line lists. Every name is
// checked before a batch is built (batch::checkSafeForBatch), so no batch is ever written
// with a name that would carry a command of its own; a name with a blank is quoted where the
// batch would otherwise split it (batch::batchArgument).
#pragma once

#include "core/lines.h"

#include <string>

namespace tess::packing {

// pack.bat in the program folder, for the first and the final pack:
//   rfaPack.exe bf1942\levels\<mapName>_001  bf1942/levels/<mapName> "<packName>.rfa"
//   copy "<program folder><packName>.rfa" "<packTarget>.rfa"
// (two blanks before "bf1942/levels/"; the entries carry the map's own level path).
LineList buildPackBatch(const std::string& mapName, const std::string& packTarget,
                        const std::string& programFolder);

// Network\unpack.bat: the map archive and then the addon archive are copied into the network
// folder, unpacked there and their copies deleted, so that where both hold a file the addon's
// version is left. Each copy gets a name of its own that nothing in the network folder has
// yet: "<name>.rfa", else "<name>~2.rfa", "<name>~3.rfa" ...; so the batch never copies one
// archive over the other, over itself or over a file of the user's, and deletes only the
// copies it made. An archive that lies in the network folder already is unpacked where it
// lies, neither copied nor deleted.
LineList buildNetworkUnpackBatch(const std::string& netMapArchive, const std::string& netMapName,
                                 const std::string& netAddonArchive,
                                 const std::string& netAddonName, const std::string& programFolder);

// Network\pack.bat: packs the merge folder into "<netMapName>.rfa" in the network folder (or
// "<netMapName>~2.rfa" ... when that name is taken, by the map archive itself for one), copies
// it over the chosen map archive and deletes it.
LineList buildNetworkPackBatch(const std::string& netMapArchive, const std::string& netMapName,
                               const std::string& programFolder);

// The archive that Network\pack.bat makes, as buildNetworkPackBatch names it now.
std::string networkPackArchive(const std::string& netMapName, const std::string& programFolder);

} // namespace tess::packing
