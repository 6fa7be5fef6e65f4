// tessarine-cli check: what is wrong with an addon, where, and what to do. One finding a line,
// errors first, or a JSON array with --json; the count line on standard error. Exit code 0
// without errors, 1 with one, 2 for wrong usage, so a script can run it over many levels.
#include "cli/commands.h"

#include "checks/checks.h"
#include "checks/targets.h"
#include "core/paths.h"
#include "platform/program_folder.h"

#include <iostream>
#include <memory>
#include <string>

namespace tess::cli {
namespace {

struct CheckOptions {
    std::string target;
    bool json = false;
    std::string programFolder;
};

int check(const CheckOptions& options) {
    useProgramFolder(options.programFolder);
    checks::CheckTarget target;
    try {
        target = checks::targetOfArgument(options.target, programFolder());
    } catch (const checks::TargetError& e) {
        std::cerr << e.what() << "\n";
        return 2;
    }
    const checks::CheckReport report = checks::checkAddon(target);
    if (options.json) {
        std::cout << checks::findingsJson(report.findings) << "\n";
    } else {
        for (const checks::Finding& finding : report.findings)
            std::cout << shownText(checks::findingLine(finding)) << "\n";
    }
    std::cerr << shownText(report.checked) << ": " << checks::countLine(report) << "\n";
    return report.errors() > 0 ? 1 : 0;
}

} // namespace

void addCheckCommands(CLI::App& app) {
    const auto options = std::make_shared<CheckOptions>();
    CLI::App* command = addCommand(
        app, "check",
        "Ein Addon prüfen: was nicht stimmt, wo, und was zu tun ist (Exit-Code 1 bei Fehlern)",
        [options] { return check(*options); });
    command->add_option("MAP", options->target,
                        "Karte (Levelordner, init.con oder Name), Addon-Ordner, oder ein "
                        "Addon-Archiv bzw. verbundenes Kartenarchiv (.rfa); ohne: das Addon aus "
                        "temp/pathf.bf oder das einzige im Programmordner");
    command->add_flag("--json", options->json, "Die Befunde als JSON-Array ausgeben");
    addProgramFolderOption(command, options->programFolder);
}

} // namespace tess::cli
