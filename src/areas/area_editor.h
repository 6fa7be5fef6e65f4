// The strategic area editor of tab "(2) Areas": the two corner markers with their flags and
// the frame bars, the edit mode, the area panel's rectangle, the queue of confirmed areas,
// the neighbour phase and the area script, the undo of the last area and the autosave. One
// AreaEditor lives as long as the window; each handler of the tab makes one call on it and
// then draws the tab from what it answers. A mouse click, a key and a command label all
// become the same call.
#pragma once

#include "areas/area_panel.h"
#include "areas/area_script.h"
#include "areas/coordinates.h"
#include "core/lines.h"
#include "core/wizard_state.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tess::areas {

// The eight pictures of the cursor, drawn above the map picture.
enum class CursorPart { gruen, fg, rot, fr, oben, unten, links, rechts };
inline constexpr std::size_t kCursorPartCount = 8;

struct CursorPicture {
    PixelPosition position;
    std::int32_t width = 1;
    std::int32_t height = 1;
    bool visible = false;
};

// Where each cursor picture starts, and where "OK" parks it again.
CursorPicture startPicture(CursorPart part);

enum class Direction { left, right, up, down };

// The two radio buttons: "Intervall Einstellung / Tastenbewegung" and
// "Numpad - Pfeiltasten - Bewegung". Neither is selected at first.
enum class MovementMode { none, interval, keypad };

// Commands whose enabled state the tab takes from the editor.
enum class Command {
    loadPicture,    // Label10z "Orientierungsbild laden"
    newArea,        // Label1z "Neue Strategic - Area"
    confirmPoint,   // Label2z "Aktuellen Punkt bestätigen"
    finishArea,     // Label8z "Area fertigstellen"
    moveLabels,     // Label4z to Label7z and the step field Edit1z
    confirmArea,    // Label9z "OK" of the area panel
    openNeighbours, // Image2z "Fertig"
    nextArea,       // Label16z "Nächste"
    undoArea,       // "Letzte Area entfernen" and Ctrl+Z
    loadSavedAreas, // "Gespeicherte Areas laden (<n>)", offered when savedAreaCount finds a file
};

// A rectangle on the picture: left, top, right and bottom pixel.
struct PixelRectangle {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const PixelRectangle&, const PixelRectangle&) = default;
};

// An area confirmed with "OK": what the tab outlines on the picture, and what an area file
// records of it.
struct ConfirmedArea {
    PixelRectangle rectangle;
    PixelPosition green;                       // first corner
    PixelPosition red;                         // second corner
    AreaPanel panel;                           // as confirmed; panel.name is the area's name
    std::vector<std::string> neighbours;       // ticked when it was finished with "Nächste"
    std::vector<std::size_t> neighbourEntries; // the check list entries those were
    bool finished = false;
};

// One entry of the neighbour check list `CheckListBox1`.
struct CheckEntry {
    std::string name;
    bool ticked = false;
    std::size_t area = 0; // the confirmed area it names, an index into confirmedAreas()
};

// The changes to the areas in the order they happened, as far as they still count: an area
// that was undone takes its "OK" with it. Replaying them through the same calls rebuilds
// the queues and the check list exactly.
enum class AreaStep {
    confirm,        // "OK" queued the next area
    openNeighbours, // "Fertig" showed the panel or added names to the check list
    next,           // "Nächste" finished the first waiting area
};

inline constexpr std::string_view kNameMissingMessage = "Bitte Name eingeben";
inline constexpr std::string_view kScriptWrittenMessage = "Ändere etwas, wenn du willst.";
inline constexpr std::string_view kNeighbourHeadingSuffix = " ist Nachbar von: ";

enum class ConfirmOutcome { confirmed, nameMissing, panelClosed };

// What "Nächste" did. When the script was written the window shows kScriptWrittenMessage,
// opens the script and switches to tab "(3) Pathmaps-config + Packing".
struct NextOutcome {
    bool areaFinished = false;
    bool scriptWritten = false;
    std::string scriptPath;
    std::vector<std::size_t> unticked; // check list entries that lost their tick
};

class AreaEditor {
public:
    // Reads worldSize, worldScale and levelDir from the state as they stand at each call, and
    // keeps areaEditMode there.
    explicit AreaEditor(WizardState& state);

    // --- Cursor ---
    // "Neue Strategic - Area": shows the green marker and flag; areaEditMode := 2.
    void newArea();
    // "Aktuellen Punkt bestätigen": shows the red marker and flag; areaEditMode := 1.
    void confirmPoint();
    // The movement commands (labels and keys 4, 6, 8, 5). Moves the active marker by the
    // step, then parses the step again and moves its flag. A step that is not an integer
    // throws "'%s' ist kein gültiger Integerwert" before anything has moved. With an
    // areaEditMode other than 1 or 2 nothing moves and the step is not read.
    void move(Direction direction, std::string_view stepText);
    // A left click on the picture: the active marker goes there and its flag follows by the
    // same distance.
    void placeActiveMarker(PixelPosition position);
    void chooseMovementMode(MovementMode mode);

    // --- Areas ---
    // "Area fertigstellen": shows the frame bars; with both markers in one row or column
    // nothing is computed and an open panel stays as it was (false). Otherwise places the
    // bars, computes the area's edges and centre and opens the area panel (true).
    bool finishArea();
    // "OK" of the area panel. An empty name answers nameMissing and changes nothing.
    // Otherwise areaName takes the name; a priority that is not an integer then throws with
    // nothing queued and the panel open. A confirmed area is queued and the cursor parked.
    ConfirmOutcome confirmArea(const AreaPanel& panel);

