#include "areas/area_editor.h"

#include "areas/area_block.h"
#include "areas/area_file.h"
#include "areas/area_names.h"
#include "areas/saved_areas.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/integers.h"

#include <algorithm>
#include <limits>
#include <unordered_set>
#include <utility>

namespace tess::areas {
namespace {

constexpr std::size_t pictureIndex(CursorPart part) {
    return static_cast<std::size_t>(part);
}

constexpr std::array<CursorPart, kCursorPartCount> kAllParts = {
    CursorPart::gruen, CursorPart::fg,    CursorPart::rot,   CursorPart::fr,
    CursorPart::oben,  CursorPart::unten, CursorPart::links, CursorPart::rechts};

// A flag's top-left lies this far from its marker, so that the flag stands on the point.
constexpr PixelPosition kFlagOffset{-24, -48};

// How near to an outline a click selects its area.
constexpr std::int64_t kOutlineReach = 3;

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

PixelPosition flagOf(PixelPosition marker) {
    return {clampToInt32(std::int64_t{marker.left} + kFlagOffset.left),
            clampToInt32(std::int64_t{marker.top} + kFlagOffset.top)};
}

PixelRectangle rectangleOf(PixelPosition a, PixelPosition b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.left, b.left),
            std::max(a.top, b.top)};
}

std::string quotedList(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "\"" : ", \"") + name + "\"";
    return text;
}

