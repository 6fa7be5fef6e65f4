// tessarine-cli areas: a map's area script from an area file, exactly as the editor of tab
// "(2) Areas" writes it for the same areas; or an area file of the level's own areas
// (--from-level) or of areas proposed at its control points (--propose), to edit and then
// write.
#include "cli/commands.h"

#include "areas/area_file.h"
#include "areas/area_proposal.h"
#include "areas/control_points.h"
#include "areas/level_takeover.h"
#include "core/error.h"
#include "core/files.h"
#include "core/inputs.h"
#include "core/paths.h"
#include "core/wizard_state.h"
#include "intake/map_inspection.h"
#include "intake/map_source.h"
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
    std::string fromLevel; // the area file to write the level's own areas to
    std::string propose;   // the area file to write the proposed areas to
    std::string programFolder;
};

// The map chosen and inspected as OK would: levelDir names the map's level folder. The area
// file to write is refused first when it is the map, its archive or a file of its level.
WizardState inspectedMap(const AreaOptions& options, const std::string& areaFile) {
    InputFiles map;
    map.addFile(options.map);
    map.addFolder(options.map);
    if (sameNameIgnoringCase(fileNamePart(options.map), "init.con"))
        map.addFolder(folderPart(options.map));
    map.refuseAsOutput(areaFile);
    useProgramFolder(options.programFolder);
    const std::string program = programFolder();
    WizardState state;
    intake::chooseMapAndWait(state, options.map, program);
    intake::inspectMap(state, program);
    InputFiles level;
    level.addFolder(state.levelDir);
    level.refuseAsOutput(areaFile);
    return state;
}

void writeAreaFile(const std::string& file, const areas::AreaFile& areas,
                   const std::string& summary, const std::vector<std::string>& notes) {
    if (areas.empty())
        throw Error(summary);
    writeFileAtomically(file, areas::serialiseAreaFile(areas));
    std::cout << summary << "\n";
    for (const std::string& note : notes)
        std::cout << note << "\n";
}

int writeLevelAreas(const AreaOptions& options) {
    const WizardState state = inspectedMap(options, options.fromLevel);
    const areas::LevelTakeover takeover =
        areas::takeOverLevelAreasOf(state.levelDir, state.worldSize, state.worldScale);
    writeAreaFile(options.fromLevel, takeover.areas, takeover.summary, takeover.notes);
    return 0;
}

int writeProposedAreas(const AreaOptions& options) {
    const WizardState state = inspectedMap(options, options.propose);
    const areas::AreaProposal proposal = areas::proposeAreas(
        areas::readControlPoints(state.levelDir), {}, state.worldSize, state.worldScale);
    writeAreaFile(options.propose, proposal.areas, proposal.summary, proposal.notes);
    return 0;
}

int writeAreas(const AreaOptions& options) {
    if (!options.fromLevel.empty())
        return writeLevelAreas(options);
    if (!options.propose.empty())
        return writeProposedAreas(options);
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
                   "(AI/StrategicAreas.con, nach generate), oder eine Area-Datei aus den "
                   "Areas der Karte oder ihren Flaggenpunkten machen",
                   [options] { return writeAreas(*options); });
    command->add_option("MAP", options->map, "Levelordner, init.con oder .rfa-Archiv")->required();
    CLI::Option* file = command->add_option("AREAS", options->file, "Area-Datei (.json)");
    CLI::Option* fromLevel = command->add_option(
        "--from-level", options->fromLevel,
        "Die eigenen Areas der Karte (AI/StrategicAreas.con) in diese Area-Datei schreiben");
    CLI::Option* propose = command->add_option(
        "--propose", options->propose,
        "Je Flaggenpunkt der Karte eine Area vorschlagen und in diese Area-Datei schreiben");
    file->excludes(fromLevel)->excludes(propose);
    fromLevel->excludes(propose);
    command->parse_complete_callback([file, fromLevel, propose] {
        if (file->count() + fromLevel->count() + propose->count() == 0)
            throw CLI::RequiredError("AREAS, --from-level oder --propose");
    });
    addProgramFolderOption(command, options->programFolder);
}

} // namespace tess::cli
