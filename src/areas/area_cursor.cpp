#include "areas/area_cursor.h"

#include "core/integers.h"

#include <algorithm>
#include <limits>

namespace tess::areas {
namespace {

constexpr std::size_t pictureIndex(CursorPart part) {
    return static_cast<std::size_t>(part);
}

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

PixelRectangle rectangleOf(PixelPosition a, PixelPosition b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.left, b.left),
            std::max(a.top, b.top)};
}

AreaCursor::AreaCursor(AreaEditMode& mode, const CursorLayout& layout)
    : mode_(mode), layout_(layout), pictures_(layout) {}

CursorPicture& AreaCursor::pictureRef(CursorPart part) {
    return pictures_[pictureIndex(part)];
}

const CursorPicture& AreaCursor::picture(CursorPart part) const {
    return pictures_[pictureIndex(part)];
}

bool AreaCursor::activePair(CursorPart& marker, CursorPart& flag) const {
    if (mode_ == AreaEditMode::firstCorner) {
        marker = CursorPart::gruen;
        flag = CursorPart::fg;
        return true;
    }
    if (mode_ == AreaEditMode::secondCorner) {
        marker = CursorPart::rot;
        flag = CursorPart::fr;
        return true;
    }
    return false;
}

std::optional<PixelPosition> AreaCursor::activeMarker() const {
    CursorPart marker{};
    CursorPart flag{};
    if (!activePair(marker, flag))
        return std::nullopt;
    return position(marker);
}

void AreaCursor::shift(CursorPart part, std::int64_t dx, std::int64_t dz) {
    PixelPosition& position = pictureRef(part).position;
    position.left = clampToInt32(position.left + dx);
    position.top = clampToInt32(position.top + dz);
}

void AreaCursor::newArea() {
    if (!newAreaEnabled_)
        return;
    pictureRef(CursorPart::gruen).visible = true;
    pictureRef(CursorPart::fg).visible = true;
    newAreaEnabled_ = false;
    confirmPointEnabled_ = true;
    mode_ = AreaEditMode::firstCorner;
}

void AreaCursor::confirmPoint() {
    if (!confirmPointEnabled_)
        return;
    pictureRef(CursorPart::rot).visible = true;
    pictureRef(CursorPart::fr).visible = true;
    mode_ = AreaEditMode::secondCorner;
    finishAreaEnabled_ = true;
    confirmPointEnabled_ = false;
}

void AreaCursor::move(Direction direction, std::string_view stepText) {
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

void AreaCursor::placeActiveMarker(PixelPosition position) {
    CursorPart marker{};
    CursorPart flag{};
    if (!activePair(marker, flag))
        return;
    const PixelPosition from = picture(marker).position;
    pictureRef(marker).position = position;
    shift(flag, std::int64_t{position.left} - from.left, std::int64_t{position.top} - from.top);
}

bool AreaCursor::showBars() {
    if (!finishAreaEnabled_)
        return false;
    for (const CursorPart bar :
         {CursorPart::oben, CursorPart::unten, CursorPart::links, CursorPart::rechts})
        pictureRef(bar).visible = true;
    return true;
}

void AreaCursor::showFrame(const PixelRectangle& rect) {
    const std::int32_t width = clampToInt32(std::int64_t{rect.right} - rect.left);
    const std::int32_t height = clampToInt32(std::int64_t{rect.bottom} - rect.top);
    // Each bar as thick as in the layout.
    const auto thickness = [this](CursorPart bar) -> const CursorPicture& {
        return layout_[pictureIndex(bar)];
    };
    pictureRef(CursorPart::oben) = {
        {rect.left, rect.top}, width, thickness(CursorPart::oben).height, true};
    pictureRef(CursorPart::unten) = {
        {rect.left, rect.bottom}, width, thickness(CursorPart::unten).height, true};
    pictureRef(CursorPart::links) = {
        {rect.left, rect.top}, thickness(CursorPart::links).width, height, true};
    pictureRef(CursorPart::rechts) = {
        {rect.right, rect.top}, thickness(CursorPart::rechts).width, height, true};
}

void AreaCursor::park() {
    for (std::size_t i = 0; i < kCursorPartCount; ++i) {
        pictures_[i].position = layout_[i].position;
        pictures_[i].visible = false;
    }
}

void AreaCursor::finishDrawing() {
    park();
    finishAreaEnabled_ = false;
    confirmPointEnabled_ = false;
    newAreaEnabled_ = true;
    mode_ = AreaEditMode::secondCorner;
}

void AreaCursor::putOnCorner(CursorPart marker, CursorPart flag, PixelPosition corner) {
    const CursorPicture& markerStart = layout_[pictureIndex(marker)];
    const CursorPicture& flagStart = layout_[pictureIndex(flag)];
    pictureRef(marker) = {corner, markerStart.width, markerStart.height, true};
    const PixelPosition flagAt{
        clampToInt32(std::int64_t{corner.left} + flagStart.position.left -
                     markerStart.position.left),
        clampToInt32(std::int64_t{corner.top} + flagStart.position.top - markerStart.position.top)};
    pictureRef(flag) = {flagAt, flagStart.width, flagStart.height, true};
}

void AreaCursor::editCorners(PixelPosition green, PixelPosition red, const PixelRectangle& rect) {
    putOnCorner(CursorPart::gruen, CursorPart::fg, green);
    putOnCorner(CursorPart::rot, CursorPart::fr, red);
    showFrame(rect);
    // As when drawing: the green corner moves first, "Aktuellen Punkt bestätigen" hands over
    // to the red one, and "Area fertigstellen" frames the rectangle anew.
    mode_ = AreaEditMode::firstCorner;
    newAreaEnabled_ = false;
    confirmPointEnabled_ = true;
    finishAreaEnabled_ = true;
}

} // namespace tess::areas
