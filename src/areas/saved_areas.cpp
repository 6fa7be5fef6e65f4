#include "areas/saved_areas.h"

#include "core/error.h"
#include "core/files.h"

#include <algorithm>
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

// The autosave of an editor rests while saved areas are replayed into it.
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

void replayConfirm(AreaEditor& editor, const AreaDefinition& area) {
    editor.newArea();
    editor.placeActiveMarker(area.corner1);
    editor.confirmPoint();
    editor.placeActiveMarker(area.corner2);
    editor.finishArea();
    editor.confirmArea(area.panel);
}

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
    return programFolder + "temp\\areas\\" + mapName + ".json";
}

void saveAreas(const AreaEditor& editor, const std::string& programFolder,
               const std::string& mapName) {
    const std::string file = savedAreasFile(programFolder, mapName);
    createFolder(programFolder + "temp");
    createFolder(programFolder + "temp\\areas");
    writeFileAtomically(file, serialiseAreaSession(areaSessionOf(editor)));
}

void keepEarlierSavedAreas(const std::string& programFolder, const std::string& mapName) {
    const std::string file = savedAreasFile(programFolder, mapName);
    if (!fileExists(file))
        return;
    const std::string kept = programFolder + "temp\\areas\\" + mapName + ".previous.json";
    writeFileAtomically(kept, readFileBytes(file));
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
    return restoreAreaSession(editor, readSavedAreas(file, editor.worldSize()));
}

RestoreOutcome restoreAreaSession(AreaEditor& editor, const AreaSession& session) {
    if (!editor.isEnabled(Command::loadSavedAreas))
        throw Error("Gespeicherte Areas lassen sich nur laden, solange noch keine Area "
                    "begonnen oder bestätigt ist");
    checkWorldSize(session, editor.worldSize());
    const AutosavePause pause(editor);
    editor.adoptSavedAreas();
    RestoreOutcome outcome;
    std::optional<Error> writeError;
    std::size_t confirmed = 0;
    std::size_t finished = 0;
    for (const AreaStep step : session.steps) {
        switch (step) {
        case AreaStep::confirm:
            replayConfirm(editor, session.areas.at(confirmed++).definition);
            break;
        case AreaStep::openNeighbours:
            editor.openNeighbours();
            break;
        case AreaStep::next:
            for (const std::size_t entry : session.areas.at(finished++).neighbourEntries)
                editor.setTicked(entry, true);
            try {
                const NextOutcome next = editor.nextArea();
                if (next.scriptWritten) {
                    outcome.scriptWritten = true;
                    outcome.scriptPath = next.scriptPath;
                    writeError.reset();
                }
            } catch (const Error& e) {
                writeError = e;
            }
            break;
        }
    }
    for (const std::size_t entry : session.ticked)
        editor.setTicked(entry, true);
    outcome.areaCount = session.areas.size();
    if (writeError)
        throw *writeError;
    return outcome;
}

} // namespace tess::areas
