// tessarine-cli areas: a map's area script from an area file, exactly as the editor of tab
// "(2) Areas" writes it for the same areas.
#include "cli/commands.h"

#include "areas/area_file.h"
#include "core/wizard_state.h"
#include "intake/map_inspection.h"
#include "intake/map_source.h"
#include "core/error.h"
#include "core/paths.h"
#include "platform/program_folder.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

namespace tess::cli {
namespace {

struct AreaOptions {
    std::string map;
    std::string file;
    std::string programFolder;
};

int writeAreas(const AreaOptions& options) {
    // The file is read and checked before the map is touched, so that malformed input
    // writes nothing, not even an unpacked map.
    const areas::AreaFile file = areas::readAreaFile(options.file);

    useProgramFolder(options.programFolder);
    const std::string program = programFolder();
    WizardState state;
    intake::chooseMapAndWait(state, options.map, program);
    const intake::Inspection shown = intake::inspectMap(state, program);
    // As after Start: the script goes into the addon that `generate` wrote for the map.
    std::error_code error;
    if (!std::filesystem::is_directory(resolvePath(shown.addonFolder + "AI"), error))
        throw Error("Das Addon \"" + shown.addonFolder +
                    "\" ist noch nicht angelegt: zuerst \"tessarine-cli generate\" für diese "
                    "Karte ausführen (im Fenster: OK und Start), dann die Areas schreiben");
    state.mapLevelDir = state.levelDir;
    state.levelDir = shown.addonFolder;
    areas::AreaEditor editor(state);
    for (const std::string& entry : areas::applyAreaFile(editor, file))
        std::cout << entry << "\n";
    return 0;
}

} // namespace

void addAreaCommands(CLI::App& app) {
    const auto options = std::make_shared<AreaOptions>();
    CLI::App* command =
        addCommand(app, "areas",
                   "Die Strategic Areas einer Area-Datei (JSON) in das Addon der Karte schreiben "
                   "(AI/StrategicAreas.con, nach generate)",
                   [options] { return writeAreas(*options); });
    command->add_option("MAP", options->map, "Levelordner, init.con oder .rfa-Archiv")->required();
    command->add_option("AREAS", options->file, "Area-Datei (.json)")->required();
    addProgramFolderOption(command, options->programFolder);
}

} // namespace tess::cli
