// The command lines of the game's archive tools, run by our own archive code. rfaPack.exe,
// rfaunpack.exe and the batch interpreter all go through here, so they accept the same
// arguments and print the same lines.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tess::archive {

// One argument of a tool's command line. `quoted`: it stood in double quotes, so a quoted
// "-Compress" is a file name, not the switch.
struct ToolArgument {
    std::string text;
    bool quoted = false;
};

// Plain arguments, none of them quoted.
std::vector<ToolArgument> toolArguments(const std::vector<std::string>& texts);

// `rfaunpack.exe <archive> [<destination>]`: the archive's entries appear under the current
// folder (or the destination, which must exist) with their stored paths. Paths are Windows
// paths, resolved as every path of the system. programFolder (with its trailing separator;
// empty for none) is the folder of the program's own files: unpacked there or in its Network
// folder, only the entries under bf1942/levels/ are written (a level archive holds nothing
// else). Progress lines go to out, the reason of a failure to err. Returns true when the
// archive was unpacked.
bool runUnpackTool(const std::vector<ToolArgument>& arguments, std::ostream& out, std::ostream& err,
                   const std::string& programFolder);

// `rfaPack.exe <folder> <path in archive> <archive> [-Compress]`: once it has finished, the
// archive exists. Output as runUnpackTool.
bool runPackTool(const std::vector<ToolArgument>& arguments, std::ostream& out, std::ostream& err);

} // namespace tess::archive
