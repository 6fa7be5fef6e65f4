#include "app/pathmap_window.h"

#include "app/pathmap_canvas.h"
#include "app/qt_text.h"
#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

using tess::app::qs;
using tess::app::shownPath;
using tess::app::str;
namespace pm = tess::pathmaps;

namespace {

QString kindText(pm::Kind kind) {
    switch (kind) {
    case pm::Kind::eightBit:
        return QStringLiteral("8-Bit-Karte");
    case pm::Kind::tiled:
        return QStringLiteral("gekachelte Karte");
    case pm::Kind::regions:
        return QStringLiteral("Gebietskarte");
    }
    return {};
}

QString percentText(double share) {
    return qs(pm::percentText(share));
}

QString factsOf(const QString& fileName, const pm::PathmapSummary& map) {
    QString text = fileName + QStringLiteral(": ") + kindText(map.kind);
    if (!map.className.empty())
        text += QStringLiteral(" der Klasse ") + qs(map.className);
    text += QStringLiteral(", %1 x %2 Felder zu %3 m, ")
                .arg(map.width)
                .arg(map.height)
                .arg(map.cellSize) +
            percentText(map.blockedShare()) + QStringLiteral(" gesperrt.");
    return text;
}

QString namesText(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names)
        list.append(qs(name));
    return list.join(QStringLiteral(", "));
}

} // namespace

PathmapWindow::PathmapWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pathmapWindow"));
    // A tool window that stays with the main window.
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinMaxButtonsHint | Qt::CustomizeWindowHint);
    buildControls();
    // Closing the main window ends the program: unsaved strokes are asked about first.
    if (parent != nullptr) {
        watchedWindow_ = parent->window();
        watchedWindow_->installEventFilter(this);
    }
}

PathmapWindow::~PathmapWindow() = default;

