// Feeds arbitrary bytes to the pathmap reader under each kind of file name: it must end in a
// tess::Error or in a grid of at most 4096 x 4096 cells whose values fit its kind, which then
// draws; a tiled map or region map read is written back to the very same bytes. The same
// bytes also go through the spawn-point reading of a path-finding script.
#include "core/error.h"
#include "pathmaps/grid.h"
#include "pathmaps/picture.h"
#include "pathmaps/spawns.h"
#include "pathmaps/writer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tess::pathmaps;
    if (size == 0)
        return 0;
    // The first byte picks the name, which decides how the rest is read.
    static const std::array<std::string, 4> names = {"Tank0Level0Map.raw", "Car4Level2Map8Bit.raw",
                                                     "TankInfo.raw", "Tank.raw"};
    const std::string& name = names[data[0] % names.size()];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    const auto points = spawnPointsOfSearchMap(bytes, data[0] % 5);
    try {
        const Grid grid = parsePathmap(bytes, name);
        if (grid.width < 1 || grid.height < 1 || grid.width > kMaxGridEdge ||
            grid.height > kMaxGridEdge || grid.cellSize < 1 ||
            grid.cells.size() !=
                static_cast<std::size_t>(grid.width) * static_cast<std::size_t>(grid.height))
            __builtin_trap(); // a grid that does not match its own size
        const std::uint8_t largest = grid.kind == Kind::regions ? kBlockedRegion : kBlocked;
        for (const std::uint8_t cell : grid.cells)
            if (cell > largest)
                __builtin_trap(); // a value the kind cannot hold
        const SpawnCheck check = checkSpawnPoints(grid, points.value_or(std::vector<SpawnPoint>{}));
        if (check.total() != (points ? points->size() : 0))
            __builtin_trap();
        const auto picture = drawPathmap(grid, nullptr, check);
        if (picture.rgba.size() !=
            static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 4)
            __builtin_trap();
        if (grid.kind != Kind::eightBit && encodePathmap(grid) != bytes)
            __builtin_trap(); // a file that does not come back as it was read
    } catch (const tess::Error&) {
    }
    return 0;
}
