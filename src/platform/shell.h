// Running a generated batch: saved into its folder, then handed to the operating system to
// run there in a process of its own. Never awaited; a caller that needs the outcome looks
// for the batch's output on disk.
#pragma once

#include "core/lines.h"

#include <string>

namespace tess {

// Saves the lines as folder + fileName (the folder must exist; a failure throws the
// framework's "kann nicht erstellt werden" error and nothing runs), then starts it.
void runBatch(const std::string& folder, const std::string& fileName, const LineList& lines);

// Starts an existing batch file in its folder without waiting. Windows: ShellExecute
// "open". Linux: `tessarine-cli run-batch FILE` detached in the folder, in a terminal
// window when x-terminal-emulator exists; the output always also goes to FILE's .log.
void openBatch(const std::string& folder, const std::string& fileName);

// Opens a document with the program associated with its type (ShellExecute "open";
// xdg-open on Linux). Never awaited.
void openDocument(const std::string& path);

} // namespace tess