Error namesToChangeError(const std::vector<std::string>& names) {
    return Error("Diese Area-Namen kann das Spiel nicht lesen, oder sie kommen doppelt vor: " +
                 quotedList(names) +
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

CursorPicture startPicture(CursorPart part) {
    switch (part) {
    case CursorPart::gruen:
        return {{304, 264}, 1, 1, true};
    case CursorPart::fg:
        return {{280, 216}, 41, 49, true};
    case CursorPart::rot:
        return {{341, 264}, 1, 1, true};
    case CursorPart::fr:
        return {{317, 216}, 41, 49, true};
    case CursorPart::oben:
        return {{624, 360}, 41, 5, false};
    case CursorPart::unten:
        return {{632, 376}, 41, 5, false};
    case CursorPart::links:
        return {{656, 240}, 5, 41, false};
    case CursorPart::rechts:
        return {{672, 248}, 5, 41, false};
    }
    return {};
}

AreaEditor::AreaEditor(WizardState& state) : state_(state) {
    for (const CursorPart part : kAllParts)
        pictureRef(part) = startPicture(part);
}

CursorPicture& AreaEditor::pictureRef(CursorPart part) {
    return pictures_[pictureIndex(part)];
}

const CursorPicture& AreaEditor::picture(CursorPart part) const {
    return pictures_[pictureIndex(part)];
}

bool AreaEditor::activePair(CursorPart& marker, CursorPart& flag) const {
    if (state_.areaEditMode == 2) {
        marker = CursorPart::gruen;
        flag = CursorPart::fg;
        return true;
    }
    if (state_.areaEditMode == 1) {
        marker = CursorPart::rot;
        flag = CursorPart::fr;
        return true;
    }
    return false;
}

void AreaEditor::shift(CursorPart part, std::int64_t dx, std::int64_t dz) {
    PixelPosition& position = pictureRef(part).position;
    position.left = clampToInt32(position.left + dx);
    position.top = clampToInt32(position.top + dz);
}

// --- Cursor ---

void AreaEditor::newArea() {
    if (!newAreaEnabled_)
        return;
    pictureRef(CursorPart::gruen).visible = true;
    pictureRef(CursorPart::fg).visible = true;
    newAreaEnabled_ = false;
    confirmPointEnabled_ = true;
    state_.areaEditMode = 2;
}

void AreaEditor::confirmPoint() {
    if (!confirmPointEnabled_)
        return;
    pictureRef(CursorPart::rot).visible = true;
    pictureRef(CursorPart::fr).visible = true;
    state_.areaEditMode = 1;
    finishAreaEnabled_ = true;
    confirmPointEnabled_ = false;
}

void AreaEditor::move(Direction direction, std::string_view stepText) {
    CursorPart marker{};
    CursorPart flag{};
    if (!activePair(marker, flag))
        return;
    const auto apply = [direction, this](CursorPart part, std::int64_t step) {
        switch (direction) {
        case Direction::left:
            shift(part, -step, 0);
            break;
        case Direction::right:
            shift(part, step, 0);
            break;
        case Direction::up:
            shift(part, 0, -step);
            break;
        case Direction::down:
            shift(part, 0, step);
            break;
        }
    };
    apply(marker, strToInt(stepText));
    // The flag takes the step from the field once more, as the marker did.
    apply(flag, strToInt(stepText));
}

void AreaEditor::placeActiveMarker(PixelPosition position) {
    CursorPart marker{};
    CursorPart flag{};
    if (!activePair(marker, flag))
        return;
    const PixelPosition from = picture(marker).position;
    pictureRef(marker).position = position;
    shift(flag, std::int64_t{position.left} - from.left, std::int64_t{position.top} - from.top);
}

void AreaEditor::clickPicture(PixelPosition position) {
    if (idle()) {
        // Outlines first, then the smallest area around the click.
        std::optional<std::size_t> best;
        bool bestOnOutline = false;
        std::int64_t bestSize = 0;
        const std::int64_t x = position.left;
        const std::int64_t y = position.top;
        for (std::size_t i = 0; i < areas_.size(); ++i) {
            const PixelRectangle& r = areas_[i].rectangle;
            if (x < r.left - kOutlineReach || x > r.right + kOutlineReach ||
                y < r.top - kOutlineReach || y > r.bottom + kOutlineReach)
                continue;
            const bool inner = x > r.left + kOutlineReach && x < r.right - kOutlineReach &&
                               y > r.top + kOutlineReach && y < r.bottom - kOutlineReach;
            const bool onOutline = !inner;
            const std::int64_t size =
                (std::int64_t{r.right} - r.left) * (std::int64_t{r.bottom} - r.top);
            if (!best || (onOutline && !bestOnOutline) ||
                (onOutline == bestOnOutline && size < bestSize)) {
                best = i;
                bestOnOutline = onOutline;
                bestSize = size;
            }
        }
        if (best) {
            selected_ = areas_[*best].id;
            return;
        }
        selected_.reset();
    }
    placeActiveMarker(position);
}

void AreaEditor::chooseMovementMode(MovementMode mode) {
    movementMode_ = mode;
}

// --- Areas ---

void AreaEditor::showFrame(const PixelRectangle& rect) {
    const std::int32_t width = clampToInt32(std::int64_t{rect.right} - rect.left);
    const std::int32_t height = clampToInt32(std::int64_t{rect.bottom} - rect.top);
    pictureRef(CursorPart::oben) = {{rect.left, rect.top}, width, 5, true};
    pictureRef(CursorPart::unten) = {{rect.left, rect.bottom}, width, 5, true};
    pictureRef(CursorPart::links) = {{rect.left, rect.top}, 5, height, true};
    pictureRef(CursorPart::rechts) = {{rect.right, rect.top}, 5, height, true};
}

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
    if (!finishAreaEnabled_)
        return false;
    for (const CursorPart bar :
         {CursorPart::oben, CursorPart::unten, CursorPart::links, CursorPart::rechts})
        pictureRef(bar).visible = true;
    const PixelPosition g = picture(CursorPart::gruen).position;
    const PixelPosition r = picture(CursorPart::rot).position;
    if (r.left == g.left || r.top == g.top)
        return false;
    rectangle_ = rectangleOf(g, r);
    showFrame(rectangle_);
    bounds_ = boundsOf(rectangle_);
    framedGreen_ = g;
    framedRed_ = r;
    areaPanelVisible_ = true;
    return true;
}

bool AreaEditor::idle() const {
    return newAreaEnabled_ && !areaPanelVisible_;
}

void AreaEditor::checkName(const std::string& name, std::optional<AreaId> self) const {
    if (const auto problem = areaNameProblem(name))
        throw Error(areaNameMessage(name, *problem));
    const auto count = nameCounts_.find(name);
    std::size_t others = count == nameCounts_.end() ? 0 : count->second;
    if (self && areas_[indexOf(*self)].panel.name == name)
        --others;
    if (others > 0)
        throw Error(duplicateAreaNameMessage(name));
}

std::size_t AreaEditor::indexOf(AreaId id) const {
    return indexOfId_.at(id);
}

ConfirmOutcome AreaEditor::confirmArea(const AreaPanel& panel) {
    if (!areaPanelVisible_)
        return ConfirmOutcome::panelClosed;
    if (panel.name.empty())
        return ConfirmOutcome::nameMissing;
    areaName_ = panel.name;
    checkName(areaName_, editing_);
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
        green = picture(CursorPart::gruen).position;
        red = picture(CursorPart::rot).position;
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
        const std::size_t index = indexOf(*editing_);
        ConfirmedArea edited = areas_[index];
        edited.rectangle = rect;
        edited.green = green;
        edited.red = red;
        edited.bounds = bounds;
        edited.panel = panel;
        edited.priority = priority;
        if (!(edited == areas_[index])) {
            HistoryStep step;
            step.kind = HistoryStep::Kind::edited;
            step.before = areas_[index];
            step.after = edited;
            record(std::move(step));
            applyEdit(edited);
            changed();
        }
        editing_.reset();
    } else {
        ConfirmedArea area;
        area.id = nextId_++;
        area.rectangle = rect;
        area.green = green;
        area.red = red;
        area.bounds = bounds;
        area.panel = panel;
        area.priority = priority;
        HistoryStep step;
        step.ids.push_back(area.id);
        step.outsideBefore = step.outsideAfter = outside_;
        record(std::move(step));
        appendArea(std::move(area));
        if (!current_)
            findCurrent(areas_.size() - 1);
        areaEverConfirmed_ = true;
        changed();
    }

    areaPanelVisible_ = false;
    parkCursor();
    finishAreaEnabled_ = false;
    confirmPointEnabled_ = false;
    newAreaEnabled_ = true;
    state_.areaEditMode = 1;
    autosave();
    return ConfirmOutcome::confirmed;
}

