// The text of the batch files the system writes: the commands every batch builder shares and
// the check that keeps a name from carrying a command of its own into a batch. The batches
// are run by cmd.exe on Windows and by the interpreter (interpreter.h) elsewhere.
#pragma once

#include <string>
#include <string_view>

namespace tess::batch {

// Refuses a name or path that would carry a command of its own into a batch file: any of
// & | < > ^ % " makes cmd.exe do more than copy a file, and a line break would start a new
// command. Throws tess::Error. Every other byte stays as the game's tools and the users'
// habits know it.
void checkSafeForBatch(std::string_view text);

// `copy "<from>" "<to>"`: copies one file, replacing the target.
std::string copyCommand(std::string_view from, std::string_view to);

// `del "<path>"`: deletes one file.
std::string deleteCommand(std::string_view path);

// The text as one argument of a batch line: unchanged, or in double quotes when it holds a
// blank or a tab (cmd.exe and the game's tools would split it there).
std::string batchArgument(std::string_view text);

} // namespace tess::batch
