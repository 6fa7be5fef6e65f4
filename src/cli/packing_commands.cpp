// first-pack, import-pathmaps, final-pack and merge: tab "(3) Pathmaps-config + Packing"
// without a window. Each runs the same batches through the same batch runner as the window
// and waits for them in the same way, asking the wait with a short pause until it ends or
// the time limit (--timeout) is reached.
#include "cli/commands.h"

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "core/wizard_state.h"
#include "intake/game_folder.h"
#include "intake/map_inspection.h"
#include "intake/map_source.h"
#include "packing/addon_pack.h"
#include "packing/batch_wait.h"
#include "packing/network_merge.h"
#include "packing/pack_state.h"
#include "platform/program_folder.h"
#include "platform/shell.h"

#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tess::cli {
namespace {

struct PackingOptions {
    std::string map;
    std::string target;
    std::string addon;
    std::string backup;
    bool deleteAddon = false;
    std::string programFolder;
    int timeout = 600;
};

// A path given on the command line, made absolute: the batches run in the program folder,
// where a relative path would name something else.
std::string absolutePath(const std::string& path) {
    // The text is UTF-8 (a plain narrow string would be taken in the ANSI code page on
    // Windows).
    return pathText(std::filesystem::absolute(std::u8string(path.begin(), path.end())));
}

// Asks the waits in turn until each is done; all of them together get `seconds`. A wait
// that fails, or runs out of time, ends the command with its message.
class Waiting {
public:
    explicit Waiting(int seconds)
        : seconds_(seconds),
          deadline_(std::chrono::steady_clock::now() + std::chrono::seconds(seconds)) {}

    void until(packing::BatchWait& wait) const {
        for (;;) {
            const packing::WaitStatus status = wait.poll();
            if (status.done) {
                if (status.failed)
                    throw Error(status.message);
                return;
            }
            if (std::chrono::steady_clock::now() >= deadline_)
                throw Error(wait.giveUpAfter(seconds_).message);
            std::this_thread::sleep_for(packing::kPollInterval);
        }
    }

private:
    int seconds_;
    std::chrono::steady_clock::time_point deadline_;
};

int firstPack(const PackingOptions& options) {
    useProgramFolder(options.programFolder);
    const std::string program = programFolder();
    WizardState state;
    intake::chooseMapAndWait(state, options.map, program);
    const intake::Inspection shown = intake::inspectMap(state, program);
    // The addon that `generate` wrote for the map, as Start leaves the state.
    state.mapLevelDir = state.levelDir;
    state.levelDir = shown.addonFolder;
    if (!fileExists(state.levelDir + "ai.con"))
        throw Error("Das Addon " + state.levelDir +
                    " fehlt. Schreibe es zuerst mit "
                    "tessarine-cli generate " +
                    options.map);
    if (const auto gameFolder = intake::readRememberedGameFolder(program))
        state.gameDir = *gameFolder;
    else
        std::cerr << "Hinweis: Kein Spielordner gespeichert (" << program
                  << "memory.bf fehlt); die zweite Zeile von temp\\pathf.bf bleibt leer.\n";

    packing::choosePackTarget(state, absolutePath(options.target), program);
    packing::writePackBatch(state, program);
    packing::BatchWait wait = packing::startFirstPack(state, program);
    Waiting(options.timeout).until(wait);
    packing::writePackState(state, program);
    std::cout << "pack.bat: " << program << "pack.bat\n"
              << "archive: " << state.packTarget << ".rfa\n"
              << "state: " << packing::packStatePath(program) << "\n";
    return 0;
}

int importPathmaps(const PackingOptions& options) {
    useProgramFolder(options.programFolder);
    const std::string program = programFolder();
    WizardState state;
    const packing::PathmapImport imported = packing::importPathmaps(state, program);
    std::cout << "folder: " << imported.folder << "\n"
              << "ai.createallmaps: " << (imported.commandRemoved ? "entfernt" : "nicht gefunden")
              << "\n";
    for (const std::string& name : imported.copy.copied)
        std::cout << "copied: " << name << "\n";
    for (const std::string& name : imported.copy.skipped)
        std::cout << "skipped: " << name << "\n";
    for (const std::string& name : imported.refused)
        std::cout << "refused: " << name << " (keine gewöhnliche Datei, sondern eine Verknüpfung "
                  << "oder anderes; wird nicht gelesen)\n";
    if (!imported.copy.failed.empty()) {
        std::string names;
        for (const std::string& name : imported.copy.failed)
            names += (names.empty() ? "" : ", ") + name;
        throw Error(std::to_string(imported.copy.failed.size()) + " Pathmaps konnten nicht nach " +
                    state.levelDir + "Pathfinding\\ kopiert werden: " + names);
    }
    return 0;
}

int finalPack(const PackingOptions& options) {
    useProgramFolder(options.programFolder);
    const std::string program = programFolder();
    // A new process knows only what temp\pathf.bf holds, as the window after a restart.
    WizardState state;
    packing::restorePackState(state, program);
    packing::BatchWait wait = packing::startFinalPack(state, program);
    Waiting(options.timeout).until(wait);
    std::cout << "archive: " << state.packTarget << ".rfa\n"
              << "Fertig\n";
    return 0;
}

int merge(const PackingOptions& options) {
    useProgramFolder(options.programFolder);
    const std::string program = programFolder();
    WizardState state;
    packing::chooseNetMap(state, absolutePath(options.map));
    packing::chooseNetAddon(state, absolutePath(options.addon));
    packing::Disposal disposal = packing::Disposal::keep;
    if (options.deleteAddon)
        disposal = packing::Disposal::remove;
    if (!options.backup.empty()) {
        disposal = packing::Disposal::backUp;
        packing::chooseBackupPath(state, absolutePath(options.backup));
    }

    const Waiting waiting(options.timeout);
    const BatchProcess unpack = packing::startNetworkUnpack(state, disposal, program);
    packing::BatchWait unpacked = packing::waitForNetworkUnpack(unpack, state, program);
    waiting.until(unpacked);
    const packing::MergeStarted started = packing::finishMerge(state, disposal, program, unpack);
    packing::BatchWait packed = packing::waitForNetworkPack(started, state, program);
    waiting.until(packed);
    const packing::DisposalOutcome outcome = packing::completeMerge(state, disposal, program);
    if (!outcome.note.empty())
        std::cerr << outcome.note << "\n";

    std::cout << "map: " << state.netMapArchive << "\n";
    if (outcome.archiveGone)
        std::cout << "addon: "
                  << (disposal == packing::Disposal::backUp
                          ? "gesichert nach " + state.netBackupPath
                          : std::string("gelöscht"))
                  << "\n";
    else if (fileExists(state.netAddonArchive))
        std::cout << "addon: " << state.netAddonArchive << "\n";
    else
        std::cout << "addon: " << state.netAddonArchive << " ist nicht mehr da\n";
    std::cout << "Fertig\n";
    // The map is merged, but the addon archive is not gone as asked: say so in the exit code.
    return outcome.note.empty() ? 0 : 1;
}

// The longest wait --timeout may ask for: a week.
constexpr long kLongestTimeout = 7L * 24 * 60 * 60;

// Why `text` is no number of seconds for --timeout, in German; empty when it is one.
std::string timeoutProblem(const std::string& text) {
    const bool digits = !text.empty() && text.size() <= 7 &&
                        text.find_first_not_of("0123456789") == std::string::npos;
    if (digits && std::stol(text) <= kLongestTimeout)
        return {};
    return "\"" + text +
           "\" ist keine gültige Wartezeit. Gib eine ganze Zahl von Sekunden an, von 0 bis " +
           std::to_string(kLongestTimeout) + " (eine Woche)";
}

void addTimeoutOption(CLI::App* command, int& seconds) {
    command
        ->add_option("--timeout", seconds,
                     "Höchstens so viele Sekunden auf die Batchdateien warten (Vorgabe: 600)")
        ->check(CLI::Validator([](std::string& text) { return timeoutProblem(text); }, "SEKUNDEN",
                               "Wartezeit"));
}

} // namespace

