#include "core/error.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"
#include "platform/shell.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

using tess::test::readBytes;
using tess::test::TempDir;

namespace {

// Waits until the file holds the text, for at most half a minute.
bool waitForText(const fs::path& file, const std::string& text) {
    for (int i = 0; i < 300; ++i) {
        if (readBytes(file).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// True when this process has no child left, running or unreaped. Only asked once every
// batch has been seen to end: waitpid(-1) would otherwise reap a batch itself.
bool noChildLeft() {
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

// Asks the batch until it has ended, for at most half a minute.
bool waitForEnd(const tess::BatchProcess& batch) {
    for (int i = 0; i < 300; ++i) {
        if (batch.hasEnded())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// The processes whose parent is this one, zombies included, from the process table (waitpid
// would reap a zombie itself and so hide it).
int childCount() {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        std::getline(in, stat);
        const auto close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(stat.substr(close + 1));
        char state = 0;
        int parent = 0;
        if (rest >> state >> parent && parent == ::getpid())
            ++count;
    }
    return count;
}

// A program folder whose tessarine-cli is a shell script.
void fakeCli(const fs::path& program, const std::string& script) {
    fs::remove(program / "tessarine-cli");
    std::ofstream(program / "tessarine-cli") << "#!/bin/sh\n" << script;
    fs::permissions(program / "tessarine-cli", fs::perms::owner_all);
}

// A program folder holding the batch driver as its tessarine-cli.
struct FakeInstallation {
    TempDir temp;
    fs::path program = temp.path() / "Programm ü";
    fs::path network = program / "Network";

    FakeInstallation() {
        fs::create_directories(network);
        fs::copy_file(TESS_BATCH_DRIVER, program / "tessarine-cli");
        std::ofstream(network / "a.txt") << "A";
        tess::setProgramFolderOverride(program.string());
    }
    ~FakeInstallation() { tess::setProgramFolderOverride(""); }
};

const std::string kCopied = "        1 Datei(en) kopiert.\n";

} // namespace

TEST(OpenBatch, RunsTheBatchDetachedInItsFolderAndLogsBesideIt) {
    FakeInstallation install;
    ::setenv("TESS_NO_TERMINAL", "1", 1);
    // The folder as the system writes it: Windows separators, other letter case.
    const std::string folder = install.program.string() + "\\NETWORK\\";
    const tess::BatchProcess batch =
        tess::runBatch(folder, "pack.bat", {"copy \"a.txt\" \"B ü.txt\"", "echo Ende"});
    EXPECT_TRUE(batch.started());
    EXPECT_FALSE(batch.shownInWindow());
    ASSERT_TRUE(waitForEnd(batch));
    EXPECT_FALSE(batch.failed());
    EXPECT_EQ(tess::batchLogFile(folder, "pack.bat"), folder + "pack.log");
    EXPECT_EQ(readBytes(install.network / "pack.log"),
              "\n" + install.network.string() + ">copy \"a.txt\" \"B ü.txt\"\n" + kCopied + "\n" +
                  install.network.string() + ">echo Ende\nEnde\n");
    EXPECT_EQ(readBytes(install.network / "B ü.txt"), "A");
    EXPECT_TRUE(noChildLeft());

    // Without tessarine-cli nothing runs, and nothing breaks.
    fs::remove(install.program / "tessarine-cli");
    fs::remove(install.network / "pack.log");
    const tess::BatchProcess missing = tess::openBatch(folder, "pack.bat");
    EXPECT_FALSE(missing.started());
    EXPECT_TRUE(missing.hasEnded());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(fs::exists(install.network / "pack.log"));
    EXPECT_TRUE(noChildLeft());
    ::unsetenv("TESS_NO_TERMINAL");
}

TEST(OpenBatch, TellsARunningBatchFromAnEndedOneAndReapsItEvenWhenNobodyAsks) {
    FakeInstallation install;
    ::setenv("TESS_NO_TERMINAL", "1", 1);
    // The batch ends when the test says so: it waits for a file to appear.
    const fs::path go = install.temp.path() / "go";
    fakeCli(install.program, "while [ ! -e '" + go.string() + "' ]; do sleep 0.05; done\n");
    const tess::BatchProcess batch = tess::openBatch(install.network.string() + "/", "x.bat");
    ASSERT_TRUE(batch.started());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(batch.hasEnded());
    const tess::BatchProcess copy = batch; // copies ask about the same batch
    std::ofstream(go) << "";
    ASSERT_TRUE(waitForEnd(copy));
    EXPECT_TRUE(batch.hasEnded());
    EXPECT_TRUE(noChildLeft());

    // Nobody keeps the batch: it is reaped all the same once it ends.
    fs::remove(go);
    tess::openBatch(install.network.string() + "/", "x.bat");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(childCount(), 1);
    std::ofstream(go) << "";
    bool reaped = false;
    for (int i = 0; i < 100 && !reaped; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        reaped = childCount() == 0;
    }
    EXPECT_TRUE(reaped);
    ::unsetenv("TESS_NO_TERMINAL");
}

TEST(OpenBatch, UsesTheTerminalWhenOneCanBeShown) {
    FakeInstallation install;
    // A terminal that notes its arguments and runs the command after "-e", as
    // x-terminal-emulator does.
    const fs::path bin = install.temp.path() / "bin";
    fs::create_directories(bin);
    const fs::path note = install.temp.path() / "terminal.txt";
    std::ofstream(bin / "x-terminal-emulator")
        << "#!/bin/sh\necho \"$@\" > '" << note.string() << "'\nshift\nexec \"$@\"\n";
    fs::permissions(bin / "x-terminal-emulator", fs::perms::owner_all);

    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    const char* oldDisplay = std::getenv("DISPLAY");
    const std::string savedDisplay = oldDisplay ? oldDisplay : "";
    ::setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);
    ::setenv("DISPLAY", ":99", 1);
    ::unsetenv("TESS_NO_TERMINAL");

    const tess::BatchProcess batch =
        tess::runBatch(install.network.string() + "/", "unpack.bat", {"copy \"a.txt\" \"c.txt\""});
    const bool logged = waitForText(install.network / "unpack.log", kCopied);
    const bool ended = waitForEnd(batch);
    // The terminal follows the log until the batch's process has gone, then closes.
    const bool terminalNoted = waitForText(note, "\n");

    ::setenv("PATH", oldPath.c_str(), 1);
    if (oldDisplay)
        ::setenv("DISPLAY", savedDisplay.c_str(), 1);
    else
        ::unsetenv("DISPLAY");

    ASSERT_TRUE(logged);
    ASSERT_TRUE(ended);
    ASSERT_TRUE(terminalNoted);
    EXPECT_TRUE(batch.shownInWindow());
    const std::string args = readBytes(note);
    EXPECT_EQ(args.rfind("-e /", 0), 0u) << args;
    EXPECT_NE(args.find("/tail -n +1 -s 0.2 --pid="), std::string::npos) << args;
    EXPECT_EQ(args.substr(args.size() - 15), " -F unpack.log\n") << args;
    EXPECT_TRUE(fs::exists(install.network / "c.txt"));
    EXPECT_TRUE(noChildLeft());
}

TEST(OpenDocument, HandsTheResolvedPathToXdgOpen) {
    TempDir temp;
    const fs::path bin = temp.path() / "bin";
    fs::create_directories(bin);
    fs::create_directories(temp.path() / "AI");
    std::ofstream(temp.path() / "AI" / "StrategicAreas.con") << "x";
    const fs::path note = temp.path() / "opened.txt";
    std::ofstream(bin / "xdg-open") << "#!/bin/sh\necho \"$1\" > '" << note.string() << "'\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);

    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", bin.c_str(), 1);
    const bool opened = tess::openDocument(temp.path().string() + "\\ai\\strategicareas.con");
    // Without xdg-open the caller is told that nothing opened the document.
    ::setenv("PATH", (temp.path() / "AI").c_str(), 1);
    const bool withoutOpener = tess::openDocument(temp.path().string() + "/AI/StrategicAreas.con");
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_TRUE(opened);
    EXPECT_FALSE(withoutOpener);

    ASSERT_TRUE(waitForText(note, "\n"));
    EXPECT_EQ(readBytes(note), (temp.path() / "AI" / "StrategicAreas.con").string() + "\n");
    EXPECT_TRUE(noChildLeft());
}

// A batch works under the lock of the step that starts it until it ends, also when the step
// has ended before; a batch that fails says so.
TEST(ProgramLock, IsHandedToTheBatchesOfTheStepThatHoldsIt) {
    FakeInstallation install;
    ::setenv("TESS_NO_TERMINAL", "1", 1);
    fs::create_directories(install.program / "temp");
    const std::string program = install.program.string() + "/";
    const fs::path go = install.temp.path() / "go";
    fakeCli(install.program, "while [ ! -e '" + go.string() + "' ]; do sleep 0.05; done\nexit 3\n");
    const auto taken = [&] {
        try {
            const tess::ProgramLock lock(program, std::chrono::milliseconds(0));
            return true;
        } catch (const tess::Error&) {
            return false;
        }
    };
    tess::BatchProcess batch;
    {
        const tess::ProgramLock step(program);
        const tess::ProgramLock nested(program, std::chrono::milliseconds(0)); // the same hold
        batch = tess::openBatch(program, "x.bat");
    }
    EXPECT_FALSE(taken());
    std::ofstream(go) << "";
    ASSERT_TRUE(waitForEnd(batch));
    EXPECT_TRUE(batch.failed());
    EXPECT_TRUE(taken());

    // A batch started with no lock held keeps none.
    fs::remove(go);
    const tess::BatchProcess free = tess::openBatch(program, "x.bat");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(taken());
    std::ofstream(go) << "";
    ASSERT_TRUE(waitForEnd(free));
    ::unsetenv("TESS_NO_TERMINAL");
}
