// The two-area example shared by the editor, the area file, the command-line tool and the
// window tests: a 2048 level (scale 4). Hill: green marker at (100, 100), red at (200, 300),
// priority 100, "ControlPoint" and "leichte Fahrzeuge erlauben" ticked, "Team 1". Bridge:
// green at (300, 50), red at (260, 120), priority 50, nothing ticked, "Neutral". Each is the
// other's neighbour. The create line names the near and the far corner; the order positions
// lie at the centre less 10.
#pragma once

#include <string>
#include <string_view>

namespace tess::test {

inline constexpr std::string_view kHillAndBridgeScript =
    "rem *** WorX done by ferro_lumen's Tessarine ... http://tessarine.example.org/\r\n"
    "aiStrategicArea.create Hill 400/848 800/1648 100\r\n"
    " \r\n"
    "aiStrategicArea.create Bridge 1040/1568 1200/1848 50\r\n"
    " \r\n"
    "\r\n"
    " \r\n"
    " \r\n"
    "aiStrategicArea.setActive Hill\r\n"
    "AIStrategicArea.addNeighbour Bridge\r\n"
    "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n"
    "AIStrategicArea.setOrderPosition Infantry 590/1238\r\n"
    "AIStrategicArea.setOrderPosition Car 590/1238\r\n"
    "aiStrategicArea.setSide 1\r\n"
    "\r\n"
    "aiStrategicArea.setActive Bridge\r\n"
    "AIStrategicArea.addNeighbour Hill\r\n"
    "AIStrategicArea.setOrderPosition Infantry 1110/1698\r\n"
    "aiStrategicArea.setSide 0\r\n"
    "\r\n"
    "\r\n";

inline constexpr std::string_view kHillSummary = "Hill [ 400;848 / 800;1648 ] ==> Prio. [100]";
inline constexpr std::string_view kBridgeSummary =
    "Bridge [ 1040;1568 / 1200;1848 ] ==> Prio. [50]";

// The same areas as an area file.
inline constexpr std::string_view kHillAndBridgeJson = R"({"areas": [
  {"name": "Hill", "corner1": [100, 100], "corner2": [200, 300], "priority": 100,
   "flags": ["cp"], "light": true, "heavy": false, "side": 1, "neighbours": ["Bridge"]},
  {"name": "Bridge", "corner1": [300, 50], "corner2": [260, 120], "priority": "50",
   "side": 0, "neighbours": ["Hill"]}
]}
)";

// The same areas as the area file's writer lays them out. A file that the editor saves as it
// goes (`saved`) also names its version and world size, which area is finished (Hill) and that
// the neighbour phase has begun.
inline std::string hillAndBridgeWritten(bool saved) {
    const auto finished = [saved](const char* value) {
        return saved ? std::string(",\n      \"finished\": ") + value + "\n" : std::string("\n");
    };
    return std::string("{\n") + (saved ? "  \"version\": 2,\n  \"worldSize\": 2048,\n" : "") +
           R"(  "areas": [
    {
      "name": "Hill",
      "corner1": [
        100,
        100
      ],
      "corner2": [
        200,
        300
      ],
      "priority": 100,
      "flags": [
        "cp"
      ],
      "light": true,
      "heavy": false,
      "side": 1,
      "neighbours": [
        "Bridge"
      ])" + finished("true") +
           R"(    },
    {
      "name": "Bridge",
      "corner1": [
        300,
        50
      ],
      "corner2": [
        260,
        120
      ],
      "priority": 50,
      "flags": [],
      "light": false,
      "heavy": false,
      "side": 0,
      "neighbours": [
        "Hill"
      ])" + finished("false") +
           "    }\n  ]" + (saved ? ",\n  \"neighbourPhase\": true\n" : "\n") + "}\n";
}

} // namespace tess::test
