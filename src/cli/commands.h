// The subcommands of tessarine-cli, in groups of one file each: map_commands.cpp (inspect,
// generate), archive_commands.cpp (rfa-list, rfa-unpack, rfa-pack), batch_commands.cpp
// (run-batch), pathmap_commands.cpp (pathmap), area_commands.cpp (areas), packing_commands.cpp
// (first-pack, import-pathmaps, final-pack, merge), check_commands.cpp (check),
// terrain_commands.cpp (terrain). Each group keeps its options in a struct of its own and registers
// its subcommands with addCommand().
//
// A new group: write <group>_commands.cpp with an add<Group>Commands(CLI::App&) function that
// registers its subcommands, declare that function below, call it in addCommands()
// (commands.cpp) and add the file to CMakeLists.txt.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

namespace tess::cli {

// The work of one subcommand, run once the command line has been parsed. Returns the exit
// code; errors are thrown as tess::Error.
using Action = std::function<int()>;

// Adds a subcommand to app whose action runs when it is chosen. Returns the subcommand, for
// its options.
CLI::App* addCommand(CLI::App& app, const std::string& name, const std::string& description,
                     Action action);

// The option --program-folder, stored in `folder`, for the commands that work on an
// installation; useProgramFolder makes it the program folder of the run when it was given.
void addProgramFolderOption(CLI::App* command, std::string& folder);
void useProgramFolder(const std::string& folder);

// A share (0 to 1) as the pathmap commands print it: "93.54 %".
std::string percent(double share);

// The groups.
void addMapCommands(CLI::App& app);
void addArchiveCommands(CLI::App& app);
void addBatchCommands(CLI::App& app);
void addPathmapCommands(CLI::App& app);
void addAreaCommands(CLI::App& app);
void addPackingCommands(CLI::App& app);
void addCheckCommands(CLI::App& app);
void addTerrainCommands(CLI::App& app);

// Registers every group's subcommands.
void addCommands(CLI::App& app);

// Runs the subcommand that was parsed; returns the exit code (2 when there is none).
int runSelected(CLI::App& app);

} // namespace tess::cli
