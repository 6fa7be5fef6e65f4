// The main window: start-up, the error guard and the dialogs. The tabs live in files of their
// own (tform1_map.cpp, tform1_areas.cpp, tform1_packing.cpp).
#include "app/tform1.h"

#include "app/areas_tab.h"
#include "app/check_dialog.h"
#include "app/packing_tab.h"
#include "app/path_note.h"
#include "app/qt_text.h"
#include "app/tform2.h"
#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "intake/game_folder.h"
#include "platform/program_folder.h"
#include "platform/shell.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QToolTip>
#include <QTranslator>

using tess::app::qs;
using tess::app::shownFolderOf;
using tess::app::shownPath;
using tess::app::str;

static void initResources() {
    Q_INIT_RESOURCE(tessarine);
}

// The window's font. The design's is MS Sans Serif 8 pt, and the window's boxes are as narrow
// as its texts: elsewhere a narrow sans comes closest, so that every text fits its box. On
// Windows MS Sans Serif is a bitmap font that Qt draws a size too large, and Windows' own
// sans fonts (Tahoma, Arial) are too wide for the boxes; the narrow sans of Linux
// comes with the program (fonts\ beside it), Tahoma stands in without it.
static QFont windowFont() {
    if (tess::kOnWindows) {
        QFont::insertSubstitutions(QStringLiteral("Liberation Sans Narrow"),
                                   {QStringLiteral("Arial Narrow"), QStringLiteral("Tahoma")});
        return QFont(QStringLiteral("Liberation Sans Narrow"), 8);
    }
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans Narrow"),
                                QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Arial")});
    return QFont(QStringLiteral("MS Sans Serif"), 8);
}

void TForm1::prepareApplication() {
    if (tess::kOnWindows) {
        const QDir fonts(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
        for (const QString& face : fonts.entryList({QStringLiteral("*.ttf")}, QDir::Files))
            QFontDatabase::addApplicationFont(fonts.filePath(face));
    }
    // The window's font is the application's as well: a control with a style of its own takes
    // its font from the application, not from its window, and the dialogs match the window.
    QApplication::setFont(windowFont());

    // Qt's own texts in German: the file dialogs, the buttons of the message boxes, the
    // context menus. The translation comes with Qt (Debian: qt6-translations-l10n) or lies
    // in "translations" beside the program.
    const QLocale german(QLocale::German, QLocale::Germany);
    QLocale::setDefault(german);
    static QTranslator translator;
    if (translator.isEmpty() &&
        (translator.load(german, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
         translator.load(german, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QCoreApplication::applicationDirPath() + QStringLiteral("/translations"))))
        QCoreApplication::installTranslator(&translator);
}

TForm1::TForm1(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::TForm1>()) {
    initResources();
    ui_->setupUi(this);
    if (tess::kOnWindows) {
        // The window's font in place of the design's, on every control: a control with a
        // style sheet took its own copy of the design's already.
        const QFont font = windowFont();
        setFont(font);
        for (QWidget* control : findChildren<QWidget*>()) {
            QFont own = control->font();
            own.setFamily(font.family());
            control->setFont(own);
        }
    }
    // A fixed-size tool window: small caption bar, not resizable.
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(760, 620);
    move(204, 122);
    splash_ = std::make_unique<TForm2>();
    connectMapTab();
    connectAreasTab();
    connectPackingTab();
    connectPathNotes();
}

TForm1::~TForm1() = default;

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        FormShow();
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, the splash window too.
    splash_->close();
    QWidget::closeEvent(event);
    QApplication::quit();
}

void TForm1::showError(const QString& text) {
    const QString shown = qs(tess::withFullStop(str(text)));
    if (messageReader_) {
        messageReader_(QMessageBox::Critical, shown);
        return;
    }
    QMessageBox box(QMessageBox::Critical, windowTitle(), shown, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("errorBox"));
    box.exec();
}

void TForm1::showMessage(const QString& text, QMessageBox::Icon icon) {
    if (messageReader_) {
        messageReader_(icon, text);
        return;
    }
    QMessageBox box(icon, windowTitle(), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}

bool TForm1::askYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, windowTitle(), text, QMessageBox::Yes | QMessageBox::No,
                    this);
    box.setObjectName(QStringLiteral("questionBox"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TForm1::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        showError(qs(e.what()));
    }
}

void TForm1::noteUnseenBatch(PathNote* note, const tess::BatchProcess& batch,
                             const std::string& folder, const std::string& fileName) {
    if (!batch.started() || batch.shownInWindow()) {
        note->showText(QString());
        return;
    }
    const std::string log = tess::fileNamePart(tess::batchLogFile(folder, fileName));
    showPathNote(
        note,
        qs(fileName + " läuft ohne eigenes Fenster. Was sie tut, steht in " + log + " im Ordner "),
        folder, QStringLiteral("."));
}

void TForm1::openForUser(const std::string& path) {
    if (tess::openDocument(path)) {
        ui_->shellNote->showText(QString());
        return;
    }
    showPathNote(
        ui_->shellNote,
        qs("Kein Programm zum Öffnen gefunden. " + tess::fileNamePart(path) + " liegt in "),
        tess::folderPart(path), QStringLiteral("."));
}

void TForm1::showPathNote(PathNote* note, const QString& before, const std::string& path,
                          const QString& after) {
    note->showPath(before, shownPath(path), after, shownFolderOf(path));
}

void TForm1::connectPathNotes() {
    for (PathNote* note : {ui_->mapNote, ui_->shellNote, ui_->Label46, ui_->Label20z})
        connect(note, &PathNote::folderRequested, this, [note](const QString& folder) {
            if (!tess::fileExists(str(folder)))
                QToolTip::showText(QCursor::pos(), QStringLiteral("Den Ordner gibt es noch nicht."),
                                   note);
            else if (!tess::openDocument(str(folder)))
                QToolTip::showText(QCursor::pos(),
                                   QStringLiteral("Kein Programm zum Öffnen von Ordnern gefunden."),
                                   note);
        });
}

QString TForm1::chooseFile(const QString& objectName, const QString& filter,
                           const std::string& startFolder) {
    if (fileChooser_)
        return QDir::toNativeSeparators(fileChooser_(objectName, filter));
    QFileDialog dialog(this);
    dialog.setObjectName(objectName);
    if (!startFolder.empty())
        dialog.setDirectory(shownPath(startFolder));
    dialog.setNameFilter(filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

QString TForm1::chooseSaveFile(const QString& objectName, const QString& filter,
                               const QString& proposed, const std::string& startFolder) {
    if (saveChooser_)
        return QDir::toNativeSeparators(saveChooser_(objectName, filter, proposed));
    QFileDialog dialog(this);
    dialog.setObjectName(objectName);
    if (!startFolder.empty())
        dialog.setDirectory(shownPath(startFolder));
    dialog.setNameFilter(filter);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

void TForm1::FormShow() {
    guarded([this] {
        if (const auto remembered = tess::intake::readRememberedGameFolder(tess::programFolder())) {
            ui_->Edit4->setText(qs(*remembered));
            wizard_.gameDir = *remembered;
        }
        wizard_.areaEditMode = tess::AreaEditMode::secondCorner;
        splash_->show();
        splash_->raise();
    });
}
