// rfa-list, rfa-unpack and rfa-pack: our own archive tools, as the batches call them.
#include "cli/commands.h"

#include "archive/archive.h"

#include <filesystem>
#include <iostream>
#include <memory>

namespace fs = std::filesystem;

namespace tess::cli {
namespace {

struct ArchiveOptions {
    std::string archive;
    std::string to;
    std::string folder;
    std::string pathInArchive;
    bool compress = false;
};

void printProgress(const std::string& line) {
    std::cout << line << "\n";
}

int list(const ArchiveOptions& options) {
    for (const auto& line : archive::formatListing(archive::listArchive(options.archive)))
        std::cout << line << "\n";
    return 0;
}

int unpack(const ArchiveOptions& options) {
    const fs::path to = options.to.empty() ? fs::current_path() : fs::path(options.to);
    // The folder is made only once the archive has been read.
    archive::UnpackOptions unpackOptions;
    unpackOptions.createDestination = true;
    archive::unpackArchive(options.archive, to, printProgress, unpackOptions);
    return 0;
}

int pack(const ArchiveOptions& options) {
    archive::packFolder(options.folder, options.pathInArchive, options.archive, options.compress,
                        printProgress);
    return 0;
}

} // namespace

void addArchiveCommands(CLI::App& app) {
    const auto options = std::make_shared<ArchiveOptions>();

    CLI::App* listCommand = addCommand(app, "rfa-list", "Inhalt eines Archivs zeigen",
                                       [options] { return list(*options); });
    listCommand->add_option("ARCHIVE", options->archive)->required();

    CLI::App* unpackCommand =
        addCommand(app, "rfa-unpack", "Archiv entpacken", [options] { return unpack(*options); });
    unpackCommand->add_option("ARCHIVE", options->archive)->required();
    unpackCommand->add_option("--to", options->to, "Zielordner (Vorgabe: aktueller Ordner)");

    CLI::App* packCommand = addCommand(app, "rfa-pack", "Ordner zu einem Archiv packen",
                                       [options] { return pack(*options); });
    packCommand->add_option("FOLDER", options->folder)->required();
    packCommand->add_option("PATH-IN-ARCHIVE", options->pathInArchive)->required();
    packCommand->add_option("ARCHIVE", options->archive)->required();
    packCommand->add_flag("--compress", options->compress, "LZO-komprimiert packen");
}

} // namespace tess::cli
