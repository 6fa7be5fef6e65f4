// Windows: the shell runs batch files itself (cmd.exe in a console window of its own) and
// opens documents with the program associated with their type. ShellExecuteEx hands back
// the process it started, so the end of a batch can be told; the handle is closed when the
// last copy of the BatchProcess goes.
#include "platform/shell.h"

#include "core/windows_text.h"

#include <string>

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

BatchProcess openBatch(const std::string& folder, const std::string& fileName) {
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
    return BatchProcess(std::move(state));
}

std::string batchLogFile(const std::string&, const std::string&) {
    return {};
}

void openDocument(const std::string& path) {
    const std::wstring document = toWindowsPath(path);
    ShellExecuteW(nullptr, L"open", document.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace tess
