#include "intake/map_source.h"

#include "archive/archive.h"
#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "intake/map_choice.h"
#include "intake/map_inspection.h"
#include "platform/program_lock.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tess::intake {

void chooseMapAndWait(WizardState& state, const std::string& map,
                      const std::string& programFolder) {
    std::error_code ec;
    const fs::path given = fs::absolute(resolvePath(map), ec);
    if (ec || !fs::exists(given, ec))
        throw cannotOpen(map, missingReason(map));
    const std::string text = pathText(given);

    if (fs::is_directory(given, ec)) {
        std::string folder = text;
        if (folder.back() != nativeSeparator())
            folder += nativeSeparator();
        if (!fs::is_regular_file(resolvePath(folder + "init.con"), ec))
            throw cannotOpen(folder + "init.con", systemReason(ENOENT));
        chooseUnpackedMap(state, folder + "init.con");
        return;
    }
    const std::string name = fileNamePart(text);
    if (sameNameIgnoringCase(name, "init.con")) {
        chooseUnpackedMap(state, text);
        return;
    }
    // Anything else is taken as a level archive, as the window's archive dialog would. It
    // is unpacked into the program folder, where it may write its level and nothing else.
    checkMapName(withoutExtension(name));
    const ProgramLock lock(programFolder);
    takePackedMap(state, name, programFolder);
    archive::UnpackOptions options;
    options.onlyLevels = true;
    archive::unpackArchive(given, resolvePath(programFolder), {}, options);
}

} // namespace tess::intake
