#include "packing/batch_wait.h"

#include "core/files.h"
#include "core/paths.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tess::packing {

ArchiveStamp stampOf(const std::string& path) {
    ArchiveStamp stamp;
    const fs::path file = resolvePath(path);
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(file, ec))
        return stamp;
    stamp.exists = true;
    stamp.identity = identityOf(file).value_or(FileIdentity{});
    stamp.size = fs::file_size(file, ec);
    stamp.modified = lastWriteTime(file);
    return stamp;
}

BatchWait::BatchWait(Goal goal, BatchProcess batch, BatchFile file)
    : goal_(goal), batch_(std::move(batch)), file_(std::move(file)) {}

BatchWait BatchWait::forArchive(Goal goal, BatchProcess batch, BatchFile file,
                                std::string programArchive, std::string targetArchive,
                                std::pair<ArchiveStamp, ArchiveStamp> before) {
    BatchWait wait(goal, std::move(batch), std::move(file));
    wait.programArchive_ = std::move(programArchive);
    wait.targetArchive_ = std::move(targetArchive);
    wait.programBefore_ = before.first;
    wait.targetBefore_ = before.second;
    return wait;
}

BatchWait BatchWait::forPackedArchive(BatchProcess batch, BatchFile file,
                                      std::string programArchive, std::string targetArchive,
                                      std::pair<ArchiveStamp, ArchiveStamp> before) {
    return forArchive(Goal::packedArchive, std::move(batch), std::move(file),
                      std::move(programArchive), std::move(targetArchive), before);
}

BatchWait BatchWait::forCopiedArchive(BatchProcess batch, BatchFile file,
                                      std::string programArchive, std::string targetArchive,
                                      std::pair<ArchiveStamp, ArchiveStamp> before) {
    return forArchive(Goal::copiedArchive, std::move(batch), std::move(file),
                      std::move(programArchive), std::move(targetArchive), before);
}

bool BatchWait::isNew(const std::string& archive, const ArchiveStamp& before) const {
    if (!before.exists)
        return fileExists(archive);
    const ArchiveStamp now = stampOf(archive);
    return now.exists && now != before;
}

BatchWait BatchWait::forBatchEnd(BatchProcess batch, BatchFile file, std::string what,
                                 std::function<bool()> delivered) {
    BatchWait wait(Goal::batchEnd, std::move(batch), std::move(file));
    wait.what_ = std::move(what);
    wait.delivered_ = std::move(delivered);
    return wait;
}

WaitStatus BatchWait::poll() {
    if (status_.done)
        return status_;
    // Asked before the disk: whatever the batch delivered before it ended is then seen below.
    const bool ended = batch_.hasEnded();
    if (goal_ == Goal::batchEnd) {
        if (!ended)
            return status_;
        if (delivered_ && !delivered_())
            return fail(missingMessage());
        status_.bar = kBarDone;
        status_.done = true;
        return status_;
    }
    if (isNew(programArchive_, programBefore_)) {
        if (goal_ == Goal::copiedArchive)
            copyFileReplacing(programArchive_, targetArchive_);
        status_.bar = kBarArchivePacked;
        if (isNew(targetArchive_, targetBefore_)) {
            status_.bar = kBarDone;
            status_.done = true;
            return status_;
        }
    }
    if (ended)
        return fail(missingMessage());
    return status_;
}

WaitStatus BatchWait::abandon() {
    if (status_.done)
        return status_;
    return fail("Abgebrochen: Auf " + missing() + " wird nicht mehr gewartet." + stillRunning() +
                whereOutputIs());
}

WaitStatus BatchWait::giveUpAfter(int seconds) {
    if (status_.done)
        return status_;
    return fail("Nach " + std::to_string(seconds) + " Sekunden ist " + missing() +
                " noch nicht da; das Warten ist beendet." + stillRunning() + whereOutputIs());
}

WaitStatus BatchWait::fail(const std::string& message) {
    status_.done = true;
    status_.failed = true;
    status_.message = message;
    return status_;
}

std::string BatchWait::missingMessage() const {
    if (!batch_.started())
        return "Die Batchdatei " + batchText() + " konnte nicht gestartet werden; " + missing() +
               " fehlt.";
    return "Die Batchdatei " + batchText() + " ist beendet, ohne " + missing() + " zu liefern." +
           whereOutputIs();
}

std::string BatchWait::missing() const {
    if (goal_ == Goal::batchEnd)
        return "\"" + what_ + "\"";
    if (!isNew(programArchive_, programBefore_))
        return "\"" + programArchive_ + "\"";
    return "\"" + targetArchive_ + "\"";
}

std::string BatchWait::stillRunning() const {
    if (!batch_.started() || batch_.hasEnded())
        return "";
    return " Die Batchdatei " + batchText() + " läuft noch.";
}

std::string BatchWait::whereOutputIs() const {
    return " " + batchOutputSentence(file_);
}

std::string BatchWait::batchText() const {
    return "\"" + file_.folder + file_.fileName + "\"";
}

std::string batchOutputSentence(const BatchFile& file) {
    return "Was dabei geschah, steht in \"" + batchLogFile(file.folder, file.fileName) + "\".";
}

} // namespace tess::packing
