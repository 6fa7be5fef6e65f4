// Tab "(2) Areas": the handlers of the strategic area editor. Every handler reads its
// controls, makes one call on the AreaEditor that the window owns for the run (AreasTab), and
// then draws the tab from what the editor holds (AreasTab::draw): the cursor pictures, the
// enabled states, the two panels, the lists and the outlines on the picture. A click on the
// picture, a key and a command label become the same call.
#include "app/area_picture.h"
#include "app/areas_tab.h"
#include "app/picture_file.h"
#include "app/qt_text.h"
#include "app/tform1.h"
#include "areas/area_file.h"
#include "areas/area_names.h"
#include "areas/area_proposal.h"
#include "areas/level_takeover.h"
#include "areas/saved_areas.h"
#include "platform/program_folder.h"
#include "ui_mainwindow.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <initializer_list>
#include <utility>
#include <vector>

using tess::app::qs;
using tess::app::str;
using namespace tess::areas;

namespace {

bool isTextField(const QWidget* widget) {
    if (!widget)
        return false;
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->isEditable();
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget);
}

} // namespace

void TForm1::connectAreasTab() {
    areasTab_ = std::make_unique<tess::app::AreasTab>(*ui_, wizard_);
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
    // The keys act wherever the focus is on the tab, except in a text field.
    QCoreApplication::instance()->installEventFilter(this);
    areasTab_->draw();
}

void TForm1::areaCommand(const std::function<void()>& command) {
    guarded([&] {
        try {
            command();
        } catch (...) {
            // What the command changed before it failed is shown before the error box.
            areasTab_->draw();
            throw;
        }
        areasTab_->draw();
    });
}

// --- Start enables the tab ---

void TForm1::areasTabEnabled() {
    areasTab_->enable();
}

// --- Cursor (Label1z, Label2z, the movement commands, the picture) ---

void TForm1::Label1zClick() {
    areaCommand([this] { areasTab_->editor().newArea(); });
}

void TForm1::Label2zClick() {
    areaCommand([this] { areasTab_->editor().confirmPoint(); });
}

void TForm1::moveMarker(Direction direction) {
    areaCommand(
        [this, direction] { areasTab_->editor().move(direction, str(ui_->Edit1z->text())); });
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
    areaCommand([this] { areasTab_->editor().chooseMovementMode(MovementMode::interval); });
}

void TForm1::RadioButton2Click() {
    areaCommand([this] { areasTab_->editor().chooseMovementMode(MovementMode::keypad); });
}

void TForm1::eMouseDown(QPoint pixel) {
    areaCommand([this, pixel] { areasTab_->editor().clickPicture({pixel.x(), pixel.y()}); });
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

// The keys of the tab (AreasTab::commandOf) act as their handlers.
bool TForm1::handleAreaKey(QKeyEvent* event) {
    using Key = tess::app::AreasTab::Key;
    void (TForm1::*handler)() = nullptr;
    switch (areasTab_->commandOf(*event)) {
    case Key::none:
        return false;
    case Key::left:
        handler = &TForm1::BitBtn1Click;
        break;
    case Key::right:
        handler = &TForm1::BitBtn2Click;
        break;
    case Key::up:
        handler = &TForm1::BitBtn3Click;
        break;
    case Key::down:
        handler = &TForm1::BitBtn4Click;
        break;
    case Key::undo:
        handler = &TForm1::Label17zClick;
        break;
    case Key::redo:
        handler = &TForm1::Label27zClick;
        break;
    }
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
    areaCommand([this] { areasTab_->editor().finishArea(); });
}

namespace {

// What the user must do about names the game cannot read.
std::string namesToChangeNote(const std::vector<std::string>& names) {
    return "Diese Area-Namen kann das Spiel nicht lesen, oder sie kommen doppelt vor: " +
           quotedNames(names) +
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
        if (areasTab_->editor().confirmArea(areasTab_->panel()) == ConfirmOutcome::nameMissing)
            showMessage(qs(kNameMissingMessage));
    });
}

