#include "pathmaps/grid_edit.h"

#include "core/error.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

namespace tess::pathmaps {
namespace {

// The saved state lies in steps that were thrown away: nothing leads back to it.
constexpr std::size_t kUnreachable = std::numeric_limits<std::size_t>::max();

CellRect cellRect(std::int32_t x1, std::int32_t z1, std::int32_t x2, std::int32_t z2) {
    return {std::min(x1, x2), std::min(z1, z2), std::abs(x2 - x1) + 1, std::abs(z2 - z1) + 1};
}

// The part of the rectangle that lies on the grid.
CellRect onGrid(const CellRect& r, const Grid& grid) {
    const std::int64_t left = std::max<std::int64_t>(r.x, 0);
    const std::int64_t bottom = std::max<std::int64_t>(r.z, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{r.x} + r.width, grid.width);
    const std::int64_t top = std::min<std::int64_t>(std::int64_t{r.z} + r.height, grid.height);
    if (left >= right || bottom >= top)
        return {};
    return {static_cast<std::int32_t>(left), static_cast<std::int32_t>(bottom),
            static_cast<std::int32_t>(right - left), static_cast<std::int32_t>(top - bottom)};
}

} // namespace

CellRect CellRect::united(const CellRect& other) const {
    if (other.empty())
        return *this;
    if (empty())
        return other;
    const std::int32_t left = std::min(x, other.x);
    const std::int32_t bottom = std::min(z, other.z);
    const std::int32_t right = std::max(x + width, other.x + other.width);
    const std::int32_t top = std::max(z + height, other.z + other.height);
    return {left, bottom, right - left, top - bottom};
}

GridEdit::GridEdit(Grid grid) : grid_(std::move(grid)) {
    if (grid_.kind != Kind::regions)
        for (std::uint8_t& cell : grid_.cells)
            cell = cell == kPassable ? kPassable : kBlocked;
    saved_ = grid_.cells;
    blocked_ = countBlocked(grid_);
}

void GridEdit::set(std::size_t index) {
    const std::uint8_t value = wanted_ == nullptr               ? value_
                               : (*wanted_)[index] == kPassable ? kPassable
                                                                : kBlocked;
    if (grid_.cells[index] == value)
        return;
    turnOver(index);
    stroke_.cells.push_back(static_cast<std::uint32_t>(index));
    const auto x = static_cast<std::int32_t>(index % static_cast<std::size_t>(grid_.width));
    const auto z = static_cast<std::int32_t>(index / static_cast<std::size_t>(grid_.width));
    stroke_.bounds = stroke_.bounds.united({x, z, 1, 1});
}

void GridEdit::turnOver(std::size_t index) {
    std::uint8_t& cell = grid_.cells[index];
    cell ^= 1;
    if (cell == kBlocked)
        ++blocked_;
    else
        --blocked_;
}

void GridEdit::beginStroke(bool block) {
    if (inStroke_)
        endStroke();
    if (grid_.kind == Kind::regions)
        return;
    inStroke_ = true;
    value_ = block ? kBlocked : kPassable;
    wanted_ = nullptr;
    stroke_ = Step{};
}

void GridEdit::beginStroke(const std::vector<std::uint8_t>& wanted) {
    if (wanted.size() != grid_.cells.size())
        throw Error("Das Gelände passt nicht zur Pathmap: " + std::to_string(wanted.size()) +
                    " statt " + std::to_string(grid_.cells.size()) + " Felder");
    beginStroke(true);
    if (inStroke_)
        wanted_ = &wanted;
}

const std::vector<std::int32_t>& GridEdit::spans(std::int32_t size) {
    if (size == spansSize_)
        return spans_;
    spansSize_ = size;
    spans_.clear();
    // The brush's centre relative to the cell's corner: the cell's centre for an odd size,
    // its corner for an even one. A cell counts when its centre lies within half the size.
    const double centre = size % 2 == 1 ? 0.5 : 0.0;
    const double radius = size / 2.0;
    const std::int32_t reach = size / 2 + 1;
    for (std::int32_t dz = -reach; dz <= reach; ++dz) {
        std::int32_t first = reach + 1;
        std::int32_t last = -reach - 1;
        for (std::int32_t dx = -reach; dx <= reach; ++dx) {
            const double ex = dx + 0.5 - centre;
            const double ez = dz + 0.5 - centre;
            if (ex * ex + ez * ez <= radius * radius) {
                first = std::min(first, dx);
                last = std::max(last, dx);
            }
        }
        if (first <= last)
            spans_.insert(spans_.end(), {dz, first, last});
    }
    return spans_;
}

void GridEdit::dab(std::int32_t x, std::int32_t z, std::int32_t size) {
    if (!inStroke_)
        return;
    size = std::clamp(size, kSmallestBrush, kLargestBrush);
    const std::vector<std::int32_t>& brush = spans(size);
    for (std::size_t i = 0; i + 2 < brush.size(); i += 3) {
        const std::int64_t row = std::int64_t{z} + brush[i];
        if (row < 0 || row >= grid_.height)
            continue;
        const std::int64_t first = std::max<std::int64_t>(std::int64_t{x} + brush[i + 1], 0);
        const std::int64_t last =
            std::min<std::int64_t>(std::int64_t{x} + brush[i + 2], grid_.width - 1);
        for (std::int64_t column = first; column <= last; ++column)
            set(grid_.index(static_cast<std::int32_t>(column), static_cast<std::int32_t>(row)));
    }
}

void GridEdit::drag(std::int32_t fromX, std::int32_t fromZ, std::int32_t toX, std::int32_t toZ,
                    std::int32_t size) {
    if (!inStroke_)
        return;
    size = std::clamp(size, kSmallestBrush, kLargestBrush);
    // Far off the grid a drag paints nothing; bounding it keeps the walk short.
    const auto bounded = [](std::int32_t v, std::int32_t edge) {
        return std::clamp(v, -kLargestBrush, edge + kLargestBrush);
    };
    fromX = bounded(fromX, grid_.width);
    toX = bounded(toX, grid_.width);
    fromZ = bounded(fromZ, grid_.height);
    toZ = bounded(toZ, grid_.height);
    // Along the longer axis cell by cell; a dab every quarter of the brush overlaps the last.
    const std::int32_t steps = std::max(std::abs(toX - fromX), std::abs(toZ - fromZ));
    const std::int32_t every = std::max(1, size / 4);
    for (std::int32_t i = 0; i <= steps; ++i) {
        if (i % every != 0 && i != steps)
            continue;
        const double t = steps == 0 ? 0.0 : static_cast<double>(i) / steps;
        dab(static_cast<std::int32_t>(std::lround(fromX + t * (toX - fromX))),
            static_cast<std::int32_t>(std::lround(fromZ + t * (toZ - fromZ))), size);
    }
}

void GridEdit::fillRectangle(std::int32_t x1, std::int32_t z1, std::int32_t x2, std::int32_t z2) {
    if (!inStroke_)
        return;
    const CellRect r = onGrid(cellRect(x1, z1, x2, z2), grid_);
    for (std::int32_t z = r.z; z < r.z + r.height; ++z)
        for (std::int32_t x = r.x; x < r.x + r.width; ++x)
            set(grid_.index(x, z));
}

void GridEdit::compact(Step& step) const {
    const CellRect& r = step.bounds;
    const std::size_t area = static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height);
    if (step.cells.size() * sizeof(std::uint32_t) <= (area + 7) / 8)
        return;
    step.bits.assign((area + 7) / 8, 0);
    const auto width = static_cast<std::size_t>(grid_.width);
    for (std::uint32_t index : step.cells) {
        const std::size_t x = index % width - static_cast<std::size_t>(r.x);
        const std::size_t z = index / width - static_cast<std::size_t>(r.z);
        const std::size_t bit = z * static_cast<std::size_t>(r.width) + x;
        step.bits[bit >> 3] = static_cast<std::uint8_t>(step.bits[bit >> 3] | 1u << (bit & 7));
    }
    step.cells = {};
}