    // --- Neighbour phase ---
    // "Fertig": shows the neighbour panel and appends every waiting name to the check list.
    void openNeighbours();
    void setTicked(std::size_t entry, bool ticked);
    // "Nächste": finishes the first waiting area with the ticked entries as its neighbours;
    // after the last one writes the area script (which throws the file error when it cannot
    // be written; the areas stay, and the next "Nächste" tries again). With no area waiting
    // and nothing left to write it changes nothing.
    NextOutcome nextArea();

    // --- Undo ---
    // "Letzte Area entfernen": removes the last confirmed area while it still waits for its
    // "Nächste", from the queue, the summary list, the create lines, the outlines and the
    // check list, as if it had never been confirmed; called again it removes the one before.
    // Answers false and changes nothing when no area can be undone: none waits, or an area
    // already finished ticked the last one's entry, so that its final block names it. When
    // the undone area was the last one waiting and others were finished meanwhile, the
    // phase is complete without it and the next "Nächste" writes the script.
    bool undoLastArea();

    // --- Autosave ---
    // From now on every change to the areas (an "OK", an undo, a "Fertig" that changes the
    // check list, a tick, a "Nächste") saves them to savedAreasFile(programFolder, mapName)
    // (saved_areas.h), once the first area has been confirmed; when the last area is undone
    // the file is removed. An empty folder turns the autosave off. A failed save never cuts
    // a command short: its error text waits in autosaveError() for the window to show.
    // A saved file of an earlier run that was not loaded is kept as
    // "<mapName>.previous.json" before the first save or removal replaces it, so a first
    // "OK" without loading never costs the user those areas.
    void enableAutosave(std::string programFolder);
    // The saved file has been loaded into this editor: later saves may replace it.
    void adoptSavedAreas() { earlierSaveKept_ = true; }
    const std::string& autosaveFolder() const { return autosaveFolder_; }
    // The German text of the last autosave's failure; empty once a save succeeded.
    const std::string& autosaveError() const { return autosaveError_; }

    // --- What the tab shows ---
    bool isEnabled(Command command) const;
    MovementMode movementMode() const { return movementMode_; }
    const CursorPicture& picture(CursorPart part) const;
    bool areaPanelVisible() const { return areaPanelVisible_; }
    bool neighbourPanelVisible() const { return neighbourPanelVisible_; }
    // World position of the marker that the movement commands move, if any.
    std::optional<WorldPosition> activeMarkerWorld() const;
    // "X 400  Z 1648"; empty when no marker is active.
    std::string positionText() const;
    const std::vector<std::string>& summaryEntries() const { return summaryEntries_; }
    const std::vector<CheckEntry>& checkList() const { return checkList_; }
    const std::string& neighbourHeading() const { return neighbourHeading_; } // Label13z
    const std::vector<ConfirmedArea>& confirmedAreas() const { return confirmedAreas_; }
    std::size_t waitingCount() const { return waiting_.size(); }
    const std::vector<AreaStep>& steps() const { return steps_; }
    std::int32_t worldSize() const { return state_.worldSize; }

    // The fields of the area being completed and confirmed.
    const AreaBounds& bounds() const { return bounds_; }
    const PixelRectangle& rectangle() const { return rectangle_; }
    const std::string& areaName() const { return areaName_; }
    std::int32_t areaPriority() const { return areaPriority_; }

    // The area script as it would be written now (CR LF line ends), and where.
    std::string areaScriptText() const;
    std::string areaScriptFile() const;

private:
    // What "OK" queues for one area until "Nächste" takes it: the name, and the end of its
    // block (flag lines, order-position lines, side line and the closing empty line).
    struct QueuedArea {
        std::string name;
        std::string blockEnd;
        std::size_t confirmedIndex = 0;
        std::size_t createLinesStart = 0; // where its create lines begin in createLines_
    };

    CursorPicture& pictureRef(CursorPart part);
    bool activePair(CursorPart& marker, CursorPart& flag) const;
    void shift(CursorPart part, std::int64_t dx, std::int64_t dz);
    void parkCursor();
    void updateNeighbourHeading();
    void writeAreaScript(NextOutcome& outcome);
    bool canUndo() const;
    void removeCheckEntriesOf(std::size_t area);
    void autosave();

    WizardState& state_;
    std::array<CursorPicture, kCursorPartCount> pictures_;
    MovementMode movementMode_ = MovementMode::none;
    bool newAreaEnabled_ = true;
    bool confirmPointEnabled_ = false;
    bool finishAreaEnabled_ = false;
    bool areaPanelVisible_ = false;
    bool neighbourPanelVisible_ = false;

    AreaBounds bounds_;
    PixelRectangle rectangle_;
    std::string areaName_;
    std::int32_t areaPriority_ = 0;

    std::vector<std::string> summaryEntries_; // ListBox1z
    std::string createLines_;                 // create line and a blank line per area
    std::deque<QueuedArea> waiting_;          // names, flag, order and side lines in step
    std::string areaBlocks_;                  // every finished area's block, in order
    std::vector<ConfirmedArea> confirmedAreas_;

    std::vector<CheckEntry> checkList_;
    std::set<std::size_t> ticked_; // indices of ticked entries, top to bottom
    std::string neighbourHeading_ = "Area";
    // The script is due: its last write failed, or an undo completed the phase. The next
    // "Nächste" writes it.
    bool scriptWritePending_ = false;
    bool unwrittenBlocks_ = false; // an area was finished since the script was last written

    std::vector<AreaStep> steps_;
    std::vector<bool> namedByFinishedArea_; // per confirmed area
    bool areaEverConfirmed_ = false;
    bool earlierSaveKept_ = false;
    std::string autosaveFolder_;
    std::string autosaveError_;
};

} // namespace tess::areas
