// Running a generated batch: saved into its folder, then handed to the operating system to
// run there in a process of its own. Starting never waits; what comes back can be asked
// whether the batch has ended, so a caller that needs the outcome can look for the batch's
// output on disk and tell a batch that is still at work from one that gave up.
#pragma once

#include "core/lines.h"

#include <fstream>
#include <memory>
#include <optional>
#include <string>

namespace tess {

// A batch that the runner started. Asking it never waits, and nothing here stops the batch.
// Copies share the one batch; when the last copy goes, the batch runs on (on Linux its
// process is still reaped when it ends, so none is left as a zombie).
class BatchProcess {
public:
    // No batch: never started, and so already ended.
    BatchProcess() = default;

    // False when the batch could not be started at all.
    bool started() const { return state_ != nullptr; }

    // True once the batch's process has ended, or when it was never started. On Windows a
    // batch whose process the shell does not hand back cannot be watched: it never reports
    // an end, and only its output on disk tells.
    bool hasEnded() const;

    // True once the batch has ended with an exit code that tells of a failure (on Linux our
    // interpreter's: a line of it failed). False while it runs, and where the code does not
    // tell (cmd.exe gives the code of the batch's last command).
    bool failed() const;

    // Whether the user sees the batch at work in a window of its own (a console window, or on
    // Linux a terminal following its log). False for a batch that runs unseen.
    bool shownInWindow() const;

    // One per operating system, defined beside the code that starts the process.
    struct State;
    explicit BatchProcess(std::shared_ptr<State> state) : state_(std::move(state)) {}

private:
    std::shared_ptr<State> state_;
};

// The bytes of a batch file, as the command interpreter that runs it reads them: each line
// followed by CR LF, in its code page (encodeBatchText: the console's code page of cmd.exe
// on Windows, Windows-1252 for our interpreter elsewhere). Throws tess::Error naming a
// character that the code page cannot hold.
std::string batchFileBytes(const LineList& lines);

// Saves a batch file (batchFileBytes) atomically. Throws the framework's "kann nicht
// erstellt werden" error when it cannot be written.
void saveBatchFile(const std::string& path, const LineList& lines);

// Saves the lines as folder + fileName (the folder must exist; a failure throws the
// framework's "kann nicht erstellt werden" error and nothing runs), then starts it.
BatchProcess runBatch(const std::string& folder, const std::string& fileName,
                      const LineList& lines);

// Starts an existing batch file in its folder without waiting: `tessarine-cli run-batch FILE`
// of the program folder, in the folder, in a process of its own (runBatchWithLog). Windows:
// in a console window of its own. Linux: when a terminal window can be shown, one follows
// the batch's log until the batch has ended. A batch started while this process holds the
// program folder's lock works under that lock (platform/program_lock.h).
BatchProcess openBatch(const std::string& folder, const std::string& fileName);

// `tessarine-cli run-batch FILE` where the system's own shell runs batch files: runs the
// batch in the current folder and waits for its end. What it prints goes to standard output
// and to the log beside the batch ("pack.bat" -> "pack.log", replaced on every run), in
// UTF-8. Windows: cmd.exe runs it (in this process's console, whose code page is the
// batch's meanwhile); the exit code is cmd.exe's, the code of the batch's last command.
// Linux has no such shell: nothing, and our interpreter runs the batch (batch/interpreter.h).
std::optional<int> runBatchInSystemShell(const std::string& batchPath);

// The log file beside a batch: "unpack.bat" -> "unpack.log".
std::string batchLogPath(const std::string& batchPath);

// Where the output of a batch started here can be read afterwards: the log that
// `run-batch` writes beside the batch ("pack.bat" -> "pack.log").
std::string batchLogFile(const std::string& folder, const std::string& fileName);

// Opens the log beside a batch (batchLogPath) for its output, emptying an earlier log; a
// link in its place is replaced, not written through, and a folder or a pipe there is not
// replaced (core/files.h). When the log cannot be made, says so on standard error and gives
// a stream that writes nothing: the batch runs all the same.
std::ofstream openBatchLog(const std::string& batchPath);

// Opens a document with the program associated with its type (ShellExecute "open";
// xdg-open on Linux). Never awaited. False when no program to open it was found.
bool openDocument(const std::string& path);

} // namespace tess
