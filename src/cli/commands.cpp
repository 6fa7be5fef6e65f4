#include "cli/commands.h"

#include "core/paths.h"
#include "platform/program_folder.h"

#include <filesystem>
#include <map>

namespace tess::cli {
namespace {

std::map<const CLI::App*, Action>& actions() {
    static std::map<const CLI::App*, Action> registered;
    return registered;
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

void addCommands(CLI::App& app) {
    addMapCommands(app);
    addBatchCommands(app);
    addArchiveCommands(app);
    addPathmapCommands(app);
    addAreaCommands(app);
    addPackingCommands(app);
    addCheckCommands(app);
}

int runSelected(CLI::App& app) {
    for (const CLI::App* command : app.get_subcommands())
        if (const auto it = actions().find(command); it != actions().end())
            return it->second();
    return 2;
}

} // namespace tess::cli
