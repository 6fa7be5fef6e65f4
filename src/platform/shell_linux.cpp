// Linux has no shell that opens batch files, so a batch is run by our own interpreter:
// `tessarine-cli run-batch FILE`, started in the batch's folder in a process of its own (a
// new session). That process is our child, so its end can be told: a thread of its own
// waits for it and reaps it, whether or not anyone still asks, so none is left as a zombie.
// The interpreter writes the batch's output to a log file beside the batch; when a terminal
// window can be shown, one follows that log until the batch's process has ended and then
// closes, as the console window of a batch does on Windows. The terminal itself is never
// watched: many terminal programs hand their window to a server and return at once.
// TESS_NO_TERMINAL=1 (tests, CI) never opens a terminal; without a display none is opened
// either.
#include "platform/shell.h"

#include "core/files.h"
#include "core/paths.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <thread>
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

// Starts arguments[0] (a full path) with the arguments in folder, in a new session. Returns
// the child's process id, or -1 when the program could not be started (the exec error comes
// back through a close-on-exec pipe; the failed child is reaped here). With `detached` the
// child forks once more and exits at once, so the program runs under the init process,
// nothing is left to reap, and 0 comes back. With quiet, standard input and output go to
// /dev/null. The descriptor `inherited` (when not -1) stays open in the program: the lock of
// the step that starts it.
pid_t startProcess(const fs::path& folder, const std::vector<std::string>& arguments, bool quiet,
                   bool detached, int inherited = -1) {
    if (arguments.empty())
        return -1;
    // Everything the children need is prepared before fork: after it only async-signal-safe
    // calls are made.
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const std::string folderText = folder.string();

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    const int devNull = quiet ? ::open("/dev/null", O_RDWR | O_CLOEXEC) : -1;

    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        if (devNull >= 0)
            ::close(devNull);
        return -1;
    }
    if (child == 0) {
        ::setsid();
        if (detached) {
            const pid_t grandchild = ::fork();
            if (grandchild < 0)
                writeErrorAndExit(pipeFds[1], errno);
            if (grandchild > 0)
                ::_exit(0);
        }
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
        if (inherited >= 0)
            ::fcntl(inherited, F_SETFD, 0);
        if (::chdir(folderText.c_str()) != 0)
            writeErrorAndExit(pipeFds[1], errno);
        ::execv(argv[0], argv.data());
        writeErrorAndExit(pipeFds[1], errno);
    }

    ::close(pipeFds[1]);
    if (devNull >= 0)
        ::close(devNull);
    int error = 0;
    ssize_t n = 0;
    do {
        n = ::read(pipeFds[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(pipeFds[0]);
    const bool ok = n == 0;
    if (detached || !ok) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (!ok)
        return -1;
    return detached ? 0 : child;
}

bool startDetached(const fs::path& folder, const std::vector<std::string>& arguments, bool quiet) {
    return startProcess(folder, arguments, quiet, true) == 0;
}

} // namespace

struct BatchProcess::State {
    pid_t pid = -1;
    std::atomic<bool> ended{false};
    std::atomic<bool> failed{false};
    bool shown = false; // a terminal follows its log
    // Set when no waiting thread could be made: then asking reaps.
    bool reapWhenAsked = false;
};

namespace {

// Waits for the process on a thread of its own and reaps it: its end is noted for whoever
// still asks, and no zombie is left even when nobody does.
void watch(const std::shared_ptr<BatchProcess::State>& state) {
    try {
        std::thread([state] {
            int status = 0;
            while (::waitpid(state->pid, &status, 0) < 0 && errno == EINTR) {
            }
            state->failed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
            state->ended = true;
        }).detach();
    } catch (const std::system_error&) {
        state->reapWhenAsked = true;
    }
}

} // namespace

bool BatchProcess::hasEnded() const {
    if (!state_)
        return true;
    if (state_->reapWhenAsked && !state_->ended) {
        int status = 0;
        const pid_t result = ::waitpid(state_->pid, &status, WNOHANG);
        if (result == state_->pid)
            state_->failed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
        if (result == state_->pid || (result < 0 && errno == ECHILD))
            state_->ended = true;
    }
    return state_->ended;
}

bool BatchProcess::failed() const {
    return hasEnded() && state_ && state_->failed;
}

bool BatchProcess::shownInWindow() const {
    return state_ && state_->shown;
}

std::optional<int> runBatchInSystemShell(const std::string&) {
    return std::nullopt;
}

BatchProcess openBatch(const std::string& folder, const std::string& fileName) {
    const fs::path dir = resolvePath(folder);
    const std::string cli = pathText(resolvePath(programFolder() + "tessarine-cli"));
    if (::access(cli.c_str(), X_OK) != 0) {
        // As on Windows, a batch that cannot be started shows nothing in the window.
        std::cerr << cli << " fehlt; " << fileName << " wird nicht ausgeführt.\n";
        return {};
    }
    std::string terminal;
    std::string tail;
    const std::string log = batchLogPath(fileName);
    if (!environmentFlag("TESS_NO_TERMINAL") && hasDisplay()) {
        terminal = findOnPath("x-terminal-emulator");
        tail = findOnPath("tail");
        // The terminal follows the log from its first line, so it must be there (and empty)
        // before the batch starts.
        try {
            writeFileAtomically(folder + log, "");
        } catch (const std::exception&) {
            terminal.clear();
        }
    }
    auto state = std::make_shared<BatchProcess::State>();
    // The batch works under the lock of the step that starts it, and keeps it until it ends.
    const std::shared_ptr<ProgramLock::Hold> lock = ProgramLock::heldNow();
    state->pid = startProcess(dir, {cli, "run-batch", fileName}, true, false,
                              lock ? descriptorOf(*lock) : -1);
    if (state->pid < 0) {
        std::cerr << cli << " run-batch " << fileName << " kann nicht gestartet werden.\n";
        return {};
    }
    watch(state);
    if (!terminal.empty() && !tail.empty())
        state->shown = startDetached(dir,
                                     {terminal, "-e", tail, "-n", "+1", "-s", "0.2",
                                      "--pid=" + std::to_string(state->pid), "-F", log},
                                     false);
    return BatchProcess(std::move(state));
}

bool openDocument(const std::string& path) {
    const std::string opener = findOnPath("xdg-open");
    if (opener.empty())
        return false;
    std::error_code ec;
    const fs::path document = fs::absolute(resolvePath(path), ec);
    if (ec)
        return false;
    return startDetached(document.parent_path(), {opener, pathText(document)}, true);
}

} // namespace tess
