// The window's time to its first shown frame: from the start of the process to the moment the
// main window's first expose has been painted and handed to the X server, for the real window
// and for a bare window built here (a QWidget of the same size holding a QTabWidget with four
// tabs), each started as a process of its own, in turns, several times. The bare window is
// what any Qt program pays for starting (loading the libraries, connecting to the X server,
// the first paint); the difference is what our window adds (its controls, pictures, fonts and
// the translation). Goal: the real window's median within 2 x the bare one's, so that the
// window stays as quick to appear as any small Qt tool.
//
// It needs a real X server, so that the first frame really travels to one (Xvfb will do):
//
//   xvfb-run -a window_start_bench [--runs N] [--results]
//
// --runs gives the number of counted starts of each window (default 11; one start of each
// before them warms the caches and is not counted); --results adds the result lines that
// bench/run collects. Each start runs this program again as
//
//   window_start_bench --child real|bare PROGRAM_FOLDER
//
// which shows the window, prints "FRAME <monotonic clock in ns>" once its first expose has
// been painted, and ends.
#include "app/tform1.h"
#include "platform/program_folder.h"
#include "result_lines.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kDefaultRuns = 11;
constexpr int kChildTimeoutMs = 60000;

std::int64_t monotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Ends the child once the window's first expose has been painted: Qt paints and flushes a
// widget window while it handles the expose, so a zero timer queued on the expose runs after
// the frame has left for the X server.
class FirstFrame : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !seen_ &&
            static_cast<QWindow*>(watched)->isExposed()) {
            seen_ = true;
            QTimer::singleShot(0, [] {
                std::printf("FRAME %lld\n", static_cast<long long>(monotonicNs()));
                std::fflush(stdout);
                // The measurement is taken; tearing the window down is not part of it.
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    bool seen_ = false;
};

// A window of the real one's size with a tab widget of four tabs, each with one line of text.
std::unique_ptr<QWidget> bareWindow() {
    auto window = std::make_unique<QWidget>();
    window->setWindowTitle(QStringLiteral("Bare"));
    window->setFixedSize(760, 620);
    window->move(204, 122);
    auto* tabs = new QTabWidget(window.get());
    tabs->setGeometry(8, 8, 744, 604);
    for (int i = 1; i <= 4; ++i) {
        auto* page = new QWidget;
        auto* label = new QLabel(QStringLiteral("Page %1").arg(i), page);
        label->move(16, 16);
        tabs->addTab(page, QStringLiteral("(%1) Tab").arg(i));
    }
    return window;
}

int child(const std::string& kind, const std::string& programFolder, int argc, char** argv) {
    QApplication application(argc, argv);
    std::unique_ptr<QWidget> window;
    if (kind == "real") {
        // As the program's own main() starts, with a program folder of its own.
        tess::setProgramFolderOverride(programFolder);
        TForm1::prepareApplication();
        application.setWindowIcon(QIcon(QStringLiteral(":/pictures/tessarine.png")));
        window = std::make_unique<TForm1>();
    } else {
        window = bareWindow();
    }
    FirstFrame firstFrame;
    window->winId(); // the native window exists from here, before it is shown
    window->windowHandle()->installEventFilter(&firstFrame);
    window->show();
    return QApplication::exec();
}

// One start of this program as the child of `kind`: the milliseconds from just before the
// process was made to its first frame, or nothing when it failed (said on standard error).
std::optional<double> startOnce(const std::string& self, const std::string& kind,
                                const std::string& programFolder) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        std::perror("pipe");
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);

    // The same environment, but always the X server, never offscreen; and a runtime folder of
    // its own where the session has none (Qt warns on every start otherwise).
    std::vector<std::string> environment;
    bool runtimeFolder = false;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
            environment.emplace_back(*e);
        runtimeFolder = runtimeFolder || std::strncmp(*e, "XDG_RUNTIME_DIR=", 16) == 0;
    }
    environment.emplace_back("QT_QPA_PLATFORM=xcb");
    if (!runtimeFolder)
        environment.push_back("XDG_RUNTIME_DIR=" + programFolder + "runtime");
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string childFlag = "--child";
    std::string kindArg = kind;
    std::string folderArg = programFolder;
    std::string selfArg = self;
    char* args[] = {selfArg.data(), childFlag.data(), kindArg.data(), folderArg.data(), nullptr};

    pid_t pid = 0;
    const std::int64_t start = monotonicNs();
    const int spawned = ::posix_spawn(&pid, self.c_str(), &actions, nullptr, args, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", self.c_str(), std::strerror(spawned));
        ::close(pipeEnds[0]);
        return std::nullopt;
    }

    std::string output;
    bool timedOut = false;
    for (;;) {
        pollfd readable{pipeEnds[0], POLLIN, 0};
        const int ready = ::poll(&readable, 1, kChildTimeoutMs);
        if (ready == 0) {
            timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        if (ready < 0 && errno == EINTR)
            continue;
        char buffer[256];
        const ssize_t n = ready > 0 ? ::read(pipeEnds[0], buffer, sizeof buffer) : -1;
        if (n <= 0)
            break;
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);

    long long frame = 0;
    if (timedOut || std::sscanf(output.c_str(), "FRAME %lld", &frame) != 1) {
        std::fprintf(stderr, "the %s window showed no frame%s (exit status %d)\n", kind.c_str(),
                     timedOut ? " within a minute" : "", status);
        return std::nullopt;
    }
    return static_cast<double>(frame - start) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int driver(int runs, bool results) {
    const char* display = std::getenv("DISPLAY");
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (display == nullptr || *display == '\0' ||
        (platform != nullptr && *platform != '\0' && std::strcmp(platform, "xcb") != 0)) {
        std::fprintf(stderr, "window_start_bench needs an X server (DISPLAY) and Qt's xcb "
                             "platform: run it under xvfb-run -a\n");
        return 2;
    }
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::string folder = (fs::temp_directory_path() / "tess-bench-start-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string programFolder = folder + "/";
    fs::create_directory(programFolder + "runtime");
    fs::permissions(programFolder + "runtime", fs::perms::owner_all);

    std::printf("first frame of the real and of a bare window, %d starts of each, in turns, on "
                "DISPLAY=%s\n",
                runs, display);
    std::vector<double> real;
    std::vector<double> bare;
    bool ok = startOnce(self, "real", programFolder) && startOnce(self, "bare", programFolder);
    for (int round = 0; ok && round < runs; ++round) {
        // Each goes first in every other round, so neither always finds the caches warmer.
        const bool realFirst = round % 2 == 0;
        std::optional<double> first = startOnce(self, realFirst ? "real" : "bare", programFolder);
        std::optional<double> second =
            first ? startOnce(self, realFirst ? "bare" : "real", programFolder) : std::nullopt;
        if (!first || !second) {
            ok = false;
            break;
        }
        real.push_back(realFirst ? *first : *second);
        bare.push_back(realFirst ? *second : *first);
        std::printf("start %2d: real %7.1f ms, bare %7.1f ms\n", round + 1, real.back(),
                    bare.back());
        std::fflush(stdout);
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
    if (!ok)
        return 1;

    const double realMedian = median(real);
    const double bareMedian = median(bare);
    std::printf("median: real %.1f ms, bare %.1f ms: the real window takes %.2f x the bare one's "
                "time (goal <= 2)\n",
                realMedian, bareMedian, realMedian / bareMedian);
    std::fflush(stdout);
    if (results) {
        tess::bench::printResult("first_frame.real", realMedian, "ms");
        tess::bench::printResult("first_frame.bare", bareMedian, "ms");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return child(argv[2], argv[3], argc, argv);
    const bool results = tess::bench::takeResultsFlag(argc, argv);
    int runs = kDefaultRuns;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        runs = std::atoi(argv[2]);
    else if (argc != 1)
        runs = 0;
    if (runs < 1) {
        std::fprintf(stderr, "usage: window_start_bench [--runs N] [--results]\n");
        return 2;
    }
    return driver(runs, results);
}
