#include "cli/commands.h"

#include "core/paths.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>

namespace tess::cli {
namespace {

std::map<const CLI::App*, Action>& actions() {
    static std::map<const CLI::App*, Action> registered;
    return registered;
}

// The commands that write into the program folder (the addon, batches, temp\pathf.bf, the
// merge folder): each runs under the program folder's lock, and the batches it starts work
// under it too. inspect takes it only to unpack an archive (intake/map_source.cpp); run-batch
// takes none: it runs a batch of such a command, under that command's lock.
constexpr std::array<std::string_view, 6> kWritingCommands = {
    "generate", "areas", "first-pack", "import-pathmaps", "final-pack", "merge"};

bool writesProgramFolder(const CLI::App& command) {
    for (const std::string_view name : kWritingCommands)
        if (command.get_name() == name)
            return true;
    return false;
}

// The lock of the program folder that the command's --program-folder names, or of the
// program's own folder.
ProgramLock lockProgramFolder(const CLI::App& command) {
    const CLI::Option* option = command.get_option_no_throw("--program-folder");
    if (option && option->count() > 0)
        useProgramFolder(option->as<std::string>());
    return ProgramLock(programFolder());
}

} // namespace

CLI::App* addCommand(CLI::App& app, const std::string& name, const std::string& description,
                     Action action) {
    CLI::App* command = app.add_subcommand(name, description);
    actions()[command] = std::move(action);
    return command;
}

void addProgramFolderOption(CLI::App* command, std::string& folder) {
    command->add_option("--program-folder", folder,
                        "Programmordner (Vorgabe: der Ordner dieses Programms)");
}

void useProgramFolder(const std::string& folder) {
    if (!folder.empty())
        setProgramFolderOverride(pathText(std::filesystem::absolute(resolvePath(folder))));
}

std::string percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", share * 100.0);
    return text;
}

void addCommands(CLI::App& app) {
    addMapCommands(app);
    addBatchCommands(app);
    addArchiveCommands(app);
    addPathmapCommands(app);
    addAreaCommands(app);
    addPackingCommands(app);
    addCheckCommands(app);
    addTerrainCommands(app);
}

int runSelected(CLI::App& app) {
    for (const CLI::App* command : app.get_subcommands())
        if (const auto it = actions().find(command); it != actions().end()) {
            std::optional<ProgramLock> lock;
            if (writesProgramFolder(*command))
                lock.emplace(lockProgramFolder(*command));
            return it->second();
        }
    return 2;
}

} // namespace tess::cli