QToolButton* PathmapWindow::toolButton(const char* name, const QString& caption,
                                       const QString& tip) {
    auto* b = new QToolButton(this);
    b->setObjectName(QLatin1String(name));
    b->setText(caption);
    b->setToolTip(tip);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

void PathmapWindow::buildControls() {
    const auto button = [this](const char* name, const QString& caption, const QString& tip) {
        return toolButton(name, caption, tip);
    };
    brushTool_ = button("brushTool", QStringLiteral("Pinsel"),
                        QStringLiteral("Runder Pinsel: die linke Maustaste sperrt Felder, die "
                                       "rechte gibt sie frei"));
    rectangleTool_ = button("rectangleTool", QStringLiteral("Rechteck"),
                            QStringLiteral("Rechteck aufziehen: mit der linken Maustaste "
                                           "gesperrt, mit der rechten frei"));
    brushTool_->setCheckable(true);
    rectangleTool_->setCheckable(true);
    brushTool_->setChecked(true);
    auto* tools = new QButtonGroup(this);
    tools->addButton(brushTool_);
    tools->addButton(rectangleTool_);
    auto* sizeLabel = new QLabel(QStringLiteral("Größe in Feldern:"), this);
    brushSize_ = new QSpinBox(this);
    brushSize_->setObjectName(QStringLiteral("brushSize"));
    brushSize_->setRange(pm::kSmallestBrush, pm::kLargestBrush);
    brushSize_->setValue(3);
    brushSize_->setToolTip(QStringLiteral("Durchmesser des Pinsels in Feldern"));
    sizeLabel->setBuddy(brushSize_);
    undoButton_ = button("undoButton", QStringLiteral("Rückgängig"),
                         QStringLiteral("Den letzten Strich zurücknehmen (Strg+Z)"));
    redoButton_ = button("redoButton", QStringLiteral("Wiederholen"),
                         QStringLiteral("Den zurückgenommenen Strich wieder ausführen (Strg+Y)"));

    saveButton_ = button("saveButton", QStringLiteral("Speichern"),
                         QStringLiteral("Die Karte und die gröberen Stufen ihrer Klasse in den "
                                        "Ordner Pathfinding des Addons schreiben"));
    restoreButton_ = button("restoreButton", QStringLiteral("Original wiederherstellen"),
                            QStringLiteral("Die Dateien der Klasse so zurückholen, wie das Spiel "
                                           "sie geschrieben hat"));
    exportButton_ = button("exportButton", QStringLiteral("Als Bild exportieren"),
                           QStringLiteral("Die Karte als Graubild (PNG) für einen Bildeditor: "
                                          "Norden oben, schwarz frei, weiß gesperrt, ein "
                                          "Bildpunkt je Feld"));
    importButton_ = button("importButton", QStringLiteral("Bild importieren"),
                           QStringLiteral("Ein bearbeitetes Bild der Karte zurückholen (PNG, "
                                          "genau so groß wie die Karte; heller als mittleres "
                                          "Grau ist gesperrt). Speichern schreibt es."));

    canvas_ = new PathmapCanvas(this);
    noteLabel_ = new QLabel(this);
    noteLabel_->setObjectName(QStringLiteral("pathmapNote"));
    noteLabel_->setAlignment(Qt::AlignCenter);
    noteLabel_->setWordWrap(true);
    noteLabel_->setMargin(24);
    noteLabel_->setStyleSheet(QStringLiteral("background-color: #808080; color: #FFFFFF;"));
    stack_ = new QStackedWidget(this);
    stack_->addWidget(canvas_);
    stack_->addWidget(noteLabel_);

    const auto textLine = [this](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    factsLabel_ = textLine("pathmapFacts");
    lineLabel_ = textLine("pathmapLine");
    statusLabel_ = textLine("pathmapStatus");
    filesLabel_ = textLine("pathmapFiles");

    auto* toolRow = new QHBoxLayout;
    toolRow->addWidget(brushTool_);
    toolRow->addWidget(rectangleTool_);
    toolRow->addSpacing(8);
    toolRow->addWidget(sizeLabel);
    toolRow->addWidget(brushSize_);
    toolRow->addSpacing(8);
    toolRow->addWidget(undoButton_);
    toolRow->addWidget(redoButton_);
    toolRow->addStretch();
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(saveButton_);
    fileRow->addWidget(restoreButton_);
    fileRow->addSpacing(8);
    fileRow->addWidget(exportButton_);
    fileRow->addWidget(importButton_);
    fileRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addLayout(toolRow);
    layout->addLayout(fileRow);
    layout->addLayout(buildTerrainControls());
    layout->addWidget(stack_, 1);
    layout->addWidget(factsLabel_);
    layout->addWidget(lineLabel_);
    layout->addWidget(statusLabel_);
    layout->addWidget(filesLabel_);

    connect(undoButton_, &QAbstractButton::clicked, this, &PathmapWindow::undo);
    connect(redoButton_, &QAbstractButton::clicked, this, &PathmapWindow::redo);
    connect(saveButton_, &QAbstractButton::clicked, this, &PathmapWindow::save);
    connect(restoreButton_, &QAbstractButton::clicked, this, &PathmapWindow::restoreOriginal);
    connect(exportButton_, &QAbstractButton::clicked, this, &PathmapWindow::exportPicture);
    connect(importButton_, &QAbstractButton::clicked, this, &PathmapWindow::importPicture);
    connect(brushTool_, &QAbstractButton::toggled, canvas_, [this] { canvas_->update(); });
    // Ctrl+Z and Ctrl+Y everywhere, and the platform's own keys besides; each key once, since
    // two shortcuts on one key would both stay silent.
    const auto shortcut = [this](QKeySequence::StandardKey standard, QKeySequence own,
                                 void (PathmapWindow::*command)()) {
        QList<QKeySequence> keys{own};
        for (const QKeySequence& key : QKeySequence::keyBindings(standard))
            if (!keys.contains(key))
                keys.append(key);
        auto* s = new QShortcut(this);
        s->setKeys(keys);
        connect(s, &QShortcut::activated, this, command);
    };
    shortcut(QKeySequence::Undo, QKeySequence(Qt::CTRL | Qt::Key_Z), &PathmapWindow::undo);
    shortcut(QKeySequence::Redo, QKeySequence(Qt::CTRL | Qt::Key_Y), &PathmapWindow::redo);
    updateCommands();
    resize(kShownEdge + 16 + 128, kShownEdge + 220);
}

void PathmapWindow::showPathmap(const QString& fileName, const pm::PathmapView& view,
                                bool withOverview) {
    if (!settleUnsavedStrokes()) {
        appear(fileName_);
        return;
    }
    std::unique_ptr<pm::PathmapEditor> editor;
    try {
        editor = std::make_unique<pm::PathmapEditor>(view.file, view.mapLevelDir, view.addonDir);
    } catch (const std::exception& e) {
        showNote(fileName,
                 QStringLiteral("Kann nicht gezeigt werden: ") + qs(tess::withFullStop(e.what())));
        return;
    }
    editor_ = std::move(editor);
    terrain_ = std::make_unique<pm::MapTerrain>(view.mapLevelDir, view.addonDir, view.file);
    fileName_ = fileName;
    withOverview_ = withOverview;
    tip_ = qs(view.tip);
    filesNote_.clear();
    pictureStale_ = true;
    stack_->setCurrentWidget(canvas_);
    canvas_->setToolTip(tip_ + QStringLiteral("\nMausrad: zoomen. Mittlere Maustaste oder "
                                              "Leertaste und Ziehen: verschieben."));
    appear(fileName);
    canvas_->openMap();
    updateTexts();
    refreshOriginals();
    canvas_->setFocus();
}

void PathmapWindow::showNote(const QString& fileName, const QString& note) {
    if (!settleUnsavedStrokes()) {
        appear(fileName_);
        return;
    }
    editor_.reset();
    terrain_.reset();
    fileName_ = fileName;
    picture_ = QImage();
    pictureStale_ = false;
    filesNote_.clear();
    canvas_->clearMap();
    noteLabel_->setText(note);
    stack_->setCurrentWidget(noteLabel_);
    factsLabel_->setText(fileName);
    lineLabel_->clear();
    lineLabel_->setStyleSheet(QString());
    statusLabel_->clear();
    filesLabel_->clear();
    updateCommands();
    appear(fileName);
}

void PathmapWindow::showWorldPoint(double x, double z) {
    if (!editor_)
        return;
    const pm::Grid& grid = editor_->grid();
    show();
    raise();
    canvas_->centreOn(x / grid.cellSize, z / grid.cellSize, std::max(zoom(), kPointZoom));
    canvas_->mark(x, z);
}

std::optional<QPointF> PathmapWindow::markedPoint() const {
    return canvas_->marked();
}

const QImage& PathmapWindow::picture() const {
    if (pictureStale_ && editor_) {
        const auto& overview = editor_->overview();
        picture_ = imageOf(pm::drawPathmap(editor_->grid(), overview ? &*overview : nullptr,
                                           editor_->spawnCheck()));
    }
    pictureStale_ = false;
    return picture_;
}

QString PathmapWindow::note() const {
    return editor_ ? QString() : noteLabel_->text();
}

QString PathmapWindow::facts() const {
    return factsLabel_->text();
}

QString PathmapWindow::line() const {
    return lineLabel_->text();
}

QString PathmapWindow::status() const {
    return statusLabel_->text();
}

QString PathmapWindow::filesLine() const {
    return filesLabel_->text();
}

QWidget* PathmapWindow::canvas() const {
    return canvas_;
}

double PathmapWindow::zoom() const {
    return canvas_->zoom();
}

QPoint PathmapWindow::pointOfCell(int x, int z) const {
    return canvas_->pointOfCell(x, z);
}

void PathmapWindow::mapChanged(const pm::CellRect& changed) {
    if (!changed.empty()) {
        pictureStale_ = true;
        canvas_->cellsChanged(changed);
    } else {
        canvas_->update();
    }
    updateTexts();
    updateCommands();
}

void PathmapWindow::updateTexts() {
    if (!editor_)
        return;
    QString facts = factsOf(fileName_, editor_->summary());
    if (!withOverview_)
        facts += QStringLiteral(" Kein Übersichtsbild der Karte gefunden "
                                "(Textures\\ingamemap.dds): die Karte auf Grau.");
    factsLabel_->setText(facts);
    if (editor_->hasSpawnPoints()) {
        const pm::SpawnCheck check = editor_->spawnCheck();
        lineLabel_->setText(qs(pm::blockedSpawnLine(check)));
        lineLabel_->setStyleSheet(check.blocked.empty() ? QString()
                                                        : QStringLiteral("color: #A00000;"));
    } else {
        lineLabel_->setText(QStringLiteral("Keine Spawnpunkte des Addons für diese Klasse."));
        lineLabel_->setStyleSheet(QString());
    }
    const QString share =
        percentText(editor_->summary().blockedShare()) + QStringLiteral(" der Karte gesperrt");
    QStringList status{canvas_->hoverText(), groundText(), share};
    status.removeAll(QString());
    statusLabel_->setText(status.join(QStringLiteral(" · ")));

    QString files;
    if (!editor_->editable()) {
        files = QStringLiteral("Gebietskarten werden nur gezeigt: wie das Spiel ihre Gebiete "
                               "zählt, ist nicht bekannt, darum schreibt Tessarine sie nie neu.");
    } else {
        files =
            QStringLiteral("Speichern schreibt nach %1.").arg(shownPath(editor_->places().saveTo));
        if (const auto regions = editor_->regionMap())
            files += QStringLiteral(" %1 bleibt, wie das Spiel sie geschrieben hat.")
                         .arg(qs(tess::fileNamePart(*regions)));
    }
    if (!filesNote_.isEmpty())
        files = filesNote_ + QLatin1Char(' ') + files;
    filesLabel_->setText(files);
}

// The commands the model allows now.
void PathmapWindow::updateCommands() {
    const bool editable = editor_ && editor_->editable();
    brushTool_->setEnabled(editable);
    rectangleTool_->setEnabled(editable);
    brushSize_->setEnabled(editable);
    undoButton_->setEnabled(editable && editor_->edit().canUndo());
    redoButton_->setEnabled(editable && editor_->edit().canRedo());
    saveButton_->setEnabled(editable && editor_->edit().unsaved());
    exportButton_->setEnabled(editable);
    importButton_->setEnabled(editable);
    restoreButton_->setEnabled(editable && originals_);
    QString title = QStringLiteral("Pathmap: ") + fileName_;
    if (editable && editor_->edit().unsaved())
        title += QLatin1Char('*');
    if (editable && editor_->edit().holdsUnsavedDraft())
        title += QStringLiteral(" (Entwurf aus dem Gelände, nicht gespeichert)");
    setWindowTitle(title);
    updateTerrainCommands();
}

// Whether kept originals lie beside the saved file: asked when a map opens and after each
// save or restore, not at every stroke.
void PathmapWindow::refreshOriginals() {
    originals_ = false;
    if (editor_ && editor_->editable()) {
        try {
            originals_ = editor_->hasOriginals();
        } catch (const std::exception&) {
            originals_ = false;
        }
    }
    updateCommands();
}

void PathmapWindow::undo() {
    if (editor_ && editor_->editable())
        mapChanged(editor_->edit().undo());
}

void PathmapWindow::redo() {
    if (editor_ && editor_->editable())
        mapChanged(editor_->edit().redo());
}

namespace {

// Writing into the addon is a step in the program folder: under its lock, as every other.
std::optional<tess::ProgramLock> lockFor(const std::string& file) {
    if (!tess::liesBelowGuardedFolder(file))
        return std::nullopt;
    return std::optional<tess::ProgramLock>(std::in_place, tess::programFolder());
}

} // namespace

void PathmapWindow::save() {
    if (!editor_ || !editor_->editable())
        return;
    try {
        const auto lock = lockFor(editor_->places().saveTo);
        const pm::SaveReport report = editor_->save();
        filesNote_ = report.written.empty()
                         ? QStringLiteral("Nichts zu schreiben: die Dateien sind schon so.")
                         : QStringLiteral("Gespeichert: %1.").arg(namesText(report.written));
        if (!report.originalsKept.empty())
            filesNote_ += QStringLiteral(" Die Originale des Spiels liegen daneben: %1.")
                              .arg(namesText(report.originalsKept));
    } catch (const std::exception& e) {
        showError(e);
    }
    updateTexts();
    refreshOriginals();
}

void PathmapWindow::restoreOriginal() {
    if (!editor_ || !editor_->editable())
        return;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pathmap"),
                    QStringLiteral("Die Dateien der Klasse von %1 so zurückholen, wie das Spiel "
                                   "sie geschrieben hat? Alle Striche daran gehen verloren.")
                        .arg(fileName_),
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("restoreQuestion"));
    QPushButton* yes = box.addButton(QStringLiteral("Zurückholen"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() != yes)
        return;
    try {
        const auto lock = lockFor(editor_->places().saveTo);
        const std::vector<std::string> restored = editor_->restoreOriginals();
        filesNote_ = QStringLiteral("Zurückgeholt, wie das Spiel sie geschrieben hat: %1.")
                         .arg(namesText(restored));
    } catch (const std::exception& e) {
        showError(e);
    }
    pictureStale_ = true;
    canvas_->openMap();
    updateTexts();
    refreshOriginals();
}

void PathmapWindow::exportPicture() {
    if (!editor_ || !editor_->editable())
        return;
    const QString chosen = chooseFile(QStringLiteral("Pathmap als Bild exportieren"),
                                      QStringLiteral("PNG-Bilder (*.png)"), true);
    if (chosen.isEmpty())
        return;
    try {
        editor_->exportPicture(str(chosen));
        filesNote_ =
            QStringLiteral("Als Bild exportiert: %1.").arg(QDir::toNativeSeparators(chosen));
    } catch (const std::exception& e) {
        showError(e);
    }
    updateTexts();
}

void PathmapWindow::importPicture() {
    if (!editor_ || !editor_->editable())
        return;
    const QString chosen = chooseFile(QStringLiteral("Bild in die Pathmap importieren"),
                                      QStringLiteral("PNG-Bilder (*.png)"), false);
    if (chosen.isEmpty())
        return;
    try {
        const pm::CellRect changed = editor_->importPicture(str(chosen));
        filesNote_ = QStringLiteral("Bild importiert: %1 (mit Rückgängig zurückzunehmen; "
                                    "Speichern schreibt es).")
                         .arg(QDir::toNativeSeparators(chosen));
        mapChanged(changed);
    } catch (const std::exception& e) {
        showError(e);
        updateTexts();
    }
}

QString PathmapWindow::chooseFile(const QString& caption, const QString& filter, bool forSaving) {
    if (chooseFile_)
        return chooseFile_(caption, filter, forSaving);
    const QString stem =
        qs(tess::fileNamePart(editor_->places().saveTo)).section(QLatin1Char('.'), 0, 0);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return forSaving ? QFileDialog::getSaveFileName(
                           this, caption, folder + QLatin1Char('/') + stem + QStringLiteral(".png"),
                           filter)
                     : QFileDialog::getOpenFileName(this, caption, folder, filter);
}

void PathmapWindow::showError(const std::exception& error) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Pathmap"),
                    qs(tess::withFullStop(error.what())), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("errorBox"));
    box.exec();
}

