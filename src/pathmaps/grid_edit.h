// Painting on a pathmap: strokes of a round brush and filled rectangles that block or free
// cells, each stroke one step that can be undone and redone. A step keeps only the cells it
// changed (a cell of a map is either passable or blocked, so changing it back is turning it
// over again), never a copy of the map.
#pragma once

#include "pathmaps/grid.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tess::pathmaps {

// A rectangle of cells: its first cell (smallest x and z) and its size.
struct CellRect {
    std::int32_t x = 0;
    std::int32_t z = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    // Some cells, all on a grid of that size.
    bool liesOn(std::int32_t gridWidth, std::int32_t gridHeight) const {
        return !empty() && x >= 0 && z >= 0 && x + width <= gridWidth && z + height <= gridHeight;
    }
    CellRect united(const CellRect& other) const;
    friend bool operator==(const CellRect&, const CellRect&) = default;
};

// The brush sizes, in cells across.
inline constexpr std::int32_t kSmallestBrush = 1;
inline constexpr std::int32_t kLargestBrush = 64;

class GridEdit {
public:
    // Takes a map (tiled or 8-bit; any cell but 0 is blocked). The cells as given count as
    // saved. A region map is held as it is, to be shown; it takes no strokes.
    explicit GridEdit(Grid grid);

    const Grid& grid() const { return grid_; }
    std::size_t blockedCells() const { return blocked_; }

    // A stroke: from the button going down to its release, every dab, drag and rectangle
    // blocks (or frees) cells, and the stroke becomes one step.
    void beginStroke(bool block);
    // A stroke that gives each cell it reaches the value `wanted` holds for it (0 passable,
    // any other blocked), as the terrain's verdict paints; `wanted` has a value for every cell
    // and is kept until the stroke ends.
    void beginStroke(const std::vector<std::uint8_t>& wanted);
    bool inStroke() const { return inStroke_; }
    // The round brush `size` cells across (clamped to kSmallestBrush ... kLargestBrush) on the
    // cell (x, z): of an odd size centred on the cell, of an even size on its corner towards
    // (0, 0), the cells whose centres lie within half the size. Cells off the grid are left.
    void dab(std::int32_t x, std::int32_t z, std::int32_t size);
    // The brush moved from one cell to the next, leaving no gap between.
    void drag(std::int32_t fromX, std::int32_t fromZ, std::int32_t toX, std::int32_t toZ,
              std::int32_t size);
    // Every cell between two opposite corner cells, both included.
    void fillRectangle(std::int32_t x1, std::int32_t z1, std::int32_t x2, std::int32_t z2);
    // Ends the stroke. A stroke that changed cells becomes a step (the steps undone before
    // are gone); the rectangle holds every cell it changed, and is empty when it changed none.
    CellRect endStroke();

    // All cells at once (a picture brought back from an image editor) as one step; cells of
    // value 0 become passable, others blocked. The size must be the map's. A draft (the map
    // drafted from the terrain) is marked as such until it is saved or undone.
    CellRect replaceCells(const std::vector<std::uint8_t>& cells, bool draft = false);
    // A draft's step is done and not saved.
    bool holdsUnsavedDraft() const;

    bool canUndo() const { return applied_ > 0; }
    bool canRedo() const { return applied_ < steps_.size(); }
    // The cells that changed back, or an empty rectangle when there is nothing to undo/redo.
    CellRect undo();
    CellRect redo();

    // The cells as last saved (or as read): what a save compares with.
    const std::vector<std::uint8_t>& savedCells() const { return saved_; }
    // Some step was done or undone since the last save.
    bool unsaved() const { return applied_ != savedAt_; }
    // After a save: the cells as they are now are saved, with the tile markers written.
    void markSaved(std::vector<std::int32_t> tileMarkers);

private:
    // The cells a step changed: listed, or as one bit per cell of its rectangle when that
    // takes less memory.
    struct Step {
        CellRect bounds;
        std::vector<std::uint32_t> cells;
        std::vector<std::uint8_t> bits;
        bool draft = false;
    };

    void set(std::size_t index);
    void turnOver(std::size_t index);
    void turnOver(const Step& step);
    void push(Step step);
    void compact(Step& step) const;
    const std::vector<std::int32_t>& spans(std::int32_t size);

    Grid grid_;
    std::vector<std::uint8_t> saved_;
    std::size_t blocked_ = 0;
    std::vector<Step> steps_;
    std::size_t applied_ = 0;
    std::size_t savedAt_ = 0;

    bool inStroke_ = false;
    std::uint8_t value_ = kBlocked;
    const std::vector<std::uint8_t>* wanted_ = nullptr;
    Step stroke_;
    // The brush of the last size used: per row of the brush, its offset in z and the first
    // and last offset in x.
    std::int32_t spansSize_ = 0;
    std::vector<std::int32_t> spans_;
};

} // namespace tess::pathmaps
