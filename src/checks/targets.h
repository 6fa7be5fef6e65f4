// Which addon a check looks at: the one the window works on, or the one the command-line
// tool names (an addon folder, a map with its addon, an archive, or the addon of the program
// folder's pack state).
#pragma once

#include "checks/addon.h"
#include "core/error.h"
#include "core/wizard_state.h"

#include <string>

namespace tess::checks {

// The argument names nothing that can be checked: wrong usage rather than a failure.
class TargetError : public Error {
public:
    using Error::Error;
};

// The addon of the window's state: levelDir (the addon folder from Start on, or restored from
// temp\pathf.bf), with the archive of the first pack when this run made it or temp\pathf.bf
// names this addon.
CheckTarget targetOfState(const WizardState& state, const std::string& programFolder);

// What `tessarine-cli check [ARGUMENT]` checks:
// - no argument: the addon that temp\pathf.bf names, else the only addon folder
//   (bf1942/levels/<map>_001) of the program folder;
// - an archive (.rfa): the archive itself, an addon archive or a merged map archive;
// - an addon folder (holding ai.con), a map level folder or its init.con (the map's addon in
//   the program folder), or a map's name (bf1942/levels/<name>_001 of the program folder).
// Throws TargetError when the argument names none of these.
CheckTarget targetOfArgument(const std::string& argument, const std::string& programFolder);

} // namespace tess::checks
