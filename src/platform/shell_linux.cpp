// Linux has no shell that opens batch files, so a batch is run by our own interpreter:
// `tessarine-cli run-batch FILE`, started in the batch's folder in a process of its own
// (a new session, double fork: never awaited, never left as a zombie), in a terminal window
// when one can be shown. The interpreter itself writes the output to a log file beside the
// batch as well, so it can be read after the window has gone. TESS_NO_TERMINAL=1 (tests,
// CI) never opens a terminal; without a display none is opened either.
#include "platform/shell.h"

#include "core/paths.h"
#include "platform/program_folder.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tess {
namespace {

// The program's full path when name is found as an executable file on PATH; else empty.
std::string findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path)
        return {};
    const std::string dirs = path;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        const std::string candidate = dir + "/" + name;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

bool environmentFlag(const char* name) {
    const char* value = std::getenv(name);
    return value && *value && std::string(value) != "0";
}

bool hasDisplay() {
    return environmentFlag("DISPLAY") || environmentFlag("WAYLAND_DISPLAY");
}

void writeErrorAndExit(int fd, int error) {
    [[maybe_unused]] const ssize_t written = ::write(fd, &error, sizeof error);
    ::_exit(127);
}

// Starts arguments[0] (a full path) with the arguments in folder, detached: the child
// forks once more and exits at once, so the program runs in a new session under the init
// process and nothing is left to reap. Returns false when the program could not be
// started (the exec error comes back through a close-on-exec pipe). With quiet, standard
// input and output go to /dev/null.
bool startDetached(const fs::path& folder, const std::vector<std::string>& arguments, bool quiet) {
    if (arguments.empty())
        return false;
    // Everything the children need is prepared before fork: after it only async-signal-safe
    // calls are made.
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const std::string folderText = folder.string();

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    const int devNull = quiet ? ::open("/dev/null", O_RDWR | O_CLOEXEC) : -1;

    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        if (devNull >= 0)
            ::close(devNull);
        return false;
    }
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild < 0)
            writeErrorAndExit(pipeFds[1], errno);
        if (grandchild > 0)
            ::_exit(0);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::signal(SIGCHLD, SIG_DFL);
        if (devNull >= 0) {
            ::dup2(devNull, 0);
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
        }
#ifdef CLOSE_RANGE_CLOEXEC
        // Descriptors the program opened without close-on-exec stay out of the child.
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
#endif
        if (::chdir(folderText.c_str()) != 0)
            writeErrorAndExit(pipeFds[1], errno);
        ::execv(argv[0], argv.data());
        writeErrorAndExit(pipeFds[1], errno);
    }

    ::close(pipeFds[1]);
    if (devNull >= 0)
        ::close(devNull);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n = 0;
    do {
        n = ::read(pipeFds[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(pipeFds[0]);
    return n == 0;
}

} // namespace

void openBatch(const std::string& folder, const std::string& fileName) {
    const fs::path dir = resolvePath(folder);
    const std::string cli = pathText(resolvePath(programFolder() + "tessarine-cli"));
    if (::access(cli.c_str(), X_OK) != 0) {
        // As on Windows, a batch that cannot be started shows nothing in the window.
        std::cerr << cli << " fehlt; " << fileName << " wird nicht ausgeführt.\n";
        return;
    }
    if (!environmentFlag("TESS_NO_TERMINAL") && hasDisplay()) {
        const std::string terminal = findOnPath("x-terminal-emulator");
        if (!terminal.empty() &&
            startDetached(dir, {terminal, "-e", cli, "run-batch", fileName}, false))
            return;
    }
    if (!startDetached(dir, {cli, "run-batch", fileName}, true))
        std::cerr << cli << " run-batch " << fileName << " kann nicht gestartet werden.\n";
}

void openDocument(const std::string& path) {
    const std::string opener = findOnPath("xdg-open");
    if (opener.empty())
        return;
    std::error_code ec;
    const fs::path document = fs::absolute(resolvePath(path), ec);
    if (ec)
        return;
    startDetached(document.parent_path(), {opener, pathText(document)}, true);
}

} // namespace tess
