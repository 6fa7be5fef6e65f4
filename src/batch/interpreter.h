// The interpreter for the batch files the system writes, for platforms without cmd.exe. It
// runs exactly the commands those batches use: `copy "<from>" "<to>"`, `del "<path>"`,
// `rfaunpack.exe <archive>` and `rfaPack.exe <folder> <path in archive> "<archive>"
// [-Compress]` (the last two run our own archive code), plus the harmless batch furniture
// (empty lines, rem, ::, labels, echo, pause, exit). Everything else is reported and
// skipped; nothing is ever handed to a shell. Files are written through core's atomic
// copy and the archive tools, never through a link.
//
// As in cmd.exe: double quotes group and are removed, blanks and tabs separate, command
// names ignore letter case, paths are Windows paths ("\" or "/", any letter case) relative
// to the current folder, every command is echoed as "<folder>>command" unless echo is off,
// and the batch goes on after a failing line.
#pragma once

#include <fstream>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace tess::batch {

// One argument of a command line, quotes removed. `quoted` tells whether any part of it
// stood in double quotes (a quoted "/Y" is a file name, not a switch).
struct Argument {
    std::string text;
    bool quoted = false;
};

// Splits a command line by cmd.exe's rules: blanks and tabs outside double quotes separate,
// quotes group and are dropped, an unclosed quote runs to the end of the line.
std::vector<Argument> splitArguments(std::string_view line);

// Runs the lines of a batch in the current folder, writing what cmd.exe would show to log.
// Returns the number of lines that failed (0 when all went well). programFolder (with its
// trailing separator) is the folder of the program's own files: an archive unpacked there
// or in its Network folder writes only its entries under bf1942/levels/ (where a level
// archive holds all of its entries) and names every other one in the log as skipped.
int runBatchLines(const std::vector<std::string>& lines, std::ostream& log,
                  const std::string& programFolder);

// Reads a batch file (a Windows path; in the code page of batches, see encodeBatchText;
// CR LF, CR or LF) and runs it in the
// current folder. Returns the number of failed lines. Throws tess::Error when the file
// cannot be read.
int runBatchFile(const std::string& batchPath, std::ostream& log, const std::string& programFolder);

// The body of `tessarine-cli run-batch FILE`: runs the batch in the current folder and
// writes its output both to standard output and to the log file beside the batch
// (replaced on every run). Waits for the batch to end. Returns 0 when every line went well,
// 1 when any failed or the batch file cannot be read (the reason is written to both
// outputs).
int runBatchCommand(const std::string& batchPath, const std::string& programFolder);

} // namespace tess::batch
