// Tab "(1) Map + Confiles" (map choice, OK, Start, the review editor) and the game folder of
// tab "(3) Pathmaps-config + Packing".
#include "app/tform1.h"

#include "app/path_note.h"
#include "app/qt_text.h"
#include "batch/batch_text.h"
#include "intake/game_folder.h"
#include "intake/map_choice.h"
#include "intake/map_inspection.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"
#include "platform/shell.h"
#include "scripts/review_editor.h"
#include "scripts/start.h"
#include "ui_mainwindow.h"

#include <QModelIndex>
#include <QSignalBlocker>

using tess::app::qs;
using tess::app::shownPath;
using tess::app::str;

void TForm1::connectMapTab() {
    connect(ui_->Image12, &ClickableLabel::clicked, this, [this] { Image12Click(); });
    connect(ui_->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(ui_->Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(ui_->ListBox1, &QListWidget::itemSelectionChanged, this, [this] { ListBox1Click(); });
    connect(ui_->Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(ui_->Image9, &ClickableLabel::clicked, this, [this] { Image9Click(); });
    connect(ui_->Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
}

void TForm1::Image12Click() {
    guarded([this] {
        if (ui_->unpack->isChecked()) {
            const QString chosen =
                chooseFile(QStringLiteral("o1"), QStringLiteral("Main Init.con (init.con)"));
            if (!chosen.isEmpty()) {
                ui_->Edit3->setText(
                    shownPath(tess::intake::chooseUnpackedMap(wizard_, str(chosen))));
                ui_->pack->setEnabled(false);
                ui_->unpack->setEnabled(false);
            }
        } else {
            const QString chosen =
                chooseFile(QStringLiteral("o2"), QStringLiteral("BF Refractor Archives (*.rfa)"));
            if (!chosen.isEmpty()) {
                // A refused name must not show up in the path field either.
                tess::batch::checkSafeForBatch(str(chosen));
                const std::string program = tess::programFolder();
                // The batch keeps the lock until it has unpacked the map.
                const tess::ProgramLock lock(program);
                ui_->Edit3->setText(shownPath(str(chosen)));
                tess::BatchProcess unpack;
                tess::intake::choosePackedMap(wizard_, str(chosen), program, &unpack);
                noteUnseenBatch(ui_->mapNote, unpack, program, "unpack.bat");
                ui_->pack->setEnabled(false);
                ui_->unpack->setEnabled(false);
            }
        }
        ui_->Button1->setEnabled(true);
    });
}

void TForm1::Button1Click() {
    guarded([this] {
        wizard_.packed = ui_->pack->isChecked();
        const auto shown = tess::intake::inspectMap(wizard_, tess::programFolder());
        ui_->Label30->setText(shownPath(shown.mapLevelFolder));
        ui_->Label31->setText(qs(shown.worldSize));
        ui_->Label33->setText(qs(shown.mapKind));
        ui_->Label32->setText(qs(shown.basePath));
        showMapOnPackingTab(shown.mapName, shown.addonFolder);
        ui_->GroupBox7->setEnabled(false);
        ui_->GroupBox8->setEnabled(true);
        ui_->GroupBox9->setEnabled(true);
        ui_->Memo6->setEnabled(true);
    });
}

void TForm1::Button2Click() {
    guarded([this] {
        const tess::scripts::SpawnFlags flags{ui_->shipp->isChecked(), ui_->landp->isChecked()};
        const tess::ProgramLock lock(tess::programFolder());
        tess::scripts::writeAddonScripts(wizard_, flags, tess::programFolder());
        {
            // Filling the list is no selection by the user, and it leaves no current item
            // either: a list that gains the focus would otherwise mark its first entry.
            const QSignalBlocker quiet(ui_->ListBox1);
            ui_->ListBox1->clear();
            for (const auto entry : tess::scripts::kReviewEntries)
                ui_->ListBox1->addItem(qs(entry));
            ui_->ListBox1->setCurrentIndex(QModelIndex());
        }
        tess::scripts::writeEmptyAreaScript(wizard_);
        ui_->ListBox1->setEnabled(true);
        ui_->t3->setEnabled(true);
        ui_->Button2->setEnabled(false);
        areasTabEnabled();
    });
    updateCheckButton();
}

namespace {

int selectedRow(const QListWidget* list) {
    const auto selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.constFirst());
}

} // namespace

void TForm1::ListBox1Click() {
    guarded([this] {
        const std::string text = tess::scripts::loadReviewFile(wizard_, selectedRow(ui_->ListBox1));
        ui_->Memo6->setPlainText(qs(text));
    });
}

void TForm1::Button3Click() {
    guarded([this] {
        const tess::ProgramLock lock(tess::programFolder());
        tess::scripts::saveReviewFile(wizard_, selectedRow(ui_->ListBox1),
                                      str(ui_->Memo6->toPlainText()));
    });
}

void TForm1::Image9Click() {
    guarded([this] {
        const QString chosen =
            chooseFile(QStringLiteral("OpenDialog2"), QStringLiteral("BF1942.exe  (BF1942.exe)"));
        if (chosen.isEmpty())
            return;
        const std::string folder = tess::intake::gameFolderOfExecutable(str(chosen));
        ui_->Edit4->setText(qs(folder));
        wizard_.gameDir = folder;
    });
}

void TForm1::Button5Click() {
    guarded([this] {
        const tess::ProgramLock lock(tess::programFolder());
        tess::intake::rememberGameFolder(tess::programFolder(), str(ui_->Edit4->text()));
        ui_->GroupBox13->setEnabled(true);
    });
}
