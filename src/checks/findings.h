// What the addon check finds: each finding is an error ("Fehler": the addon will not work as
// meant) or a hint ("Hinweis": worth a look), names the file and the place it concerns, and
// says in one German sentence what is wrong and in another what to do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tess::checks {

enum class Severity { error, hint };

// Where a finding can be shown: a line of a script, an area or a point on the map picture, a
// spawn point on a pathmap, or a pathmap file. Paths are relative to the addon folder, with
// "/" between their parts, in the letter case found on disk or in the archive.
struct Place {
    enum class Kind { none, script, area, point, spawnPoint, pathmap };
    Kind kind = Kind::none;
    std::string file; // script, spawnPoint (the pathmap it lies on), pathmap
    int line = 0;     // script: 1-based, 0 when the finding concerns the whole file
    std::string name; // area, point (a control point), spawnPoint (its class)
    // area: two opposite corners in world units; point, spawnPoint: (x1, z1).
    double x1 = 0;
    double z1 = 0;
    double x2 = 0;
    double z2 = 0;
};

struct Finding {
    Severity severity = Severity::error;
    std::string check;  // the key of the check in the table (checks.h)
    std::string file;   // the file it concerns, as the user finds it; may be empty
    std::string text;   // what is wrong: one German sentence
    std::string advice; // what to do: one German sentence
    Place place;
};

struct CheckReport {
    std::vector<Finding> findings; // errors first, each kind in the order the checks found them
    std::string checked;           // what was checked: the addon folder or the archive
    std::int32_t worldSize = 0;    // the addon's world size; 0 when it could not be told
    std::size_t errors() const;
    std::size_t hints() const;
};

// "Fehler" or "Hinweis".
std::string severityLabel(Severity severity);

// "2 Fehler, 5 Hinweise", "1 Fehler, 1 Hinweis", "Keine Fehler gefunden." or, with hints
// alone, "Keine Fehler gefunden, 3 Hinweise."
std::string countLine(const CheckReport& report);

// One line of the command-line tool: "Fehler: <file>: <text> <advice>" (no file part when
// the finding names none).
std::string findingLine(const Finding& finding);

// The findings as a JSON array for tools: one object per finding with "severity" ("error" or
// "hint"), "check", "file", "text", "advice" and, when it has one, "place".
std::string findingsJson(const std::vector<Finding>& findings);

// Errors before hints; within each the order stays.
void sortFindings(std::vector<Finding>& findings);

} // namespace tess::checks
