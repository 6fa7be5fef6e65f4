// run-batch: the interpreter for the batch files the system writes, as the Linux shell layer
// starts it.
#include "cli/commands.h"

#include "batch/interpreter.h"
#include "platform/program_folder.h"

#include <memory>

namespace tess::cli {
namespace {

struct BatchOptions {
    std::string file;
};

} // namespace

void addBatchCommands(CLI::App& app) {
    const auto options = std::make_shared<BatchOptions>();
    CLI::App* runCommand = addCommand(
        app, "run-batch", "Batchdatei im aktuellen Ordner ausführen (Ausgabe auch in .log)",
        [options] { return batch::runBatchCommand(options->file, programFolder()); });
    runCommand->add_option("FILE", options->file)->required();
}

} // namespace tess::cli
