// What each system's half of the program-folder lock provides to the shared part
// (program_lock.cpp): taking the lock once, without waiting.
#pragma once

#include "core/files.h"
#include "platform/program_lock.h"

#include <memory>
#include <string>

namespace tess {

// Where the lock file lies: temp\ of the program folder, reached from it without passing
// through a link, the file's name in it, and its path as messages show it.
struct LockPlace {
    Folder temp;
    std::string fileName;
    std::string shown;
};

// Takes the lock at once: the hold, null when another run holds it. Throws when the lock
// file cannot be made.
std::shared_ptr<ProgramLock::Hold> tryLockProgramFolder(const LockPlace& place);

} // namespace tess
