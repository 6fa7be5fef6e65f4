// Tab "(2) Areas": the strategic area editor. Every handler reads its controls, makes one call
// on the AreaEditor that the window owns for the run, and then draws the tab from what the
// editor holds (drawAreasTab): the cursor pictures, the enabled states, the two panels, the
// lists and the outlines on the picture. A click on the picture, a key and a command label
// become the same call.
#include "app/area_picture.h"
#include "app/path_note.h"
#include "app/picture_file.h"
#include "app/qt_text.h"
#include "app/tform1.h"
#include "areas/area_file.h"
#include "areas/area_proposal.h"
#include "areas/level_areas.h"
#include "areas/level_takeover.h"
#include "areas/overview_picture.h"
#include "areas/saved_areas.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"
#include "platform/shell.h"
#include "ui_mainwindow.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QBrush>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextEdit>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

using tess::app::qs;
using tess::app::str;
using namespace tess::areas;

namespace {

// The eight cursor pictures of the tab, in the order of CursorPart.
std::array<QLabel*, kCursorPartCount> cursorWidgets(Ui::TForm1& ui) {
    return {ui.gruen, ui.fg, ui.rot, ui.fr, ui.oben, ui.unten, ui.links, ui.rechts};
}

// Where the design places the cursor pictures, as the editor counts them: in pixels of the
// picture `e`. The design is the one place of these positions; the editor parks the cursor
// there again.
CursorLayout designCursorLayout(Ui::TForm1& ui) {
    CursorLayout layout;
    const std::array<QLabel*, kCursorPartCount> widgets = cursorWidgets(ui);
    for (std::size_t i = 0; i < kCursorPartCount; ++i) {
        const QRect place = widgets[i]->geometry().translated(-ui.e->pos());
        layout[i] = {
            {place.left(), place.top()}, place.width(), place.height(), !widgets[i]->isHidden()};
    }
    return layout;
}

// Cursor pictures may be moved without bound; on the tab they are shown within a margin
// round it, which is all that can be seen, and the widgets never get absurd geometries.
QRect shownGeometry(const CursorPicture& picture) {
    const auto shown = [](std::int64_t value) {
        return static_cast<int>(std::clamp<std::int64_t>(value, -1000, 2000));
    };
    const int left = shown(picture.position.left);
    const int top = shown(picture.position.top);
    const int right = shown(std::int64_t{picture.position.left} + picture.width);
    const int bottom = shown(std::int64_t{picture.position.top} + picture.height);
    return {left, top, right - left, bottom - top};
}

bool isTextField(const QWidget* widget) {
    if (!widget)
        return false;
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->isEditable();
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget);
}

// Lists that grow at the end and lose entries anywhere: entries that still match stay, so
// that the list keeps its scroll position and selection; from the first difference on, the
// list is rebuilt. Each item keeps its whole text; a list that shortens its entries to its
// width shows the rest in the middle as "...".
enum class ListKind { plain, checkable, shortened };

template <typename Entry, typename Text>
void syncList(QListWidget* list, const std::vector<Entry>& entries, Text text,
              ListKind kind = ListKind::plain) {
    const QSignalBlocker quiet(list);
    const int count = static_cast<int>(entries.size());
    int same = 0;
    while (same < std::min(count, list->count()) &&
           list->item(same)->data(Qt::UserRole).toString() ==
               text(entries[static_cast<std::size_t>(same)]))
        ++same;
    while (list->count() > same)
        delete list->takeItem(list->count() - 1);
    // Room for the text beside the frame, the item's margins and the scroll bar once the
    // entries need one.
    const int rows = list->viewport()->height() / (list->fontMetrics().lineSpacing() + 2);
    const int scrollBar = count > rows ? list->verticalScrollBar()->sizeHint().width() : 0;
    const int width = list->width() - 2 * list->frameWidth() - scrollBar - 8;
    for (int i = same; i < count; ++i) {
        const QString whole = text(entries[static_cast<std::size_t>(i)]);
        auto* item =
            new QListWidgetItem(kind == ListKind::shortened
                                    ? list->fontMetrics().elidedText(whole, Qt::ElideMiddle, width)
                                    : whole,
                                list);
        item->setData(Qt::UserRole, whole);
        if (kind == ListKind::checkable) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }
}

