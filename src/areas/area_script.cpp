#include "areas/area_script.h"

#include "areas/area_block.h"
#include "areas/coordinates.h"
#include "core/project_info.h"

#include <array>
#include <optional>

namespace tess::areas {

std::string summaryEntry(const std::string& name, const AreaBounds& bounds, std::int32_t priority) {
    return name + " [ " + std::to_string(bounds.areaMinX) + ";" + std::to_string(bounds.areaMinZ) +
           " / " + std::to_string(bounds.areaMaxX) + ";" + std::to_string(bounds.areaMaxZ) +
           " ] ==> Prio. [" + std::to_string(priority) + "]";
}

std::string createLine(const std::string& name, const AreaBounds& bounds, std::int32_t priority,
                       const std::string& category) {
    // The game reads the two points as opposite corners of the area (its own levels put the
    // flag midway between them), so the second one is the far corner, not the centre.
    return "aiStrategicArea.create " + name + " " + std::to_string(bounds.areaMinX) + "/" +
           std::to_string(bounds.areaMinZ) + " " + std::to_string(bounds.areaMaxX) + "/" +
           std::to_string(bounds.areaMaxZ) + " " + std::to_string(priority) +
           (category.empty() ? "" : " " + category);
}

LineList flagLines(const AreaPanel& panel) {
    LineList lines;
    for (const auto& info : kAreaFlags)
        if (panel.flag(info.flag))
            lines.emplace_back(info.line);
    return lines;
}

LineList orderPositionLines(const AreaPanel& panel, const AreaBounds& bounds) {
    const std::string position =
        formatNumber(bounds.areaCenterX - 10) + "/" + formatNumber(bounds.areaCenterZ - 10);
    LineList lines{"AIStrategicArea.setOrderPosition Infantry " + position};
    if (panel.leicht)
        lines.push_back("AIStrategicArea.setOrderPosition Car " + position);
    if (panel.schwer)
        lines.push_back("AIStrategicArea.setOrderPosition Tank " + position);
    return lines;
}

std::string sideLine(Side side) {
    switch (side) {
    case Side::team1:
        return "aiStrategicArea.setSide 1";
    case Side::team2:
        return "aiStrategicArea.setSide 2";
    case Side::neutral:
        return "aiStrategicArea.setSide 0";
    case Side::none:
        break;
    }
    return "";
}

LineList drawnBlockLines(const AreaPanel& panel, const AreaBounds& bounds,
                         const std::vector<std::string>& neighbours,
                         const std::vector<std::string>& keptLines) {
    const std::vector<std::optional<std::size_t>> keptClasses = orderPositionClasses(keptLines);
    const std::array<bool, kOrderClasses.size()> wanted = {true, panel.leicht, panel.schwer};
    std::array<bool, kOrderClasses.size()> kept{};
    for (const auto& c : keptClasses)
        if (c)
            kept[*c] = true;
    LineList lines;
    for (const std::string& name : neighbours)
        lines.push_back(std::string(kAddNeighbourPrefix) + name);
    for (std::string& line : flagLines(panel))
        lines.push_back(std::move(line));
    const LineList own = orderPositionLines(panel, bounds);
    for (std::size_t c = 0, next = 0; c < kOrderClasses.size(); ++c) {
        if (!wanted[c])
            continue;
        if (!kept[c])
            lines.push_back(own[next]);
        ++next;
    }
    lines.push_back(sideLine(panel.side));
    for (std::size_t i = 0; i < keptLines.size(); ++i)
        if (!keptClasses[i] || wanted[*keptClasses[i]])
            lines.push_back(keptLines[i]);
    return lines;
}

std::string areaScriptHeader() {
    return std::string(kAreaScriptSignature) + " ... " + std::string(kHomePage);
}

void appendLine(std::string& text, std::string_view line) {
    text += line;
    text += "\r\n";
}

std::string assembleAreaScript(const OutsideLines& outside, std::string_view createLines,
                               std::string_view areaBlocks) {
    const std::string header = areaScriptHeader();
    std::string script;
    script.reserve(header.size() + createLines.size() + areaBlocks.size() + 16);
    const auto appendAll = [&](const std::vector<std::string>& lines) {
        for (const std::string& line : lines)
            appendLine(script, line);
    };
    appendLine(script, header);
    appendAll(outside.before);
    script += createLines;
    appendLine(script, "");
    appendLine(script, " ");
    appendLine(script, " ");
    appendAll(outside.between);
    script += areaBlocks;
    appendAll(outside.after);
    appendLine(script, "");
    return script;
}

std::string areaScriptPath(const std::string& levelDir) {
    return levelDir + "AI\\StrategicAreas.con";
}

} // namespace tess::areas
