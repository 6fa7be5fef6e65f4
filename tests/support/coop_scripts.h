// The two Co-op scripts as the game expects them, byte for byte: script generation writes
// them into every addon, and the network merge writes them again into the merged level.
#pragma once

#include <string>
#include <string_view>

namespace tess::test {

// What both scripts begin with.
inline constexpr std::string_view kCoopScriptHead =
    "Game.setNumberOfTickets 1 100\r\n"
    "Game.setNumberOfTickets 2 105\r\n"
    "Game.setTicketLostPerMin 1 10\r\n"
    "Game.setTicketLostPerMin 2 10\r\n"
    " \r\n"
    "run SinglePlayer/SoldierSpawnTemplates\r\n"
    "run SinglePlayer/SoldierSpawns\r\n"
    "run SinglePlayer/SpawnpointManagerSettings\r\n"
    "run SinglePlayer/ObjectSpawnTemplates\r\n"
    "run SinglePlayer/ControlPointTemplates\r\n"
    "rem *** Always spawn immediatly in singleplayer missions!\r\n"
    "\r\n";

// Coop.con in the level's folder.
inline const std::string kCoopCon = std::string(kCoopScriptHead) +
                                    "if v_arg1 == host\r\n"
                                    "run ai\r\n"
                                    "run SinglePlayer/ObjectSpawns\r\n"
                                    "run SinglePlayer/ControlPoints\r\n"
                                    "endIf\r\n";

// GameTypes/Coop.con.
inline const std::string kGameTypesCoopCon = std::string(kCoopScriptHead) +
                                             "if v_arg1== host\r\n"
                                             "run ai\r\n"
                                             "run SinglePlayer/ObjectSpawns v_arg1\r\n"
                                             "run SinglePlayer/ControlPoints v_arg1\r\n"
                                             "endif\r\n";

} // namespace tess::test