void GridEdit::push(Step step) {
    steps_.resize(applied_);
    if (savedAt_ != kUnreachable && savedAt_ > applied_)
        savedAt_ = kUnreachable;
    steps_.push_back(std::move(step));
    applied_ = steps_.size();
}

CellRect GridEdit::endStroke() {
    if (!inStroke_)
        return {};
    inStroke_ = false;
    wanted_ = nullptr;
    Step step = std::move(stroke_);
    stroke_ = Step{};
    if (step.cells.empty())
        return {};
    const CellRect bounds = step.bounds;
    compact(step);
    push(std::move(step));
    return bounds;
}

void GridEdit::turnOver(const Step& step) {
    if (step.bits.empty()) {
        for (std::uint32_t index : step.cells)
            turnOver(static_cast<std::size_t>(index));
        return;
    }
    const CellRect& r = step.bounds;
    std::size_t bit = 0;
    for (std::int32_t z = r.z; z < r.z + r.height; ++z)
        for (std::int32_t x = r.x; x < r.x + r.width; ++x, ++bit)
            if (step.bits[bit >> 3] >> (bit & 7) & 1)
                turnOver(grid_.index(x, z));
}

CellRect GridEdit::replaceCells(const std::vector<std::uint8_t>& cells, bool draft) {
    if (inStroke_)
        endStroke();
    if (grid_.kind == Kind::regions || cells.size() != grid_.cells.size())
        throw Error("Die neuen Felder passen nicht zur Pathmap: " + std::to_string(cells.size()) +
                    " statt " + std::to_string(grid_.cells.size()) + " Felder");
    const auto differs = [&](std::size_t i) {
        return (cells[i] != kPassable) != (grid_.cells[i] != kPassable);
    };
    Step step;
    std::size_t changed = 0;
    for (std::int32_t z = 0; z < grid_.height; ++z)
        for (std::int32_t x = 0; x < grid_.width; ++x)
            if (differs(grid_.index(x, z))) {
                ++changed;
                step.bounds = step.bounds.united({x, z, 1, 1});
            }
    if (changed == 0)
        return {};
    const CellRect& r = step.bounds;
    const std::size_t area = static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height);
    const bool asBits = changed * sizeof(std::uint32_t) > (area + 7) / 8;
    if (asBits)
        step.bits.assign((area + 7) / 8, 0);
    else
        step.cells.reserve(changed);
    std::size_t bit = 0;
    for (std::int32_t z = r.z; z < r.z + r.height; ++z)
        for (std::int32_t x = r.x; x < r.x + r.width; ++x, ++bit) {
            const std::size_t index = grid_.index(x, z);
            if (!differs(index))
                continue;
            if (asBits)
                step.bits[bit >> 3] =
                    static_cast<std::uint8_t>(step.bits[bit >> 3] | 1u << (bit & 7));
            else
                step.cells.push_back(static_cast<std::uint32_t>(index));
        }
    turnOver(step);
    step.draft = draft;
    push(std::move(step));
    return r;
}

bool GridEdit::holdsUnsavedDraft() const {
    // A draft done since the save, or since a state that was never saved.
    const std::size_t from = savedAt_ == kUnreachable ? 0 : savedAt_;
    for (std::size_t i = from; i < applied_; ++i)
        if (steps_[i].draft)
            return true;
    return false;
}

CellRect GridEdit::undo() {
    if (inStroke_)
        endStroke();
    if (!canUndo())
        return {};
    --applied_;
    turnOver(steps_[applied_]);
    return steps_[applied_].bounds;
}

CellRect GridEdit::redo() {
    if (inStroke_)
        endStroke();
    if (!canRedo())
        return {};
    turnOver(steps_[applied_]);
    return steps_[applied_++].bounds;
}

void GridEdit::markSaved(std::vector<std::int32_t> tileMarkers) {
    saved_ = grid_.cells;
    grid_.tileMarkers = std::move(tileMarkers);
    savedAt_ = applied_;
}

} // namespace tess::pathmaps
