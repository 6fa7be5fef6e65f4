#include "scripts/pathfinding.h"

#include "core/files.h"
#include "core/lines.h"

namespace tess::scripts {
namespace {

// The command of a position line; the line must start with it, in this letter case.
constexpr std::string_view kPositionCommand = "Object.absolutePosition";
// The value starts after the command and the one character (a blank in the game's scripts)
// that follows it.
constexpr std::size_t kValueStart = kPositionCommand.size() + 1;

// Appends the point of a position value (see spawnPointFromValue).
void appendSpawnPoint(std::string& out, std::string_view value) {
    if (!value.empty() && value.front() == '/')
        value.remove_prefix(1);
    std::size_t i = 0;
    while (i < value.size()) {
        // Copying: everything up to the next "/".
        const std::size_t slash = value.find('/', i);
        if (slash == std::string_view::npos) {
            out.append(value.substr(i));
            return;
        }
        out.append(value.substr(i, slash - i));
        // Skipping: everything up to the next "/", which is kept and returns to copying.
        const std::size_t next = value.find('/', slash + 1);
        if (next == std::string_view::npos)
            return;
        out += '/';
        i = next + 1;
    }
}

// Appends one line and its CR LF.
void addLine(std::string& out, std::string_view a, std::string_view b = {}) {
    out.append(a);
    out.append(b);
    out.append("\r\n");
}

} // namespace

std::string spawnPointFromValue(std::string_view value) {
    std::string point;
    appendSpawnPoint(point, value);
    return point;
}

SpawnPoints readSpawnPoints(std::string_view scriptBytes) {
    SpawnPoints points;
    forEachLine(scriptBytes, [&](std::string_view line, bool) {
        if (!line.starts_with(kPositionCommand))
            return;
        ++points.count;
        const std::string_view value =
            line.size() > kValueStart ? line.substr(kValueStart) : std::string_view();
        // An empty point takes its place in the count but not in the joined text.
        const std::size_t before = points.joined.size();
        if (before != 0)
            points.joined += ',';
        const std::size_t mark = points.joined.size();
        appendSpawnPoint(points.joined, value);
        if (points.joined.size() == mark)
            points.joined.resize(before);
    });
    return points;
}

std::string pathFindingScript(std::string_view soldierPoints, std::string_view objectPoints,
                              SpawnFlags flags) {
    std::string out;
    out.reserve(1200 + soldierPoints.size() + 4 * objectPoints.size());
    addLine(out, "");
    addLine(out, "rem *** Set number of AStar resources ***");
    addLine(out, "ai.numAStarResources 10");
    addLine(out, "");
    addLine(out, "rem *** Tank ***");
    addLine(out, "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0");
    addLine(out, "ai.addSearchType Tank 0 0");
    addLine(out, "ai.setMapSpawnPoints 0 ", objectPoints);
    addLine(out, "");
    addLine(out, "rem *** Infantry ***");
    addLine(out, "ai.addSearchMap Infantry1 0 1.5 30 1.0 0.4 2.0 1");
    addLine(out, "ai.addSearchType Infantry 1 0");
    // Without soldier points the infantry line has no blank after its map number.
    if (soldierPoints.empty())
        addLine(out, "ai.setMapSpawnPoints 1");
    else
        addLine(out, "ai.setMapSpawnPoints 1 ", soldierPoints);
    addLine(out, "");
    if (flags.ships) {
        addLine(out, "rem *** Boat ***");
        addLine(out, "ai.addSearchMap Boat2 1 8 30 125.0 0.3 2.5 0 2 5");
        addLine(out, "ai.addSearchType Boat 2 2");
        addLine(out, "ai.setMapSpawnPoints 2 ", objectPoints);
        addLine(out, "ai.setSmoothing 2 20");
        addLine(out, "");
    }
    if (flags.landingCraft) {
        addLine(out, "rem *** LandingCraft ***");
        addLine(out, "ai.addSearchMap LandingCraft3 1 1.4 30 4.0 0.3 2.5 0 2 5");
        addLine(out, "ai.addSearchType LandingCraft 3 2");
        addLine(out, "ai.setMapSpawnPoints 3 ", objectPoints);
        addLine(out, "ai.setSmoothing 3 20");
        addLine(out, "");
    }
    addLine(out, "rem *** Car ***");
    addLine(out, "ai.addSearchMap Car4 0 0 20 4.0 0.3 2.5 0");
    addLine(out, "ai.addSearchType Car 2 0");
    addLine(out, "ai.setMapSpawnPoints 4 ", objectPoints);
    addLine(out, "");
    addLine(out, "rem *** Load maps ***");
    addLine(out, "ai.loadMaps");
    addLine(out, "");
    addLine(out, "rem I hope that worx fine...mfgferro");
    return out;
}

PathFindingCounts writePathFindingScript(const std::string& levelDir, SpawnFlags flags) {
    // The addon's copies of the map's Conquest spawn scripts; the file system ignores the
    // difference in letter case and separator. Both are read before anything is written.
    const SpawnPoints soldiers =
        readSpawnPoints(readFileBytes(levelDir + "singleplayer/soldierspawns.con"));
    const SpawnPoints objects =
        readSpawnPoints(readFileBytes(levelDir + "singleplayer/ObjectSpawns.con"));
    writeFileAtomically(levelDir + "AIPathFinding.con",
                        pathFindingScript(soldiers.joined, objects.joined, flags));
    return {soldiers.count, objects.count};
}

} // namespace tess::scripts
