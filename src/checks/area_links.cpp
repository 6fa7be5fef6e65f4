#include "checks/area_links.h"

#include "core/letter_case.h"
#include "core/script_words.h"

namespace tess::checks {
namespace {

std::string joinedName(const std::vector<std::string_view>& words) {
    std::string name;
    for (std::size_t i = 1; i < words.size(); ++i)
        name += std::string(i > 1 ? " " : "") + std::string(words[i]);
    return name;
}

} // namespace

AreaLinks parseAreaLinks(std::string_view text) {
    AreaLinks result;
    bool inBlock = false;
    forEachScriptCommand(text, [&](const std::vector<std::string_view>& words) {
        if (sameNameIgnoringCase(words[0], "aiStrategicArea.setActive")) {
            result.blocks.push_back(joinedName(words));
            inBlock = true;
        } else if (inBlock && words.size() > 1 &&
                   sameNameIgnoringCase(words[0], "aiStrategicArea.addNeighbour")) {
            result.links.push_back({result.blocks.back(), joinedName(words)});
        } else if (inBlock && words.size() == 3 &&
                   sameNameIgnoringCase(words[0], "aiStrategicArea.setOrderPosition")) {
            const auto at = scriptVector(words[2]);
            if (at && at->size() == 2)
                result.orders.push_back(
                    {result.blocks.back(), std::string(words[1]), (*at)[0], (*at)[1]});
        }
    });
    return result;
}

} // namespace tess::checks
