#include "areas/saved_areas.h"

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <utility>

namespace tess::areas {
namespace {

bool isPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '\\' || c == '/' || c == ':' || static_cast<unsigned char>(c) < 0x20;
    });
}

std::string areasFolder(const std::string& programFolder) {
    return programFolder + "temp\\areas\\";
}

constexpr std::string_view kLegacyEarlier = "previous";

// "2025-03-12_14-05-33", possibly with "_2" and so on: the part of an earlier set's name
// between the map's name and ".json".
bool isDateStamp(std::string_view stamp) {
    constexpr std::string_view kShape = "dddd-dd-dd_dd-dd-dd";
    if (stamp.size() < kShape.size())
        return false;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = stamp[i] >= '0' && stamp[i] <= '9';
        if (kShape[i] == 'd' ? !digit : stamp[i] != kShape[i])
            return false;
    }
    const std::string_view rest = stamp.substr(kShape.size());
    return rest.empty() ||
           (rest.size() > 1 && rest.size() <= 7 && rest[0] == '_' &&
            std::all_of(rest.begin() + 1, rest.end(), [](char c) { return c >= '0' && c <= '9'; }));
}

// The date stamps of the map's earlier sets, as they lie in the folder.
std::vector<std::string> earlierStamps(const std::string& programFolder,
                                       const std::string& mapName) {
    std::vector<std::string> stamps;
    std::error_code error;
    const std::filesystem::path folder = resolvePath(areasFolder(programFolder));
    std::filesystem::directory_iterator it(folder, error);
    if (error)
        return stamps;
    const std::string prefix = mapName + ".";
    constexpr std::string_view kSuffix = ".json";
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error)
            break;
        const std::string name = pathText(it->path().filename());
        if (name.size() <= prefix.size() + kSuffix.size() || !name.starts_with(prefix) ||
            !name.ends_with(kSuffix))
            continue;
        const std::string stamp =
            name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
        if (stamp == kLegacyEarlier || isDateStamp(stamp))
            stamps.push_back(stamp);
    }
    return stamps;
}

// Newest first: later dates, and of the same second the higher number.
bool newerStamp(const std::string& a, const std::string& b) {
    const auto number = [](const std::string& stamp) {
        return stamp.size() > 19 ? std::stoul(stamp.substr(20)) : 1UL;
    };
    const std::string dateA = a.substr(0, 19);
    const std::string dateB = b.substr(0, 19);
    if (dateA != dateB)
        return dateA > dateB;
    return number(a) > number(b);
}

std::string stampOf(std::time_t now) {
    const std::tm* local = std::localtime(&now);
    char text[32] = {};
    if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d_%H-%M-%S", local) == 0)
        return "0000-00-00_00-00-00";
    return text;
}

// "12.03.2025 14:05:33" for "2025-03-12_14-05-33"; a number after it in brackets.
std::string labelOf(const std::string& stamp) {
    if (stamp == kLegacyEarlier)
        return "früherer Lauf";
    std::string label = stamp.substr(8, 2) + "." + stamp.substr(5, 2) + "." + stamp.substr(0, 4) +
                        " " + stamp.substr(11, 2) + ":" + stamp.substr(14, 2) + ":" +
                        stamp.substr(17, 2);
    if (stamp.size() > 19)
        label += " (" + stamp.substr(20) + ")";
    return label;
}

// The autosave of an editor rests while saved areas come back into it.
class AutosavePause {
public:
    explicit AutosavePause(AreaEditor& editor) : editor_(editor), folder_(editor.autosaveFolder()) {
        editor_.enableAutosave("");
    }
    ~AutosavePause() { editor_.enableAutosave(std::move(folder_)); }
    AutosavePause(const AutosavePause&) = delete;
    AutosavePause& operator=(const AutosavePause&) = delete;

private:
    AreaEditor& editor_;
    std::string folder_;
};

// Corners are picture pixels: on a level of another size they would be other places.
void checkWorldSize(const AreaSession& session, std::int32_t worldSize) {
    if (session.worldSize != worldSize)
        throw Error("Die Areas wurden für eine Karte der Größe " +
                    std::to_string(session.worldSize) + " gezeichnet, diese Karte hat die Größe " +
                    std::to_string(worldSize));
}

// Reads and checks the file; every refusal names it and leaves it as it is.
AreaSession readSavedAreas(const std::string& file, std::int32_t worldSize) {
    const std::string bytes = readFileBytes(file);
    try {
        AreaSession session = parseAreaSession(bytes);
        checkWorldSize(session, worldSize);
        return session;
    } catch (const Error& e) {
        throw Error("Die gespeicherten Areas in \"" + file +
                    "\" können nicht geladen werden: " + e.what());
    }
}

} // namespace