void TForm1::Label17zClick() {
    areaCommand([this] { areasTab_->editor().undo(); });
}

void TForm1::Label27zClick() {
    areaCommand([this] { areasTab_->editor().redo(); });
}

// Saved areas back in the editor: the map's own file (Label18z) or an earlier set (Label21z).
void TForm1::loadAreasFrom(const std::string& file, bool earlierSet) {
    RestoreOutcome outcome;
    areaCommand([&] {
        const auto showLastPanel = [this] {
            if (!areasTab_->editor().confirmedAreas().empty())
                areasTab_->showPanel(areasTab_->editor().confirmedAreas().back().panel);
        };
        try {
            outcome = earlierSet ? loadEarlierAreas(areasTab_->editor(), file)
                                 : loadSavedAreas(areasTab_->editor(), file);
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
    if (index < 0 || index >= static_cast<int>(areasTab_->earlierAreas().size()))
        return;
    loadAreasFrom(areasTab_->earlierAreas()[static_cast<std::size_t>(index)].file, true);
}

// --- Editing (ListBox1z, Label23z, Label24z, Label26z) ---

void TForm1::ListBox1zClick(int row) {
    areaCommand([this, row] {
        areasTab_->editor().selectArea(
            row < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(row)));
    });
}

void TForm1::Label23zClick() {
    areaCommand([this] {
        if (const auto panel = areasTab_->editor().editArea())
            areasTab_->showPanel(*panel);
    });
}

void TForm1::Label24zClick() {
    const auto selected = areasTab_->editor().selectedArea();
    if (!selected || !areasTab_->editor().isEnabled(Command::deleteArea))
        return;
    const std::vector<std::string> naming = areasTab_->editor().areasNamingSelected();
    if (!naming.empty()) {
        const std::string& name = areasTab_->editor().confirmedAreas()[*selected].panel.name;
        if (!askYesNo(qs("Die Area \"" + name + "\" ist Nachbar von " + quotedNames(naming) +
                         ". Soll sie trotzdem gelöscht werden? Die Häkchen, die sie nennen, "
                         "verschwinden mit ihr (Strg+Z holt beides zurück).")))
            return;
    }
    areaCommand([this] { areasTab_->editor().deleteArea(); });
}

void TForm1::Label26zClick() {
    areaCommand([this] { areasTab_->editor().editAgain(); });
}

// --- Areas from the level (Label25z, Label22z) ---

// The areas come in as if drawn; a note says what came and what the user must still do.
void TForm1::takeInAreas(const AreaFile& areas, const std::string& summary,
                         const std::vector<std::string>& notes) {
    ImportOutcome outcome;
    bool taken = false;
    areaCommand([&] {
        outcome = areasTab_->editor().importAreas(areas);
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
    if (!areasTab_->editor().isEnabled(Command::importAreas))
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
    if (!areasTab_->editor().isEnabled(Command::importAreas) || wizard_.worldScale <= 0)
        return;
    const AreaProposal proposal =
        proposeAreas(areasTab_->controlPoints(), areaFileOf(areasTab_->editor()), wizard_.worldSize,
                     wizard_.worldScale);
    takeInAreas(proposal.areas, proposal.summary, proposal.notes);
}

// --- Neighbour phase (Image2z, CheckListBox1, Label16z) ---

void TForm1::Image2zClick() {
    bool opened = true;
    areaCommand([this, &opened] { opened = areasTab_->editor().openNeighbours(); });
    if (!opened)
        showMessage(qs(kNoAreaYetMessage));
}

void TForm1::CheckListBox1ClickCheck(int entry, bool ticked) {
    if (entry < 0)
        return;
    areaCommand([this, entry, ticked] {
        areasTab_->editor().setTicked(static_cast<std::size_t>(entry), ticked);
    });
}

void TForm1::Label16zClick() {
    NextOutcome outcome;
    areaCommand([this, &outcome] { outcome = areasTab_->editor().nextArea(); });
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
