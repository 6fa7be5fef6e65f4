#include "acceptance/window_user.h"

#include "app/tform2.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace fs = std::filesystem;

namespace tess::test {

void PrintTo(const Message& message, std::ostream* out) {
    *out << int(message.icon) << ": " << message.text.toStdString();
}

void PrintTo(const DialogCall& dialog, std::ostream* out) {
    *out << dialog.name.toStdString() << " | " << dialog.filter.toStdString() << " | "
         << dialog.proposed.toStdString();
}

const std::vector<AreaDrawing>& threeAreas() {
    static const std::vector<AreaDrawing> areas{
        {{100, 120},
         Placing::click,
         {180, 200},
         Placing::digitKeys,
         QStringLiteral("Dorf"),
         QStringLiteral("120"),
         {QStringLiteral("cp"), QStringLiteral("strong")},
         true,
         true,
         1,
         {QStringLiteral("Hügel"), QStringLiteral("Bahnhof")}},
        {{300, 300},
         Placing::click,
         {420, 380},
         Placing::click,
         QStringLiteral("Hügel"),
         QStringLiteral("80"),
         {QStringLiteral("Flanke"), QStringLiteral("center")},
         true,
         false,
         2,
         {QStringLiteral("Dorf")}},
        {{250, 60},
         Placing::keypad,
         {330, 110},
         Placing::keypad,
         QStringLiteral("Bahnhof"),
         QStringLiteral("150"),
         {QStringLiteral("basis")},
         false,
         true,
         0,
         {QStringLiteral("Dorf")}},
    };
    return areas;
}

namespace {

constexpr int kPatience = 2400; // passes of 50 ms: two minutes

void press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(target, key, modifiers);
}

// Types the text key by key; a letter beyond ASCII ("ü") comes as its own key with its text,
// as a German keyboard sends it.
void typeText(QWidget* target, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(target, static_cast<char>(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, target, static_cast<Qt::Key>(c.toUpper().unicode()),
                                QString(c), Qt::NoModifier);
    }
}

// Clicks into the field, selects its whole text and types over it.
void typeInto(QLineEdit* edit, const QString& text) {
    click(edit);
    press(edit, Qt::Key_A, Qt::ControlModifier);
    typeText(edit, text);
}

// Check boxes and radio buttons are clicked on their box, as the caption may not reach the
// middle of the control.
void clickBox(QAbstractButton* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(7, box->height() / 2));
}

void setChecked(QAbstractButton* box, bool checked) {
    if (box->isChecked() != checked)
        clickBox(box);
}

// A list entry clicked with the mouse, scrolled into view first as the user scrolls.
void clickEntry(QListWidget* list, QListWidgetItem* item) {
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(item).center());
}

QListWidgetItem* entryNamed(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.constFirst();
}

} // namespace

WindowUser::WindowUser() = default;
WindowUser::~WindowUser() = default;

void WindowUser::open() {
    form_ = std::make_unique<TForm1>();
    form_->setMessageReader([this](QMessageBox::Icon icon, const QString& text) {
        messages_.push_back({icon, text});
    });
    form_->setFileChooser([this](const QString& name, const QString& filter) {
        dialogs_.push_back({name, filter, {}});
        return nextAnswer();
    });
    form_->setSaveChooser(
        [this](const QString& name, const QString& filter, const QString& proposed) {
            dialogs_.push_back({name, filter, proposed});
            return nextAnswer();
        });
    form_->show();
    click(form_->splash()->findChild<QWidget*>(QStringLiteral("Image1")));
    form_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
}

void WindowUser::close() {
    form_->close();
    form_.reset();
}

QString WindowUser::nextAnswer() {
    if (answers_.empty())
        return {};
    const std::string answer = answers_.front();
    answers_.pop_front();
    return qs(answer);
}

std::vector<Message> WindowUser::takeMessages() {
    return std::exchange(messages_, {});
}

std::vector<DialogCall> WindowUser::takeDialogs() {
    return std::exchange(dialogs_, {});
}

// --- Tab "(1) Map + Confiles" ------------------------------------------------------------------

void WindowUser::chooseMap(const std::string& archive) {
    setChecked(ui().pack, true);
    answer(archive);
    click(ui().Image12);
}

bool WindowUser::waitForUnpack(const fs::path& programFolder, const std::string& archiveName) {
    for (int i = 0; i < kPatience && !unpackHasEnded(programFolder, archiveName); ++i)
        QTest::qWait(50);
    return unpackHasEnded(programFolder, archiveName);
}

void WindowUser::pressOk() {
    click(ui().Button1);
}

void WindowUser::tickShipsAndStart() {
    setChecked(ui().shipp, true);
    click(ui().Button2);
}

void WindowUser::editScript(const QString& entry, const QString& from, const QString& to) {
    QListWidgetItem* item = entryNamed(ui().ListBox1, entry);
    ASSERT_NE(item, nullptr) << entry.toStdString();
    clickEntry(ui().ListBox1, item);
    QPlainTextEdit* editor = ui().Memo6;
    click(editor);
    press(editor, Qt::Key_Home, Qt::ControlModifier);
    ASSERT_TRUE(editor->find(from)) << from.toStdString();
    typeText(editor, to);
    click(ui().Button3);
}

