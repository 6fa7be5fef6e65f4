// run-batch: runs one of the batch files the system writes, as the window starts them (on
// Linux through our interpreter, on Windows through cmd.exe), its output also in the log.
#include "cli/commands.h"

#include "batch/interpreter.h"
#include "platform/program_folder.h"
#include "platform/shell.h"

#include <memory>
#include <optional>

namespace tess::cli {
namespace {

struct BatchOptions {
    std::string file;
};

} // namespace

void addBatchCommands(CLI::App& app) {
    const auto options = std::make_shared<BatchOptions>();
    CLI::App* runCommand =
        addCommand(app, "run-batch",
                   "Batchdatei im aktuellen Ordner ausführen (Ausgabe auch in .log)", [options] {
                       if (const std::optional<int> code = runBatchInSystemShell(options->file))
                           return *code;
                       return batch::runBatchCommand(options->file, programFolder());
                   });
    runCommand->add_option("FILE", options->file)->required();
}

} // namespace tess::cli
