// What reading an area file (area_file_read.cpp) and checking its areas
// (area_file_check.cpp) share: the areas as the file has them, the messages that name an area,
// and the replay of the steps that version 1 of saved areas recorded. Used by the area file
// code alone.
#pragma once

#include "areas/area_file.h"
#include "core/error.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::areas::file_fields {

using nlohmann::json;

// Names one area in messages: its number in the file and, once known, its name.
class AreaContext {
public:
    explicit AreaContext(std::size_t index) : number_(index + 1) {}
    void setName(const std::string& name) { name_ = name; }

    Error fieldError(std::string_view field, const std::string& problem) const {
        return Error(area() + ", Feld \"" + std::string(field) + "\": " + problem);
    }
    std::string area() const {
        std::string text = "Area " + std::to_string(number_);
        if (!name_.empty())
            text += " (\"" + name_ + "\")";
        return text;
    }

private:
    std::size_t number_;
    std::string name_;
};

// An area as the file has it, with the fields that only saved areas of version 1 carry.
struct ReadArea {
    AreaDefinition definition;
    bool finished = false;
    std::vector<std::size_t> neighbourEntries;
};

// The areas of the list, their neighbours checked against their names. With readableNames a
// name the game cannot read, or used by two areas, is refused.
std::vector<ReadArea> readAreas(const json& areas, bool readableNames);

// Lines that are written into the script as they are: each must stay one line of the script,
// in the game's code page.
void checkScriptLine(const std::string& line, const std::function<Error(std::string)>& fail);

bool fitsInt32(const json& value);

// A list of check list entries, counted from 0; nothing when the value is not one.
std::optional<std::vector<std::size_t>> indexList(const json& value);

// Version 1 of saved areas: the editor's steps ("steps"), replayed on the areas with the
// entries ticked last ("ticked").
enum class OldStep { confirm, openNeighbours, next };
std::vector<OldStep> readSteps(const json& document);
AreaSession sessionOfSteps(std::vector<ReadArea> areas, const std::vector<OldStep>& steps,
                           const std::vector<std::size_t>& ticked, std::int32_t worldSize);

} // namespace tess::areas::file_fields
