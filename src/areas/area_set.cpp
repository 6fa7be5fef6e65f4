#include "areas/area_set.h"

#include "areas/area_block.h"
#include "areas/area_file.h"
#include "areas/area_names.h"
#include "core/error.h"

#include <algorithm>

namespace tess::areas {
namespace {

// How near to an outline a click selects its area.
constexpr std::int64_t kOutlineReach = 3;

} // namespace

std::size_t AreaSet::indexOf(AreaId id) const {
    return indexOfId_.at(id);
}

// --- Adding, taking out, editing ---

void AreaSet::append(ConfirmedArea area) {
    indexOfId_[area.id] = areas_.size();
    ++nameCounts_[area.panel.name];
    summaryEntries_.push_back(summaryEntry(area.panel.name, area.bounds, area.priority));
    checkList_.push_back({area.panel.name, false});
    areas_.push_back(std::move(area));
}

void AreaSet::takeIn(std::vector<ConfirmedArea> incoming, const AreaFile& file) {
    for (ConfirmedArea& area : incoming)
        area.id = newId();
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

    // A condition taken in closes inside those already there.
    outside_.before.insert(outside_.before.end(), file.outside.before.begin(),
                           file.outside.before.end());
    outside_.between.insert(outside_.between.end(), file.outside.between.begin(),
                            file.outside.between.end());
    outside_.after.insert(outside_.after.begin(), file.outside.after.begin(),
                          file.outside.after.end());
    areas_.reserve(areas_.size() + incoming.size());
    summaryEntries_.reserve(areas_.size() + incoming.size());
    checkList_.reserve(areas_.size() + incoming.size());
    for (ConfirmedArea& area : incoming)
        append(std::move(area));
}

// After areas left, came back or were renamed: every list drawn from them anew.
void AreaSet::rebuildViews() {
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

AreaSet::Removed AreaSet::takeOut(const std::unordered_set<AreaId>& ids) {
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

void AreaSet::putBack(Removed removed) {
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

void AreaSet::applyEdit(const ConfirmedArea& to) {
    ConfirmedArea& area = areas_[indexOf(to.id)];
    std::vector<AreaId> neighbours = std::move(area.neighbours);
    const bool finished = area.finished;
    area = to;
    area.neighbours = std::move(neighbours);
    area.finished = finished;
    rebuildViews();
}

// --- Names ---

void AreaSet::checkName(const std::string& name, std::optional<AreaId> self) const {
    if (const auto problem = areaNameProblem(name))
        throw Error(areaNameMessage(name, *problem));
    const auto count = nameCounts_.find(name);
    std::size_t others = count == nameCounts_.end() ? 0 : count->second;
    if (self && areas_[indexOf(*self)].panel.name == name)
        --others;
    if (others > 0)
        throw Error(duplicateAreaNameMessage(name));
}

bool AreaSet::nameNeedsChange(std::size_t index) const {
    const std::string& name = areas_[index].panel.name;
    if (areaNameProblem(name))
        return true;
    const auto count = nameCounts_.find(name);
    return count != nameCounts_.end() && count->second > 1;
}

std::vector<std::string> AreaSet::namesToChange() const {
    std::vector<std::string> names;
    std::unordered_set<std::string_view> reported;
    for (std::size_t i = 0; i < areas_.size(); ++i)
        if (nameNeedsChange(i) && reported.insert(areas_[i].panel.name).second)
            names.push_back(areas_[i].panel.name);
    return names;
}

std::vector<std::string> AreaSet::neighbourNames(const ConfirmedArea& area) const {
    std::vector<std::string> names;
    names.reserve(area.neighbours.size());
    for (const AreaId id : area.neighbours)
        names.push_back(areas_[indexOf(id)].panel.name);
    return names;
}

// --- Selection ---

void AreaSet::select(std::optional<std::size_t> index) {
    if (index && *index < areas_.size())
        selected_ = areas_[*index].id;
    else
        selected_.reset();
}

std::optional<std::size_t> AreaSet::selectedArea() const {
    if (!selected_)
        return std::nullopt;
    return indexOf(*selected_);
}

std::optional<std::size_t> AreaSet::areaAt(PixelPosition position) const {
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
    return best;
}

std::vector<std::string> AreaSet::areasNamingSelected() const {
    std::vector<std::string> names;
    if (!selected_)
        return names;
    for (const ConfirmedArea& area : areas_)
        if (area.id != *selected_ && std::find(area.neighbours.begin(), area.neighbours.end(),
                                               *selected_) != area.neighbours.end())
            names.push_back(area.panel.name);
    return names;
}

// --- Neighbour phase ---

void AreaSet::setNeighbourPhase(bool open) {
    neighbourPhase_ = open;
    updateNeighbourHeading();
}

void AreaSet::findCurrent(std::size_t from) {
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
void AreaSet::updateNeighbourHeading() {
    if (!neighbourPhase_)
        return;
    neighbourHeading_ = (current_ ? areas_[*current_].panel.name : std::string()) +
                        std::string(kNeighbourHeadingSuffix);
}

bool AreaSet::setTicked(std::size_t entry, bool ticked) {
    if (!neighbourPhase_ || !current_ || entry >= checkList_.size() ||
        checkList_[entry].ticked == ticked)
        return false;
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
    return true;
}

void AreaSet::finishCurrent() {
    const std::size_t done = *current_;
    areas_[done].finished = true;
    findCurrent(done + 1);
}

void AreaSet::walkAgain() {
    neighbourPhase_ = false;
    for (ConfirmedArea& area : areas_)
        area.finished = false;
    current_.reset();
    findCurrent(0);
}

std::size_t AreaSet::waitingCount() const {
    return static_cast<std::size_t>(std::count_if(
        areas_.begin(), areas_.end(), [](const ConfirmedArea& area) { return !area.finished; }));
}

// --- The area script ---

// A block taken over from a level is written as the level has it while sorting its lines
// again gives what the area holds now: an edit or a renamed neighbour ends that.
bool AreaSet::levelBlockHolds(const ConfirmedArea& area,
                              const std::vector<std::string>& neighbours) const {
    const SortedBlock sorted =
        sortBlockLines(*area.levelLines, area.bounds.areaCenterX - 10, area.bounds.areaCenterZ - 10,
                       [this](const std::string& name) { return nameCounts_.contains(name); });
    const AreaPanel& panel = area.panel;
    return sorted.flags == panel.flags && sorted.leicht == panel.leicht &&
           sorted.schwer == panel.schwer && sorted.side == panel.side &&
           sorted.neighbours == neighbours && sorted.extraLines == area.extraLines;
}

std::string AreaSet::scriptText() const {
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

} // namespace tess::areas
