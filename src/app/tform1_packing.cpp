// Tab "(3) Pathmaps-config + Packing": the first pack ("Teil 1"), the pathmap import and the
// final pack ("Teil 2") and the network merge ("Netzwerk ?"). A batch that a step has to wait
// for is asked from a timer, so the window keeps painting while the bar moves; "Abbrechen"
// ends the wait as if the batch had failed, and no other step can start meanwhile.
#include "app/packing_tab.h"
#include "app/path_note.h"
#include "app/qt_text.h"
#include "app/tform1.h"
#include "core/error.h"
#include "core/paths.h"
#include "intake/game_folder.h"
#include "intake/map_inspection.h"
#include "packing/addon_pack.h"
#include "packing/pack_state.h"
#include "packing/pathmaps.h"
#include "pathmaps/picture.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"
#include "ui_mainwindow.h"

#include <QColor>
#include <QDir>
#include <QFileIconProvider>
#include <QListWidgetItem>
#include <QModelIndex>
#include <QSignalBlocker>

using tess::app::qs;
using tess::app::shownPath;
using tess::app::str;
using tess::packing::BatchWait;
using tess::packing::DisposalBox;
using tess::packing::WaitStatus;

namespace {

// The bar's values in the order the steps reach them.
constexpr int kBarSteps[] = {tess::packing::kBarStarting, tess::packing::kBarBatchWritten,
                             tess::packing::kBarBatchStarted, tess::packing::kBarArchivePacked,
                             tess::packing::kBarDone};

// Moves the bar on to `value` through each of its values on the way, so that every step
// shows also when one pass of a wait reaches two of them at once.
void moveBar(QProgressBar* bar, int value) {
    for (const int step : kBarSteps)
        if (step > bar->value() && step <= value)
            bar->setValue(step);
}

// A bar that starts again from nothing and shows that its batch runs.
void startBar(QProgressBar* bar) {
    bar->setValue(0);
    bar->show();
    moveBar(bar, tess::packing::kBarBatchStarted);
}

const QString& notCopiedTip() {
    static const QString tip =
        QStringLiteral("Wird nicht in das Addon kopiert: eine der fünf 8-Bit-Karten der "
                       "feinsten Stufe (Level0), die das Addon nicht braucht. Ansehen kannst du "
                       "sie hier trotzdem.");
    return tip;
}

QString joined(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names)
        list.append(qs(name));
    return list.join(QStringLiteral(", "));
}

} // namespace

void TForm1::connectPackingTab() {
    packing_ = std::make_unique<PackingTab>();
    packing_->timer.setInterval(tess::packing::kPollInterval);
    connect(&packing_->timer, &QTimer::timeout, this, [this] { pollWait(); });
    for (QPushButton* cancel : {ui_->packCancel, ui_->finalCancel, ui_->netCancel})
        connect(cancel, &QPushButton::clicked, this, [this] {
            if (packing_->wait)
                endWait(packing_->wait->abandon());
        });

    connect(ui_->Label42, &ClickableLabel::clicked, this, [this] { Label42Click(); });
    connect(ui_->Button6, &QPushButton::clicked, this, [this] { Button6Click(); });
    connect(ui_->Button7, &QPushButton::clicked, this, [this] { Button7Click(); });
    connect(ui_->FileListBox2, &QListWidget::itemSelectionChanged, this,
            [this] { FileListBox2Click(); });
    connect(ui_->Image13, &ClickableLabel::clicked, this, [this] { Image13Click(); });
    connect(ui_->Image14, &ClickableLabel::clicked, this, [this] { Image14Click(); });
    connect(ui_->Button9, &QPushButton::clicked, this, [this] { Button9Click(); });
    connect(ui_->fix1, &QCheckBox::clicked, this, [this] { fix1Click(); });
    connect(ui_->fix2, &QCheckBox::clicked, this, [this] { fix2Click(); });
    connect(ui_->fix3, &QCheckBox::clicked, this, [this] { fix3Click(); });
    connect(ui_->Button10, &QPushButton::clicked, this, [this] { Button10Click(); });
    connect(ui_->Button8, &QPushButton::clicked, this, [this] { Button8Click(); });
    connect(ui_->checkButton, &QPushButton::clicked, this, [this] { checkButtonClick(); });

    // Until a map is chosen or restored, the addon's place is the program folder's levels.
    showPathNote(ui_->Label46, QString(), tess::intake::levelsFolderOf(tess::programFolder()),
                 QString());

    // Until the import points it to the game's pathmap folder, the file list shows the
    // pathmaps of the folder that is current at start-up.
    try {
        const std::string current = tess::pathText(QDir::currentPath().toStdString()) + "/";
        showPathmaps(current, tess::packing::listPathmaps(current));
    } catch (const std::exception&) {
        // A current folder that cannot be listed leaves the list empty.
    }
}

