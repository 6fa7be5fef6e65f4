// Windows: a batch runs in cmd.exe in a console window of its own, as the shell runs a batch
// file; between the two sits `tessarine-cli run-batch`, which passes on what the batch prints
// to that console and into the log beside the batch, where it stays once the console window
// has closed. Documents are opened by the shell with the program associated with their type.
// The handle of the process started is kept, so the end of a batch can be told; it is closed
// when the last copy of the BatchProcess goes.
#include "platform/shell.h"

#include "core/windows_api.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"

#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

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
    const std::wstring cli = toWindowsPath(programFolder() + "tessarine-cli.exe");
    std::wstring commandLine = L"\"" + cli + L"\" run-batch \"" + toWide(fileName) + L"\"";
    const std::wstring directory = toWindowsPath(folder);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // A console window of its own, as the shell gives a batch; it closes when run-batch ends.
    if (!CreateProcessW(cli.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &started))
        return {};
    CloseHandle(started.hThread);
    auto state = std::make_shared<BatchProcess::State>();
    state->process = started.hProcess;
    keepLockUntilEnd(started.hProcess);
    return BatchProcess(std::move(state));
}

namespace {

// What cmd.exe and the programs it starts print reaches run-batch through one pipe: cmd.exe
// writes in the console's code page, our archive tools in UTF-8. Each line is taken as UTF-8
// when it is valid UTF-8, else in the code page of cmd.exe, and goes on in UTF-8 to the log
// and to the console (there as UTF-16, so that the console's code page does not matter).
class BatchOutput {
public:
    BatchOutput(std::ostream& log, UINT cmdCodePage) : log_(log), codePage_(cmdCodePage) {
        DWORD mode = 0;
        screen_ = GetStdHandle(STD_OUTPUT_HANDLE);
        isConsole_ = screen_ != INVALID_HANDLE_VALUE && GetConsoleMode(screen_, &mode);
    }

    // Bytes as they came; a line is passed on once it is complete.
    void add(std::string_view bytes) {
        pending_ += bytes;
        std::size_t end = 0;
        while ((end = pending_.find('\n')) != std::string::npos) {
            show(pending_.substr(0, end + 1));
            pending_.erase(0, end + 1);
        }
    }

    // The rest of a line, when nothing more follows for now (a question that waits for a key).
    void flush() {
        if (!pending_.empty())
            show(pending_);
        pending_.clear();
    }

    // A text of our own (UTF-8).
    void say(const std::string& text) { write(text); }

private:
    void show(const std::string& bytes) { write(asUtf8(bytes)); }

    std::string asUtf8(const std::string& bytes) const {
        const int size = static_cast<int>(bytes.size());
        if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0) > 0)
            return bytes;
        const int length = MultiByteToWideChar(codePage_, 0, bytes.data(), size, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
        if (length > 0)
            MultiByteToWideChar(codePage_, 0, bytes.data(), size, wide.data(), length);
        return fromWide(wide);
    }

    void write(const std::string& utf8) {
        log_.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
        log_.flush();
        DWORD written = 0;
        if (isConsole_) {
            const std::wstring wide = toWide(utf8);
            WriteConsoleW(screen_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        } else if (screen_ != INVALID_HANDLE_VALUE && screen_ != nullptr) {
            WriteFile(screen_, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
        }
    }

    std::ostream& log_;
    UINT codePage_;
    HANDLE screen_ = nullptr;
    bool isConsole_ = false;
    std::string pending_;
};

// cmd.exe, as the shell finds it.
std::wstring commandInterpreter() {
    std::wstring path(32767, L'\0');
    DWORD length = GetEnvironmentVariableW(L"ComSpec", path.data(), 32767);
    if (length > 0 && length < 32767)
        return path.substr(0, length);
    length = GetSystemDirectoryW(path.data(), 32767);
    return path.substr(0, length < 32767 ? length : 0) + L"\\cmd.exe";
}

} // namespace

std::optional<int> runBatchInSystemShell(const std::string& batchPath) {
    std::ofstream log = openBatchLog(batchPath);
    // cmd.exe reads the batch in the console's code page, and the batch is written in the OEM
    // code page that a console starts with (encodeBatchText): the console gets it back for
    // as long as the batch runs, whatever this program set for its own output.
    if (GetConsoleOutputCP() != 0)
        SetConsoleOutputCP(GetOEMCP());
    const UINT cmdCodePage = GetConsoleOutputCP() != 0 ? GetConsoleOutputCP() : GetACP();
    BatchOutput output(log, cmdCodePage);

    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    const auto cannotRun = [&](DWORD error) {
        output.say(batchPath + " kann nicht ausgeführt werden: " +
                   std::system_category().message(static_cast<int>(error)) + "\r\n");
        return 1;
    };
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        return cannotRun(GetLastError());
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    // /S /C ""file"": the quotes around the whole command go, those around the file stay.
    const std::wstring interpreter = commandInterpreter();
    std::wstring commandLine =
        L"\"" + interpreter + L"\" /S /C \"\"" + toWindowsPath(batchPath) + L"\"\"";
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(interpreter.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                   0, nullptr, nullptr, &startup, &started);
    const DWORD startError = GetLastError();
    CloseHandle(writeEnd);
    if (!ok) {
        CloseHandle(readEnd);
        return cannotRun(startError);
    }
    CloseHandle(started.hThread);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        output.add(std::string_view(buffer, got));
        DWORD waiting = 0;
        if (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting == 0)
            output.flush();
    }
    output.flush();
    CloseHandle(readEnd);
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hProcess);
    return static_cast<int>(code);
}

bool openDocument(const std::string& path) {
    const std::wstring document = toWindowsPath(path);
    // ShellExecute gives a value above 32 when it could open the document.
    return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", document.c_str(), nullptr,
                                                   nullptr, SW_SHOWNORMAL)) > 32;
}

} // namespace tess
