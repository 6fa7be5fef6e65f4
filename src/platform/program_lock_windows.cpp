// The program-folder lock on Windows: LockFileEx on temp\tessarine.lock. Windows lets go of
// it when the handle is closed or the process ends; a batch's process cannot inherit it, so
// the shell keeps the hold until the batch's process has ended (see shell_windows.cpp).
#include "platform/program_lock.h"
#include "platform/program_lock_system.h"

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "core/windows_api.h"

#include <cerrno>
#include <filesystem>

#include <windows.h>

namespace tess {

struct ProgramLock::Hold {
    HANDLE file = INVALID_HANDLE_VALUE;
    Hold() = default;
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    ~Hold() {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
};

std::shared_ptr<ProgramLock::Hold> tryLockProgramFolder(const LockPlace& place) {
    const std::string& shown = place.shown;
    auto hold = std::make_shared<ProgramLock::Hold>();
    const std::filesystem::path path = place.temp.path() / place.fileName;
    hold->file =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (hold->file == INVALID_HANDLE_VALUE)
        throw cannotCreate(shown, systemReason(errnoOfWindowsError(GetLastError())));
    OVERLAPPED where{};
    if (LockFileEx(hold->file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &where))
        return hold;
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
        return nullptr;
    throw cannotCreate(shown, systemReason(errnoOfWindowsError(error)));
}

} // namespace tess