bool TForm1::isWaiting() const {
    return packing_ && packing_->wait.has_value();
}

PathmapWindow* TForm1::pathmapWindow() {
    return packing_->pathmapWindow.get();
}

// --- Waiting for a batch -------------------------------------------------------------------

void TForm1::waitFor(BatchWait wait, QProgressBar* bar, QPushButton* cancel,
                     std::function<void(const WaitStatus&)> then) {
    PackingTab& tab = *packing_;
    tab.wait.emplace(std::move(wait));
    tab.bar = bar;
    tab.cancel = cancel;
    tab.then = std::move(then);
    blockWindowForWait(true);
    // A bar that lies under its "Abbrechen" button makes room for it while the wait runs.
    if (bar->geometry().intersects(cancel->geometry())) {
        tab.packbarPlace = bar->geometry();
        bar->setGeometry(bar->x(), bar->y(), cancel->x() - 5 - bar->x(), bar->height());
    }
    cancel->show();
    tab.timer.start();
}

void TForm1::pollWait() {
    PackingTab& tab = *packing_;
    if (!tab.wait) {
        tab.timer.stop();
        return;
    }
    const WaitStatus status = tab.wait->poll();
    moveBar(tab.bar, status.bar);
    if (status.done)
        endWait(status);
}

void TForm1::endWait(const WaitStatus& status) {
    PackingTab& tab = *packing_;
    tab.timer.stop();
    tab.cancel->hide();
    if (tab.packbarPlace.isValid()) {
        tab.bar->setGeometry(tab.packbarPlace);
        tab.packbarPlace = QRect();
    }
    blockWindowForWait(false);
    const auto then = std::move(tab.then);
    tab.then = nullptr;
    tab.wait.reset();
    // The step's lock lasts until what follows the wait is done too.
    const std::optional<tess::ProgramLock> lock = std::move(tab.lock);
    tab.lock.reset();
    if (then)
        guarded([&] { then(status); });
}

// While a wait runs, every control that starts a step is disabled: the other tabs, the
// game-folder and map groups, and the commands of this tab. Afterwards each gets its own
// enabled state back. FileListBox2 stays usable: looking at pathmaps changes nothing.
void TForm1::blockWindowForWait(bool block) {
    PackingTab& tab = *packing_;
    if (!block) {
        for (const auto& [widget, enabled] : tab.blocked)
            if (widget)
                widget->setEnabled(enabled);
        tab.blocked.clear();
        return;
    }
    const QList<QWidget*> starters{ui_->t1,      ui_->t3,      ui_->GroupBox14, ui_->GroupBox13,
                                   ui_->Label42, ui_->Button6, ui_->Button7,    ui_->Image13,
                                   ui_->Image14, ui_->oldfix,  ui_->fix1,       ui_->fix2,
                                   ui_->fix3,    ui_->Button9, ui_->Button10,   ui_->Button8};
    for (QWidget* widget : starters) {
        tab.blocked.emplace_back(widget, !widget->testAttribute(Qt::WA_ForceDisabled));
        widget->setEnabled(false);
    }
}

// --- Teil 1: the first pack ------------------------------------------------------------------

