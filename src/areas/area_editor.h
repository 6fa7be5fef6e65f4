// The strategic area editor of tab "(2) Areas": the cursor (area_cursor.h), the area panel
// and its rectangle, the areas confirmed so far with their neighbour phase and script
// (area_set.h), the undo and the autosave (area_history.h). One AreaEditor lives as long as
// the window; each handler of the tab makes one call on it and then draws the tab from what it
// answers. A mouse click, a key and a command label all become the same call.
//
// Every area stays editable until the script is final: it can be selected, edited and
// deleted; Ctrl+Z undoes the last of these steps and Ctrl+Y brings it back. The area script
// is built from the areas as they stand when it is written, so an edit never leaves a stale
// block behind. Neighbours are kept per area and follow a renamed area; the neighbour phase
// shows each area's earlier ticks. Areas taken over from a level keep their blocks and the
// level's lines outside the areas (area_block.h, level_takeover.h).
#pragma once

#include "areas/area_cursor.h"
#include "areas/area_history.h"
#include "areas/area_panel.h"
#include "areas/area_set.h"
#include "areas/coordinates.h"
#include "core/wizard_state.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::areas {

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
    undo,           // "Rückgängig" and Ctrl+Z
    redo,           // "Wiederholen", Ctrl+Y and Ctrl+Shift+Z
    editArea,       // "Area bearbeiten"
    deleteArea,     // "Area löschen"
    editAgain,      // "Areas wieder bearbeiten"
    importAreas,    // "Vorhandene Areas übernehmen", "Areas an den Flaggenpunkten vorschlagen"
    loadSavedAreas, // "Gespeicherte Areas laden (<n>)" and "Frühere Areas laden"
};

inline constexpr std::string_view kNameMissingMessage = "Bitte Name eingeben";
inline constexpr std::string_view kScriptWrittenMessage = "Ändere etwas, wenn du willst.";
inline constexpr std::string_view kNoAreaYetMessage =
    "Es gibt noch keine Area. Zeichne zuerst eine Area (\"Neue Strategic - Area\") oder "
    "übernimm die Areas der Karte; danach führt \"Fertig\" durch ihre Nachbarn.";

// How far a corner may lie outside the 512 x 512 picture: the keys can move a marker a little
// past its edge, but an area far beyond the level is a slip that would give the game
// coordinates it cannot use.
inline constexpr std::int32_t kCornerReach = 512;
bool cornerWithinReach(PixelPosition corner);
// "Die Ecke (<left>, <top>) liegt zu weit außerhalb des Bildes ..."
std::string cornerOutOfReachMessage(PixelPosition corner);

enum class ConfirmOutcome { confirmed, nameMissing, panelClosed };

// What "Nächste" did. When the script was written the window shows kScriptWrittenMessage,
// opens the script and switches to tab "(3) Pathmaps-config + Packing".
struct NextOutcome {
    bool areaFinished = false;
    bool scriptWritten = false;
    std::string scriptPath;
};

// What taking in an area file did: how many areas, and the names among them that the game's
// reader cannot take (blanks and the like, or used twice), which must be changed before the
// neighbour phase.
struct ImportOutcome {
    std::size_t areaCount = 0;
    std::vector<std::string> namesToChange;
};

class AreaEditor {
public:
    // Reads worldSize, worldScale and levelDir from the state as they stand at each call, and
    // keeps areaEditMode there. The cursor starts as `layout` has it, the window's design
    // (without a window: every picture hidden in the picture's corner).
    explicit AreaEditor(WizardState& state, const CursorLayout& layout = {});

    // --- Cursor ---
    // "Neue Strategic - Area": shows the green marker and flag; areaEditMode := firstCorner.
    void newArea() { cursor_.newArea(); }
    // "Aktuellen Punkt bestätigen": shows the red marker and flag; areaEditMode := secondCorner.
    void confirmPoint() { cursor_.confirmPoint(); }
    // The movement commands (labels and keys 4, 6, 8, 5). Moves the active marker by the
    // step, then parses the step again and moves its flag. A step that is not an integer
    // throws "'%s' ist kein gültiger Integerwert" before anything has moved. While
    // areaEditMode names no corner nothing moves and the step is not read.
    void move(Direction direction, std::string_view stepText) { cursor_.move(direction, stepText); }
    // The active marker goes there and its flag follows by the same distance.
    void placeActiveMarker(PixelPosition position) { cursor_.placeActiveMarker(position); }
    // A left click on the picture: while no area is being drawn or edited, a click on an
    // area's outline (or inside it, the smallest such area) selects that area; anything else
    // places the active marker.
    void clickPicture(PixelPosition position);
    void chooseMovementMode(MovementMode mode) { cursor_.chooseMovementMode(mode); }

