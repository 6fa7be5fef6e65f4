// The areas of the area editor: every confirmed area with its corners, panel and neighbours,
// in the order of the lists; the lines of taken-over scripts outside them; the selected area;
// the neighbour phase with the area it shows; what the tab's lists show of them; and the area
// script they make. Each area keeps its number for the whole run, so that a step can be taken
// back whatever was deleted or edited around it (area_history.h).
#pragma once

#include "areas/area_cursor.h"
#include "areas/area_panel.h"
#include "areas/area_script.h"
#include "areas/coordinates.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace tess::areas {

struct AreaFile; // area_file.h

// Every area keeps its number for the whole run, whatever is deleted or edited around it.
using AreaId = std::uint64_t;

// An area confirmed with "OK" or taken in from an area file.
struct ConfirmedArea {
    AreaId id = 0;
    PixelRectangle rectangle;
    PixelPosition green; // first corner
    PixelPosition red;   // second corner
    AreaBounds bounds;
    AreaPanel panel; // as confirmed; panel.name is the area's name
    std::int32_t priority = 0;
    // Lines of the area's block that the panel cannot hold, written after its own lines.
    std::vector<std::string> extraLines;
    // Taken over from a level: the words after the priority on its create line, and its block
    // as the level has it, written as it stands while it still says what the area holds.
    std::string category;
    std::optional<std::vector<std::string>> levelLines;
    std::vector<AreaId> neighbours; // in the order their lines are written
    // Walked through with "Nächste" in the current neighbour phase.
    bool finished = false;
    friend bool operator==(const ConfirmedArea&, const ConfirmedArea&) = default;
};

// One entry of the neighbour check list `CheckListBox1`: one per area, in the areas' order.
struct CheckEntry {
    std::string name;
    bool ticked = false; // a neighbour of the current area
};

inline constexpr std::string_view kNeighbourHeadingSuffix = " ist Nachbar von: ";

class AreaSet {
public:
    // Areas out of the list, with what puts them back as they were: each with its index, in
    // ascending order, and the ticks that named them, in the order they were taken away.
    struct Removed {
        struct Tick {
            AreaId holder;
            std::size_t position;
            AreaId named;
        };
        std::vector<std::pair<std::size_t, ConfirmedArea>> areas;
        std::vector<Tick> ticks;
    };

    const std::vector<ConfirmedArea>& areas() const { return areas_; }
    std::size_t indexOf(AreaId id) const;
    const OutsideLines& outside() const { return outside_; }
    void setOutside(OutsideLines outside) { outside_ = std::move(outside); }

    // --- Adding, taking out, editing ---
    // A number taken for a new area.
    AreaId newId() { return nextId_++; }
    // A new area at the end.
    void append(ConfirmedArea area);
    // Areas of a file (one for each of its areas), given new numbers in the file's order, at
    // the end. Their neighbours by name, among the areas already here and those coming in (a
    // name used twice ticks both; a name of no area is kept as the line it was); the file's
    // lines outside the areas join these, each on its side.
    void takeIn(std::vector<ConfirmedArea> incoming, const AreaFile& file);
    // Takes the areas out of the list and out of every neighbour list.
    Removed takeOut(const std::unordered_set<AreaId>& ids);
    void putBack(Removed removed);
    // The area takes the edited values; its ticks and its walked state stay as they are now.
    void applyEdit(const ConfirmedArea& to);

    // --- Names ---
    // A name the game cannot read, or another area's name (than the area `self`), throws.
    void checkName(const std::string& name, std::optional<AreaId> self) const;
    // The area's name cannot go into the script as it is (area_names.h).
    bool nameNeedsChange(std::size_t index) const;
    std::vector<std::string> namesToChange() const;
    // The names of an area's neighbours, in the order their lines are written.
    std::vector<std::string> neighbourNames(const ConfirmedArea& area) const;

    // --- Selection ---
    void select(std::optional<std::size_t> index);
    std::optional<std::size_t> selectedArea() const;
    std::optional<AreaId> selectedId() const { return selected_; }
    // The area on whose outline the position lies, else the smallest one round it; none
    // when no area lies there.
    std::optional<std::size_t> areaAt(PixelPosition position) const;
    // The areas whose neighbour ticks name the selected area.
    std::vector<std::string> areasNamingSelected() const;

    // --- Neighbour phase ---
    bool neighbourPhase() const { return neighbourPhase_; }
    void setNeighbourPhase(bool open);
    std::optional<std::size_t> current() const { return current_; }
    // The current area: the first one not yet walked from `from` on, else from the start.
    void findCurrent(std::size_t from);
    // Ticks or unticks an entry as a neighbour of the current area; false when nothing
    // changed.
    bool setTicked(std::size_t entry, bool ticked);
    // The current area is walked; the next one waiting becomes current.
    void finishCurrent();
    // Every area to be walked again, the phase closed.
    void walkAgain();
    std::size_t waitingCount() const;
    const std::vector<std::string>& summaryEntries() const { return summaryEntries_; }
    const std::vector<CheckEntry>& checkList() const { return checkList_; }
    const std::string& neighbourHeading() const { return neighbourHeading_; }

    // The area script of the areas as they stand (CR LF line ends).
    std::string scriptText() const;

private:
    void rebuildViews();
    void updateNeighbourHeading();
    bool levelBlockHolds(const ConfirmedArea& area,
                         const std::vector<std::string>& neighbours) const;

    std::vector<ConfirmedArea> areas_;
    OutsideLines outside_;
    std::unordered_map<AreaId, std::size_t> indexOfId_;
    std::unordered_map<std::string, std::size_t> nameCounts_;
    AreaId nextId_ = 1;
    std::vector<std::string> summaryEntries_; // ListBox1z
    std::vector<CheckEntry> checkList_;
    std::optional<std::size_t> current_; // the area the neighbour panel shows
    std::optional<AreaId> selected_;
    bool neighbourPhase_ = false;
    std::string neighbourHeading_ = "Area";
};

} // namespace tess::areas
