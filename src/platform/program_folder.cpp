#include "platform/program_folder.h"

#include "core/files.h"
#include "core/paths.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tess {
namespace {

std::string& overrideFolder() {
    static std::string folder;
    return folder;
}

std::string executablePath() {
#ifdef _WIN32
    wchar_t buffer[32768];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, 32768);
    return pathText(std::filesystem::path(std::wstring(buffer, n)));
#else
    std::error_code ec;
    return pathText(std::filesystem::read_symlink("/proc/self/exe", ec));
#endif
}

} // namespace

std::string programFolder() {
    const std::string folder =
        overrideFolder().empty() ? folderPart(executablePath()) : overrideFolder();
    // What lies below the program folder is written only by walking down from it.
    setGuardedFolder(folder);
    return folder;
}

void setProgramFolderOverride(const std::string& folder) {
    std::string text = folder;
    if (!text.empty() && !isPathSeparator(text.back()))
        text += nativeSeparator();
    overrideFolder() = text;
}

} // namespace tess