    // --- Areas ---
    // "Area fertigstellen": shows the frame bars; with both markers in one row or column
    // nothing is computed and an open panel stays as it was (false). Otherwise places the
    // bars, computes the area's edges and centre and opens the area panel (true).
    bool finishArea();
    // "OK" of the area panel. An empty name answers nameMissing and changes nothing.
    // Otherwise areaName takes the name; a name the game cannot read or another area's name,
    // a priority that is not an integer or a corner out of reach then throw with the German
    // reason, nothing changed and the panel open. A new area is added at the end; an area
    // being edited takes the panel and the corners as they stand now.
    ConfirmOutcome confirmArea(const AreaPanel& panel);

    // --- Selecting, editing, deleting ---
    // Selects an area (an index into confirmedAreas()), or none.
    void selectArea(std::optional<std::size_t> index) { set_.select(index); }
    std::optional<std::size_t> selectedArea() const { return set_.selectedArea(); }
    // "Area bearbeiten": the selected area's flags back on its corners, the frame round it
    // and its panel open with its values; the green marker moves first, as when drawing.
    // Answers the panel to show; nothing when the command is not enabled.
    std::optional<AreaPanel> editArea();
    // The areas whose neighbour ticks name the selected area, for the question before it is
    // deleted.
    std::vector<std::string> areasNamingSelected() const { return set_.areasNamingSelected(); }
    // "Area löschen": removes the selected area and every tick that names it.
    bool deleteArea();
    // Ctrl+Z: undoes the last new area, edit, deletion or taking in of areas.
    bool undo();
    // Ctrl+Y: does again what the last undo took back, as long as nothing new was done since.
    bool redo();

    // --- Areas from elsewhere ---
    // Takes in a whole area file as if its areas had been drawn and confirmed one after the
    // other: corners, panel, kept lines; their neighbours become the ticks that the next
    // neighbour phase shows. The file's lines outside the areas join the editor's, each on its
    // side (a condition taken in closes inside those already there). Names the game cannot
    // read are kept and reported, and must be changed before "Fertig". One step for the undo.
    // A corner out of reach or an area without width or height throws before anything is
    // taken in.
    ImportOutcome importAreas(const AreaFile& file);
    // Saved areas (saved_areas.h): the areas with their walked state and whether the
    // neighbour panel was shown. Needs Command::loadSavedAreas; the undo starts empty.
    ImportOutcome restoreAreas(const AreaFile& file, const std::vector<bool>& finished,
                               bool neighbourPhase);

    // --- Neighbour phase ---
    // "Fertig": shows the neighbour panel with the first area still to be walked and its
    // ticks. With no area at all nothing happens (false; the window shows
    // kNoAreaYetMessage); while an area's name must still be changed it throws the German
    // message naming them.
    bool openNeighbours();
    // Ticks or unticks an entry as a neighbour of the current area.
    void setTicked(std::size_t entry, bool ticked);
    // "Nächste": the current area is done, and the next one still to be walked shows its
    // ticks; after the last one the area script is written (which throws the file error when
    // it cannot be written; nothing is lost and the next "Nächste" tries again). With no
    // area waiting, "Nächste" writes the script when the areas changed since it was last
    // written, and otherwise does nothing.
    NextOutcome nextArea();
    // The area script is written inside `writeUnder(write)`: the window writes it under the
    // program folder's lock. Without one it is written as it is.
    void setScriptWriter(std::function<void(const std::function<void()>& write)> writeUnder) {
        scriptWriter_ = std::move(writeUnder);
    }
    // "Areas wieder bearbeiten": back to drawing with every area and its ticks kept; the
    // next "Fertig" walks all areas again, each with its earlier ticks.
    bool editAgain();

