// The cursor of the area editor: the two corner markers with their flags, the four frame bars,
// the marker the movement commands move (the wizard state's areaEditMode) and the order in
// which "Neue Strategic - Area", "Aktuellen Punkt bestätigen" and "Area fertigstellen" become
// usable. Positions are picture pixels. Where each picture starts and is parked again and how
// large it is, the window says (CursorLayout): a flag stands as far from its marker, and a bar
// is as thick, as in the layout it was given.
#pragma once

#include "areas/coordinates.h"
#include "core/wizard_state.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tess::areas {

// The eight pictures of the cursor, drawn above the map picture.
enum class CursorPart { gruen, fg, rot, fr, oben, unten, links, rechts };
inline constexpr std::size_t kCursorPartCount = 8;

struct CursorPicture {
    PixelPosition position;
    std::int32_t width = 1;
    std::int32_t height = 1;
    bool visible = false;
    friend bool operator==(const CursorPicture&, const CursorPicture&) = default;
};

// Each cursor picture as the window shows it at first, indexed by CursorPart: its position on
// the picture (where "OK" parks it again), its size, and whether it is shown.
using CursorLayout = std::array<CursorPicture, kCursorPartCount>;

enum class Direction { left, right, up, down };

// The two radio buttons: "Intervall Einstellung / Tastenbewegung" and
// "Numpad - Pfeiltasten - Bewegung". Neither is selected at first.
enum class MovementMode { none, interval, keypad };

// A rectangle on the picture: left, top, right and bottom pixel.
struct PixelRectangle {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const PixelRectangle&, const PixelRectangle&) = default;
};

// The rectangle with these two corners, whichever way round they lie.
PixelRectangle rectangleOf(PixelPosition a, PixelPosition b);

class AreaCursor {
public:
    // Keeps the edit mode in `mode` (the wizard state's areaEditMode).
    AreaCursor(AreaEditMode& mode, const CursorLayout& layout);

    const CursorPicture& picture(CursorPart part) const;
    PixelPosition position(CursorPart part) const { return picture(part).position; }
    bool newAreaEnabled() const { return newAreaEnabled_; }
    bool confirmPointEnabled() const { return confirmPointEnabled_; }
    bool finishAreaEnabled() const { return finishAreaEnabled_; }
    MovementMode movementMode() const { return movementMode_; }
    // The marker that the movement commands move, if any.
    std::optional<PixelPosition> activeMarker() const;

    // "Neue Strategic - Area": shows the green marker and flag; areaEditMode := firstCorner.
    void newArea();
    // "Aktuellen Punkt bestätigen": shows the red marker and flag; areaEditMode := secondCorner.
    void confirmPoint();
    // The movement commands: the active marker by the step, then its flag by the step read
    // again. A step that is not an integer throws before anything has moved; with no active
    // marker nothing moves and the step is not read.
    void move(Direction direction, std::string_view stepText);
    // The active marker goes there and its flag follows by the same distance.
    void placeActiveMarker(PixelPosition position);
    void chooseMovementMode(MovementMode mode) { movementMode_ = mode; }
    // "Area fertigstellen" shows the four bars; false when it is not enabled.
    bool showBars();
    // The bars round the rectangle.
    void showFrame(const PixelRectangle& rect);
    // Every picture back to its start and hidden.
    void park();
    // After "OK": parked, "Neue Strategic - Area" enabled again, areaEditMode := secondCorner.
    void finishDrawing();
    // "Area bearbeiten": the markers and flags on the area's corners, the frame round it;
    // the green corner moves first, as when drawing.
    void editCorners(PixelPosition green, PixelPosition red, const PixelRectangle& rect);

private:
    CursorPicture& pictureRef(CursorPart part);
    bool activePair(CursorPart& marker, CursorPart& flag) const;
    void shift(CursorPart part, std::int64_t dx, std::int64_t dz);
    // A marker with its flag on a corner.
    void putOnCorner(CursorPart marker, CursorPart flag, PixelPosition corner);

    AreaEditMode& mode_;
    CursorLayout layout_;
    CursorLayout pictures_;
    MovementMode movementMode_ = MovementMode::none;
    bool newAreaEnabled_ = true;
    bool confirmPointEnabled_ = false;
    bool finishAreaEnabled_ = false;
};

} // namespace tess::areas