void WindowUser::showTab(QWidget* page) {
    QTabBar* bar = ui().PageControl1->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                      bar->tabRect(ui().PageControl1->indexOf(page)).center());
    EXPECT_EQ(ui().PageControl1->currentWidget(), page);
}

// --- Tab "(2) Areas" ---------------------------------------------------------------------------

void WindowUser::loadOrientationPicture(const std::string& file) {
    answer(file);
    click(ui().Label10z);
}

void WindowUser::setStep(int step) {
    if (!ui().RadioButton1->isChecked())
        clickBox(ui().RadioButton1);
    typeInto(ui().Edit1z, QString::number(step));
    press(ui().Edit1z, Qt::Key_Return);
}

void WindowUser::placeCorner(const QPoint& from, const QPoint& to, Placing by, bool firstCorner) {
    if (by == Placing::click) {
        QTest::mouseClick(ui().e, Qt::LeftButton, Qt::NoModifier, to);
        return;
    }
    struct Move {
        int distance;
        Qt::Key digit;
        Qt::Key arrow;
    };
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const Move moves[] = {
        {dx, dx < 0 ? Qt::Key_4 : Qt::Key_6, dx < 0 ? Qt::Key_Left : Qt::Key_Right},
        // Down is the 5 (without Num Lock the pad's middle key, "Clear").
        {dy, dy < 0 ? Qt::Key_8 : Qt::Key_5, dy < 0 ? Qt::Key_Up : Qt::Key_Clear},
    };
    for (const Move& move : moves) {
        if (move.distance == 0)
            continue;
        setStep(std::abs(move.distance));
        if (by == Placing::digitKeys)
            press(ui().e, move.digit);
        else if (firstCorner)
            press(ui().e, move.digit, Qt::KeypadModifier);
        else
            press(ui().e, move.arrow, Qt::KeypadModifier);
    }
}

void WindowUser::placeCorners(const AreaDrawing& area) {
    click(ui().Label1z);
    placeCorner(ui().gruen->geometry().topLeft(), area.green, area.greenBy, true);
    click(ui().Label2z);
    placeCorner(ui().rot->geometry().topLeft(), area.red, area.redBy, false);
    click(ui().Label8z);
}

void WindowUser::fillPanel(const AreaDrawing& area) {
    typeInto(ui().Edit2z, area.name);
    typeInto(ui().Edit3z, area.priority);
    for (const char* name : {"basis", "cp", "air", "center", "strong", "Flanke"}) {
        auto* box = form_->findChild<QCheckBox*>(QString::fromLatin1(name));
        ASSERT_NE(box, nullptr) << name;
        setChecked(
            box, std::count(area.flags.begin(), area.flags.end(), QString::fromLatin1(name)) == 1);
    }
    setChecked(ui().leicht, area.light);
    setChecked(ui().schwer, area.heavy);
    clickBox(area.side == 1 ? ui().Team1 : area.side == 2 ? ui().Team2 : ui().Neutral);
}

void WindowUser::confirmArea() {
    click(ui().Label9z);
}

void WindowUser::drawArea(const AreaDrawing& area) {
    placeCorners(area);
    fillPanel(area);
    confirmArea();
}

void WindowUser::openNeighbours() {
    click(ui().Image2z);
}

void WindowUser::tickNeighbours(const AreaDrawing& area) {
    QListWidget* list = ui().CheckListBox1;
    for (const QString& neighbour : area.neighbours) {
        QListWidgetItem* item = entryNamed(list, neighbour);
        ASSERT_NE(item, nullptr) << neighbour.toStdString();
        clickEntry(list, item);
        press(list, Qt::Key_Space);
    }
}

void WindowUser::next() {
    click(ui().Label16z);
}

void WindowUser::finishNextArea(const AreaDrawing& area) {
    tickNeighbours(area);
    next();
}

// --- Tab "(3) Pathmaps-config + Packing" -------------------------------------------------------

void WindowUser::chooseGameFolder(const std::string& executable) {
    answer(executable);
    click(ui().Image9);
}

void WindowUser::confirmGameFolder() {
    click(ui().Button5);
}

bool WindowUser::waitWhileBusy() {
    for (int i = 0; i < kPatience && form_->isWaiting(); ++i)
        QTest::qWait(50);
    return !form_->isWaiting();
}

bool WindowUser::firstPack(const std::string& target) {
    answer(target);
    click(ui().Label42);
    return waitWhileBusy();
}

void WindowUser::importPathmaps() {
    click(ui().Button6);
}

PathmapWindow* WindowUser::lookAtPathmap(const QString& name) {
    QListWidgetItem* item = entryNamed(ui().FileListBox2, name);
    EXPECT_NE(item, nullptr) << name.toStdString();
    if (item == nullptr)
        return nullptr;
    clickEntry(ui().FileListBox2, item);
    return form_->pathmapWindow();
}

bool WindowUser::finalPack() {
    click(ui().Button7);
    return waitWhileBusy();
}

bool WindowUser::merge(const std::string& mapArchive, const std::string& addonArchive,
                       const std::string& backup) {
    answer(mapArchive);
    click(ui().Image13);
    answer(addonArchive);
    click(ui().Image14);
    answer(backup);
    click(ui().Button9);
    click(ui().Button10);
    click(ui().Button8);
    return waitWhileBusy();
}

} // namespace tess::test
