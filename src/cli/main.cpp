// tessarine-cli: the system's steps without a window, for scripting many maps and for our
// own tests and benchmarks.
#include "cli/commands.h"

#include "core/error.h"

#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv) {
    CLI::App app{"Tessarine: Bots für Battlefield-1942-Karten, ohne Fenster"};
    app.require_subcommand(1);
    tess::cli::addCommands(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << e.what() << "\n\n" << app.help();
        return 2;
    }
    try {
        return tess::cli::runSelected(app);
    } catch (const tess::Error& e) {
        std::cerr << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
}
