// Waiting for a batch's output. A wait is told what to wait for and answers one poll() at a
// time with the progress bar's value and whether it is done; it never sleeps itself. The
// window asks it from a timer, so it keeps painting and can offer "Abbrechen"; the
// command-line tool asks it with a short pause and a time limit. A wait whose batch has
// ended without delivering stops at once and says where the batch's output can be read.
#pragma once

#include "core/files.h"
#include "platform/shell.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace tess::packing {

// An archive as it is at one moment, to tell the archive that a batch makes from one that was
// there before: a new one differs in identity, size or time (a pack writes a new file, so even
// one with the same bytes has a new identity).
struct ArchiveStamp {
    bool exists = false;
    FileIdentity identity;
    std::uintmax_t size = 0;
    std::int64_t modified = 0;
    friend bool operator==(const ArchiveStamp&, const ArchiveStamp&) = default;
};
ArchiveStamp stampOf(const std::string& path);

// How often a wait is asked: often enough to notice a finished archive within a quarter of
// a second, seldom enough to cost next to nothing.
inline constexpr std::chrono::milliseconds kPollInterval{100};

// The values of the progress bar `packbar`, in the order the packing steps reach them.
inline constexpr int kBarStarting = 20;      // the pack begins
inline constexpr int kBarBatchWritten = 50;  // pack.bat is saved
inline constexpr int kBarBatchStarted = 66;  // pack.bat runs
inline constexpr int kBarArchivePacked = 78; // the archive is in the program folder
inline constexpr int kBarDone = 100;         // the archive is at its place

struct WaitStatus {
    int bar = kBarBatchStarted;
    bool done = false;   // the wait is over, delivered or not
    bool failed = false; // it is over without the batch's output
    std::string message; // why it failed, in German
};

// The batch being waited for: its folder and file name, as it was started.
struct BatchFile {
    std::string folder;
    std::string fileName;
};

// The sentence of a message that names where the batch's output can be read: its log.
std::string batchOutputSentence(const BatchFile& file);

class BatchWait {
public:
    // The first pack: done when the archive exists in the program folder (bar 78) and then
    // also at the target (bar 100), each of them other than it was before the batch started
    // (`before`: the program folder's archive, then the target's): an archive left from an
    // earlier run never ends it.
    static BatchWait forPackedArchive(BatchProcess batch, BatchFile file,
                                      std::string programArchive, std::string targetArchive,
                                      std::pair<ArchiveStamp, ArchiveStamp> before = {});

    // The final pack: as the first, but each pass that finds the new archive in the program
    // folder copies it to the target itself before it looks there.
    static BatchWait forCopiedArchive(BatchProcess batch, BatchFile file,
                                      std::string programArchive, std::string targetArchive,
                                      std::pair<ArchiveStamp, ArchiveStamp> before = {});

    // Done when the batch has ended and `delivered` says that its work is there; `what`
    // names that work in messages.
    static BatchWait forBatchEnd(BatchProcess batch, BatchFile file, std::string what,
                                 std::function<bool()> delivered);

    // One pass: looks at the disk and at the batch once.
    WaitStatus poll();

    // The user gives up waiting: the wait ends as failed and says so. The batch is not
    // stopped; its console or log shows how it goes on.
    WaitStatus abandon();

    // The time limit of the command-line tool is reached.
    WaitStatus giveUpAfter(int seconds);

    const WaitStatus& status() const { return status_; }
    const BatchProcess& batch() const { return batch_; }

private:
    enum class Goal { packedArchive, copiedArchive, batchEnd };
    BatchWait(Goal goal, BatchProcess batch, BatchFile file);
    // A wait for an archive that the batch writes: the program folder's and the target's.
    static BatchWait forArchive(Goal goal, BatchProcess batch, BatchFile file,
                                std::string programArchive, std::string targetArchive,
                                std::pair<ArchiveStamp, ArchiveStamp> before);

    WaitStatus fail(const std::string& message);
    std::string missingMessage() const; // the batch ended (or never ran) without its output
    std::string missing() const;        // what the wait still lacks, quoted
    std::string stillRunning() const;   // the sentence telling that the batch runs on
    std::string whereOutputIs() const;  // the sentence naming the batch's log
    std::string batchText() const;

    Goal goal_;
    BatchProcess batch_;
    BatchFile file_;
    bool isNew(const std::string& archive, const ArchiveStamp& before) const;

    std::string programArchive_;
    std::string targetArchive_;
    ArchiveStamp programBefore_;
    ArchiveStamp targetBefore_;
    std::string what_;
    std::function<bool()> delivered_;
    WaitStatus status_;
};

} // namespace tess::packing
