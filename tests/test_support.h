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
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include <stdlib.h>
#ifdef _WIN32
#include <windows.h>

#include <tlhelp32.h>
// windows.h defines the words near and far away (16-bit pointers); tests use them as names.
#undef near
#undef far
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#ifdef QT_CORE_LIB
// A QString in a test's failure message: its text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
#endif

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
    // The folder as a folder text, with its trailing separator (the system's own: "\\" on
    // Windows).
    std::string text() const {
        const auto text = path_.u8string();
#ifdef _WIN32
        return std::string(text.begin(), text.end()) + "\\";
#else
        return std::string(text.begin(), text.end()) + "/";
#endif
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

// The separators of a path given with "/" made the system's own ("\\" on Windows), as the
// window shows paths and the file dialogs give them.
inline std::string nativePath(std::string path) {
#ifdef _WIN32
    for (char& c : path)
        if (c == '/')
            c = '\\';
#endif
    return path;
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

// ---- Child processes ------------------------------------------------------------------
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

// What runs the batches of a program folder: its own tessarine-cli, which runs them on
// Windows through cmd.exe, with our rfaPack.exe and rfaunpack.exe beside the batch (all copied
// from the build's program folder), elsewhere through our interpreter (a link to the built
// one).
inline void installBatchTools(const std::filesystem::path& programFolder) {
#ifdef _WIN32
    for (const char* tool : {"tessarine-cli.exe", "rfaPack.exe", "rfaunpack.exe"})
        std::filesystem::copy_file(std::filesystem::path(TESS_PROGRAM_DIR) / tool,
                                   programFolder / tool,
                                   std::filesystem::copy_options::overwrite_existing);
#else
    std::filesystem::create_symlink(TESS_CLI_PATH, programFolder / "tessarine-cli");
#endif
}

// Whether the file system tells names apart that differ in letter case only (Windows does
// not: there "car.raw" is "Car.raw").
#ifdef _WIN32
inline constexpr bool kCaseSensitiveNames = false;
#else
inline constexpr bool kCaseSensitiveNames = true;
#endif

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

// The sentence with which a wait for a batch says where the batch's output can be read: the
// log beside the batch.
inline std::string batchOutputSentence(const std::string& logFile) {
    return "Was dabei geschah, steht in \"" + logFile + "\".";
}

// A folder text as the system makes it of a path given with "/": the native separators, and
// one at the end.
inline std::string nativeFolderText(const std::string& path) {
#ifdef _WIN32
    return nativePath(path) + "\\";
#else
    return path + "/";
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

// Whether the unpack batch of a program folder (copy, rfaunpack.exe, del) has run to its end:
// its log names the last line, and the copy of the archive beside the batch is gone.
inline bool unpackHasEnded(const std::filesystem::path& folder, const std::string& archiveName) {
    return readBytes(folder / "unpack.log").find("del ") != std::string::npos &&
           !std::filesystem::exists(folder / utf8Path(archiveName));
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
#ifdef _WIN32
        // Windows removes no folder that a batch still runs in.
        waitForChildPrograms(60);
#endif
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const std::filesystem::path& path() const {
        return dir_.path();
    }
    std::string text() const {
        return dir_.text();
    }
    std::filesystem::path addon(const std::string& mapName) const {
        return dir_.path() / "bf1942" / "levels" / utf8Path(mapName + "_001");
    }

private:
    std::filesystem::path previous_;
    TempDir dir_;
};

// A stand-in for the program that opens documents, in place while it lives: it notes each
// document it is asked to open, one a line, and opens nothing. The system opens documents
// without waiting, so waitForOpened() gives the detached opener a moment.
#ifdef _WIN32
// Windows opens a document with the program registered for its type: a batch file of the
// stand-in's registered for ".con", for the user (Windows) and in the classes of the machine
// (which are the only ones Wine reads). The batch writes in the console's code page.
class FakeDocumentOpener {
public:
    FakeDocumentOpener() {
        const std::filesystem::path batch = dir_.path() / "opener.bat";
        writeBytes(batch, "@echo %~1>>\"" + log().string() + "\"\r\n");
        const std::wstring command = L"\"" + batch.wstring() + L"\" \"%1\"";
        for (const auto& [root, classes] : kClassRoots) {
            setDefault(root, classes + L".con", kProgId);
            setDefault(root, classes + kProgId + L"\\shell\\open\\command", command);
        }
    }
    ~FakeDocumentOpener() {
        for (const auto& [root, classes] : kClassRoots) {
            RegDeleteTreeW(root, (classes + kProgId).c_str());
            RegDeleteTreeW(root, (classes + L".con").c_str());
        }
    }
    FakeDocumentOpener(const FakeDocumentOpener&) = delete;
    FakeDocumentOpener& operator=(const FakeDocumentOpener&) = delete;

    // The documents opened so far (UTF-8), each followed by a line break.
    std::string opened() const {
        const std::string bytes = readBytes(log());
        std::wstring wide(bytes.size(), L'\0');
        wide.resize(static_cast<std::size_t>(
            MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                wide.data(), static_cast<int>(wide.size()))));
        const auto utf8 = std::filesystem::path(wide).u8string();
        std::string text;
        for (const char8_t c : utf8)
            if (c != u8'\r')
                text += static_cast<char>(c);
        return text;
    }
    std::string waitForOpened() const {
        for (int i = 0; i < 3000 && opened().empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return opened();
    }

private:
    static constexpr const wchar_t* kProgId = L"Tessarine.TestDocument";
    static inline const std::pair<HKEY, std::wstring> kClassRoots[] = {
        {HKEY_CURRENT_USER, L"Software\\Classes\\"}, {HKEY_CLASSES_ROOT, L""}};

    static void setDefault(HKEY root, const std::wstring& key, const std::wstring& value) {
        HKEY opened = nullptr;
        if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened,
                            nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExW(opened, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(opened);
    }
    std::filesystem::path log() const { return dir_.path() / "opened.txt"; }
    TempDir dir_;
};
#else
// Linux opens documents with xdg-open: the stand-in is first on PATH.
class FakeDocumentOpener {
public:
    FakeDocumentOpener() {
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        const std::filesystem::path bin = dir_.path() / "bin";
        writeBytes(bin / "xdg-open",
                   "#!/bin/sh\nprintf '%s\\n' \"$1\" >> " + quoted(log().string()) + "\n");
        std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
        setEnvironment("PATH", bin.string() + ":" + oldPath_);
    }
    ~FakeDocumentOpener() { setEnvironment("PATH", oldPath_); }
    FakeDocumentOpener(const FakeDocumentOpener&) = delete;
    FakeDocumentOpener& operator=(const FakeDocumentOpener&) = delete;

    // The documents opened so far, each followed by a line break.
    std::string opened() const { return readBytes(log()); }
    std::string waitForOpened() const {
        for (int i = 0; i < 3000 && opened().empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return opened();
    }

private:
    std::filesystem::path log() const { return dir_.path() / "opened.txt"; }
    TempDir dir_;
    std::string oldPath_;
};
#endif

#ifdef QT_WIDGETS_LIB
#ifdef _WIN32
// Offscreen, Qt on Windows draws with the fonts of one folder (QT_QPA_FONTDIR), not with the
// system's: the window's tests take Windows' font folder, where the Wine prefix of the tests
// keeps Wine's own fonts too. Set before any test program's main().
inline const bool kOffscreenFontsOfWindows = [] {
    wchar_t windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const auto folder = (std::filesystem::path(windows) / "Fonts").u8string();
        setEnvironment("QT_QPA_FONTDIR", std::string(folder.begin(), folder.end()), false);
    }
    return true;
}();
#endif

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

// The next question ("Ja" / "Nein"): what it asks is stored, then the answer is given.
inline std::shared_ptr<BoxSeen> answerQuestion(bool yes) {
    auto seen = std::make_shared<BoxSeen>();
    whenModal([seen, yes](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen->text = box->text();
        seen->icon = box->icon();
        seen->objectName = box->objectName();
        box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
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
#ifndef _WIN32
// ---- Child processes -------------------------------------------------------------------
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

// Every name under a folder that looks like one of our temporary files.
inline std::vector<std::string> temporaryFilesUnder(const std::filesystem::path& root) {
    std::vector<std::string> found;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root))
        if (item.path().filename().string().find(".tess-") != std::string::npos)
            found.push_back(item.path().string());
    return found;
}

// ---- Archives made by hand -------------------------------------------------------------

inline std::string le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

// A signed 32-bit field as the game's files hold it, little-endian.
inline void appendI32(std::string& out, std::int32_t value) {
    out += le32(static_cast<std::uint32_t>(value));
}

struct RawEntry {
    std::string name; // as stored: 8-bit, any separator
    std::string data;
};

// A store archive of the entries, laid out as the format has it: for archives that our own
// packer refuses to write (hostile names, duplicates, names for the program's own files).
inline std::string storeArchive(const std::vector<RawEntry>& entries) {
    std::string body(156, '\0');
    std::string directory = le32(static_cast<std::uint32_t>(entries.size()));
    for (const RawEntry& entry : entries) {
        const auto offset = static_cast<std::uint32_t>(body.size());
        const auto size = static_cast<std::uint32_t>(entry.data.size());
        body += entry.data;
        directory += le32(static_cast<std::uint32_t>(entry.name.size())) + entry.name + le32(size) +
                     le32(size) + le32(offset) + le32(1253856) + le32(0) + le32(0);
    }
    directory += le32(0);
    body.replace(0, 4, le32(static_cast<std::uint32_t>(body.size())));
    return body + directory;
}

} // namespace tess::test
