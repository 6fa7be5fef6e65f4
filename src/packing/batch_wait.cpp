#include "packing/batch_wait.h"

#include "core/files.h"

namespace tess::packing {

BatchWait::BatchWait(Goal goal, BatchProcess batch, BatchFile file)
    : goal_(goal), batch_(std::move(batch)), file_(std::move(file)) {}

BatchWait BatchWait::forPackedArchive(BatchProcess batch, BatchFile file,
                                      std::string programArchive, std::string targetArchive) {
    BatchWait wait(Goal::packedArchive, std::move(batch), std::move(file));
    wait.programArchive_ = std::move(programArchive);
    wait.targetArchive_ = std::move(targetArchive);
    return wait;
}

BatchWait BatchWait::forCopiedArchive(BatchProcess batch, BatchFile file,
                                      std::string programArchive, std::string targetArchive) {
    BatchWait wait(Goal::copiedArchive, std::move(batch), std::move(file));
    wait.programArchive_ = std::move(programArchive);
    wait.targetArchive_ = std::move(targetArchive);
    return wait;
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
    if (fileExists(programArchive_)) {
        if (goal_ == Goal::copiedArchive)
            copyFileReplacing(programArchive_, targetArchive_);
        status_.bar = kBarArchivePacked;
        if (fileExists(targetArchive_)) {
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
    if (!fileExists(programArchive_))
        return "\"" + programArchive_ + "\"";
    return "\"" + targetArchive_ + "\"";
}

std::string BatchWait::stillRunning() const {
    if (!batch_.started() || batch_.hasEnded())
        return "";
    return " Die Batchdatei " + batchText() + " läuft noch.";
}

std::string BatchWait::whereOutputIs() const {
    const std::string log = batchLogFile(file_.folder, file_.fileName);
    if (log.empty())
        return " Was dabei geschah, zeigt ihr Konsolenfenster.";
    return " Was dabei geschah, steht in \"" + log + "\".";
}

std::string BatchWait::batchText() const {
    return "\"" + file_.folder + file_.fileName + "\"";
}

} // namespace tess::packing
