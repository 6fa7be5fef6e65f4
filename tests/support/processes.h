// Child processes: our programs run as a user's script runs them (tessarine-cli with its
// arguments, in a folder, both outputs caught), the environment they inherit, and on Linux
// work forked under limits (a full disk, a step that never ends).
#pragma once

#include "support/files.h"
#include "support/system.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace tess::test {

// Sets an environment variable of this process (and of the children it starts); with
// `replace` false a value that is set already stays.
inline void setEnvironment(const char* name, const std::string& value, bool replace = true) {
    if (!replace && std::getenv(name) != nullptr)
        return;
#ifdef _WIN32
    ::_putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

// ---- Our programs as child processes ----------------------------------------------------
// One of our programs run as a child process, on Linux and on Windows alike: in a given
// folder, with its standard output and error caught in files. The arguments are UTF-8 and
// reach the program unchanged (on Windows quoted by the C run-time's rules for the wide
// command line). A Windows program ends its output lines with CR LF; they come back with LF,
// as on Linux.

// What a run left: its exit code and both outputs.
struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};
using CliResult = ProgramRun;

#ifdef _WIN32

// One argument as CommandLineToArgvW and the C run-time read it back.
inline std::wstring quotedArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

inline std::string withoutCarriageReturns(const std::string& text) {
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n')
            lines += text[i];
    return lines;
}

inline HANDLE inheritableFile(const std::filesystem::path& path) {
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

inline ProgramRun runProgram(const std::filesystem::path& program,
                             const std::vector<std::string>& arguments,
                             const std::filesystem::path& folder) {
    TempDir scratch;
    std::wstring commandLine = quotedArgument(program.wstring());
    for (const std::string& argument : arguments)
        commandLine +=
            L" " +
            quotedArgument(
                std::filesystem::path(std::u8string(argument.begin(), argument.end())).wstring());
    ProgramRun run;
    HANDLE out = inheritableFile(scratch.path() / "out");
    HANDLE err = inheritableFile(scratch.path() / "err");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const std::wstring directory = folder.wstring();
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       directory.c_str(), &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        run.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    run.out = withoutCarriageReturns(readBytes(scratch.path() / "out"));
    run.err = withoutCarriageReturns(readBytes(scratch.path() / "err"));
    return run;
}

#else

inline ProgramRun runProgram(const std::filesystem::path& program,
                             const std::vector<std::string>& arguments,
                             const std::filesystem::path& folder) {
    TempDir scratch;
    const std::string outFile = (scratch.path() / "out").string();
    const std::string errFile = (scratch.path() / "err").string();
    std::vector<std::string> texts{program.string()};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    const std::string folderText = folder.string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 ||
            ::chdir(folderText.c_str()) != 0)
            ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ProgramRun run;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    run.out = readBytes(outFile);
    run.err = readBytes(errFile);
    return run;
}

#endif