void AreaEditor::parkCursor() {
    for (const CursorPart part : kAllParts) {
        CursorPicture& p = pictureRef(part);
        p.position = startPicture(part).position;
        p.visible = false;
    }
}

void AreaEditor::appendArea(ConfirmedArea area) {
    indexOfId_[area.id] = areas_.size();
    ++nameCounts_[area.panel.name];
    summaryEntries_.push_back(summaryEntry(area.panel.name, area.bounds, area.priority));
    checkList_.push_back({area.panel.name, false});
    areas_.push_back(std::move(area));
}

// After areas left, came back or were renamed: every list drawn from them anew.
void AreaEditor::rebuildViews() {
    indexOfId_.clear();
    nameCounts_.clear();
    summaryEntries_.clear();
    checkList_.clear();
    summaryEntries_.reserve(areas_.size());
    checkList_.reserve(areas_.size());
    for (std::size_t i = 0; i < areas_.size(); ++i) {
        const ConfirmedArea& area = areas_[i];
        indexOfId_[area.id] = i;
        ++nameCounts_[area.panel.name];
        summaryEntries_.push_back(summaryEntry(area.panel.name, area.bounds, area.priority));
        checkList_.push_back({area.panel.name, false});
    }
    if (selected_ && !indexOfId_.contains(*selected_))
        selected_.reset();
    current_.reset();
    findCurrent(0);
}

// The current area: the first one not yet walked from `from` on, else from the start.
void AreaEditor::findCurrent(std::size_t from) {
    if (current_)
        for (const AreaId neighbour : areas_[*current_].neighbours)
            checkList_[indexOf(neighbour)].ticked = false;
    current_.reset();
    for (std::size_t pass = 0; pass < 2 && !current_; ++pass) {
        const std::size_t begin = pass == 0 ? from : 0;
        const std::size_t end = pass == 0 ? areas_.size() : std::min(from, areas_.size());
        for (std::size_t i = begin; i < end; ++i)
            if (!areas_[i].finished) {
                current_ = i;
                break;
            }
    }
    if (current_)
        for (const AreaId neighbour : areas_[*current_].neighbours)
            checkList_[indexOf(neighbour)].ticked = true;
    updateNeighbourHeading();
}

