#include "areas/area_names.h"

#include <unordered_set>

namespace tess::areas {

std::optional<std::string> areaNameProblem(std::string_view name) {
    if (name.empty())
        return "ist leer";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ' ')
            return "enthält ein Leerzeichen";
        if (byte < 0x20 || byte == 0x7F)
            return "enthält einen Tabulator, Zeilenumbruch oder ein Steuerzeichen";
        if (c == '/')
            return "enthält einen Schrägstrich (/)";
        if (c == '"')
            return "enthält ein Anführungszeichen";
    }
    return std::nullopt;
}

std::string areaNameMessage(std::string_view name, std::string_view problem) {
    return "Der Area-Name \"" + std::string(name) + "\" " + std::string(problem) +
           ". Bitte einen Namen ohne Leerzeichen, Schrägstrich und Anführungszeichen wählen.";
}

std::string duplicateAreaNameMessage(std::string_view name) {
    return "Der Area-Name \"" + std::string(name) +
           "\" ist schon vergeben. Jede Area braucht einen eigenen Namen, weil die "
           "Nachbarn sie beim Namen nennen.";
}

std::string quotedNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "\"" : ", \"") + name + "\"";
    return text;
}

std::vector<std::string> duplicateAreaNames(const std::vector<std::string>& names) {
    std::unordered_set<std::string_view> seen;
    std::unordered_set<std::string_view> reported;
    std::vector<std::string> duplicates;
    for (const auto& name : names) {
        if (!seen.insert(name).second && reported.insert(name).second)
            duplicates.push_back(name);
    }
    return duplicates;
}

} // namespace tess::areas
