// The part of the program-folder lock that both systems share: who in this process holds
// which lock, and the patience with a lock that another run holds. Taking the lock itself is
// each system's own (program_lock_linux.cpp, program_lock_windows.cpp).
#include "platform/program_lock.h"
#include "platform/program_lock_system.h"

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"

#include <filesystem>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace tess {

namespace {

LockPlace lockPlaceOf(const std::string& programFolder) {
    const std::string shown = programLockFile(programFolder);
    const std::filesystem::path file = resolvePath(shown);
    try {
        return {openFolderBelow(resolvePath(programFolder), file.parent_path()),
                pathText(file.filename()), shown};
    } catch (const Error& e) {
        throw cannotCreate(shown, withFullStop(e.what()));
    }
}

} // namespace

namespace {

struct Held {
    std::string folder;
    std::weak_ptr<ProgramLock::Hold> hold;
};

struct Registry {
    std::mutex mutex;
    std::vector<Held> held; // the most recently taken last
};

Registry& registry() {
    static Registry instance;
    return instance;
}

// One spelling per folder, to tell whether this process holds its lock already.
std::string folderKey(const std::string& programFolder) {
    std::error_code ec;
    const std::filesystem::path path =
        std::filesystem::absolute(resolvePath(programFolder), ec).lexically_normal();
    return caseFoldedKey(pathText(path.has_filename() ? path : path.parent_path()));
}

std::shared_ptr<ProgramLock::Hold> heldBy(Registry& r, const std::string& key) {
    for (const Held& held : r.held)
        if (held.folder == key)
            if (auto hold = held.hold.lock())
                return hold;
    return nullptr;
}

Error busy(const std::string& programFolder) {
    return Error("Im Programmordner " + programFolder +
                 " arbeitet gerade ein anderer Lauf von Tessarine (ein zweites Fenster, "
                 "tessarine-cli oder eine Batchdatei, die noch läuft). Warte, bis er fertig ist, "
                 "und versuche es dann noch einmal");
}

} // namespace

std::string programLockFile(const std::string& programFolder) {
    return programFolder + "temp\\tessarine.lock";
}

ProgramLock::ProgramLock(const std::string& programFolder, std::chrono::milliseconds patience) {
    const std::string key = folderKey(programFolder);
    Registry& r = registry();
    {
        const std::lock_guard<std::mutex> lock(r.mutex);
        hold_ = heldBy(r, key);
        if (hold_)
            return;
    }
    const LockPlace place = lockPlaceOf(programFolder);
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        hold_ = tryLockProgramFolder(place);
        if (hold_)
            break;
        if (std::chrono::steady_clock::now() >= deadline)
            throw busy(programFolder);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    {
        const std::lock_guard<std::mutex> lock(r.mutex);
        std::erase_if(r.held, [](const Held& held) { return held.hold.expired(); });
        r.held.push_back({key, hold_});
    }
    // This run alone writes in the program folder now: what killed runs left there goes.
    clearLeftoversWhile([] { return heldNow() != nullptr; });
}

ProgramLock::~ProgramLock() = default;
ProgramLock::ProgramLock(ProgramLock&&) noexcept = default;
ProgramLock& ProgramLock::operator=(ProgramLock&&) noexcept = default;

std::shared_ptr<ProgramLock::Hold> ProgramLock::heldNow() {
    Registry& r = registry();
    const std::lock_guard<std::mutex> lock(r.mutex);
    for (auto it = r.held.rbegin(); it != r.held.rend(); ++it)
        if (auto hold = it->hold.lock())
            return hold;
    return nullptr;
}

} // namespace tess
