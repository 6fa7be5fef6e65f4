// The Pathfinding folder of Bastogne as the game leaves it once it has generated the pathmaps:
// the test data's maps, the five 8-bit maps that are not taken over into the addon and, where
// names may differ in letter case only, one whose name differs from one of those in letter
// case only.
#pragma once

#include "support/files.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tess::test {

inline void writeGeneratedPathmaps(const std::filesystem::path& folder) {
    copyTree(testdata("pathmaps/Bastogne"), folder);
    for (const char* name :
         {"Infantry1Level0Map8Bit.raw", "Car4Level0Map8Bit.raw", "Tank0Level0Map8Bit.raw",
          "Boat2Level0Map8Bit.raw", "Landingcraft3Level0Map8Bit.raw"})
        writeBytes(folder / name, "8 bit");
    if (kCaseSensitiveNames)
        writeBytes(folder / "car4Level0Map8Bit.raw", "another case");
}

// The folder's files in the order the import lists them.
inline std::vector<std::string> generatedPathmapNames() {
    std::vector<std::string> names{"Boat2Level0Map8Bit.raw",
                                   "Car.raw",
                                   "Car0Level0Map.raw",
                                   "Car0Level1Map.raw",
                                   "Car0Level2Map.raw",
                                   "Car4Level0Map8Bit.raw",
                                   "car4Level0Map8Bit.raw",
                                   "CarInfo.raw",
                                   "Infantry.raw",
                                   "Infantry0Level0Map.raw",
                                   "Infantry0Level1Map.raw",
                                   "Infantry0Level2Map.raw",
                                   "Infantry1Level0Map8Bit.raw",
                                   "InfantryInfo.raw",
                                   "Landingcraft3Level0Map8Bit.raw",
                                   "Tank.raw",
                                   "Tank0Level0Map.raw",
                                   "Tank0Level0Map8Bit.raw",
                                   "Tank0Level1Map.raw",
                                   "Tank0Level2Map.raw",
                                   "TankInfo.raw"};
    if (!kCaseSensitiveNames)
        std::erase(names, "car4Level0Map8Bit.raw");
    return names;
}

} // namespace tess::test