void TForm1::Label42Click() {
    if (isWaiting())
        return;
    guarded([this] {
        const std::string program = tess::programFolder();
        // With no addon to pack (after a restart, before the import) nothing is asked.
        tess::packing::checkAddonToPack(wizard_, program);
        const QString chosen = chooseSaveFile(QStringLiteral("rfapacks"),
                                              QStringLiteral("Refractor Archive Levels (*.rfa)"),
                                              qs(tess::packing::proposedPackName(wizard_)),
                                              tess::intake::gameLevelsFolder(wizard_.gameDir));
        if (chosen.isEmpty())
            return;
        tess::ProgramLock lock(program);
        // A name that the batch cannot carry, or a target that is no addon of this map, is
        // refused before anything changes.
        tess::packing::choosePackTarget(wizard_, str(chosen), program);
        ui_->packbar->setValue(0);
        ui_->packbar->show();
        ui_->Label42->hide();
        moveBar(ui_->packbar, tess::packing::kBarStarting);
        tess::packing::writePackBatch(wizard_, program);
        moveBar(ui_->packbar, tess::packing::kBarBatchWritten);
        BatchWait wait = tess::packing::startFirstPack(wizard_, program);
        moveBar(ui_->packbar, tess::packing::kBarBatchStarted);
        packing_->lock.emplace(std::move(lock));
        waitFor(std::move(wait), ui_->packbar, ui_->packCancel,
                [this, program](const WaitStatus& status) {
                    if (status.failed) {
                        // The first pack can be tried again once its cause is mended.
                        ui_->packbar->hide();
                        ui_->Label42->show();
                        throw tess::Error(status.message);
                    }
                    tess::packing::writePackState(wizard_, program);
                });
    });
}

// --- Teil 2: the pathmap import and the final pack ---------------------------------------------

void TForm1::showMapOnPackingTab(const std::string& mapName, const std::string& addonFolder) {
    ui_->Label39->setText(qs(mapName));
    ui_->Edit5->setText(qs(tess::intake::basePathOf(mapName)));
    showPathNote(ui_->Label46, QString(), addonFolder, QString());
}

void TForm1::showPathmaps(const std::string& folder, const std::vector<std::string>& names) {
    packing_->pathmapFolder = folder;
    const QSignalBlocker quiet(ui_->FileListBox2);
    ui_->FileListBox2->clear();
    const QIcon fileIcon = QFileIconProvider().icon(QFileIconProvider::File);
    for (const std::string& name : names) {
        auto* item = new QListWidgetItem(fileIcon, qs(name), ui_->FileListBox2);
        if (tess::packing::isExcludedPathmap(name)) {
            item->setForeground(QColor(0x80, 0x80, 0x80));
            item->setToolTip(notCopiedTip());
        }
    }
    ui_->FileListBox2->setCurrentIndex(QModelIndex());
}

void TForm1::Button6Click() {
    if (isWaiting())
        return;
    // The restored map shows on the tab, also when a later step of the import fails.
    const std::string mapBefore = wizard_.mapName;
    const std::string addonBefore = wizard_.levelDir;
    guarded([this] {
        ui_->pathmapCount->clear();
        ui_->pathmapCount->setToolTip(QString());
        const tess::ProgramLock lock(tess::programFolder());
        const tess::packing::PathmapImport imported =
            tess::packing::importPathmaps(wizard_, tess::programFolder());
        showPathmaps(imported.folder, imported.listed);
        const tess::packing::PathmapCopy& copy = imported.copy;
        QString count = QStringLiteral("Übernommen: %1 von %2")
                            .arg(copy.copied.size())
                            .arg(imported.listed.size());
        QString tip = QStringLiteral("%1 Pathmaps wurden nach %2 kopiert.")
                          .arg(copy.copied.size())
                          .arg(shownPath(wizard_.levelDir + "Pathfinding\\"));
        if (!copy.skipped.empty())
            tip += QStringLiteral(" Nicht kopiert (grau in der Liste): ") + joined(copy.skipped) +
                   QStringLiteral(".");
        if (!copy.failed.empty()) {
            count += QStringLiteral(", %1 Fehler").arg(copy.failed.size());
            tip += QStringLiteral(" Nicht kopiert werden konnten: ") + joined(copy.failed) +
                   QStringLiteral(".");
        }
        if (!imported.refused.empty()) {
            count += QStringLiteral(", %1 übergangen").arg(imported.refused.size());
            tip += QStringLiteral(" Keine gewöhnlichen Dateien (Verknüpfungen oder anderes), "
                                  "nicht gelesen: ") +
                   joined(imported.refused) + QStringLiteral(".");
        }
        ui_->pathmapCount->setText(count);
        const bool flawed = !copy.failed.empty() || !imported.refused.empty();
        ui_->pathmapCount->setStyleSheet(flawed ? QStringLiteral("color: #FF0000;") : QString());
        ui_->pathmapCount->setToolTip(tip);
    });
    if (wizard_.mapName != mapBefore || wizard_.levelDir != addonBefore)
        showMapOnPackingTab(wizard_.mapName, wizard_.levelDir);
    updateCheckButton();
}