// A text as one word for the shell.
inline std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The words of a command line written for the POSIX shell: blanks separate, single quotes
// keep everything up to the next one, a backslash keeps the next character.
inline std::vector<std::string> shellWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '\'') {
            const std::size_t end = line.find('\'', i + 1);
            word += line.substr(i + 1, end - i - 1);
            i = end == std::string::npos ? line.size() : end;
            inWord = true;
        } else if (c == '\\' && i + 1 < line.size()) {
            word += line[++i];
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

// Runs tessarine-cli with the arguments (quoted for the shell where needed) in `folder`, as a
// map maker's script runs it: a child process of its own; captures both outputs.
inline CliResult cli(const std::string& args, const std::filesystem::path& folder) {
    return runProgram(TESS_CLI_PATH, shellWords(args), folder);
}

// Whether this Windows program runs under Wine (whose file system is slow where Windows' is
// not: a folder of many thousand files).
inline bool runsUnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

#ifdef _WIN32
// Waits until the batches that this process started have ended (the cmd.exe that the shell
// started for each; Wine's own helpers are left aside), at most `seconds`; true when none is
// left.
inline bool waitForChildPrograms(int seconds) {
    // A process id is used again once its process has ended: a child was started after us.
    const auto startOf = [](HANDLE process) {
        FILETIME created{}, ended{}, kernel{}, user{};
        GetProcessTimes(process, &created, &ended, &kernel, &user);
        return (std::uint64_t(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    };
    const auto startedAfterUs = [&](DWORD id) {
        const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
        if (process == nullptr)
            return false;
        const bool after = startOf(process) >= startOf(GetCurrentProcess());
        CloseHandle(process);
        return after;
    };
    const auto childLeft = [&] {
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE)
            return false;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        bool found = false;
        for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
             more = Process32NextW(snapshot, &entry))
            found = entry.th32ParentProcessID == GetCurrentProcessId() &&
                    CompareStringOrdinal(entry.szExeFile, -1, L"cmd.exe", -1, TRUE) == CSTR_EQUAL &&
                    startedAfterUs(entry.th32ProcessID);
        CloseHandle(snapshot);
        return found;
    };
    for (int i = 0; i < seconds * 20 && childLeft(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return !childLeft();
}
#endif

#ifndef _WIN32
// ---- Forked children under limits (Linux) -----------------------------------------------
// For what a test cannot do in its own process: a full disk (a file-size limit reproduces one
// anywhere), several processes at once, and a step that might never end.

struct ChildLimits {
    // Files cannot grow beyond this many bytes (0: no limit); writing more fails with EFBIG,
    // as writing to a full disk fails with ENOSPC.
    std::uint64_t fileSize = 0;
    // The child is killed after this many seconds (a step that hangs fails the test instead
    // of the test run).
    int seconds = 120;
};

struct ChildResult {
    bool finished = false; // exited on its own, before the time ran out
    int exitCode = -1;
    std::string output; // what the child wrote to its standard output and error
};

namespace detail {

inline void applyLimits(const ChildLimits& limits) {
    if (limits.fileSize > 0) {
        std::signal(SIGXFSZ, SIG_IGN); // a failing write, not a killed process
        const rlimit limit{static_cast<rlim_t>(limits.fileSize),
                           static_cast<rlim_t>(limits.fileSize)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
}

inline ChildResult awaitChild(pid_t pid, const std::filesystem::path& outputFile, int seconds) {
    ChildResult result;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            result.finished = WIFEXITED(status);
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::ifstream in(outputFile, std::ios::binary);
    result.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return result;
}

} // namespace detail

// Runs work in a forked child under the limits; its return value is the exit code, what it
// writes to `output` comes back in the result.
inline ChildResult runInChild(const std::function<int(std::string& output)>& work,
                              ChildLimits limits = {}) {
    TempDir scratch;
    const std::filesystem::path outputFile = scratch.path() / "output";
    std::fflush(nullptr); // nothing buffered twice
    const pid_t pid = ::fork();
    if (pid == 0) {
        detail::applyLimits(limits);
        std::string output;
        int code = 99;
        try {
            code = work(output);
        } catch (const std::exception& e) {
            output += e.what();
        }
        std::ofstream(outputFile, std::ios::binary) << output;
        std::fflush(nullptr);
        ::_exit(code);
    }
    return detail::awaitChild(pid, outputFile, limits.seconds);
}

// Runs a program with arguments in folder under the limits; standard output and error both
// go to the result's output.
inline ChildResult runProgram(const std::vector<std::string>& arguments,
                              const std::filesystem::path& folder, ChildLimits limits = {}) {
    TempDir scratch;
    const std::filesystem::path outputFile = scratch.path() / "output";
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        detail::applyLimits(limits);
        const int fd = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::dup2(fd, 1) < 0 || ::dup2(fd, 2) < 0 || ::chdir(folder.c_str()) != 0)
            ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return detail::awaitChild(pid, outputFile, limits.seconds);
}
#endif

} // namespace tess::test