// `Label13z`: the current area's name, or just the suffix when none is left; "Area" until the
// panel is first shown.
void AreaEditor::updateNeighbourHeading() {
    if (!neighbourPhase_)
        return;
    neighbourHeading_ = (current_ ? areas_[*current_].panel.name : std::string()) +
                        std::string(kNeighbourHeadingSuffix);
}

void AreaEditor::changed() {
    scriptDue_ = true;
    scriptFinal_ = false;
}

// --- Selecting, editing, deleting ---

void AreaEditor::selectArea(std::optional<std::size_t> index) {
    if (index && *index < areas_.size())
        selected_ = areas_[*index].id;
    else
        selected_.reset();
}

std::optional<std::size_t> AreaEditor::selectedArea() const {
    if (!selected_)
        return std::nullopt;
    return indexOf(*selected_);
}

std::optional<AreaPanel> AreaEditor::editArea() {
    if (!isEnabled(Command::editArea))
        return std::nullopt;
    const ConfirmedArea& area = areas_[indexOf(*selected_)];
    editing_ = area.id;
    pictureRef(CursorPart::gruen) = {area.green, 1, 1, true};
    pictureRef(CursorPart::fg) = {flagOf(area.green), 41, 49, true};
    pictureRef(CursorPart::rot) = {area.red, 1, 1, true};
    pictureRef(CursorPart::fr) = {flagOf(area.red), 41, 49, true};
    showFrame(area.rectangle);
    rectangle_ = area.rectangle;
    bounds_ = area.bounds;
    // As when drawing: the green corner moves first, "Aktuellen Punkt bestätigen" hands over
    // to the red one, and "Area fertigstellen" frames the rectangle anew.
    state_.areaEditMode = 2;
    newAreaEnabled_ = false;
    confirmPointEnabled_ = true;
    finishAreaEnabled_ = true;
    areaPanelVisible_ = true;
    return area.panel;
}

std::vector<std::string> AreaEditor::areasNamingSelected() const {
    std::vector<std::string> names;
    if (!selected_)
        return names;
    for (const ConfirmedArea& area : areas_)
        if (area.id != *selected_ && std::find(area.neighbours.begin(), area.neighbours.end(),
                                               *selected_) != area.neighbours.end())
            names.push_back(area.panel.name);
    return names;
}

// Takes the areas out of the list and out of every neighbour list, keeping what puts them
// back.
AreaEditor::Removed AreaEditor::takeOut(const std::unordered_set<AreaId>& ids) {
    if (current_)
        for (const AreaId neighbour : areas_[*current_].neighbours)
            checkList_[indexOf(neighbour)].ticked = false;
    current_.reset();
    Removed removed;
    for (ConfirmedArea& area : areas_) {
        auto& list = area.neighbours;
        for (std::size_t n = 0; n < list.size();) {
            if (ids.contains(list[n])) {
                removed.ticks.push_back({area.id, n, list[n]});
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(n));
            } else {
                ++n;
            }
        }
    }
    for (std::size_t i = 0; i < areas_.size(); ++i)
        if (ids.contains(areas_[i].id))
            removed.areas.emplace_back(i, std::move(areas_[i]));
    std::erase_if(areas_, [&](const ConfirmedArea& area) { return ids.contains(area.id); });
    rebuildViews();
    return removed;
}

void AreaEditor::putBack(Removed removed) {
    for (auto& [index, area] : removed.areas)
        areas_.insert(areas_.begin() + static_cast<std::ptrdiff_t>(std::min(index, areas_.size())),
                      std::move(area));
    rebuildViews();
    // Back into the neighbour lists they were taken from, in reverse order of taking.
    for (auto it = removed.ticks.rbegin(); it != removed.ticks.rend(); ++it) {
        auto& list = areas_[indexOf(it->holder)].neighbours;
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(std::min(it->position, list.size())),
                    it->named);
    }
    rebuildViews();
}

// A new step: whatever was undone before it cannot be done again.
void AreaEditor::record(HistoryStep step) {
    history_.resize(done_);
    history_.push_back(std::move(step));
    done_ = history_.size();
}