void TForm1::Button7Click() {
    if (isWaiting())
        return;
    guarded([this] {
        tess::ProgramLock lock(tess::programFolder());
        BatchWait wait = tess::packing::startFinalPack(wizard_, tess::programFolder());
        packing_->lock.emplace(std::move(lock));
        startBar(ui_->finalbar);
        waitFor(std::move(wait), ui_->finalbar, ui_->finalCancel, [this](const WaitStatus& status) {
            if (status.failed) {
                ui_->finalbar->hide();
                throw tess::Error(status.message);
            }
            showMessage(QStringLiteral("Fertig"));
        });
    });
}

// The selected pathmap in its own small window, over the level's overview picture with the
// spawn points of the addon. A file that cannot be read gets a note there, not an error box.
void TForm1::FileListBox2Click() {
    const auto selected = ui_->FileListBox2->selectedItems();
    if (selected.isEmpty())
        return;
    const QString name = selected.constFirst()->text();
    PackingTab& tab = *packing_;
    if (!tab.pathmapWindow)
        tab.pathmapWindow = std::make_unique<PathmapWindow>(this);
    try {
        const std::string levelFolder =
            tess::packing::pictureLevelFolder(wizard_, tess::programFolder());
        const tess::pathmaps::PathmapView view = tess::pathmaps::viewPathmap(
            tab.pathmapFolder + str(name), levelFolder, wizard_.levelDir);
        tab.pathmapWindow->showPathmap(name, view, !levelFolder.empty());
    } catch (const std::exception& e) {
        // The window names the file already; the note speaks of it by its name alone.
        QString reason = qs(tess::withFullStop(e.what()));
        reason.replace(qs(tab.pathmapFolder) + name, name);
        tab.pathmapWindow->showNote(name, QStringLiteral("Kann nicht gezeigt werden: ") + reason);
    }
}

// --- Netzwerk ?: the network merge -------------------------------------------------------------

void TForm1::Image13Click() {
    if (isWaiting())
        return;
    guarded([this] {
        const QString chosen =
            chooseFile(QStringLiteral("fixen1dlg"), QStringLiteral("Refractor Archive (*.rfa)"),
                       tess::intake::gameLevelsFolder(wizard_.gameDir));
        if (chosen.isEmpty())
            return;
        ui_->Edit6->setText(shownPath(tess::packing::chooseNetMap(wizard_, str(chosen))));
    });
}

void TForm1::Image14Click() {
    if (isWaiting())
        return;
    guarded([this] {
        const QString chosen =
            chooseFile(QStringLiteral("fixen2dlg"), QStringLiteral("Refractor - Archive (*.rfa)"),
                       tess::intake::gameLevelsFolder(wizard_.gameDir));
        if (chosen.isEmpty())
            return;
        ui_->Edit7->setText(shownPath(tess::packing::chooseNetAddon(wizard_, str(chosen))));
        packing_->fixenpathName = qs(tess::fileNamePart(wizard_.netAddonArchive));
    });
}

