// The neighbour links and order positions of an area script: "aiStrategicArea.setActive
// <name>" opens an area's block, each "AIStrategicArea.addNeighbour <name>" after it links
// that area to another, and each "AIStrategicArea.setOrderPosition <kind> <x>/<z>" tells its
// bots of that kind where to gather.
// Commands in any letter case, comments passed over, a name of several words read whole with
// one blank between its words (as the create lines are read).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tess::checks {

struct AreaLink {
    std::string from; // the area whose block holds the line
    std::string to;   // the neighbour it names
};

struct OrderPosition {
    std::string area; // the area whose block holds the line
    std::string kind; // Infantry, Car, Tank, ...
    double x = 0;
    double z = 0;
};

struct AreaLinks {
    std::vector<AreaLink> links;
    std::vector<OrderPosition> orders;
    // The area of each setActive line, in order.
    std::vector<std::string> blocks;
};

AreaLinks parseAreaLinks(std::string_view text);

} // namespace tess::checks
