// tessarine-cli: the system's steps without a window, for scripting many maps and for our
// own tests and benchmarks.
#include "cli/commands.h"

#include "core/error.h"
#include "platform/console.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const tess::Utf8Console console;
    // The arguments in UTF-8 on every system, as the program's texts are.
    std::vector<std::string> arguments = tess::commandLineArguments(argc, argv);
    std::vector<char*> utf8Argv;
    for (std::string& argument : arguments)
        utf8Argv.push_back(argument.data());
    utf8Argv.push_back(nullptr);
    argc = static_cast<int>(arguments.size());
    argv = utf8Argv.data();

    CLI::App app{"Tessarine: Bots für Battlefield-1942-Karten, ohne Fenster"};
    app.require_subcommand(1);
    // Options are written "--name" on every system; "/x" is a path, also on Windows.
    app.allow_windows_style_options(false);
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
