#include "areas/area_editor.h"

#include "areas/area_file.h"
#include "areas/area_names.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/integers.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace tess::areas {
namespace {

Error namesToChangeError(const std::vector<std::string>& names) {
    return Error("Diese Area-Namen kann das Spiel nicht lesen, oder sie kommen doppelt vor: " +
                 quotedNames(names) +
                 ". Bitte jede dieser Areas auswählen, \"Area bearbeiten\" und ihr einen "
                 "eigenen Namen ohne Leerzeichen geben.");
}

} // namespace

bool cornerWithinReach(PixelPosition corner) {
    const auto within = [](std::int32_t v) {
        return v >= -kCornerReach && v <= 511 + kCornerReach;
    };
    return within(corner.left) && within(corner.top);
}

std::string cornerOutOfReachMessage(PixelPosition corner) {
    return "Die Ecke (" + std::to_string(corner.left) + ", " + std::to_string(corner.top) +
           ") liegt zu weit außerhalb des Bildes: eine Ecke darf höchstens " +
           std::to_string(kCornerReach) + " Bildpunkte über seinen Rand hinaus liegen (" +
           std::to_string(-kCornerReach) + " bis " + std::to_string(511 + kCornerReach) + ")";
}

AreaEditor::AreaEditor(WizardState& state, const CursorLayout& layout)
    : state_(state), cursor_(state.areaEditMode, layout) {}

// --- Cursor ---

void AreaEditor::clickPicture(PixelPosition position) {
    if (idle()) {
        const std::optional<std::size_t> hit = set_.areaAt(position);
        set_.select(hit);
        if (hit)
            return;
    }
    cursor_.placeActiveMarker(position);
}

// --- Areas ---

AreaBounds AreaEditor::boundsOf(const PixelRectangle& rect) const {
    // The lower picture edge has the smaller Z.
    const WorldPosition topLeft =
        pixelToWorld({rect.left, rect.top}, state_.worldSize, state_.worldScale);
    const WorldPosition bottomRight =
        pixelToWorld({rect.right, rect.bottom}, state_.worldSize, state_.worldScale);
    AreaBounds b;
    b.areaMinX = topLeft.x;
    b.areaMaxX = bottomRight.x;
    b.areaMinZ = bottomRight.z;
    b.areaMaxZ = topLeft.z;
    b.areaCenterX =
        static_cast<double>(b.areaMinX) + static_cast<double>(b.areaMaxX - b.areaMinX) / 2;
    b.areaCenterZ =
        static_cast<double>(b.areaMinZ) + static_cast<double>(b.areaMaxZ - b.areaMinZ) / 2;
    return b;
}

bool AreaEditor::finishArea() {
    if (!cursor_.showBars())
        return false;
    const PixelPosition g = cursor_.position(CursorPart::gruen);
    const PixelPosition r = cursor_.position(CursorPart::rot);
    if (r.left == g.left || r.top == g.top)
        return false;
    rectangle_ = rectangleOf(g, r);
    cursor_.showFrame(rectangle_);
    bounds_ = boundsOf(rectangle_);
    framedGreen_ = g;
    framedRed_ = r;
    areaPanelVisible_ = true;
    return true;
}

bool AreaEditor::idle() const {
    return cursor_.newAreaEnabled() && !areaPanelVisible_;
}

ConfirmOutcome AreaEditor::confirmArea(const AreaPanel& panel) {
    if (!areaPanelVisible_)
        return ConfirmOutcome::panelClosed;
    if (panel.name.empty())
        return ConfirmOutcome::nameMissing;
    areaName_ = panel.name;
    set_.checkName(areaName_, editing_);
    // A name the game's code page cannot hold could never be written; refuse it here, while
    // it can still be changed, rather than at the end of the neighbour phase.
    encodeCp1252(areaName_);
    const std::int32_t priority = strToInt(panel.priorityText);
    areaPriority_ = priority;

    // A new area takes the corners that "Area fertigstellen" framed; an edited one the corners
    // as they stand now, so that a move is never lost for want of a new frame.
    PixelPosition green = framedGreen_;
    PixelPosition red = framedRed_;
    if (editing_) {
        green = cursor_.position(CursorPart::gruen);
        red = cursor_.position(CursorPart::rot);
        if (green.left == red.left || green.top == red.top)
            throw Error("Die beiden Ecken liegen in derselben Zeile oder Spalte; eine Area "
                        "braucht Breite und Höhe. Bitte eine Ecke verschieben.");
    }
    for (const PixelPosition corner : {green, red})
        if (!cornerWithinReach(corner))
            throw Error(cornerOutOfReachMessage(corner));
    const PixelRectangle rect = rectangleOf(green, red);
    const AreaBounds bounds = boundsOf(rect);
    rectangle_ = rect;
    bounds_ = bounds;

    if (editing_) {
        const ConfirmedArea& before = set_.areas()[set_.indexOf(*editing_)];
        ConfirmedArea edited = before;
        edited.rectangle = rect;
        edited.green = green;
        edited.red = red;
        edited.bounds = bounds;
        edited.panel = panel;
        edited.priority = priority;
        if (!(edited == before)) {
            HistoryStep step;
            step.kind = HistoryStep::Kind::edited;
            step.before = before;
            step.after = edited;
            history_.record(std::move(step));
            set_.applyEdit(edited);
            changed();
        }
        editing_.reset();
    } else {
        ConfirmedArea area;
        area.id = set_.newId();
        area.rectangle = rect;
        area.green = green;
        area.red = red;
        area.bounds = bounds;
        area.panel = panel;
        area.priority = priority;
        HistoryStep step;
        step.ids.push_back(area.id);
        step.outsideBefore = step.outsideAfter = set_.outside();
        history_.record(std::move(step));
        set_.append(std::move(area));
        if (!set_.current())
            set_.findCurrent(set_.areas().size() - 1);
        areaEverConfirmed_ = true;
        changed();
    }

    areaPanelVisible_ = false;
    cursor_.finishDrawing();
    autosave();
    return ConfirmOutcome::confirmed;
}

