// Runs one of our programs as a child process, on Linux and on Windows alike: in a given
// folder, with its standard output and error caught in files. The arguments are UTF-8 and
// reach the program unchanged (on Windows quoted by the C run-time's rules for the wide
// command line). A Windows program ends its output lines with CR LF; they come back with LF,
// as on Linux.
#pragma once

#include "test_support.h"

#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tess::test {

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

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

} // namespace tess::test