    // --- Autosave ---
    // From now on every change to the areas saves them to savedAreasFile(programFolder,
    // mapName) (saved_areas.h), once the first area has been confirmed or taken in; when the
    // last area is gone the file is removed. An empty folder turns the autosave off. A failed
    // save never cuts a command short: its error text waits in autosaveError(). A saved file
    // of an earlier run that was not loaded is first set aside under a dated name
    // (keepEarlierSavedAreas), whose path keptEarlierFile() then gives.
    void enableAutosave(std::string programFolder) { autosave_.enable(std::move(programFolder)); }
    // The saved file has been loaded into this editor: later saves may replace it.
    void adoptSavedAreas() { autosave_.adopt(); }
    const std::string& autosaveFolder() const { return autosave_.folder(); }
    const std::string& autosaveError() const { return autosave_.error(); }
    const std::string& keptEarlierFile() const { return autosave_.keptEarlierFile(); }

    // --- What the tab shows ---
    bool isEnabled(Command command) const;
    MovementMode movementMode() const { return cursor_.movementMode(); }
    const CursorPicture& picture(CursorPart part) const { return cursor_.picture(part); }
    bool areaPanelVisible() const { return areaPanelVisible_; }
    // "Fertig" has opened the neighbour phase (until "Areas wieder bearbeiten").
    bool neighbourPhase() const { return set_.neighbourPhase(); }
    // The panel "Nachbarn": in the neighbour phase until the script is written.
    bool neighbourPanelVisible() const { return set_.neighbourPhase() && !scriptFinal_; }
    // The area the neighbour panel shows (an index into confirmedAreas()).
    std::optional<std::size_t> currentArea() const { return set_.current(); }
    // An existing area's panel is open.
    bool editing() const { return editing_.has_value(); }
    // The script was written and nothing has changed since.
    bool scriptFinal() const { return scriptFinal_; }
    // World position of the marker that the movement commands move, if any.
    std::optional<WorldPosition> activeMarkerWorld() const;
    // "X 400  Z 1648"; empty when no marker is active.
    std::string positionText() const;
    const std::vector<std::string>& summaryEntries() const { return set_.summaryEntries(); }
    const std::vector<CheckEntry>& checkList() const { return set_.checkList(); }
    const std::string& neighbourHeading() const { return set_.neighbourHeading(); } // Label13z
    const std::vector<ConfirmedArea>& confirmedAreas() const { return set_.areas(); }
    // The lines of taken-over scripts outside their areas, written around the areas.
    const OutsideLines& outsideLines() const { return set_.outside(); }
    // The names of an area's neighbours, in the order their lines are written.
    std::vector<std::string> neighbourNames(const ConfirmedArea& area) const {
        return set_.neighbourNames(area);
    }
    // The area's name cannot go into the script as it is (area_names.h).
    bool nameNeedsChange(std::size_t index) const { return set_.nameNeedsChange(index); }
    std::vector<std::string> namesToChange() const { return set_.namesToChange(); }
    std::size_t waitingCount() const { return set_.waitingCount(); }
    std::int32_t worldSize() const { return state_.worldSize; }

    // The fields of the area being completed and confirmed.
    const AreaBounds& bounds() const { return bounds_; }
    const PixelRectangle& rectangle() const { return rectangle_; }
    const std::string& areaName() const { return areaName_; }
    std::int32_t areaPriority() const { return areaPriority_; }

    // The area script as it would be written now (CR LF line ends), and where.
    std::string areaScriptText() const { return set_.scriptText(); }
    std::string areaScriptFile() const;

private:
    AreaBounds boundsOf(const PixelRectangle& rect) const;
    bool idle() const;
    ImportOutcome takeIn(const AreaFile& file, const std::vector<bool>* finished);
    void changed();
    void writeAreaScript(NextOutcome& outcome);
    void autosave();

    WizardState& state_;
    AreaCursor cursor_;
    AreaSet set_;
    AreaHistory history_;
    AreaAutosave autosave_;
    bool areaPanelVisible_ = false;

    AreaBounds bounds_;
    PixelRectangle rectangle_;
    PixelPosition framedGreen_; // the corners "Area fertigstellen" framed last
    PixelPosition framedRed_;
    std::string areaName_;
    std::int32_t areaPriority_ = 0;

    std::optional<AreaId> editing_;
    // The areas changed since the script was last written.
    bool scriptDue_ = false;
    bool scriptFinal_ = false;
    bool areaEverConfirmed_ = false;
    std::function<void(const std::function<void()>&)> scriptWriter_;
};

} // namespace tess::areas
