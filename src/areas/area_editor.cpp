#include "areas/area_editor.h"

#include "areas/saved_areas.h"
#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/integers.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <utility>

namespace tess::areas {
namespace {

constexpr std::size_t indexOf(CursorPart part) {
    return static_cast<std::size_t>(part);
}

constexpr std::array<CursorPart, kCursorPartCount> kAllParts = {
    CursorPart::gruen, CursorPart::fg,    CursorPart::rot,   CursorPart::fr,
    CursorPart::oben,  CursorPart::unten, CursorPart::links, CursorPart::rechts};

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

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
    return pictures_[indexOf(part)];
}

const CursorPicture& AreaEditor::picture(CursorPart part) const {
    return pictures_[indexOf(part)];
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

void AreaEditor::chooseMovementMode(MovementMode mode) {
    movementMode_ = mode;
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

    const PixelRectangle rect{std::min(g.left, r.left), std::min(g.top, r.top),
                              std::max(g.left, r.left), std::max(g.top, r.top)};
    const std::int32_t width = clampToInt32(std::int64_t{rect.right} - rect.left);
    const std::int32_t height = clampToInt32(std::int64_t{rect.bottom} - rect.top);
    pictureRef(CursorPart::oben) = {{rect.left, rect.top}, width, 5, true};
    pictureRef(CursorPart::unten) = {{rect.left, rect.bottom}, width, 5, true};
    pictureRef(CursorPart::links) = {{rect.left, rect.top}, 5, height, true};
    pictureRef(CursorPart::rechts) = {{rect.right, rect.top}, 5, height, true};

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
    bounds_ = b;
    rectangle_ = rect;
    areaPanelVisible_ = true;
    return true;
}

ConfirmOutcome AreaEditor::confirmArea(const AreaPanel& panel) {
    if (!areaPanelVisible_)
        return ConfirmOutcome::panelClosed;
    if (panel.name.empty())
        return ConfirmOutcome::nameMissing;
    areaName_ = panel.name;
    // A name the game's code page cannot hold could never be written; refuse it here, while
    // it can still be changed, rather than at the end of the neighbour phase.
    encodeCp1252(areaName_);
    areaPriority_ = strToInt(panel.priorityText);

    summaryEntries_.push_back(summaryEntry(areaName_, bounds_, areaPriority_));
    const std::size_t createLinesStart = createLines_.size();
    appendLine(createLines_, createLine(areaName_, bounds_, areaPriority_));
    appendLine(createLines_, " ");
    ConfirmedArea confirmed;
    confirmed.rectangle = rectangle_;
    confirmed.green = picture(CursorPart::gruen).position;
    confirmed.red = picture(CursorPart::rot).position;
    confirmed.panel = panel;
    confirmedAreas_.push_back(std::move(confirmed));
    std::string blockEnd;
    for (const std::string& line : flagLines(panel))
        appendLine(blockEnd, line);
    for (const std::string& line : orderPositionLines(panel, bounds_))
        appendLine(blockEnd, line);
    // An area without a side queues an empty side line, so that later areas keep theirs.
    appendLine(blockEnd, sideLine(panel.side));
    appendLine(blockEnd, "");
    waiting_.push_back(
        {areaName_, std::move(blockEnd), confirmedAreas_.size() - 1, createLinesStart});
    namedByFinishedArea_.push_back(false);
    steps_.push_back(AreaStep::confirm);
    areaEverConfirmed_ = true;

    areaPanelVisible_ = false;
    parkCursor();
    finishAreaEnabled_ = false;
    newAreaEnabled_ = true;
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

void AreaEditor::openNeighbours() {
    // With the panel shown and no area waiting, "Fertig" changes nothing worth keeping.
    const bool changes = !neighbourPanelVisible_ || !waiting_.empty();
    neighbourPanelVisible_ = true;
    updateNeighbourHeading();
    checkList_.reserve(checkList_.size() + waiting_.size());
    for (const QueuedArea& area : waiting_)
        checkList_.push_back({area.name, false, area.confirmedIndex});
    if (changes) {
        steps_.push_back(AreaStep::openNeighbours);
        autosave();
    }
}

// `Label13z`: the first waiting name, or just the suffix when none is waiting.
void AreaEditor::updateNeighbourHeading() {
    neighbourHeading_ = (waiting_.empty() ? std::string() : waiting_.front().name) +
                        std::string(kNeighbourHeadingSuffix);
}

void AreaEditor::setTicked(std::size_t entry, bool ticked) {
    if (entry >= checkList_.size() || checkList_[entry].ticked == ticked)
        return;
    checkList_[entry].ticked = ticked;
    if (ticked)
        ticked_.insert(entry);
    else
        ticked_.erase(entry);
    autosave();
}

NextOutcome AreaEditor::nextArea() {
    NextOutcome outcome;
    if (!neighbourPanelVisible_)
        return outcome;
    if (waiting_.empty()) {
        if (scriptWritePending_)
            writeAreaScript(outcome);
        return outcome;
    }
    QueuedArea area = std::move(waiting_.front());
    waiting_.pop_front();
    ConfirmedArea& confirmed = confirmedAreas_[area.confirmedIndex];

    areaBlocks_ += kSetActivePrefix;
    appendLine(areaBlocks_, area.name);
    for (const std::size_t entry : ticked_) {
        areaBlocks_ += kAddNeighbourPrefix;
        appendLine(areaBlocks_, checkList_[entry].name);
        confirmed.neighbours.push_back(checkList_[entry].name);
        confirmed.neighbourEntries.push_back(entry);
        namedByFinishedArea_[checkList_[entry].area] = true;
    }
    areaBlocks_ += area.blockEnd;
    confirmed.finished = true;
    unwrittenBlocks_ = true;
    steps_.push_back(AreaStep::next);
    outcome.areaFinished = true;

    updateNeighbourHeading();
    outcome.unticked.assign(ticked_.begin(), ticked_.end());
    for (const std::size_t entry : ticked_)
        checkList_[entry].ticked = false;
    ticked_.clear();

    // Saved before the script is written, so that a failed write loses no area.
    if (waiting_.empty())
        scriptWritePending_ = true;
    autosave();
    if (waiting_.empty())
        writeAreaScript(outcome);
    return outcome;
}

void AreaEditor::writeAreaScript(NextOutcome& outcome) {
    scriptWritePending_ = true;
    const std::string path = areaScriptFile();
    writeFileAtomically(path, encodeCp1252(areaScriptText()));
    scriptWritePending_ = false;
    unwrittenBlocks_ = false;
    outcome.scriptWritten = true;
    outcome.scriptPath = path;
}

// Only an area that still waits can go: a finished one has its block in the script. As
// areas are finished first in, first out, the last confirmed area waits whenever any does.
// It stays, too, when an area already finished ticked its entry in the check list: that
// area's block names it as a neighbour, and the block is final.
bool AreaEditor::canUndo() const {
    return !waiting_.empty() && !namedByFinishedArea_[waiting_.back().confirmedIndex];
}

bool AreaEditor::undoLastArea() {
    if (!canUndo())
        return false;
    const QueuedArea area = std::move(waiting_.back());
    waiting_.pop_back();
    summaryEntries_.pop_back();
    createLines_.resize(area.createLinesStart);
    confirmedAreas_.pop_back();
    namedByFinishedArea_.pop_back();
    removeCheckEntriesOf(area.confirmedIndex);
    // Its "OK" leaves the steps; a "Fertig" after it stays, as it may have added others.
    const auto confirm = std::find(steps_.rbegin(), steps_.rend(), AreaStep::confirm);
    steps_.erase(std::next(confirm).base());

    if (waiting_.empty()) {
        // It was the current area of the neighbour phase: the heading no longer names it.
        if (neighbourPanelVisible_)
            updateNeighbourHeading();
        // The areas finished while it waited were never written, since the queue was not
        // empty; without it the phase is complete, and the next "Nächste" writes them.
        if (unwrittenBlocks_)
            scriptWritePending_ = true;
    }
    autosave();
    return true;
}

// The entries that "Fertig" copied for an undone area leave the check list, so that no later
// "Nächste" can write a neighbour line for an area that no longer exists. The entries below
// move up; ticks and the entries recorded for finished areas move with them (canUndo makes
// sure no finished area ticked one of the removed entries).
void AreaEditor::removeCheckEntriesOf(std::size_t area) {
    constexpr std::size_t kRemoved = std::numeric_limits<std::size_t>::max();
    std::vector<std::size_t> moved(checkList_.size(), kRemoved);
    std::vector<CheckEntry> kept;
    kept.reserve(checkList_.size());
    for (std::size_t i = 0; i < checkList_.size(); ++i)
        if (checkList_[i].area != area) {
            moved[i] = kept.size();
            kept.push_back(std::move(checkList_[i]));
        }
    if (kept.size() == checkList_.size())
        return;
    checkList_ = std::move(kept);
    std::set<std::size_t> ticked;
    for (const std::size_t entry : ticked_)
        if (moved[entry] != kRemoved)
            ticked.insert(moved[entry]);
    ticked_ = std::move(ticked);
    for (ConfirmedArea& confirmed : confirmedAreas_)
        for (std::size_t& entry : confirmed.neighbourEntries)
            entry = moved[entry];
}

void AreaEditor::enableAutosave(std::string programFolder) {
    autosaveFolder_ = std::move(programFolder);
}

void AreaEditor::autosave() {
    // Nothing is saved before the first "OK", so that a saved file from an earlier run stays
    // for its offer until the user starts anew.
    if (autosaveFolder_.empty() || !areaEverConfirmed_)
        return;
    try {
        if (!earlierSaveKept_) {
            keepEarlierSavedAreas(autosaveFolder_, state_.mapName);
            earlierSaveKept_ = true;
        }
        if (confirmedAreas_.empty())
            removeSavedAreas(autosaveFolder_, state_.mapName);
        else
            saveAreas(*this, autosaveFolder_, state_.mapName);
        autosaveError_.clear();
    } catch (const Error& e) {
        autosaveError_ = e.what();
    }
}

std::string AreaEditor::areaScriptText() const {
    return assembleAreaScript(createLines_, areaBlocks_);
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
        return neighbourPanelVisible_;
    case Command::undoArea:
        return canUndo();
    case Command::loadSavedAreas:
        // Saved areas replay through the same calls as the user's clicks, from the start.
        return !areaEverConfirmed_ && newAreaEnabled_;
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
