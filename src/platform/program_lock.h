// One lock per program folder, so that two runs of Tessarine (two windows, a window and
// tessarine-cli, two scripts) never work in one program folder at the same time: an advisory
// lock on the file temp\tessarine.lock (flock on Linux, LockFileEx on Windows), taken by every
// step that writes into the program folder and held until the step has ended. The operating
// system lets go of it when the process that holds it ends, so a run that died blocks nobody.
//
// A batch that a step starts works under that step's lock, handed down: on Linux the batch's
// process inherits the lock and keeps it until it ends, also when the step has ended before;
// on Windows the step's process keeps it until the batch's process has ended. So a step that
// waits for its own batch never waits for itself, and the window holds no lock while it merely
// sits between steps.
#pragma once

#include <chrono>
#include <memory>
#include <string>

namespace tess {

// How long a step asks again for a lock that is taken before it gives up: a batch that has
// just delivered lets go of its step's lock within moments.
inline constexpr std::chrono::milliseconds kProgramLockPatience{2000};

class ProgramLock {
public:
    // One lock taken: shared by every ProgramLock of this process on the same folder and by
    // the batches started under it.
    struct Hold;

    // Takes the lock of the program folder (a folder text with its trailing separator). When
    // this process holds it already, shares that hold. When another run holds it, asks again
    // for up to `patience`, then throws tess::Error saying that another run works there.
    // Throws the framework's "kann nicht erstellt werden" error when the lock file cannot be
    // made (temp\ missing, or a link where it belongs).
    explicit ProgramLock(const std::string& programFolder,
                         std::chrono::milliseconds patience = kProgramLockPatience);
    ~ProgramLock();
    ProgramLock(ProgramLock&&) noexcept;
    ProgramLock& operator=(ProgramLock&&) noexcept;
    ProgramLock(const ProgramLock&) = delete;
    ProgramLock& operator=(const ProgramLock&) = delete;

    // The hold that a batch started now works under; null when this process holds no lock.
    static std::shared_ptr<Hold> heldNow();

private:
    std::shared_ptr<Hold> hold_;
};

// <program folder>temp\tessarine.lock
std::string programLockFile(const std::string& programFolder);

#ifndef _WIN32
// The open descriptor that carries a hold, for a child process to inherit.
int descriptorOf(const ProgramLock::Hold& hold);
#endif

} // namespace tess
