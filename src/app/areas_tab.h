// Tab "(2) Areas" apart from its handlers: the area editor of the run and everything the tab
// shows of it. draw() sets the cursor pictures (where the design placed them, as the editor
// moved them), the enabled states, the two panels, the lists, the outlines on the picture and
// the status line from the editor; enable() shows what Start found of the level (its picture,
// its own areas as a guide, its control points, the areas saved earlier). TForm1's handlers of
// the tab (tform1_areas.cpp) read the controls, make one call on the editor and then draw.
#pragma once

#include "areas/area_editor.h"
#include "areas/control_points.h"
#include "areas/saved_areas.h"
#include "core/wizard_state.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace Ui {
class TForm1;
}
class QKeyEvent;

namespace tess::app {

class AreasTab {
public:
    // The editor's cursor starts where the design places its pictures.
    AreasTab(Ui::TForm1& ui, tess::WizardState& state);

    tess::areas::AreaEditor& editor() { return editor_; }
    const std::vector<tess::areas::ControlPoint>& controlPoints() const { return controlPoints_; }
    const std::vector<tess::areas::EarlierAreas>& earlierAreas() const { return earlierAreas_; }

    // The tab as the editor stands now.
    void draw();
    // Start has enabled the tab: the level's own picture and areas, its control points, the
    // autosave, the earlier sets and the offer of saved areas. A saved file that cannot be
    // read throws last, after the rest is shown.
    void enable();

    // The area panel "Area fertigstellen" as the user filled it, and filled with an area's
    // values.
    tess::areas::AreaPanel panel() const;
    void showPanel(const tess::areas::AreaPanel& panel);

    // What a key pressed on the tab asks for: 4, 6, 8 and 5 move the active marker left,
    // right, up and down, as the accelerators of the hidden buttons BitBtn1 to BitBtn4 (the
    // digits, the number pad with Num Lock, and without it the pad's arrows and its middle
    // key); with "Numpad - Pfeiltasten - Bewegung" chosen the arrow keys move it too (rather
    // than switch the radio buttons), except in a list. Ctrl+Z undoes the last step, Ctrl+Y
    // and Ctrl+Shift+Z do it again. Nothing while another tab is shown or this one is
    // disabled.
    enum class Key { none, left, right, up, down, undo, redo };
    Key commandOf(const QKeyEvent& event) const;

private:
    void placePanel();

    Ui::TForm1& ui_;
    tess::WizardState& state_;
    tess::areas::AreaEditor editor_;
    std::optional<std::size_t> savedAreaOffer_; // areas in the saved file, when there is one
    std::vector<tess::areas::EarlierAreas> earlierAreas_;  // the earlier sets offered
    std::vector<tess::areas::ControlPoint> controlPoints_; // of the level's Conquest mode
};

} // namespace tess::app
