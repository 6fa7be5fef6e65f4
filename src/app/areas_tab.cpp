#include "app/areas_tab.h"

#include "app/area_picture.h"
#include "app/path_note.h"
#include "app/picture_file.h"
#include "app/qt_text.h"
#include "areas/level_areas.h"
#include "areas/overview_picture.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"
#include "ui_mainwindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBrush>
#include <QKeyEvent>
#include <QKeySequence>
#include <QListWidget>
#include <QPixmap>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <utility>

using namespace tess::areas;

namespace tess::app {
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

} // namespace

AreasTab::AreasTab(Ui::TForm1& ui, tess::WizardState& state)
    : ui_(ui), state_(state), editor_(state, designCursorLayout(ui)) {
    // The area script goes into the addon: a step in the program folder, under its lock.
    editor_.setScriptWriter([](const std::function<void()>& write) {
        const tess::ProgramLock lock(tess::programFolder());
        write();
    });
    // A click on the picture must reach it through the markers and flags standing on it.
    for (QLabel* part : cursorWidgets(ui_))
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
}

// --- Drawing ---

void AreasTab::draw() {
    const AreaEditor& editor = editor_;
    const std::array<QLabel*, kCursorPartCount> cursor = cursorWidgets(ui_);
    for (std::size_t i = 0; i < kCursorPartCount; ++i) {
        const CursorPicture& picture = editor.picture(static_cast<CursorPart>(i));
        cursor[i]->setGeometry(shownGeometry(picture).translated(ui_.e->pos()));
        cursor[i]->setVisible(picture.visible);
    }

    ui_.Label10z->setEnabled(editor.isEnabled(Command::loadPicture));
    ui_.Label1z->setEnabled(editor.isEnabled(Command::newArea));
    ui_.Label2z->setEnabled(editor.isEnabled(Command::confirmPoint));
    ui_.Label8z->setEnabled(editor.isEnabled(Command::finishArea));
    const bool moveLabels = editor.isEnabled(Command::moveLabels);
    const QString chooseInterval =
        QStringLiteral("Erst \"Intervall Einstellung / Tastenbewegung\" wählen: dann verschieben "
                       "\"Links\", \"Rechts\", \"Hoch\" und \"Runter\" den aktiven Punkt um die "
                       "Schrittweite im Feld.");
    const std::pair<QWidget*, QString> moveControls[] = {
        {ui_.Label4z, QStringLiteral("Den aktiven Punkt um die Schrittweite nach links "
                                     "verschieben (Taste 4)")},
        {ui_.Label5z, QStringLiteral("Den aktiven Punkt um die Schrittweite nach rechts "
                                     "verschieben (Taste 6)")},
        {ui_.Label6z, QStringLiteral("Den aktiven Punkt um die Schrittweite nach oben "
                                     "verschieben (Taste 8)")},
        {ui_.Label7z, QStringLiteral("Den aktiven Punkt um die Schrittweite nach unten "
                                     "verschieben (Taste 5)")},
        {ui_.Edit1z, QStringLiteral("Die Schrittweite in Bildpunkten; mit Enter bestätigen")},
    };
    for (const auto& [control, tip] : moveControls) {
        control->setEnabled(moveLabels);
        control->setToolTip(moveLabels ? tip : chooseInterval);
    }
    ui_.Label9z->setEnabled(editor.isEnabled(Command::confirmArea));
    ui_.Image2z->setEnabled(editor.isEnabled(Command::openNeighbours));
    ui_.Label16z->setEnabled(editor.isEnabled(Command::nextArea));
    ui_.Label17z->setEnabled(editor.isEnabled(Command::undo));
    ui_.Label27z->setEnabled(editor.isEnabled(Command::redo));
    ui_.Label23z->setEnabled(editor.isEnabled(Command::editArea));
    ui_.Label24z->setEnabled(editor.isEnabled(Command::deleteArea));
    ui_.Label26z->setEnabled(editor.isEnabled(Command::editAgain));
    const bool takeIn = editor.isEnabled(Command::importAreas);
    ui_.Label25z->setEnabled(takeIn);
    ui_.Label22z->setEnabled(takeIn && !controlPoints_.empty());

    // A panel that closes with the focus in it hands the focus to the picture, so that the
    // movement keys act at once rather than typing into the next text field.
    if (!editor.areaPanelVisible() && ui_.areafert->isVisible() &&
        ui_.areafert->isAncestorOf(QApplication::focusWidget()))
        ui_.e->setFocus(Qt::OtherFocusReason);
    placePanel();
    ui_.areafert->setVisible(editor.areaPanelVisible());
    ui_.GroupBox5z->setVisible(editor.neighbourPanelVisible());

    syncList(
        ui_.ListBox1z, editor.summaryEntries(), [](const std::string& entry) { return qs(entry); },
        ListKind::shortened);
    {
        // Areas whose name the game cannot read stand out until renamed; the selected area is
        // the list's current entry.
        const QSignalBlocker quiet(ui_.ListBox1z);
        for (int i = 0; i < ui_.ListBox1z->count(); ++i) {
            const bool change = editor.nameNeedsChange(static_cast<std::size_t>(i));
            QListWidgetItem* item = ui_.ListBox1z->item(i);
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
        ui_.ListBox1z->setCurrentRow(selected ? static_cast<int>(*selected) : -1);
    }
    syncList(
        ui_.CheckListBox1, editor.checkList(),
        [](const CheckEntry& entry) { return qs(entry.name); }, ListKind::checkable);
    {
        const QSignalBlocker quiet(ui_.CheckListBox1);
        const auto& checkList = editor.checkList();
        for (std::size_t i = 0; i < checkList.size(); ++i)
            ui_.CheckListBox1->item(static_cast<int>(i))
                ->setCheckState(checkList[i].ticked ? Qt::Checked : Qt::Unchecked);
    }
    ui_.Label13z->setText(qs(editor.neighbourHeading()));
    // A self-link taken over from a level is shown as the level has it; the tip that says an
    // area cannot be its own neighbour makes way for one that says so.
    const auto current = editor.currentArea();
    const bool namesItself = current && editor.checkList()[*current].ticked;
    QString explanation = ui_.Label3z->text();
    explanation.replace(namesItself ? kSelfTip : kSelfLinkTip,
                        namesItself ? kSelfLinkTip : kSelfTip);
    ui_.Label3z->setText(explanation);

    std::vector<PictureOutline> outlines;
    outlines.reserve(editor.confirmedAreas().size());
    const auto selected = editor.selectedArea();
    for (std::size_t i = 0; i < editor.confirmedAreas().size(); ++i) {
        const ConfirmedArea& area = editor.confirmedAreas()[i];
        outlines.push_back({area.rectangle.left, area.rectangle.top, area.rectangle.right,
                            area.rectangle.bottom, qs(area.panel.name), selected == i,
                            editor.nameNeedsChange(i)});
    }
    ui_.e->setAreaOutlines(std::move(outlines));

    ui_.Label19z->setText(qs(editor.positionText()));
    // The tab's status line: a failed autosave in red, else where the earlier areas are kept.
    if (!editor.autosaveError().empty()) {
        ui_.Label20z->setStyleSheet(QStringLiteral("color: #FF0000;"));
        ui_.Label20z->showText(QStringLiteral("Die Areas konnten nicht gesichert werden: ") +
                               qs(editor.autosaveError()));
    } else if (!editor.keptEarlierFile().empty()) {
        ui_.Label20z->setStyleSheet(QStringLiteral("color: #000000;"));
        ui_.Label20z->showPath(
            QStringLiteral("Die Areas des früheren Laufs liegen jetzt in \""),
            shownPath(editor.keptEarlierFile()),
            QStringLiteral("\"; beim nächsten Start bietet \"Frühere Areas laden\" sie an."),
            shownFolderOf(editor.keptEarlierFile()));
    } else {
        ui_.Label20z->showText(QString());
    }
    const bool loadable = editor.isEnabled(Command::loadSavedAreas);
    const bool offer = savedAreaOffer_ && *savedAreaOffer_ > 0 && loadable;
    if (offer)
        ui_.Label18z->setText(QStringLiteral("Gespeicherte Areas laden (%1)")
                                  .arg(static_cast<qulonglong>(*savedAreaOffer_)));
    ui_.Label18z->setVisible(offer);
    ui_.ComboBox1z->setVisible(loadable && !earlierAreas_.empty());
    ui_.Label21z->setVisible(loadable && !earlierAreas_.empty());
}

// "Area fertigstellen" opens where it covers the least of the area being drawn or edited and
// of the flags on its corners: in the design's place at the left unless the area lies there.
void AreasTab::placePanel() {
    if (!editor_.areaPanelVisible())
        return;
    const PixelRectangle& r = editor_.rectangle();
    const auto shown = [](std::int64_t value) {
        return static_cast<int>(std::clamp<std::int64_t>(value, -2000, 2000));
    };
    const QRect area(QPoint(shown(std::int64_t{r.left} - 24), shown(std::int64_t{r.top} - 48)),
                     QPoint(shown(std::int64_t{r.right} + 17), shown(std::int64_t{r.bottom} + 1)));
    ui_.areafert->setGeometry(leastCovering(area, ui_.areafert->size(), ui_.e->size()));
}

// --- Start enables the tab ---

void AreasTab::enable() {
    if (const auto picture = loadOverviewPicture(state_.mapLevelDir))
        ui_.e->setPixmap(QPixmap::fromImage(toImage(*picture).scaled(
            ui_.e->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    std::vector<PictureOutline> guides;
    for (const LevelArea& area :
         readLevelAreas(state_.mapLevelDir, state_.worldSize, state_.worldScale))
        guides.push_back({area.outline.left, area.outline.top, area.outline.right,
                          area.outline.bottom, qs(area.name)});
    ui_.CheckBox1z->setVisible(!guides.empty());
    ui_.Label25z->setVisible(!guides.empty());
    ui_.e->setGuideOutlines(std::move(guides));
    controlPoints_ = tess::areas::readControlPoints(state_.mapLevelDir);
    std::vector<PictureFlag> flags;
    if (state_.worldScale > 0)
        for (const tess::areas::ControlPoint& point : controlPoints_) {
            const PixelPosition at =
                worldToPixel(point.x, point.z, state_.worldSize, state_.worldScale);
            flags.push_back(
                {QPoint(std::clamp(at.left, -1000, 2000), std::clamp(at.top, -1000, 2000)),
                 point.team.value_or(0), qs(point.name)});
        }
    ui_.e->setControlPoints(std::move(flags));
    editor_.enableAutosave(tess::programFolder());
    earlierAreas_ = earlierSavedAreas(tess::programFolder(), state_.mapName);
    ui_.ComboBox1z->clear();
    for (const EarlierAreas& set : earlierAreas_)
        ui_.ComboBox1z->addItem(qs(set.label));
    draw();
    // Last: a saved file that cannot be read is reported in the error box, after everything
    // else of Start has been done.
    savedAreaOffer_ =
        savedAreaCount(savedAreasFile(tess::programFolder(), state_.mapName), state_.worldSize);
    draw();
}

// --- The area panel ---

AreaPanel AreasTab::panel() const {
    Ui::TForm1& ui = ui_;
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
void AreasTab::showPanel(const AreaPanel& panel) {
    Ui::TForm1& ui = ui_;
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

// --- Keys ---

AreasTab::Key AreasTab::commandOf(const QKeyEvent& event) const {
    if (ui_.PageControl1->currentWidget() != ui_.t3 || !ui_.t3->isEnabled())
        return Key::none;
    Key key = Key::none;
    const bool pad = event.modifiers().testFlag(Qt::KeypadModifier);
    const auto modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const bool arrows = editor_.movementMode() == MovementMode::keypad &&
                        (pad || !qobject_cast<QAbstractItemView*>(QApplication::focusWidget()));
    if (event.matches(QKeySequence::Redo) ||
        (event.key() == Qt::Key_Y && modifiers == Qt::ControlModifier) ||
        (event.key() == Qt::Key_Z && modifiers == (Qt::ControlModifier | Qt::ShiftModifier))) {
        key = Key::redo;
    } else if (event.matches(QKeySequence::Undo)) {
        key = Key::undo;
    } else if (modifiers == Qt::NoModifier) {
        switch (event.key()) {
        case Qt::Key_4:
            key = Key::left;
            break;
        case Qt::Key_6:
            key = Key::right;
            break;
        case Qt::Key_8:
            key = Key::up;
            break;
        case Qt::Key_5:
            key = Key::down;
            break;
        case Qt::Key_Left:
            key = pad || arrows ? Key::left : Key::none;
            break;
        case Qt::Key_Right:
            key = pad || arrows ? Key::right : Key::none;
            break;
        case Qt::Key_Up:
            key = pad || arrows ? Key::up : Key::none;
            break;
        case Qt::Key_Down:
            key = arrows ? Key::down : Key::none;
            break;
        case Qt::Key_Clear:
            key = pad ? Key::down : Key::none;
            break;
        default:
            break;
        }
    }
    return key;
}

} // namespace tess::app
