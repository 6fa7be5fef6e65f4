#include "core/inputs.h"

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace tess {
namespace {

Error outputIsInput(const std::string& output, const std::string& input) {
    return Error("Die Zieldatei " + shownText(output) + " ist dieselbe Datei wie " +
                 shownText(input) +
                 ", die dieser Befehl liest; sie wird nicht überschrieben, und nichts wurde "
                 "geschrieben. Wähle eine andere Zieldatei");
}

// The file below the folder that has the identity, or nothing. Links to folders are not
// followed: the folder is what lies in it.
std::optional<fs::path> fileWithIdentity(const fs::path& folder, const FileIdentity& identity) {
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code entryError;
        if (!it->is_directory(entryError) && identityOf(it->path()) == identity)
            return it->path();
    }
    return std::nullopt;
}

} // namespace

bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    const std::optional<FileIdentity> identity = identityOf(resolvePath(a));
    return identity && identity == identityOf(resolvePath(b));
}

void InputFiles::addFile(const std::string& windowsPath) {
    if (!windowsPath.empty())
        files_.push_back(windowsPath);
}

void InputFiles::addFolder(const std::string& windowsFolder) {
    if (!windowsFolder.empty())
        folders_.push_back(windowsFolder);
}

void InputFiles::refuseAsOutput(const std::string& output) const {
    const std::optional<FileIdentity> identity = identityOf(resolvePath(output));
    if (!identity)
        return; // a new file is none of the inputs
    for (const std::string& file : files_)
        if (sameFile(output, file))
            throw outputIsInput(output, file);
    for (const std::string& folder : folders_)
        if (const auto found = fileWithIdentity(resolvePath(folder), *identity))
            throw outputIsInput(output, pathText(*found));
}

} // namespace tess