std::string savedAreasFile(const std::string& programFolder, const std::string& mapName) {
    if (!isPlainFileName(mapName))
        throw Error("Aus dem Kartennamen \"" + mapName +
                    "\" lässt sich kein Dateiname für die gespeicherten Areas bilden");
    return areasFolder(programFolder) + mapName + ".json";
}

void saveAreas(const AreaEditor& editor, const std::string& programFolder,
               const std::string& mapName) {
    const std::string file = savedAreasFile(programFolder, mapName);
    createFolder(programFolder + "temp");
    createFolder(programFolder + "temp\\areas");
    writeFileAtomically(file, serialiseAreaSession(areaSessionOf(editor)));
}

std::string keepEarlierSavedAreas(const std::string& programFolder, const std::string& mapName,
                                  std::time_t now) {
    const std::string file = savedAreasFile(programFolder, mapName);
    if (!fileExists(file))
        return {};
    const std::string base = areasFolder(programFolder) + mapName + ".";
    const std::string stamp = stampOf(now);
    std::string kept = base + stamp + ".json";
    for (int n = 2; fileExists(kept); ++n)
        kept = base + stamp + "_" + std::to_string(n) + ".json";
    writeFileAtomically(kept, readFileBytes(file));

    // The oldest dated sets beyond the newest ones go; a failure to remove one costs nothing.
    std::vector<std::string> stamps = earlierStamps(programFolder, mapName);
    std::erase(stamps, std::string(kLegacyEarlier));
    std::sort(stamps.begin(), stamps.end(), newerStamp);
    for (std::size_t i = kKeptEarlierSets; i < stamps.size(); ++i)
        deleteFile(base + stamps[i] + ".json");
    return kept;
}

std::vector<EarlierAreas> earlierSavedAreas(const std::string& programFolder,
                                            const std::string& mapName) {
    std::vector<EarlierAreas> sets;
    if (!isPlainFileName(mapName))
        return sets;
    std::vector<std::string> stamps = earlierStamps(programFolder, mapName);
    const bool legacy = std::erase(stamps, std::string(kLegacyEarlier)) > 0;
    std::sort(stamps.begin(), stamps.end(), newerStamp);
    if (legacy)
        stamps.push_back(std::string(kLegacyEarlier));
    for (const std::string& stamp : stamps)
        sets.push_back(
            {areasFolder(programFolder) + mapName + "." + stamp + ".json", labelOf(stamp)});
    return sets;
}

void removeSavedAreas(const std::string& programFolder, const std::string& mapName) {
    const std::string file = savedAreasFile(programFolder, mapName);
    if (fileExists(file) && !deleteFile(file))
        throw Error("Datei \"" + file + "\" kann nicht gelöscht werden");
}

std::optional<std::size_t> savedAreaCount(const std::string& file, std::int32_t worldSize) {
    if (!fileExists(file))
        return std::nullopt;
    return readSavedAreas(file, worldSize).areas.size();
}

RestoreOutcome loadSavedAreas(AreaEditor& editor, const std::string& file) {
    const AreaSession session = readSavedAreas(file, editor.worldSize());
    if (!editor.isEnabled(Command::loadSavedAreas))
        return restoreAreaSession(editor, session); // refused there, with its message
    editor.adoptSavedAreas();
    return restoreAreaSession(editor, session);
}

RestoreOutcome loadEarlierAreas(AreaEditor& editor, const std::string& file) {
    return restoreAreaSession(editor, readSavedAreas(file, editor.worldSize()));
}

RestoreOutcome restoreAreaSession(AreaEditor& editor, const AreaSession& session) {
    checkWorldSize(session, editor.worldSize());
    AreaFile file;
    std::vector<bool> finished;
    file.areas.reserve(session.areas.size());
    file.outside = session.outside;
    finished.reserve(session.areas.size());
    for (const SavedArea& area : session.areas) {
        file.areas.push_back(area.definition);
        finished.push_back(area.finished);
    }
    const AutosavePause pause(editor);
    const ImportOutcome taken = editor.restoreAreas(file, finished, session.neighbourPhase);
    RestoreOutcome outcome;
    outcome.areaCount = taken.areaCount;
    outcome.namesToChange = taken.namesToChange;
    // Every area had been walked: the script is written again, as it was for the user.
    if (editor.neighbourPhase() && editor.waitingCount() == 0 && taken.namesToChange.empty()) {
        const NextOutcome next = editor.nextArea();
        outcome.scriptWritten = next.scriptWritten;
        outcome.scriptPath = next.scriptPath;
    }
    return outcome;
}

} // namespace tess::areas