bool PathmapWindow::settleUnsavedStrokes() {
    if (!editor_ || !editor_->editable() || !editor_->edit().unsaved())
        return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pathmap"),
                    QStringLiteral("Die Pathmap %1 hat ungespeicherte Striche. Sollen sie "
                                   "gespeichert werden?")
                        .arg(fileName_),
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("unsavedQuestion"));
    QPushButton* saveIt = box.addButton(QStringLiteral("Speichern"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("Verwerfen"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(saveIt);
    box.setEscapeButton(cancel);
    show();
    raise();
    box.exec();
    if (box.clickedButton() == discard) {
        // Forgotten: the map is read afresh when it is shown again.
        editor_.reset();
        terrain_.reset();
        picture_ = QImage();
        pictureStale_ = false;
        canvas_->clearMap();
        updateCommands();
        return true;
    }
    if (box.clickedButton() != saveIt)
        return false;
    save();
    return !editor_->edit().unsaved();
}

void PathmapWindow::closeEvent(QCloseEvent* event) {
    if (!settleUnsavedStrokes()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

bool PathmapWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_ && event->type() == QEvent::Close && !settleUnsavedStrokes()) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PathmapWindow::appear(const QString& fileName) {
    fileName_ = fileName;
    updateCommands();
    placeBesideParent();
    show();
    raise();
}

// The first time it opens: to the right of the main window when the screen has room there,
// else to its left, else over its right part. Afterwards it stays where the user put it.
void PathmapWindow::placeBesideParent() {
    if (placed_ || parentWidget() == nullptr)
        return;
    placed_ = true;
    const QRect main = parentWidget()->window()->frameGeometry();
    const QScreen* screen = parentWidget()->screen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    const int gap = 8;
    const int frame = 30; // the caption bar of the tool window
    int x = main.right() + gap;
    if (x + width() > room.right()) {
        x = main.left() - gap - width();
        if (x < room.left())
            x = std::max(room.left(), room.right() - width());
    }
    const int y = std::clamp(main.top(), room.top() + frame,
                             std::max(room.top() + frame, room.bottom() - height()));
    move(x, y);
}
