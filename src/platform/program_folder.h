// The program folder: the folder of the running executable, with a trailing separator.
// Taken afresh whenever it is needed; the command-line tool and tests may override it.
#pragma once

#include <string>

namespace tess {

std::string programFolder();

// An override for the command-line tool's --program-folder and for tests. An empty text
// removes it. A missing trailing separator is added.
void setProgramFolderOverride(const std::string& folder);

} // namespace tess