void addPackingCommands(CLI::App& app) {
    const auto options = std::make_shared<PackingOptions>();

    CLI::App* first = addCommand(
        app, "first-pack",
        "Das Addon, das generate für MAP schrieb, zum 1. Mal packen (pack.bat, temp/pathf.bf)",
        [options] { return firstPack(*options); });
    first->add_option("MAP", options->map, "Levelordner, init.con oder .rfa-Archiv")->required();
    first->add_option("TARGET", options->target, "Ziel des Addon-Archivs, ohne .rfa")->required();
    addProgramFolderOption(first, options->programFolder);
    addTimeoutOption(first, options->timeout);

    CLI::App* import = addCommand(
        app, "import-pathmaps",
        "Nach dem Spiel: ai.createallmaps entfernen und die generierten Pathmaps in das Addon "
        "kopieren",
        [options] { return importPathmaps(*options); });
    addProgramFolderOption(import, options->programFolder);

    CLI::App* last =
        addCommand(app, "final-pack", "Das Addon mit seinen Pathmaps zum letzten Mal packen",
                   [options] { return finalPack(*options); });
    addProgramFolderOption(last, options->programFolder);
    addTimeoutOption(last, options->timeout);

    CLI::App* join = addCommand(
        app, "merge",
        "Map- und Addon-Archiv zu einem Map-Archiv für das Netzwerk verbinden (ersetzt MAP.rfa)",
        [options] { return merge(*options); });
    join->add_option("MAP", options->map, "Map-Archiv (.rfa)")->required();
    join->add_option("ADDON", options->addon, "Addon-Archiv (.rfa)")->required();
    CLI::Option* remove =
        join->add_flag("--delete-addon", options->deleteAddon, "Das Addon-Archiv danach löschen");
    CLI::Option* backup = join->add_option(
        "--backup", options->backup,
        "Das Addon-Archiv danach hierhin sichern und nur dann löschen, wenn die Kopie gelang");
    remove->excludes(backup);
    addProgramFolderOption(join, options->programFolder);
    addTimeoutOption(join, options->timeout);
}

} // namespace tess::cli