namespace {

void showDisposal(const tess::packing::DisposalChoice& choice, Ui::TForm1& ui) {
    ui.fix1->setChecked(choice.isTicked(DisposalBox::fix1));
    ui.fix2->setChecked(choice.isTicked(DisposalBox::fix2));
    ui.fix3->setChecked(choice.isTicked(DisposalBox::fix3));
}

} // namespace

void TForm1::Button9Click() {
    if (isWaiting())
        return;
    guarded([this] {
        packing_->disposal.tick(DisposalBox::fix2);
        showDisposal(packing_->disposal, *ui_);
        const QString chosen =
            chooseSaveFile(QStringLiteral("fixenpath"),
                           QStringLiteral("Refractor Archives (*.rfa)"), packing_->fixenpathName);
        if (chosen.isEmpty())
            return;
        tess::packing::chooseBackupPath(wizard_, str(chosen));
        ui_->fix2->setToolTip(shownPath(wizard_.netBackupPath));
    });
}

void TForm1::fix1Click() {
    packing_->disposal.click(DisposalBox::fix1);
    showDisposal(packing_->disposal, *ui_);
}

void TForm1::fix2Click() {
    packing_->disposal.click(DisposalBox::fix2);
    showDisposal(packing_->disposal, *ui_);
}

void TForm1::fix3Click() {
    packing_->disposal.click(DisposalBox::fix3);
    showDisposal(packing_->disposal, *ui_);
}

void TForm1::Button10Click() {
    if (isWaiting())
        return;
    guarded([this] {
        const std::string program = tess::programFolder();
        // The batch keeps the lock until it has unpacked both archives.
        const tess::ProgramLock lock(program);
        packing_->netUnpack =
            tess::packing::startNetworkUnpack(wizard_, packing_->disposal.disposal(), program);
        noteUnseenBatch(ui_->shellNote, packing_->netUnpack, program + "Network\\", "unpack.bat");
        ui_->Button8->setEnabled(true);
    });
}

void TForm1::Button8Click() {
    if (isWaiting())
        return;
    guarded([this] {
        const tess::BatchProcess& unpack = packing_->netUnpack;
        if (unpack.hasEnded()) {
            finishNetworkMerge();
            return;
        }
        // "Entpacken" is still at work: its folder is packed only once it is complete.
        startBar(ui_->netbar);
        waitFor(tess::packing::waitForNetworkUnpack(unpack, wizard_, tess::programFolder()),
                ui_->netbar, ui_->netCancel, [this](const WaitStatus& status) {
                    if (status.failed) {
                        ui_->netbar->hide();
                        throw tess::Error(status.message);
                    }
                    finishNetworkMerge();
                });
    });
}

// The second half of "Map und Addon verbinden": the checks of what was unpacked, the Co-op
// scripts and the pack batch, waited for until the map archive is replaced; then the check of
// the merged map and the addon archive's disposal.
void TForm1::finishNetworkMerge() {
    const std::string program = tess::programFolder();
    tess::ProgramLock lock(program);
    const tess::packing::Disposal disposal = packing_->disposal.disposal();
    const tess::packing::MergeStarted started = tess::packing::finishMerge(
        wizard_, disposal, program, packing_->netUnpack, ui_->oldfix->isChecked());
    startBar(ui_->netbar);
    BatchWait wait = tess::packing::waitForNetworkPack(started, wizard_, program);
    packing_->lock.emplace(std::move(lock));
    waitFor(std::move(wait), ui_->netbar, ui_->netCancel,
            [this, disposal, program](const WaitStatus& status) {
                if (status.failed) {
                    ui_->netbar->hide();
                    throw tess::Error(status.message);
                }
                const tess::packing::DisposalOutcome outcome =
                    tess::packing::completeMerge(wizard_, disposal, program);
                if (!outcome.note.empty())
                    showMessage(qs(outcome.note), QMessageBox::Warning);
                showMessage(QStringLiteral("Fertig"));
            });
}
