// Windows: the shell runs batch files itself (cmd.exe in a console window of its own) and
// opens documents with the program associated with their type. ShellExecuteEx hands back
// the process it started, so the end of a batch can be told; the handle is closed when the
// last copy of the BatchProcess goes.
#include "platform/shell.h"

#include "core/error.h"
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

std::string batchFileBytes(const LineList& lines) {
    const UINT codePage = GetOEMCP();
    std::string bytes;
    for (const std::string& line : lines) {
        const std::wstring wide = toWide(line);
        if (!wide.empty()) {
            const int size = static_cast<int>(wide.size());
            BOOL substituted = FALSE;
            // UTF-8 (65001) and UTF-7 take no substitution flag; they hold every character.
            const bool canSubstitute = codePage != CP_UTF8 && codePage != CP_UTF7;
            const DWORD flags = canSubstitute ? WC_NO_BEST_FIT_CHARS : 0;
            BOOL* substitutedFlag = canSubstitute ? &substituted : nullptr;
            const int length = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0,
                                                   nullptr, substitutedFlag);
            std::string encoded(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
            if (length > 0)
                WideCharToMultiByte(codePage, flags, wide.data(), size, encoded.data(), length,
                                    nullptr, substitutedFlag);
            if (length <= 0 || substituted)
                throw Error("Die Zeile \"" + line +
                            "\" kann in der Codepage der Eingabeaufforderung (" +
                            std::to_string(codePage) + ") nicht gespeichert werden");
            bytes += encoded;
        }
        bytes += "\r\n";
    }
    return bytes;
}

std::string batchLogFile(const std::string&, const std::string&) {
    return {};
}

void openDocument(const std::string& path) {
    const std::wstring document = toWindowsPath(path);
    ShellExecuteW(nullptr, L"open", document.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace tess
