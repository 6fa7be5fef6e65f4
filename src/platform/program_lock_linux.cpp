// The program-folder lock on Linux: flock on temp/tessarine.lock. The lock belongs to the open
// file description, which a batch's process inherits (see shell_linux.cpp); it is let go when
// the last descriptor of it is closed, so a hold is only ever closed, never unlocked: an
// explicit unlock would take the lock from a batch that still runs.
#include "platform/program_lock.h"
#include "platform/program_lock_system.h"

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"

#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tess {

struct ProgramLock::Hold {
    int fd = -1;
    Hold() = default;
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    ~Hold() {
        if (fd >= 0)
            ::close(fd);
    }
};

int descriptorOf(const ProgramLock::Hold& hold) {
    return hold.fd;
}

std::shared_ptr<ProgramLock::Hold> tryLockProgramFolder(const LockPlace& place) {
    const std::string& shown = place.shown;
    auto hold = std::make_shared<ProgramLock::Hold>();
    hold->fd = ::openat(place.temp.descriptor(), place.fileName.c_str(),
                        O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
    if (hold->fd < 0)
        throw cannotCreate(shown, errno == ENOENT ? systemReason(ENOTDIR) : systemReason(errno));
    int result = 0;
    do {
        result = ::flock(hold->fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0)
        return hold;
    if (errno == EWOULDBLOCK)
        return nullptr;
    throw cannotCreate(shown, systemReason(errno));
}

} // namespace tess