void AreaEditor::changed() {
    scriptDue_ = true;
    scriptFinal_ = false;
}

// --- Selecting, editing, deleting ---

std::optional<AreaPanel> AreaEditor::editArea() {
    if (!isEnabled(Command::editArea))
        return std::nullopt;
    const ConfirmedArea& area = set_.areas()[*set_.selectedArea()];
    editing_ = area.id;
    cursor_.editCorners(area.green, area.red, area.rectangle);
    rectangle_ = area.rectangle;
    bounds_ = area.bounds;
    areaPanelVisible_ = true;
    return area.panel;
}

bool AreaEditor::deleteArea() {
    if (!isEnabled(Command::deleteArea))
        return false;
    HistoryStep step;
    step.kind = HistoryStep::Kind::deleted;
    const AreaId selected = *set_.selectedId();
    step.ids.push_back(selected);
    step.removed = set_.takeOut({selected});
    history_.record(std::move(step));
    set_.select(std::nullopt);
    changed();
    autosave();
    return true;
}

bool AreaEditor::undo() {
    if (!isEnabled(Command::undo))
        return false;
    history_.undo(set_);
    changed();
    autosave();
    return true;
}

bool AreaEditor::redo() {
    if (!isEnabled(Command::redo))
        return false;
    history_.redo(set_);
    changed();
    autosave();
    return true;
}

// --- Areas from elsewhere ---

ImportOutcome AreaEditor::takeIn(const AreaFile& file, const std::vector<bool>* finished) {
    // Everything is checked before anything is taken in.
    std::vector<ConfirmedArea> incoming;
    incoming.reserve(file.size());
    for (std::size_t i = 0; i < file.size(); ++i) {
        const AreaDefinition& definition = file[i];
        const std::string which =
            "Area " + std::to_string(i + 1) + " (\"" + definition.panel.name + "\"): ";
        if (definition.panel.name.empty())
            throw Error("Area " + std::to_string(i + 1) + ": der Name ist leer");
        if (definition.corner1.left == definition.corner2.left ||
            definition.corner1.top == definition.corner2.top)
            throw Error(which + "die beiden Ecken liegen in derselben Zeile oder Spalte; eine "
                                "Area braucht Breite und Höhe");
        for (const PixelPosition corner : {definition.corner1, definition.corner2})
            if (!cornerWithinReach(corner))
                throw Error(which + cornerOutOfReachMessage(corner));
        ConfirmedArea area;
        try {
            encodeCp1252(definition.panel.name);
            area.priority = strToInt(definition.panel.priorityText);
        } catch (const Error& e) {
            throw Error(which + e.what());
        }
        area.green = definition.corner1;
        area.red = definition.corner2;
        area.rectangle = rectangleOf(area.green, area.red);
        area.bounds = boundsOf(area.rectangle);
        area.panel = definition.panel;
        area.extraLines = definition.extraLines;
        area.category = definition.category;
        area.levelLines = definition.levelLines;
        area.finished = finished && (*finished)[i];
        incoming.push_back(std::move(area));
    }

    const std::size_t first = set_.areas().size();
    set_.takeIn(std::move(incoming), file);
    if (!file.empty()) {
        areaEverConfirmed_ = true;
        // As after an "OK": the cursor is put away until the next new area.
        cursor_.park();
    }
    if (!set_.current())
        set_.findCurrent(first);
    changed();

    ImportOutcome outcome;
    outcome.areaCount = file.size();
    std::unordered_set<std::string> reported;
    const std::vector<ConfirmedArea>& areas = set_.areas();
    for (std::size_t i = first; i < areas.size(); ++i)
        if (set_.nameNeedsChange(i) && reported.insert(areas[i].panel.name).second)
            outcome.namesToChange.push_back(areas[i].panel.name);
    return outcome;
}

