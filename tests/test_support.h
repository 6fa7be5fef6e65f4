// Helpers shared by the tests: temporary folders, the program-folder fixture, literal file
// contents, the text of an error and, for the window's tests, QString conversion.
#pragma once

#include "core/error.h"
#include "platform/program_folder.h"
#ifdef QT_CORE_LIB
#include "app/qt_text.h"
#endif
#ifdef QT_WIDGETS_LIB
#include "app/tform1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include <stdlib.h>
#include <sys/wait.h>

namespace tess::test {

#ifdef QT_CORE_LIB
// The window's own conversion of UTF-8 texts to QString.
using tess::app::qs;
#endif

// A path from a UTF-8 text. (A plain narrow string would be read in the ANSI code page on
// Windows, and every umlaut would name another file.)
inline std::filesystem::path utf8Path(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// A fresh folder under the system's temporary folder, removed again at the end of a test.
class TempDir {
public:
    TempDir() {
        // Creating a folder fails when the name is taken, so a new name is never shared.
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::random_device random;
        for (int attempt = 0; path_.empty(); ++attempt) {
            const auto candidate = base / ("tess-test-" + std::to_string(random()));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec))
                path_ = std::filesystem::canonical(candidate);
            else if (attempt == 100)
                throw std::runtime_error("no temporary folder under " + base.string());
        }
    }
    ~TempDir() {
        namespace fs = std::filesystem;
        std::error_code ec;
        if (fs::remove_all(path_, ec) != static_cast<std::uintmax_t>(-1) && !ec)
            return;
        // Windows deletes no read-only file: make everything writable and try again.
        for (auto it = fs::recursive_directory_iterator(path_, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A path below the folder; name is UTF-8.
    std::filesystem::path operator/(const std::string& name) const {
        return path_ / std::filesystem::path(std::u8string(name.begin(), name.end()));
    }
    // The folder as a folder text, with its trailing separator.
    std::string text() const {
        const auto text = path_.u8string();
        return std::string(text.begin(), text.end()) + "/";
    }

private:
    std::filesystem::path path_;
};

inline void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The text of the tess::Error that an action throws, or "(no error)".
template <typename Action> std::string errorMessage(Action&& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

inline std::string testdata(const std::string& relative) {
    return std::string(TESS_TESTDATA_DIR) + "/" + relative;
}

// Copies a folder tree; the copy is writable although the test data is read-only.
inline void copyTree(const std::filesystem::path& from, const std::filesystem::path& to) {
    namespace fs = std::filesystem;
    fs::create_directories(to);
    for (const auto& entry : fs::recursive_directory_iterator(from)) {
        const fs::path target = to / entry.path().lexically_relative(from);
        if (entry.is_directory()) {
            fs::create_directories(target);
        } else {
            fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
            fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write,
                            fs::perm_options::add);
        }
    }
}

// Every file under a folder: its path relative to root ("/" separated, UTF-8) to its bytes.
inline std::map<std::string, std::string> filesUnder(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root))
        if (item.is_regular_file()) {
            const auto relative = item.path().lexically_relative(root).generic_u8string();
            files[std::string(relative.begin(), relative.end())] = readBytes(item.path());
        }
    return files;
}

// What a run of tessarine-cli left: its exit code and both outputs.
struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A text as one word for the shell.
inline std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs tessarine-cli with the arguments (already quoted where needed) in `folder`, as a map
// maker's script runs it: a child process of its own; captures both outputs.
inline CliResult cli(const std::string& args, const std::filesystem::path& folder) {
    TempDir scratch;
    const std::string command = "cd " + quoted(folder.string()) + " && " + quoted(TESS_CLI_PATH) +
                                " " + args + " >" + quoted((scratch.path() / "out").string()) +
                                " 2>" + quoted((scratch.path() / "err").string());
    const int status = std::system(command.c_str());
    CliResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readBytes(scratch.path() / "out");
    result.err = readBytes(scratch.path() / "err");
    return result;
}

// A temporary installation as the build lays it out (temp/con files/ with the three behaviour
// templates, Network/, bf1942/levels/), made the program folder for the test. Restores the current
// folder (Start changes it) and the program folder at the end.
class ProgramFolder {
public:
    ProgramFolder() : previous_(std::filesystem::current_path()) {
        const auto templates = std::filesystem::path(TESS_SOURCE_DIR) / "src/resources/con files";
        for (const char* name : {"conditions.con", "strategies.con", "prerequisites.con"})
            writeBytes(dir_.path() / "temp/con files" / name, readBytes(templates / name));
        std::filesystem::create_directories(dir_.path() / "Network");
        std::filesystem::create_directories(dir_.path() / "bf1942/levels");
        setProgramFolderOverride(dir_.text());
    }
    ~ProgramFolder() {
        std::error_code ec;
        std::filesystem::current_path(previous_, ec);
        setProgramFolderOverride("");
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const std::filesystem::path& path() const { return dir_.path(); }
    std::string text() const { return dir_.text(); }
    std::filesystem::path addon(const std::string& mapName) const {
        return dir_.path() / "bf1942/levels" / (mapName + "_001");
    }

private:
    std::filesystem::path previous_;
    TempDir dir_;
};

// A stand-in for xdg-open, first on PATH while it lives: it notes each document it is asked
// to open, one a line, and opens nothing. The system opens documents without waiting, so
// waitForOpened() gives the detached opener a moment.
class FakeDocumentOpener {
public:
    FakeDocumentOpener() {
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        const std::filesystem::path bin = dir_.path() / "bin";
        writeBytes(bin / "xdg-open",
                   "#!/bin/sh\nprintf '%s\\n' \"$1\" >> " + quoted(log().string()) + "\n");
        std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
        ::setenv("PATH", (bin.string() + ":" + oldPath_).c_str(), 1);
    }
    ~FakeDocumentOpener() { ::setenv("PATH", oldPath_.c_str(), 1); }
    FakeDocumentOpener(const FakeDocumentOpener&) = delete;
    FakeDocumentOpener& operator=(const FakeDocumentOpener&) = delete;