// The area takes the edited values; its ticks and its walked state stay as they are now.
void AreaEditor::applyEdit(const ConfirmedArea& to) {
    ConfirmedArea& area = areas_[indexOf(to.id)];
    std::vector<AreaId> neighbours = std::move(area.neighbours);
    const bool finished = area.finished;
    area = to;
    area.neighbours = std::move(neighbours);
    area.finished = finished;
    rebuildViews();
}

bool AreaEditor::deleteArea() {
    if (!isEnabled(Command::deleteArea))
        return false;
    HistoryStep step;
    step.kind = HistoryStep::Kind::deleted;
    step.ids.push_back(*selected_);
    step.removed = takeOut({*selected_});
    record(std::move(step));
    selected_.reset();
    changed();
    autosave();
    return true;
}

bool AreaEditor::undo() {
    if (!isEnabled(Command::undo))
        return false;
    HistoryStep& step = history_[--done_];
    switch (step.kind) {
    case HistoryStep::Kind::added:
        step.removed = takeOut({step.ids.begin(), step.ids.end()});
        outside_ = step.outsideBefore;
        break;
    case HistoryStep::Kind::edited:
        applyEdit(step.before);
        break;
    case HistoryStep::Kind::deleted:
        putBack(std::exchange(step.removed, {}));
        break;
    }
    changed();
    autosave();
    return true;
}

bool AreaEditor::redo() {
    if (!isEnabled(Command::redo))
        return false;
    HistoryStep& step = history_[done_++];
    switch (step.kind) {
    case HistoryStep::Kind::added:
        putBack(std::exchange(step.removed, {}));
        outside_ = step.outsideAfter;
        break;
    case HistoryStep::Kind::edited:
        applyEdit(step.after);
        break;
    case HistoryStep::Kind::deleted:
        step.removed = takeOut({step.ids.begin(), step.ids.end()});
        break;
    }
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
        area.id = nextId_ + i;
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

    // Neighbours by name, among the areas already here and those coming in; a name used twice
    // ticks both. A neighbour that is no area is kept as the line it was.
    std::unordered_map<std::string, std::vector<AreaId>> byName;
    for (const ConfirmedArea& area : areas_)
        byName[area.panel.name].push_back(area.id);
    for (const ConfirmedArea& area : incoming)
        byName[area.panel.name].push_back(area.id);
    for (std::size_t i = 0; i < file.size(); ++i) {
        std::unordered_set<AreaId> seen;
        for (const std::string& name : file[i].neighbours) {
            const auto found = byName.find(name);
            if (found == byName.end()) {
                incoming[i].extraLines.push_back(std::string(kAddNeighbourPrefix) + name);
                continue;
            }
            for (const AreaId id : found->second)
                if (seen.insert(id).second)
                    incoming[i].neighbours.push_back(id);
        }
    }

    nextId_ += file.size();
    // A condition taken in closes inside those already there.
    outside_.before.insert(outside_.before.end(), file.outside.before.begin(),
                           file.outside.before.end());
    outside_.between.insert(outside_.between.end(), file.outside.between.begin(),
                            file.outside.between.end());
    outside_.after.insert(outside_.after.begin(), file.outside.after.begin(),
                          file.outside.after.end());
    const std::size_t first = areas_.size();
    areas_.reserve(areas_.size() + incoming.size());
    summaryEntries_.reserve(areas_.size() + incoming.size());
    checkList_.reserve(areas_.size() + incoming.size());
    for (ConfirmedArea& area : incoming)
        appendArea(std::move(area));
    if (!file.empty()) {
        areaEverConfirmed_ = true;
        // As after an "OK": the cursor is put away until the next new area.
        parkCursor();
    }
    if (!current_)
        findCurrent(first);
    changed();

    ImportOutcome outcome;
    outcome.areaCount = file.size();
    std::unordered_set<std::string> reported;
    for (std::size_t i = first; i < areas_.size(); ++i)
        if (nameNeedsChange(i) && reported.insert(areas_[i].panel.name).second)
            outcome.namesToChange.push_back(areas_[i].panel.name);
    return outcome;
}

