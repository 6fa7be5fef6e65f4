// The program-folder fixture: a temporary installation as the build lays it out, the tools
// that run its batches, what a batch leaves behind, and a stand-in for the program that opens
// documents.
#pragma once

#include "platform/program_folder.h"
#include "support/files.h"
#include "support/processes.h"
#include "support/system.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>

namespace tess::test {

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

// The sentence with which a wait for a batch says where the batch's output can be read: the
// log beside the batch.
inline std::string batchOutputSentence(const std::string& logFile) {
    return "Was dabei geschah, steht in \"" + logFile + "\".";
}

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

} // namespace tess::test
