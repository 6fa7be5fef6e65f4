// How a pathmap lies on a drawing surface: the zoom in surface pixels per cell, where the map's
// top-left corner lies, and the conversions between surface points, cells and world metres.
// The map's rows run from world Z 0 upwards, the surface's from the top down, so the map's
// last row is drawn at the top (north up). Widget-free: the pathmap window's canvas holds one,
// turns mouse and wheel into calls on it and draws where it says.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tess::pathmaps {

// A point on the drawing surface, in pixels from its top-left corner.
struct ScreenPoint {
    double x = 0;
    double y = 0;
};

// A cell of the map: x along a row, z from the first row.
struct CellPoint {
    std::int32_t x = 0;
    std::int32_t z = 0;
};

// A point of the world in metres: x along a row, z from the first row.
struct WorldPoint {
    double x = 0;
    double z = 0;
};

// The cells in view, as indices of the surface's picture: columns [left, right) and rows
// counted from the top [top, bottom).
struct CellsInView {
    std::int32_t left = 0;
    std::int32_t right = 0;
    std::int32_t top = 0;
    std::int32_t bottom = 0;
    bool empty() const { return left >= right || top >= bottom; }
};

class MapView {
public:
    // The closest zoom, in surface pixels per cell.
    static constexpr double kClosestZoom = 32.0;
    // One notch of the mouse wheel zooms by this factor.
    static constexpr double kWheelStep = 1.25;

    // A map of `width` x `height` cells of `cellSize` metres; the zoom and place stay until
    // fit or centreOn.
    void setMap(std::int32_t width, std::int32_t height, std::int32_t cellSize);
    // The surface changed its size: the point in its middle stays in the middle.
    void resize(double width, double height);

    double zoom() const { return scale_; }
    // Where the map's top-left corner lies on the surface.
    ScreenPoint origin() const { return origin_; }
    // The map's size on the surface at this zoom.
    double shownWidth() const { return width_ * scale_; }
    double shownHeight() const { return height_ * scale_; }
    // The map's rows.
    std::int32_t cellsHigh() const { return height_; }
    // Whether the map was fitted into a surface of some size.
    bool fitted() const { return fitted_; }

    // The zoom at which the whole map fills the surface, and the bounds of the zoom: half of
    // that (or one cell a pixel, whichever is closer) and kClosestZoom (or the fit).
    double fitScale() const;
    double minScale() const { return std::min(fitScale() / 2, 1.0); }
    double maxScale() const { return std::max(kClosestZoom, fitScale()); }

    // The whole map in view, centred.
    void fit();
    // Centres the view on a point in cells (x along a row, z from the first row) at `scale`,
    // kept within the zoom's bounds.
    void centreOn(double cellX, double cellZ, double scale);
    // Moves the map by so many surface pixels.
    void panBy(double dx, double dy);
    // Zooms by `factor` (kept within the bounds), the point `at` staying over the same cell.
    void zoomAt(ScreenPoint at, double factor);

    // The surface point of a point in cells (x along a row, z from the first row).
    ScreenPoint screenOf(double cellX, double cellZ) const {
        return {origin_.x + cellX * scale_, origin_.y + (height_ - cellZ) * scale_};
    }
    // The cell under a surface point; off the map it lies outside 0 ... width/height - 1.
    CellPoint cellAt(ScreenPoint at) const {
        const double x = (at.x - origin_.x) / scale_;
        const double fromTop = (at.y - origin_.y) / scale_;
        const auto bounded = [](double v) {
            return static_cast<std::int32_t>(std::clamp(std::floor(v), -1e6, 1e6));
        };
        return {bounded(x), bounded(height_ - fromTop)};
    }
    // The world point under a surface point.
    WorldPoint worldOf(ScreenPoint at) const {
        const double x = (at.x - origin_.x) / scale_;
        const double z = height_ - (at.y - origin_.y) / scale_;
        return {x * cellSize_, z * cellSize_};
    }
    // The cells that lie in a surface rectangle (clipped to the map).
    CellsInView cellsIn(double left, double top, double right, double bottom) const;

private:
    std::int32_t width_ = 1;
    std::int32_t height_ = 1;
    std::int32_t cellSize_ = 1;
    double surfaceWidth_ = 0;
    double surfaceHeight_ = 0;
    double scale_ = 1.0;
    ScreenPoint origin_;
    bool fitted_ = false;
};

} // namespace tess::pathmaps