ImportOutcome AreaEditor::importAreas(const AreaFile& file) {
    if (!isEnabled(Command::importAreas))
        throw Error("Areas lassen sich nur übernehmen, während keine Area gezeichnet oder "
                    "bearbeitet wird");
    const std::size_t first = areas_.size();
    HistoryStep step;
    step.outsideBefore = outside_;
    ImportOutcome outcome = takeIn(file, nullptr);
    if (areas_.size() > first || !(outside_ == step.outsideBefore)) {
        for (std::size_t i = first; i < areas_.size(); ++i)
            step.ids.push_back(areas_[i].id);
        step.outsideAfter = outside_;
        record(std::move(step));
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
    neighbourPhase_ = neighbourPhase && !areas_.empty();
    updateNeighbourHeading();
    // Nothing is saved: the file holds what was just loaded.
    return outcome;
}

// --- Neighbour phase ---

bool AreaEditor::nameNeedsChange(std::size_t index) const {
    const std::string& name = areas_[index].panel.name;
    if (areaNameProblem(name))
        return true;
    const auto count = nameCounts_.find(name);
    return count != nameCounts_.end() && count->second > 1;
}

std::vector<std::string> AreaEditor::namesToChange() const {
    std::vector<std::string> names;
    std::unordered_set<std::string_view> reported;
    for (std::size_t i = 0; i < areas_.size(); ++i)
        if (nameNeedsChange(i) && reported.insert(areas_[i].panel.name).second)
            names.push_back(areas_[i].panel.name);
    return names;
}

bool AreaEditor::openNeighbours() {
    if (areas_.empty())
        return false;
    if (const auto names = namesToChange(); !names.empty())
        throw namesToChangeError(names);
    const bool changes = !neighbourPhase_;
    neighbourPhase_ = true;
    findCurrent(current_.value_or(0));
    if (changes)
        autosave();
    return true;
}

void AreaEditor::setTicked(std::size_t entry, bool ticked) {
    if (!neighbourPhase_ || !current_ || entry >= checkList_.size() ||
        checkList_[entry].ticked == ticked)
        return;
    checkList_[entry].ticked = ticked;
    const AreaId id = areas_[entry].id;
    auto& list = areas_[*current_].neighbours;
    if (ticked) {
        // In the order of the list, as far as the earlier ticks allow.
        const auto at = std::find_if(list.begin(), list.end(),
                                     [&](AreaId other) { return indexOf(other) > entry; });
        list.insert(at, id);
    } else {
        std::erase(list, id);
    }
    changed();
    autosave();
}

NextOutcome AreaEditor::nextArea() {
    NextOutcome outcome;
    if (!neighbourPhase_)
        return outcome;
    if (!current_) {
        if (scriptDue_ && !areas_.empty())
            writeAreaScript(outcome);
        return outcome;
    }
    const std::size_t done = *current_;
    areas_[done].finished = true;
    findCurrent(done + 1);
    outcome.areaFinished = true;
    changed();
    // Saved before the script is written, so that a failed write loses no area.
    autosave();
    if (!current_)
        writeAreaScript(outcome);
    return outcome;
}

void AreaEditor::writeAreaScript(NextOutcome& outcome) {
    if (const auto names = namesToChange(); !names.empty())
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
    neighbourPhase_ = false;
    for (ConfirmedArea& area : areas_)
        area.finished = false;
    scriptFinal_ = false;
    current_.reset();
    findCurrent(0);
    autosave();
    return true;
}

// --- Autosave ---

void AreaEditor::enableAutosave(std::string programFolder) {
    autosaveFolder_ = std::move(programFolder);
}

void AreaEditor::autosave() {
    // Nothing is saved before the first area, so that a saved file from an earlier run stays
    // for its offer until the user starts anew.
    if (autosaveFolder_.empty() || !areaEverConfirmed_)
        return;
    try {
        if (!earlierSaveKept_) {
            keptEarlierFile_ = keepEarlierSavedAreas(autosaveFolder_, state_.mapName);
            earlierSaveKept_ = true;
        }
        if (areas_.empty())
            removeSavedAreas(autosaveFolder_, state_.mapName);
        else
            saveAreas(*this, autosaveFolder_, state_.mapName);
        autosaveError_.clear();
    } catch (const Error& e) {
        autosaveError_ = e.what();
    }
}

// --- What the tab shows ---

std::vector<std::string> AreaEditor::neighbourNames(const ConfirmedArea& area) const {
    std::vector<std::string> names;
    names.reserve(area.neighbours.size());
    for (const AreaId id : area.neighbours)
        names.push_back(areas_[indexOf(id)].panel.name);
    return names;
}

std::size_t AreaEditor::waitingCount() const {
    return static_cast<std::size_t>(std::count_if(
        areas_.begin(), areas_.end(), [](const ConfirmedArea& area) { return !area.finished; }));
}

// A block taken over from a level is written as the level has it while sorting its lines
// again gives what the area holds now: an edit or a renamed neighbour ends that.
bool AreaEditor::levelBlockHolds(const ConfirmedArea& area,
                                 const std::vector<std::string>& neighbours) const {
    const SortedBlock sorted =
        sortBlockLines(*area.levelLines, area.bounds.areaCenterX - 10, area.bounds.areaCenterZ - 10,
                       [this](const std::string& name) { return nameCounts_.contains(name); });
    const AreaPanel& panel = area.panel;
    return sorted.flags == panel.flags && sorted.leicht == panel.leicht &&
           sorted.schwer == panel.schwer && sorted.side == panel.side &&
           sorted.neighbours == neighbours && sorted.extraLines == area.extraLines;
}

std::string AreaEditor::areaScriptText() const {
    std::string createLines;
    std::string blocks;
    for (const ConfirmedArea& area : areas_) {
        appendLine(createLines,
                   createLine(area.panel.name, area.bounds, area.priority, area.category));
        appendLine(createLines, " ");
        blocks += kSetActivePrefix;
        appendLine(blocks, area.panel.name);
        const std::vector<std::string> neighbours = neighbourNames(area);
        if (area.levelLines && levelBlockHolds(area, neighbours)) {
            for (const std::string& line : *area.levelLines)
                appendLine(blocks, line);
        } else {
            for (const std::string& line :
                 drawnBlockLines(area.panel, area.bounds, neighbours, area.extraLines))
                appendLine(blocks, line);
        }
        appendLine(blocks, "");
    }
    return assembleAreaScript(outside_, createLines, blocks);
}

std::string AreaEditor::areaScriptFile() const {
    return areaScriptPath(state_.levelDir);
}

bool AreaEditor::isEnabled(Command command) const {
    switch (command) {
    case Command::loadPicture:
    case Command::openNeighbours:
        return true;
    case Command::newArea:
        return newAreaEnabled_;
    case Command::confirmPoint:
        return confirmPointEnabled_;
    case Command::finishArea:
        return finishAreaEnabled_;
    case Command::moveLabels:
        return movementMode_ == MovementMode::interval;
    case Command::confirmArea:
        return areaPanelVisible_;
    case Command::nextArea:
        return neighbourPhase_;
    case Command::undo:
        return done_ > 0 && !scriptFinal_ && !editing_;
    case Command::redo:
        return done_ < history_.size() && !scriptFinal_ && !editing_;
    case Command::editArea:
    case Command::deleteArea:
        return selected_.has_value() && idle() && !scriptFinal_;
    case Command::editAgain:
        return scriptFinal_ && idle();
    case Command::importAreas:
        return idle();
    case Command::loadSavedAreas:
        // Saved areas come into an editor that has none of its own yet.
        return !areaEverConfirmed_ && newAreaEnabled_ && !areaPanelVisible_;
    }
    return false;
}

std::optional<WorldPosition> AreaEditor::activeMarkerWorld() const {
    CursorPart marker{};
    CursorPart flag{};
    if (!activePair(marker, flag))
        return std::nullopt;
    return pixelToWorld(picture(marker).position, state_.worldSize, state_.worldScale);
}

std::string AreaEditor::positionText() const {
    const auto world = activeMarkerWorld();
    if (!world)
        return {};
    return "X " + std::to_string(world->x) + "  Z " + std::to_string(world->z);
}

} // namespace tess::areas
