// The two Co-op scripts of a bot addon. Script generation writes them into a new addon and
// the network merge writes them again into the merged map, so both use these listings.
#pragma once

#include <array>
#include <string_view>

namespace tess::scripts {

// The Co-op script "Coop.con".
inline constexpr std::array<std::string_view, 17> kCoopScript = {
    "Game.setNumberOfTickets 1 100",
    "Game.setNumberOfTickets 2 105",
    "Game.setTicketLostPerMin 1 10",
    "Game.setTicketLostPerMin 2 10",
    " ",
    "run SinglePlayer/SoldierSpawnTemplates",
    "run SinglePlayer/SoldierSpawns",
    "run SinglePlayer/SpawnpointManagerSettings",
    "run SinglePlayer/ObjectSpawnTemplates",
    "run SinglePlayer/ControlPointTemplates",
    "rem *** Always spawn immediatly in singleplayer missions!",
    "",
    "if v_arg1 == host",
    "run ai",
    "run SinglePlayer/ObjectSpawns",
    "run SinglePlayer/ControlPoints",
    "endIf",
};

// The Co-op game-type script "Gametypes\Coop.con": the Co-op script passing its argument on.
inline constexpr std::array<std::string_view, 17> kCoopGameTypeScript = {
    "Game.setNumberOfTickets 1 100",
    "Game.setNumberOfTickets 2 105",
    "Game.setTicketLostPerMin 1 10",
    "Game.setTicketLostPerMin 2 10",
    " ",
    "run SinglePlayer/SoldierSpawnTemplates",
    "run SinglePlayer/SoldierSpawns",
    "run SinglePlayer/SpawnpointManagerSettings",
    "run SinglePlayer/ObjectSpawnTemplates",
    "run SinglePlayer/ControlPointTemplates",
    "rem *** Always spawn immediatly in singleplayer missions!",
    "",
    "if v_arg1== host",
    "run ai",
    "run SinglePlayer/ObjectSpawns v_arg1",
    "run SinglePlayer/ControlPoints v_arg1",
    "endif",
};

} // namespace tess::scripts
