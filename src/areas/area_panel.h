// The values of the area panel "Area fertigstellen" as the window reads them at "OK". The
// panel is never reset, so each area starts with the values of the one before; a default
// AreaPanel holds the panel's initial texts.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tess::areas {

// The side radio buttons `Team1`, `Team2`, `Neutral`; none is selected at first.
enum class Side { none, team1, team2, neutral };

// The kind-of-place check boxes, in the order their flag lines are written.
enum class AreaFlag { basis, cp, strong, air, Flanke, center };
inline constexpr std::size_t kAreaFlagCount = 6;

struct AreaFlagInfo {
    AreaFlag flag;
    std::string_view boxName; // the check box, also the name in area files
    std::string_view caption; // the check box's caption
    std::string_view line;    // the line the area script gets for a ticked box
};

inline constexpr std::array<AreaFlagInfo, kAreaFlagCount> kAreaFlags = {{
    {AreaFlag::basis, "basis", "Basis", "aiStrategicArea.addObjectTypeFlag Base"},
    {AreaFlag::cp, "cp", "ControlPoint", "aiStrategicArea.addObjectTypeFlag ControlPoint"},
    {AreaFlag::strong, "strong", "Stark umkämpfter Punkt",
     "aiStrategicArea.addObjectTypeFlag StrongPoint"},
    {AreaFlag::air, "air", "Flugplatz", "aiStrategicArea.addObjectTypeFlag airfield"},
    {AreaFlag::Flanke, "Flanke", "Flanke (über die Seiten)",
     "aiStrategicArea.addObjectTypeFlag flank"},
    {AreaFlag::center, "center", "im Zentrum", "aiStrategicArea.addObjectTypeFlag center"},
}};

inline constexpr std::string_view kInitialAreaName = "Hier den Area - Namen";
inline constexpr std::string_view kInitialPriorityText = "Priorität (von 1 - 200)";

struct AreaPanel {
    std::string name{kInitialAreaName};             // Edit2z
    std::string priorityText{kInitialPriorityText}; // Edit3z
    std::array<bool, kAreaFlagCount> flags{};       // in the order of kAreaFlags
    bool leicht = false;                            // "leichte Fahrzeuge erlauben"
    bool schwer = false;                            // "schwere Fahrzeuge erlauben"
    Side side = Side::none;

    bool flag(AreaFlag f) const { return flags[static_cast<std::size_t>(f)]; }
    void setFlag(AreaFlag f, bool ticked) { flags[static_cast<std::size_t>(f)] = ticked; }
    friend bool operator==(const AreaPanel&, const AreaPanel&) = default;
};

} // namespace tess::areas
