// Windows: the shell runs batch files itself (cmd.exe in a console window of its own) and
// opens documents with the program associated with their type. ShellExecuteEx hands back
// the process it started, so the end of a batch can be told; the handle is closed when the
// last copy of the BatchProcess goes.
#include "platform/shell.h"

#include "core/windows_text.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"

#include <string>
#include <system_error>
#include <thread>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <shellapi.h>

namespace tess {

struct BatchProcess::State {
    // The batch's process, or null when the shell started it without handing it back (then
    // its end cannot be told).
    HANDLE process = nullptr;

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        if (process)
            CloseHandle(process);
    }
};

bool BatchProcess::hasEnded() const {
    if (!state_)
        return true;
    if (!state_->process)
        return false;
    return WaitForSingleObject(state_->process, 0) == WAIT_OBJECT_0;
}

bool BatchProcess::failed() const {
    DWORD code = 0;
    return state_ && state_->process && hasEnded() && GetExitCodeProcess(state_->process, &code) &&
           code != 0;
}

bool BatchProcess::shownInWindow() const {
    return started();
}

namespace {

// The batches call our rfaPack.exe and rfaunpack.exe by their bare names, also from the
// Network folder: cmd.exe finds a program in the current folder or on the search path, so the
// program folder goes onto the search path that the batches inherit from us.
void putProgramFolderOnPath() {
    const std::wstring folder = toWindowsPath(programFolder());
    if (folder.empty())
        return;
    std::wstring path(32767, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"PATH", path.data(), 32767);
    path.resize(length < 32767 ? length : 0);
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find(L';', start);
        if (end == std::wstring::npos)
            end = path.size();
        std::wstring entry = path.substr(start, end - start);
        if (!entry.empty() && entry.back() != L'\\')
            entry += L'\\';
        if (CompareStringOrdinal(entry.c_str(), -1, folder.c_str(), -1, TRUE) == CSTR_EQUAL)
            return;
        start = end + 1;
    }
    const std::wstring updated = path.empty() ? folder : folder + L";" + path;
    SetEnvironmentVariableW(L"PATH", updated.c_str());
}

// A batch works under the lock of the step that starts it. Its process cannot inherit the
// lock, so a thread of ours keeps the step's hold until the process has ended (or until this
// program ends).
void keepLockUntilEnd(HANDLE process) {
    std::shared_ptr<ProgramLock::Hold> hold = ProgramLock::heldNow();
    HANDLE watched = nullptr;
    if (!hold || !process ||
        !DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &watched, SYNCHRONIZE,
                         FALSE, 0))
        return;
    try {
        std::thread([hold, watched] {
            WaitForSingleObject(watched, INFINITE);
            CloseHandle(watched);
        }).detach();
    } catch (const std::system_error&) {
        CloseHandle(watched);
    }
}

} // namespace

BatchProcess openBatch(const std::string& folder, const std::string& fileName) {
    putProgramFolderOnPath();
    // The bare file name, no parameters, the folder as working folder, a normal window.
    const std::wstring file = toWide(fileName);
    const std::wstring directory = toWindowsPath(folder);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // NOCLOSEPROCESS: hand back the process. NOASYNC: the call may return before the shell's
    // own threads have finished starting it otherwise. FLAG_NO_UI: a batch that cannot be
    // started shows nothing, as before; the caller learns of it from the result.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.hwnd = nullptr;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpParameters = nullptr;
    info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info))
        return {};
    auto state = std::make_shared<BatchProcess::State>();
    state->process = info.hProcess;
    keepLockUntilEnd(info.hProcess);
    return BatchProcess(std::move(state));
}

std::string batchLogFile(const std::string&, const std::string&) {
    return {};
}

bool openDocument(const std::string& path) {
    const std::wstring document = toWindowsPath(path);
    // ShellExecute gives a value above 32 when it could open the document.
    return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", document.c_str(), nullptr,
                                                   nullptr, SW_SHOWNORMAL)) > 32;
}

} // namespace tess