    // The documents opened so far, each followed by a line break.
    std::string opened() const { return readBytes(log()); }
    std::string waitForOpened() const {
        for (int i = 0; i < 200 && opened().empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return opened();
    }

private:
    std::filesystem::path log() const { return dir_.path() / "opened.txt"; }
    TempDir dir_;
    std::string oldPath_;
};

#ifdef QT_WIDGETS_LIB
// --- The window's tests: dialogs and message boxes answered as a user would ---

// Answers the next modal widget once it is up: `answer` gets it and closes it.
inline void whenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        }
    });
    timer->start();
}

// What a message box showed.
struct BoxSeen {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString objectName;
};

// The next message box: what it shows is stored, then OK is pressed.
inline std::shared_ptr<BoxSeen> answerMessageBox() {
    auto seen = std::make_shared<BoxSeen>();
    whenModal([seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen->text = box->text();
        seen->icon = box->icon();
        seen->objectName = box->objectName();
        box->button(QMessageBox::Ok)->click();
    });
    return seen;
}

// The next error box: its text is stored, then OK is pressed.
inline std::shared_ptr<QString> expectErrorBox() {
    auto text = std::make_shared<QString>();
    whenModal([text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        *text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    return text;
}

// For steps that must show no modal window: while it lives, every one that comes up is
// noted and closed, so that the test goes on and can report it.
class NoModalExpected {
public:
    NoModalExpected() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                seen_.append(box ? box->text() : modal->objectName());
                modal->close();
            }
        });
        timer_.start();
    }
    const QStringList& seen() const { return seen_; }

private:
    QTimer timer_;
    QStringList seen_;
};

// The next file dialog picks `path` (or is cancelled when path is empty); its name and
// filter are kept for the test to check.
struct DialogSeen {
    QString name;
    QString filter;
};
inline std::shared_ptr<DialogSeen> chooseInDialog(TForm1& form, const std::string& path) {
    auto seen = std::make_shared<DialogSeen>();
    form.setFileChooser([path, seen](const QString& name, const QString& filter) {
        seen->name = name;
        seen->filter = filter;
        return qs(path);
    });
    return seen;
}

inline void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}
#endif

} // namespace tess::test
