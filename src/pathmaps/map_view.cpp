#include "pathmaps/map_view.h"

namespace tess::pathmaps {

void MapView::setMap(std::int32_t width, std::int32_t height, std::int32_t cellSize) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
    cellSize_ = cellSize;
}

void MapView::resize(double width, double height) {
    origin_.x += (width - surfaceWidth_) / 2.0;
    origin_.y += (height - surfaceHeight_) / 2.0;
    surfaceWidth_ = width;
    surfaceHeight_ = height;
}

double MapView::fitScale() const {
    return std::min(surfaceWidth_ / static_cast<double>(width_),
                    surfaceHeight_ / static_cast<double>(height_));
}

void MapView::fit() {
    fitted_ = surfaceWidth_ > 0 && surfaceHeight_ > 0;
    scale_ = std::max(fitScale(), 1e-3);
    origin_ = {(surfaceWidth_ - width_ * scale_) / 2, (surfaceHeight_ - height_ * scale_) / 2};
}

void MapView::centreOn(double cellX, double cellZ, double scale) {
    scale_ = std::clamp(scale, minScale(), maxScale());
    origin_ = {surfaceWidth_ / 2.0 - cellX * scale_,
               surfaceHeight_ / 2.0 - (height_ - cellZ) * scale_};
}

void MapView::panBy(double dx, double dy) {
    origin_.x += dx;
    origin_.y += dy;
}

void MapView::zoomAt(ScreenPoint at, double factor) {
    const double scale = std::clamp(scale_ * factor, minScale(), maxScale());
    origin_ = {at.x - (at.x - origin_.x) * (scale / scale_),
               at.y - (at.y - origin_.y) * (scale / scale_)};
    scale_ = scale;
}

CellsInView MapView::cellsIn(double left, double top, double right, double bottom) const {
    const auto first = [&](double v) { return static_cast<std::int32_t>(std::floor(v)); };
    const auto last = [&](double v) { return static_cast<std::int32_t>(std::ceil(v)); };
    return {std::max(0, first((left - origin_.x) / scale_)),
            std::min(width_, last((right - origin_.x) / scale_)),
            std::max(0, first((top - origin_.y) / scale_)),
            std::min(height_, last((bottom - origin_.y) / scale_))};
}

} // namespace tess::pathmaps