// Where the area panel may stand on the picture, the design's place first.
QRect leastCovering(const QRect& area, QSize panel, QSize picture) {
    const int right = picture.width() - panel.width() - 2;
    const int bottom = picture.height() - panel.height() - 4;
    QRect best;
    std::int64_t bestCover = -1;
    for (const QPoint at :
         {QPoint(2, 4), QPoint(right, 4), QPoint(2, bottom), QPoint(right, bottom)}) {
        const QRect place(at, panel);
        const QRect covered = place.intersected(area);
        const std::int64_t cover =
            covered.isEmpty() ? 0 : std::int64_t{covered.width()} * covered.height();
        if (bestCover < 0 || cover < bestCover) {
            best = place;
            bestCover = cover;
        }
    }
    return best;
}

// The tip of the neighbour panel's explanation, and what stands in its place while the current
// area, taken over from a level, names itself as its neighbour.
const QString kSelfTip = QStringLiteral("Tip: eine Area kann nicht Nachbar von sich selbst sein !");
const QString kSelfLinkTip = QStringLiteral(
    "Diese Area ist, wie in der Karte, als ihr eigener Nachbar angekreuzt; ist das nicht gemeint, "
    "nimm das Häkchen weg.");

} // namespace

void TForm1::connectAreasTab() {
    areaEditor_ = std::make_unique<AreaEditor>(wizard_, designCursorLayout(*ui_));
    // The area script goes into the addon: a step in the program folder, under its lock.
    areaEditor_->setScriptWriter([](const std::function<void()>& write) {
        const tess::ProgramLock lock(tess::programFolder());
        write();
    });
    const std::pair<ClickableLabel*, void (TForm1::*)()> labels[] = {
        {ui_->Label1z, &TForm1::Label1zClick},   {ui_->Label2z, &TForm1::Label2zClick},
        {ui_->Label4z, &TForm1::Label4zClick},   {ui_->Label5z, &TForm1::Label5zClick},
        {ui_->Label6z, &TForm1::Label6zClick},   {ui_->Label7z, &TForm1::Label7zClick},
        {ui_->Label8z, &TForm1::Label8zClick},   {ui_->Label9z, &TForm1::Label9zClick},
        {ui_->Label10z, &TForm1::Label10zClick}, {ui_->Label16z, &TForm1::Label16zClick},
        {ui_->Image2z, &TForm1::Image2zClick},   {ui_->Label17z, &TForm1::Label17zClick},
        {ui_->Label18z, &TForm1::Label18zClick}, {ui_->Label21z, &TForm1::Label21zClick},
        {ui_->Label22z, &TForm1::Label22zClick}, {ui_->Label23z, &TForm1::Label23zClick},
        {ui_->Label24z, &TForm1::Label24zClick}, {ui_->Label25z, &TForm1::Label25zClick},
        {ui_->Label26z, &TForm1::Label26zClick}, {ui_->Label27z, &TForm1::Label27zClick},
    };
    for (const auto& [label, handler] : labels)
        connect(label, &ClickableLabel::clicked, this, [this, handler] { (this->*handler)(); });
    connect(ui_->BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(ui_->BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(ui_->BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(ui_->BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(ui_->RadioButton1, &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
    connect(ui_->RadioButton2, &QRadioButton::clicked, this, [this] { RadioButton2Click(); });
    connect(ui_->CheckBox1z, &QCheckBox::clicked, this, [this] { CheckBox1zClick(); });
    connect(ui_->e, &AreaPicture::pressed, this, [this](QPoint pixel) { eMouseDown(pixel); });
    // Enter in the step field hands the focus back to the picture, so that the movement keys
    // act again.
    connect(ui_->Edit1z, &QLineEdit::returnPressed, this,
            [this] { ui_->e->setFocus(Qt::OtherFocusReason); });
    connect(ui_->ListBox1z, &QListWidget::currentRowChanged, this,
            [this](int row) { ListBox1zClick(row); });
    connect(ui_->CheckListBox1, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        CheckListBox1ClickCheck(ui_->CheckListBox1->row(item), item->checkState() == Qt::Checked);
    });
    // A click on the picture must reach it through the markers and flags standing on it.
    for (QLabel* part : cursorWidgets(*ui_))
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
    // The keys act wherever the focus is on the tab, except in a text field.
    QCoreApplication::instance()->installEventFilter(this);
    drawAreasTab();
}

// --- Drawing ---

void TForm1::drawAreasTab() {
    const AreaEditor& editor = *areaEditor_;
    const std::array<QLabel*, kCursorPartCount> cursor = cursorWidgets(*ui_);
    for (std::size_t i = 0; i < kCursorPartCount; ++i) {
        const CursorPicture& picture = editor.picture(static_cast<CursorPart>(i));
        cursor[i]->setGeometry(shownGeometry(picture).translated(ui_->e->pos()));
        cursor[i]->setVisible(picture.visible);
    }

    ui_->Label10z->setEnabled(editor.isEnabled(Command::loadPicture));
    ui_->Label1z->setEnabled(editor.isEnabled(Command::newArea));
    ui_->Label2z->setEnabled(editor.isEnabled(Command::confirmPoint));
    ui_->Label8z->setEnabled(editor.isEnabled(Command::finishArea));
    const bool moveLabels = editor.isEnabled(Command::moveLabels);
    const QString chooseInterval =
        QStringLiteral("Erst \"Intervall Einstellung / Tastenbewegung\" wählen: dann verschieben "
                       "\"Links\", \"Rechts\", \"Hoch\" und \"Runter\" den aktiven Punkt um die "
                       "Schrittweite im Feld.");
    const std::pair<QWidget*, QString> moveControls[] = {
        {ui_->Label4z, QStringLiteral("Den aktiven Punkt um die Schrittweite nach links "
                                      "verschieben (Taste 4)")},
        {ui_->Label5z, QStringLiteral("Den aktiven Punkt um die Schrittweite nach rechts "
                                      "verschieben (Taste 6)")},
        {ui_->Label6z, QStringLiteral("Den aktiven Punkt um die Schrittweite nach oben "
                                      "verschieben (Taste 8)")},
        {ui_->Label7z, QStringLiteral("Den aktiven Punkt um die Schrittweite nach unten "
                                      "verschieben (Taste 5)")},
        {ui_->Edit1z, QStringLiteral("Die Schrittweite in Bildpunkten; mit Enter bestätigen")},
    };
    for (const auto& [control, tip] : moveControls) {
        control->setEnabled(moveLabels);
        control->setToolTip(moveLabels ? tip : chooseInterval);
    }
    ui_->Label9z->setEnabled(editor.isEnabled(Command::confirmArea));
    ui_->Image2z->setEnabled(editor.isEnabled(Command::openNeighbours));
    ui_->Label16z->setEnabled(editor.isEnabled(Command::nextArea));
    ui_->Label17z->setEnabled(editor.isEnabled(Command::undo));
    ui_->Label27z->setEnabled(editor.isEnabled(Command::redo));
    ui_->Label23z->setEnabled(editor.isEnabled(Command::editArea));
    ui_->Label24z->setEnabled(editor.isEnabled(Command::deleteArea));
    ui_->Label26z->setEnabled(editor.isEnabled(Command::editAgain));
    const bool takeIn = editor.isEnabled(Command::importAreas);
    ui_->Label25z->setEnabled(takeIn);
    ui_->Label22z->setEnabled(takeIn && !controlPoints_.empty());

    // A panel that closes with the focus in it hands the focus to the picture, so that the
    // movement keys act at once rather than typing into the next text field.
    if (!editor.areaPanelVisible() && ui_->areafert->isVisible() &&
        ui_->areafert->isAncestorOf(QApplication::focusWidget()))
        ui_->e->setFocus(Qt::OtherFocusReason);
    placeAreaPanel();
    ui_->areafert->setVisible(editor.areaPanelVisible());
    ui_->GroupBox5z->setVisible(editor.neighbourPanelVisible());

    syncList(
        ui_->ListBox1z, editor.summaryEntries(), [](const std::string& entry) { return qs(entry); },
        ListKind::shortened);
    {
        // Areas whose name the game cannot read stand out until renamed; the selected area is
        // the list's current entry.
        const QSignalBlocker quiet(ui_->ListBox1z);
        for (int i = 0; i < ui_->ListBox1z->count(); ++i) {
            const bool change = editor.nameNeedsChange(static_cast<std::size_t>(i));
            QListWidgetItem* item = ui_->ListBox1z->item(i);
            item->setForeground(change ? QBrush(AreaPicture::nameToChangeColour().darker(130))
                                       : QBrush());
            // A shortened entry shows itself whole in its tool tip.
            const QString whole = item->data(Qt::UserRole).toString();
            QStringList tip;
            if (item->text() != whole)
                tip << whole;
            if (change)
                tip << QStringLiteral("Diesen Namen kann das Spiel nicht lesen, oder er kommt "
                                      "doppelt vor: bitte ändern (\"Area bearbeiten\").");
            item->setToolTip(tip.join(QLatin1Char('\n')));
        }
        const auto selected = editor.selectedArea();
        ui_->ListBox1z->setCurrentRow(selected ? static_cast<int>(*selected) : -1);
    }
    syncList(
        ui_->CheckListBox1, editor.checkList(),
        [](const CheckEntry& entry) { return qs(entry.name); }, ListKind::checkable);
    {
        const QSignalBlocker quiet(ui_->CheckListBox1);
        const auto& checkList = editor.checkList();
        for (std::size_t i = 0; i < checkList.size(); ++i)
            ui_->CheckListBox1->item(static_cast<int>(i))
                ->setCheckState(checkList[i].ticked ? Qt::Checked : Qt::Unchecked);
    }
    ui_->Label13z->setText(qs(editor.neighbourHeading()));
    // A self-link taken over from a level is shown as the level has it; the tip that says an
    // area cannot be its own neighbour makes way for one that says so.
    const auto current = editor.currentArea();
    const bool namesItself = current && editor.checkList()[*current].ticked;
    QString explanation = ui_->Label3z->text();
    explanation.replace(namesItself ? kSelfTip : kSelfLinkTip,
                        namesItself ? kSelfLinkTip : kSelfTip);
    ui_->Label3z->setText(explanation);

    std::vector<PictureOutline> outlines;
    outlines.reserve(editor.confirmedAreas().size());
    const auto selected = editor.selectedArea();
    for (std::size_t i = 0; i < editor.confirmedAreas().size(); ++i) {
        const ConfirmedArea& area = editor.confirmedAreas()[i];
        outlines.push_back({area.rectangle.left, area.rectangle.top, area.rectangle.right,
                            area.rectangle.bottom, qs(area.panel.name), selected == i,
                            editor.nameNeedsChange(i)});
    }
    ui_->e->setAreaOutlines(std::move(outlines));

    ui_->Label19z->setText(qs(editor.positionText()));
    // The tab's status line: a failed autosave in red, else where the earlier areas are kept.
    if (!editor.autosaveError().empty()) {
        ui_->Label20z->setStyleSheet(QStringLiteral("color: #FF0000;"));
        ui_->Label20z->showText(QStringLiteral("Die Areas konnten nicht gesichert werden: ") +
                                qs(editor.autosaveError()));
    } else if (!editor.keptEarlierFile().empty()) {
        ui_->Label20z->setStyleSheet(QStringLiteral("color: #000000;"));
        showPathNote(
            ui_->Label20z, QStringLiteral("Die Areas des früheren Laufs liegen jetzt in \""),
            editor.keptEarlierFile(),
            QStringLiteral("\"; beim nächsten Start bietet \"Frühere Areas laden\" sie an."));
    } else {
        ui_->Label20z->showText(QString());
    }
    const bool loadable = editor.isEnabled(Command::loadSavedAreas);
    const bool offer = savedAreaOffer_ && *savedAreaOffer_ > 0 && loadable;
    if (offer)
        ui_->Label18z->setText(QStringLiteral("Gespeicherte Areas laden (%1)")
                                   .arg(static_cast<qulonglong>(*savedAreaOffer_)));
    ui_->Label18z->setVisible(offer);
    ui_->ComboBox1z->setVisible(loadable && !earlierAreas_.empty());
    ui_->Label21z->setVisible(loadable && !earlierAreas_.empty());
}

// "Area fertigstellen" opens where it covers the least of the area being drawn or edited and
// of the flags on its corners: in the design's place at the left unless the area lies there.
void TForm1::placeAreaPanel() {
    if (!areaEditor_->areaPanelVisible())
        return;
    const PixelRectangle& r = areaEditor_->rectangle();
    const auto shown = [](std::int64_t value) {
        return static_cast<int>(std::clamp<std::int64_t>(value, -2000, 2000));
    };
    const QRect area(QPoint(shown(std::int64_t{r.left} - 24), shown(std::int64_t{r.top} - 48)),
                     QPoint(shown(std::int64_t{r.right} + 17), shown(std::int64_t{r.bottom} + 1)));
    ui_->areafert->setGeometry(leastCovering(area, ui_->areafert->size(), ui_->e->size()));
}

void TForm1::areaCommand(const std::function<void()>& command) {
    guarded([&] {
        try {
            command();
        } catch (...) {
            // What the command changed before it failed is shown before the error box.
            drawAreasTab();
            throw;
        }
        drawAreasTab();
    });
}

// --- Start enables the tab ---

void TForm1::areasTabEnabled() {
    if (const auto picture = loadOverviewPicture(wizard_.mapLevelDir))
        ui_->e->setPixmap(QPixmap::fromImage(toImage(*picture).scaled(
            ui_->e->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    std::vector<PictureOutline> guides;
    for (const LevelArea& area :
         readLevelAreas(wizard_.mapLevelDir, wizard_.worldSize, wizard_.worldScale))
        guides.push_back({area.outline.left, area.outline.top, area.outline.right,
                          area.outline.bottom, qs(area.name)});
    ui_->CheckBox1z->setVisible(!guides.empty());
    ui_->Label25z->setVisible(!guides.empty());
    ui_->e->setGuideOutlines(std::move(guides));
    controlPoints_ = tess::areas::readControlPoints(wizard_.mapLevelDir);
    std::vector<PictureFlag> flags;
    if (wizard_.worldScale > 0)
        for (const tess::areas::ControlPoint& point : controlPoints_) {
            const PixelPosition at =
                worldToPixel(point.x, point.z, wizard_.worldSize, wizard_.worldScale);
            flags.push_back(
                {QPoint(std::clamp(at.left, -1000, 2000), std::clamp(at.top, -1000, 2000)),
                 point.team.value_or(0), qs(point.name)});
        }
    ui_->e->setControlPoints(std::move(flags));
    areaEditor_->enableAutosave(tess::programFolder());
    earlierAreas_ = earlierSavedAreas(tess::programFolder(), wizard_.mapName);
    ui_->ComboBox1z->clear();
    for (const EarlierAreas& set : earlierAreas_)
        ui_->ComboBox1z->addItem(qs(set.label));
    drawAreasTab();
    // Last: a saved file that cannot be read is reported in the error box, after everything
    // else of Start has been done.
    savedAreaOffer_ =
        savedAreaCount(savedAreasFile(tess::programFolder(), wizard_.mapName), wizard_.worldSize);
    drawAreasTab();
}

// --- Cursor (Label1z, Label2z, the movement commands, the picture) ---

void TForm1::Label1zClick() {
    areaCommand([this] { areaEditor_->newArea(); });
}

void TForm1::Label2zClick() {
    areaCommand([this] { areaEditor_->confirmPoint(); });
}

void TForm1::moveMarker(Direction direction) {
    areaCommand([this, direction] { areaEditor_->move(direction, str(ui_->Edit1z->text())); });
}

void TForm1::Label4zClick() {
    moveMarker(Direction::left);
}

void TForm1::Label5zClick() {
    moveMarker(Direction::right);
}

void TForm1::Label6zClick() {
    moveMarker(Direction::up);
}

void TForm1::Label7zClick() {
    moveMarker(Direction::down);
}

void TForm1::BitBtn1Click() {
    moveMarker(Direction::left);
}

void TForm1::BitBtn2Click() {
    moveMarker(Direction::right);
}

void TForm1::BitBtn3Click() {
    moveMarker(Direction::up);
}

void TForm1::BitBtn4Click() {
    moveMarker(Direction::down);
}

void TForm1::RadioButton1Click() {
    areaCommand([this] { areaEditor_->chooseMovementMode(MovementMode::interval); });
}

void TForm1::RadioButton2Click() {
    areaCommand([this] { areaEditor_->chooseMovementMode(MovementMode::keypad); });
}

void TForm1::eMouseDown(QPoint pixel) {
    areaCommand([this, pixel] { areaEditor_->clickPicture({pixel.x(), pixel.y()}); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        // A key that a text field passes on to its parents stays the text field's.
        if (widget && widget->window() == this && !isTextField(widget) &&
            !isTextField(QApplication::focusWidget()) &&
            handleAreaKey(static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

// 4, 6, 8 and 5 move the active marker left, right, up and down, as the accelerators of the
// hidden buttons BitBtn1 to BitBtn4: the digits, the number pad with Num Lock, and without
// it the pad's arrows and its middle key. With "Numpad - Pfeiltasten - Bewegung" chosen the
// arrow keys move it too (rather than switch the radio buttons), except in a list. Ctrl+Z
// undoes the last step, Ctrl+Y and Ctrl+Shift+Z do it again.
bool TForm1::handleAreaKey(QKeyEvent* event) {
    if (ui_->PageControl1->currentWidget() != ui_->t3 || !ui_->t3->isEnabled())
        return false;
    void (TForm1::*handler)() = nullptr;
    const bool pad = event->modifiers().testFlag(Qt::KeypadModifier);
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool arrows = areaEditor_->movementMode() == MovementMode::keypad &&
                        (pad || !qobject_cast<QAbstractItemView*>(QApplication::focusWidget()));
    if (event->matches(QKeySequence::Redo) ||
        (event->key() == Qt::Key_Y && modifiers == Qt::ControlModifier) ||
        (event->key() == Qt::Key_Z && modifiers == (Qt::ControlModifier | Qt::ShiftModifier))) {
        handler = &TForm1::Label27zClick;
    } else if (event->matches(QKeySequence::Undo)) {
        handler = &TForm1::Label17zClick;
    } else if (modifiers == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_4:
            handler = &TForm1::BitBtn1Click;
            break;
        case Qt::Key_6:
            handler = &TForm1::BitBtn2Click;
            break;
        case Qt::Key_8:
            handler = &TForm1::BitBtn3Click;
            break;
        case Qt::Key_5:
            handler = &TForm1::BitBtn4Click;
            break;
        case Qt::Key_Left:
            handler = pad || arrows ? &TForm1::BitBtn1Click : nullptr;
            break;
        case Qt::Key_Right:
            handler = pad || arrows ? &TForm1::BitBtn2Click : nullptr;
            break;
        case Qt::Key_Up:
            handler = pad || arrows ? &TForm1::BitBtn3Click : nullptr;
            break;
        case Qt::Key_Down:
            handler = arrows ? &TForm1::BitBtn4Click : nullptr;
            break;
        case Qt::Key_Clear:
            handler = pad ? &TForm1::BitBtn4Click : nullptr;
            break;
        default:
            break;
        }
    }
    if (!handler)
        return false;
    (this->*handler)();
    return true;
}

// --- The picture (Label10z) and the guide (CheckBox1z) ---

void TForm1::Label10zClick() {
    guarded([this] {
        const QString chosen =
            chooseFile(QStringLiteral("OpenPictureDialog1"), pictureFileFilter());
        if (chosen.isEmpty())
            return;
        const QImage picture = readPictureFile(str(chosen));
        ui_->e->setPixmap(QPixmap::fromImage(
            picture.scaled(ui_->e->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    });
}

void TForm1::CheckBox1zClick() {
    ui_->e->setGuidesShown(ui_->CheckBox1z->isChecked());
}

// --- Areas (Label8z, Label9z, Label17z, Label18z) ---

void TForm1::Label8zClick() {
    areaCommand([this] { areaEditor_->finishArea(); });
}

namespace {

struct FlagBox {
    AreaFlag flag;
    QCheckBox* box;
};

std::array<FlagBox, kAreaFlagCount> flagBoxes(Ui::TForm1& ui) {
    return {{{AreaFlag::basis, ui.basis},
             {AreaFlag::cp, ui.cp},
             {AreaFlag::strong, ui.strong},
             {AreaFlag::air, ui.air},
             {AreaFlag::Flanke, ui.Flanke},
             {AreaFlag::center, ui.center}}};
}

AreaPanel panelOf(Ui::TForm1& ui) {
    AreaPanel panel;
    panel.name = str(ui.Edit2z->text());
    panel.priorityText = str(ui.Edit3z->text());
    for (const FlagBox& f : flagBoxes(ui))
        panel.setFlag(f.flag, f.box->isChecked());
    panel.leicht = ui.leicht->isChecked();
    panel.schwer = ui.schwer->isChecked();
    panel.side = ui.Team1->isChecked()     ? Side::team1
                 : ui.Team2->isChecked()   ? Side::team2
                 : ui.Neutral->isChecked() ? Side::neutral
                                           : Side::none;
    return panel;
}

// The panel as it stood when an area was confirmed; the panel is never reset, so after
// loading saved areas it holds the last area's values, as it did for the user.
void showPanel(Ui::TForm1& ui, const AreaPanel& panel) {
    ui.Edit2z->setText(qs(panel.name));
    ui.Edit3z->setText(qs(panel.priorityText));
    for (const FlagBox& f : flagBoxes(ui))
        f.box->setChecked(panel.flag(f.flag));
    ui.leicht->setChecked(panel.leicht);
    ui.schwer->setChecked(panel.schwer);
    // Auto-exclusive buttons cannot all be cleared one by one.
    for (QRadioButton* side : {ui.Team1, ui.Team2, ui.Neutral})
        side->setAutoExclusive(false);
    ui.Team1->setChecked(panel.side == Side::team1);
    ui.Team2->setChecked(panel.side == Side::team2);
    ui.Neutral->setChecked(panel.side == Side::neutral);
    for (QRadioButton* side : {ui.Team1, ui.Team2, ui.Neutral})
        side->setAutoExclusive(true);
}

// What the user must do about names the game cannot read.
std::string namesToChangeNote(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "\"" : ", \"") + name + "\"";
    return "Diese Area-Namen kann das Spiel nicht lesen, oder sie kommen doppelt vor: " + list +
           ". Bitte jede dieser Areas (orange umrandet) auswählen, \"Area bearbeiten\" und ihr "
           "einen eigenen Namen ohne Leerzeichen geben, bevor \"Fertig\" durch die Nachbarn "
           "führt.";
}

// The end of the neighbour phase enables tab "(3) Pathmaps-config + Packing" with its groups
// "Teil 1", "Battlefield 1942" (the game folder, usable only from now on) and "Tipps:".
void enablePackingTab(Ui::TForm1& ui) {
    for (QWidget* group :
         std::initializer_list<QWidget*>{ui.t4, ui.GroupBox12, ui.GroupBox14, ui.GroupBox15})
        group->setEnabled(true);
}

} // namespace

void TForm1::Label9zClick() {
    areaCommand([this] {
        if (areaEditor_->confirmArea(panelOf(*ui_)) == ConfirmOutcome::nameMissing)
            showMessage(qs(kNameMissingMessage));
    });
}

void TForm1::Label17zClick() {
    areaCommand([this] { areaEditor_->undo(); });
}

void TForm1::Label27zClick() {
    areaCommand([this] { areaEditor_->redo(); });
}

// Saved areas back in the editor: the map's own file (Label18z) or an earlier set (Label21z).
void TForm1::loadAreasFrom(const std::string& file, bool earlierSet) {
    RestoreOutcome outcome;
    areaCommand([&] {
        const auto showLastPanel = [this] {
            if (!areaEditor_->confirmedAreas().empty())
                showPanel(*ui_, areaEditor_->confirmedAreas().back().panel);
        };
        try {
            outcome = earlierSet ? loadEarlierAreas(*areaEditor_, file)
                                 : loadSavedAreas(*areaEditor_, file);
        } catch (...) {
            showLastPanel();
            throw;
        }
        showLastPanel();
    });
    if (!outcome.namesToChange.empty())
        showMessage(qs(namesToChangeNote(outcome.namesToChange)), QMessageBox::Warning);
    // The saved areas had all been finished: the script holds them again and the neighbour
    // phase is over, so the packing tab's groups are usable, as they were for the user. The
    // user asked for the areas only, so the tab stays and no message is shown.
    if (outcome.scriptWritten)
        enablePackingTab(*ui_);
}

void TForm1::Label18zClick() {
    loadAreasFrom(savedAreasFile(tess::programFolder(), wizard_.mapName), false);
}

void TForm1::Label21zClick() {
    const int index = ui_->ComboBox1z->currentIndex();
    if (index < 0 || index >= static_cast<int>(earlierAreas_.size()))
        return;
    loadAreasFrom(earlierAreas_[static_cast<std::size_t>(index)].file, true);
}

// --- Editing (ListBox1z, Label23z, Label24z, Label26z) ---

void TForm1::ListBox1zClick(int row) {
    areaCommand([this, row] {
        areaEditor_->selectArea(
            row < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(row)));
    });
}

void TForm1::Label23zClick() {
    areaCommand([this] {
        if (const auto panel = areaEditor_->editArea())
            showPanel(*ui_, *panel);
    });
}

void TForm1::Label24zClick() {
    const auto selected = areaEditor_->selectedArea();
    if (!selected || !areaEditor_->isEnabled(Command::deleteArea))
        return;
    const std::vector<std::string> naming = areaEditor_->areasNamingSelected();
    if (!naming.empty()) {
        std::string list;
        for (const std::string& name : naming)
            list += (list.empty() ? "\"" : ", \"") + name + "\"";
        const std::string& name = areaEditor_->confirmedAreas()[*selected].panel.name;
        if (!askYesNo(qs("Die Area \"" + name + "\" ist Nachbar von " + list +
                         ". Soll sie trotzdem gelöscht werden? Die Häkchen, die sie nennen, "
                         "verschwinden mit ihr (Strg+Z holt beides zurück).")))
            return;
    }
    areaCommand([this] { areaEditor_->deleteArea(); });
}

void TForm1::Label26zClick() {
    areaCommand([this] { areaEditor_->editAgain(); });
}

// --- Areas from the level (Label25z, Label22z) ---

// The areas come in as if drawn; a note says what came and what the user must still do.
void TForm1::takeInAreas(const AreaFile& areas, const std::string& summary,
                         const std::vector<std::string>& notes) {
    ImportOutcome outcome;
    bool taken = false;
    areaCommand([&] {
        outcome = areaEditor_->importAreas(areas);
        taken = true;
    });
    if (!taken)
        return;
    std::string text = summary;
    for (const std::string& note : notes)
        text += "\n" + note;
    if (!outcome.namesToChange.empty())
        text += "\n\n" + namesToChangeNote(outcome.namesToChange);
    if (!text.empty())
        showMessage(qs(text), outcome.namesToChange.empty() ? QMessageBox::Information
                                                            : QMessageBox::Warning);
}

void TForm1::Label25zClick() {
    if (!areaEditor_->isEnabled(Command::importAreas))
        return;
    LevelTakeover takeover;
    bool read = false;
    guarded([&] {
        takeover = takeOverLevelAreasOf(wizard_.mapLevelDir, wizard_.worldSize, wizard_.worldScale);
        read = true;
    });
    if (read)
        takeInAreas(takeover.areas, takeover.summary, takeover.notes);
}

void TForm1::Label22zClick() {
    if (!areaEditor_->isEnabled(Command::importAreas) || wizard_.worldScale <= 0)
        return;
    const AreaProposal proposal = proposeAreas(controlPoints_, areaFileOf(*areaEditor_),
                                               wizard_.worldSize, wizard_.worldScale);
    takeInAreas(proposal.areas, proposal.summary, proposal.notes);
}

// --- Neighbour phase (Image2z, CheckListBox1, Label16z) ---

void TForm1::Image2zClick() {
    bool opened = true;
    areaCommand([this, &opened] { opened = areaEditor_->openNeighbours(); });
    if (!opened)
        showMessage(qs(kNoAreaYetMessage));
}

void TForm1::CheckListBox1ClickCheck(int entry, bool ticked) {
    if (entry < 0)
        return;
    areaCommand(
        [this, entry, ticked] { areaEditor_->setTicked(static_cast<std::size_t>(entry), ticked); });
}

void TForm1::Label16zClick() {
    NextOutcome outcome;
    areaCommand([this, &outcome] { outcome = areaEditor_->nextArea(); });
    if (outcome.scriptWritten)
        areaScriptWritten(outcome.scriptPath);
}

// The end of the neighbour phase: the message, the script opened for the user (never
// awaited; no opener is no error) and the packing tab with its groups.
void TForm1::areaScriptWritten(const std::string& path) {
    showMessage(qs(kScriptWrittenMessage));
    openForUser(path);
    enablePackingTab(*ui_);
    ui_->PageControl1->setCurrentWidget(ui_->t4);
}
