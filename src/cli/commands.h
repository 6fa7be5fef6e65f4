#pragma once

#include <CLI/CLI.hpp>

namespace tess::cli {

// Registers every subcommand with its options.
void addCommands(CLI::App& app);

// The pathmap command; it runs in its own callback while the command line is parsed.
void addPathmapCommands(CLI::App& app);

// Runs the subcommand that was parsed; returns the exit code. Errors are thrown.
int runSelected(CLI::App& app);

} // namespace tess::cli
