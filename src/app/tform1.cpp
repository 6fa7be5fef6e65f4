#include "app/tform1.h"

#include "app/tform2.h"
#include "batch/batch_text.h"
#include "core/error.h"
#include "core/paths.h"
#include "intake/game_folder.h"
#include "intake/map_choice.h"
#include "intake/map_inspection.h"
#include "platform/program_folder.h"
#include "scripts/review_editor.h"
#include "scripts/start.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSignalBlocker>

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}
std::string str(const QString& text) {
    return text.toStdString();
}

} // namespace

static void initResources() {
    Q_INIT_RESOURCE(tessarine);
}

TForm1::TForm1(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TForm1>()) {
    initResources();
    ui->setupUi(this);
    // A fixed-size tool window: small caption bar, not resizable.
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(760, 620);
    move(204, 122);
    form2 = new TForm2(nullptr);
    wireHandlers();
}

TForm1::~TForm1() {
    delete form2;
}

void TForm1::wireHandlers() {
    for (QWidget* icon : {static_cast<QWidget*>(ui->Image12), static_cast<QWidget*>(ui->Image9)})
        icon->installEventFilter(this);
    connect(ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(ui->Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(ui->Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(ui->Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
    connect(ui->ListBox1, &QListWidget::itemSelectionChanged, this, [this] { ListBox1Click(); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->isEnabled()) {
            if (watched == ui->Image12) {
                Image12Click();
                return true;
            }
            if (watched == ui->Image9) {
                Image9Click();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownOnce) {
        shownOnce = true;
        FormShow();
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, the splash window too.
    form2->close();
    QWidget::closeEvent(event);
    QApplication::quit();
}

void TForm1::showError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, windowTitle(), qs(tess::withFullStop(str(text))),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("errorBox"));
    box.exec();
}

void TForm1::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        showError(qs(e.what()));
    }
}

QString TForm1::chooseFile(const QString& objectName, const QString& filter) {
    if (fileChooser)
        return QDir::toNativeSeparators(fileChooser(objectName, filter));
    QFileDialog dialog(this);
    dialog.setObjectName(objectName);
    dialog.setNameFilter(filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

void TForm1::FormShow() {
    guarded([this] {
        if (const auto remembered = tess::intake::readRememberedGameFolder(tess::programFolder())) {
            ui->Edit4->setText(qs(*remembered));
            wizard.gameDir = *remembered;
        }
        wizard.areaEditMode = 1;
        form2->show();
        form2->raise();
    });
}

void TForm1::Image12Click() {
    guarded([this] {
        if (ui->unpack->isChecked()) {
            const QString chosen =
                chooseFile(QStringLiteral("o1"), QStringLiteral("Main Init.con (init.con)"));
            if (!chosen.isEmpty()) {
                ui->Edit3->setText(qs(tess::intake::chooseUnpackedMap(wizard, str(chosen))));
                ui->pack->setEnabled(false);
                ui->unpack->setEnabled(false);
            }
        } else {
            const QString chosen =
                chooseFile(QStringLiteral("o2"), QStringLiteral("BF Refractor Archives (*.rfa)"));
            if (!chosen.isEmpty()) {
                // A refused name must not show up in the path field either.
                tess::batch::checkSafeForBatch(str(chosen));
                ui->Edit3->setText(chosen);
                tess::intake::choosePackedMap(wizard, str(chosen), tess::programFolder());
                ui->pack->setEnabled(false);
                ui->unpack->setEnabled(false);
            }
        }
        ui->Button1->setEnabled(true);
    });
}

void TForm1::Button1Click() {
    guarded([this] {
        wizard.packed = ui->pack->isChecked();
        const auto shown = tess::intake::inspectMap(wizard, tess::programFolder());
        ui->Label30->setText(qs(shown.mapLevelFolder));
        ui->Label31->setText(qs(shown.worldSize));
        ui->Label33->setText(qs(shown.mapKind));
        ui->Label32->setText(qs(shown.basePath));
        ui->Edit5->setText(qs(shown.basePath));
        ui->Label39->setText(qs(shown.mapName));
        ui->Label46->setText(qs(shown.addonPlace));
        ui->GroupBox7->setEnabled(false);
        ui->GroupBox8->setEnabled(true);
        ui->GroupBox9->setEnabled(true);
        ui->Memo6->setEnabled(true);
    });
}

void TForm1::Button2Click() {
    guarded([this] {
        const tess::scripts::SpawnFlags flags{ui->shipp->isChecked(), ui->landp->isChecked()};
        tess::scripts::writeAddonScripts(wizard, flags, tess::programFolder());
        {
            // Filling the list is no selection by the user.
            const QSignalBlocker quiet(ui->ListBox1);
            ui->ListBox1->clear();
            for (const auto entry : tess::scripts::kReviewEntries)
                ui->ListBox1->addItem(qs(std::string(entry)));
        }
        tess::scripts::writeEmptyAreaScript(wizard);
        ui->ListBox1->setEnabled(true);
        ui->t3->setEnabled(true);
        ui->Button2->setEnabled(false);
    });
}

namespace {

int selectedRow(const QListWidget* list) {
    const auto selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.constFirst());
}

} // namespace

void TForm1::ListBox1Click() {
    guarded([this] {
        const std::string text = tess::scripts::loadReviewFile(wizard, selectedRow(ui->ListBox1));
        ui->Memo6->setPlainText(qs(text));
    });
}

void TForm1::Button3Click() {
    guarded([this] {
        tess::scripts::saveReviewFile(wizard, selectedRow(ui->ListBox1),
                                      str(ui->Memo6->toPlainText()));
    });
}

void TForm1::Image9Click() {
    guarded([this] {
        const QString chosen =
            chooseFile(QStringLiteral("OpenDialog2"), QStringLiteral("BF1942.exe  (BF1942.exe)"));
        if (chosen.isEmpty())
            return;
        const std::string folder = tess::intake::gameFolderOfExecutable(str(chosen));
        ui->Edit4->setText(qs(folder));
        wizard.gameDir = folder;
    });
}

void TForm1::Button5Click() {
    guarded([this] {
        tess::intake::rememberGameFolder(tess::programFolder(), str(ui->Edit4->text()));
        ui->GroupBox13->setEnabled(true);
    });
}
