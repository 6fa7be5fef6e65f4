#include "platform/program_folder.h"
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

// True when this process has no child left, running or unreaped.
bool noChildLeft() {
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
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
    tess::runBatch(folder, "pack.bat", {"copy \"a.txt\" \"B ü.txt\"", "echo Ende"});

    ASSERT_TRUE(waitForText(install.network / "pack.log", "Ende\n"));
    EXPECT_EQ(readBytes(install.network / "pack.log"),
              "\n" + install.network.string() + ">copy \"a.txt\" \"B ü.txt\"\n" + kCopied + "\n" +
                  install.network.string() + ">echo Ende\nEnde\n");
    EXPECT_EQ(readBytes(install.network / "B ü.txt"), "A");
    EXPECT_TRUE(noChildLeft());

    // Without tessarine-cli nothing runs, and nothing breaks.
    fs::remove(install.program / "tessarine-cli");
    fs::remove(install.network / "pack.log");
    tess::openBatch(folder, "pack.bat");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(fs::exists(install.network / "pack.log"));
    EXPECT_TRUE(noChildLeft());
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

    tess::runBatch(install.network.string() + "/", "unpack.bat", {"copy \"a.txt\" \"c.txt\""});
    const bool logged = waitForText(install.network / "unpack.log", kCopied);

    ::setenv("PATH", oldPath.c_str(), 1);
    if (oldDisplay)
        ::setenv("DISPLAY", savedDisplay.c_str(), 1);
    else
        ::unsetenv("DISPLAY");

    ASSERT_TRUE(logged);
    EXPECT_EQ(readBytes(note),
              "-e " + (install.program / "tessarine-cli").string() + " run-batch unpack.bat\n");
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
    tess::openDocument(temp.path().string() + "\\ai\\strategicareas.con");
    ::setenv("PATH", oldPath.c_str(), 1);

    ASSERT_TRUE(waitForText(note, "\n"));
    EXPECT_EQ(readBytes(note), (temp.path() / "AI" / "StrategicAreas.con").string() + "\n");
    EXPECT_TRUE(noChildLeft());
}