ImportOutcome AreaEditor::importAreas(const AreaFile& file) {
    if (!isEnabled(Command::importAreas))
        throw Error("Areas lassen sich nur übernehmen, während keine Area gezeichnet oder "
                    "bearbeitet wird");
    const std::vector<ConfirmedArea>& areas = set_.areas();
    const std::size_t first = areas.size();
    HistoryStep step;
    step.outsideBefore = set_.outside();
    ImportOutcome outcome = takeIn(file, nullptr);
    if (areas.size() > first || !(set_.outside() == step.outsideBefore)) {
        for (std::size_t i = first; i < areas.size(); ++i)
            step.ids.push_back(areas[i].id);
        step.outsideAfter = set_.outside();
        history_.record(std::move(step));
    }
    autosave();
    return outcome;
}

ImportOutcome AreaEditor::restoreAreas(const AreaFile& file, const std::vector<bool>& finished,
                                       bool neighbourPhase) {
    if (!isEnabled(Command::loadSavedAreas))
        throw Error("Gespeicherte Areas lassen sich nur laden, solange noch keine Area "
                    "begonnen oder bestätigt ist");
    if (finished.size() != file.size())
        throw Error("Die gespeicherten Areas passen nicht zusammen");
    ImportOutcome outcome = takeIn(file, &finished);
    set_.setNeighbourPhase(neighbourPhase && !set_.areas().empty());
    // Nothing is saved: the file holds what was just loaded.
    return outcome;
}

// --- Neighbour phase ---

bool AreaEditor::openNeighbours() {
    if (set_.areas().empty())
        return false;
    if (const auto names = set_.namesToChange(); !names.empty())
        throw namesToChangeError(names);
    const bool changes = !set_.neighbourPhase();
    set_.setNeighbourPhase(true);
    set_.findCurrent(set_.current().value_or(0));
    if (changes)
        autosave();
    return true;
}

void AreaEditor::setTicked(std::size_t entry, bool ticked) {
    if (!set_.setTicked(entry, ticked))
        return;
    changed();
    autosave();
}

NextOutcome AreaEditor::nextArea() {
    NextOutcome outcome;
    if (!set_.neighbourPhase())
        return outcome;
    if (!set_.current()) {
        if (scriptDue_ && !set_.areas().empty())
            writeAreaScript(outcome);
        return outcome;
    }
    set_.finishCurrent();
    outcome.areaFinished = true;
    changed();
    // Saved before the script is written, so that a failed write loses no area.
    autosave();
    if (!set_.current())
        writeAreaScript(outcome);
    return outcome;
}

void AreaEditor::writeAreaScript(NextOutcome& outcome) {
    if (const auto names = set_.namesToChange(); !names.empty())
        throw namesToChangeError(names);
    const std::string path = areaScriptFile();
    const auto write = [&] { writeFileAtomically(path, encodeCp1252(areaScriptText())); };
    if (scriptWriter_)
        scriptWriter_(write);
    else
        write();
    scriptDue_ = false;
    scriptFinal_ = true;
    outcome.scriptWritten = true;
    outcome.scriptPath = path;
}

bool AreaEditor::editAgain() {
    if (!isEnabled(Command::editAgain))
        return false;
    set_.walkAgain();
    scriptFinal_ = false;
    autosave();
    return true;
}

// --- Autosave ---

void AreaEditor::autosave() {
    // Nothing is saved before the first area, so that a saved file from an earlier run stays
    // for its offer until the user starts anew.
    if (areaEverConfirmed_)
        autosave_.save(*this, state_.mapName);
}

// --- What the tab shows ---

std::string AreaEditor::areaScriptFile() const {
    return areaScriptPath(state_.levelDir);
}

bool AreaEditor::isEnabled(Command command) const {
    switch (command) {
    case Command::loadPicture:
    case Command::openNeighbours:
        return true;
    case Command::newArea:
        return cursor_.newAreaEnabled();
    case Command::confirmPoint:
        return cursor_.confirmPointEnabled();
    case Command::finishArea:
        return cursor_.finishAreaEnabled();
    case Command::moveLabels:
        return cursor_.movementMode() == MovementMode::interval;
    case Command::confirmArea:
        return areaPanelVisible_;
    case Command::nextArea:
        return set_.neighbourPhase();
    case Command::undo:
        return history_.canUndo() && !scriptFinal_ && !editing_;
    case Command::redo:
        return history_.canRedo() && !scriptFinal_ && !editing_;
    case Command::editArea:
    case Command::deleteArea:
        return set_.selectedId().has_value() && idle() && !scriptFinal_;
    case Command::editAgain:
        return scriptFinal_ && idle();
    case Command::importAreas:
        return idle();
    case Command::loadSavedAreas:
        // Saved areas come into an editor that has none of its own yet.
        return !areaEverConfirmed_ && cursor_.newAreaEnabled() && !areaPanelVisible_;
    }
    return false;
}

std::optional<WorldPosition> AreaEditor::activeMarkerWorld() const {
    const auto marker = cursor_.activeMarker();
    if (!marker)
        return std::nullopt;
    return pixelToWorld(*marker, state_.worldSize, state_.worldScale);
}

std::string AreaEditor::positionText() const {
    const auto world = activeMarkerWorld();
    if (!world)
        return {};
    return "X " + std::to_string(world->x) + "  Z " + std::to_string(world->z);
}

} // namespace tess::areas
