// Which names the game can take for a strategic area. The game's script reader splits a line
// into words at blanks and tabs, takes a word with "/" for a vector, and reads a quoted text
// as one word, so a name holding any of these reaches the game as something else ("Brücke
// Nord" becomes the name "Brücke" with "Nord" as its first corner). Every neighbour line
// names its area by name, so a name used twice makes those lines ambiguous.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::areas {

// Why the game cannot take the name, as a German clause that completes "Der Name ...":
// "ist leer", "enthält ein Leerzeichen", ...; nothing when the name is fine. The name is
// UTF-8; characters beyond ASCII are left to the code-page check of the save.
std::optional<std::string> areaNameProblem(std::string_view name);

// The German message for a name the game cannot take: "Der Area-Name "<name>" <problem>.
// Bitte einen Namen ohne Leerzeichen, Schrägstrich und Anführungszeichen wählen."
std::string areaNameMessage(std::string_view name, std::string_view problem);

// The German message for a name that another area already has.
std::string duplicateAreaNameMessage(std::string_view name);

// The names in double quotes, apart by a comma and a blank: "A", "B", "C".
std::string quotedNames(const std::vector<std::string>& names);

// The names that occur more than once, each once, in the order of their second occurrence.
// Letter case counts: the game compares area names exactly.
std::vector<std::string> duplicateAreaNames(const std::vector<std::string>& names);

} // namespace tess::areas
