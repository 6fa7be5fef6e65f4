// The first pack as the window runs it, from the command line, for the end-to-end run of
// both builds: tess_first_pack_driver PROGRAM-FOLDER MAP-NAME PACK-TARGET
// The addon bf1942\levels\<MAP-NAME>_001\ must have been generated in the program folder.
// Writes pack.bat, has the system run it (cmd.exe through the shell on Windows, our
// interpreter elsewhere), waits for both archives (at most two minutes) and writes
// temp\pathf.bf. Prints each value of the progress bar; exit code 0 when the wait ended with
// both archives.
#include "core/error.h"
#include "core/paths.h"
#include "core/wizard_state.h"
#include "packing/addon_pack.h"
#include "packing/pack_state.h"
#include "platform/console.h"
#include "platform/program_folder.h"

#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    const tess::Utf8Console console;
    const std::vector<std::string> arguments = tess::commandLineArguments(argc, argv);
    if (arguments.size() != 4) {
        std::cerr << "Aufruf: tess_first_pack_driver PROGRAMMORDNER KARTE ZIEL\n";
        return 2;
    }
    try {
        tess::setProgramFolderOverride(
            tess::pathText(std::filesystem::absolute(tess::resolvePath(arguments[1]))));
        const std::string program = tess::programFolder();
        tess::WizardState state;
        state.mapName = arguments[2];
        state.levelDir = program + "bf1942\\levels\\" + state.mapName + "_001\\";
        tess::packing::choosePackTarget(state, arguments[3], program);
        std::cout << "bar " << tess::packing::kBarStarting << "\n";
        tess::packing::writePackBatch(state, program);
        std::cout << "bar " << tess::packing::kBarBatchWritten << "\n";
        tess::packing::BatchWait wait = tess::packing::startFirstPack(state, program);
        std::cout << "bar " << tess::packing::kBarBatchStarted << "\n";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        int shown = tess::packing::kBarBatchStarted;
        tess::packing::WaitStatus status = wait.poll();
        while (!status.done) {
            if (status.bar != shown)
                std::cout << "bar " << (shown = status.bar) << "\n";
            if (std::chrono::steady_clock::now() > deadline) {
                status = wait.giveUpAfter(120);
                break;
            }
            std::this_thread::sleep_for(tess::packing::kPollInterval);
            status = wait.poll();
        }
        if (status.failed) {
            std::cerr << status.message << "\n";
            return 1;
        }
        std::cout << "bar " << status.bar << "\n";
        tess::packing::writePackState(state, program);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
}
