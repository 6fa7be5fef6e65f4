// A map maker at the window: each step of the road done with the real widgets as a user does
// it, by clicks on controls and on the picture, keys and typing. The file dialogs and the
// message boxes are answered through the window's own seams: each dialog takes the next answer
// queued with answer() (none left: the user cancels), and each message is noted for the test
// to read. The acceptance run and the pictures of the user guide both walk the road with it.
#pragma once

#include "app/pathmap_window.h"
#include "app/tform1.h"
#include "ui_mainwindow.h"

#include <QMessageBox>
#include <QPoint>
#include <QString>

#include <deque>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace tess::test {

struct Message {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    bool operator==(const Message&) const = default;
};
void PrintTo(const Message& message, std::ostream* out);

struct DialogCall {
    QString name;
    QString filter;
    QString proposed; // what a save dialog proposes; empty for an open dialog
    bool operator==(const DialogCall&) const = default;
};
void PrintTo(const DialogCall& dialog, std::ostream* out);

// How a corner marker is put in place.
enum class Placing {
    click,     // one click on the picture
    digitKeys, // the keys 4, 6, 8 and 5 with a step typed into the step field
    keypad,    // the number pad: its digits with Num Lock for the first corner, its arrows
               // without for the second
};

// One area as the user draws it: its corners (picture pixels), how each is placed, and the
// area panel's fields. The boxes not named here are unticked.
struct AreaDrawing {
    QPoint green;
    Placing greenBy = Placing::click;
    QPoint red;
    Placing redBy = Placing::click;
    QString name;
    QString priority;
    std::vector<QString> flags; // object names of the flag boxes: basis, cp, strong, air, ...
    bool light = false;
    bool heavy = false;
    int side = 0; // 1 Team 1, 2 Team2, 0 Neutral
    std::vector<QString> neighbours;
};

// The three areas of the road (the same as kursk::kAreasJson): Dorf with a click and the digit
// keys, Hügel with two clicks, Bahnhof with the number pad.
const std::vector<AreaDrawing>& threeAreas();

class WindowUser {
public:
    WindowUser();
    ~WindowUser();
    WindowUser(const WindowUser&) = delete;
    WindowUser& operator=(const WindowUser&) = delete;

    // Starts the program: the window opens, the splash is clicked away.
    void open();
    // Closes the window with its close button, and the program ends.
    void close();

    TForm1& form() { return *form_; }
    Ui::TForm1& ui() { return form_->controls(); }

    // The next file dialog chooses this path.
    void answer(const std::string& path) { answers_.push_back(path); }
    // The messages and dialogs seen since the last call.
    std::vector<Message> takeMessages();
    std::vector<DialogCall> takeDialogs();

    // Tab "(1) Map + Confiles".
    void chooseMap(const std::string& archive);
    // Waits, as the user waits for the console window, until the unpack batch has ended.
    bool waitForUnpack(const std::filesystem::path& programFolder, const std::string& archiveName);
    void pressOk();
    void tickShipsAndStart();
    // Opens the script in the review editor, selects `from` in it, types `to` over it and
    // saves.
    void editScript(const QString& entry, const QString& from, const QString& to);

    void showTab(QWidget* page);

    // Tab "(2) Areas".
    void loadOrientationPicture(const std::string& file);
    // The corners of an area, then "Area fertigstellen"; the panel is open afterwards.
    void placeCorners(const AreaDrawing& area);
    void fillPanel(const AreaDrawing& area);
    void confirmArea(); // "OK" of the panel
    void drawArea(const AreaDrawing& area);
    // "Fertig", then each area's neighbours ticked and "Nächste", first in, first out.
    void openNeighbours();
    void tickNeighbours(const AreaDrawing& area);
    void next(); // "Nächste"
    void finishNextArea(const AreaDrawing& area);

    // Tab "(3) Pathmaps-config + Packing". The waits return false when the window still waits
    // after two minutes.
    void chooseGameFolder(const std::string& executable);
    void confirmGameFolder();
    bool firstPack(const std::string& target);
    void importPathmaps();
    PathmapWindow* lookAtPathmap(const QString& name);
    bool finalPack();
    bool merge(const std::string& mapArchive, const std::string& addonArchive,
               const std::string& backup);

    bool waitWhileBusy();

private:
    QString nextAnswer();
    void placeCorner(const QPoint& from, const QPoint& to, Placing by, bool firstCorner);
    void setStep(int step);

    std::unique_ptr<TForm1> form_;
    std::deque<std::string> answers_;
    std::vector<Message> messages_;
    std::vector<DialogCall> dialogs_;
};

} // namespace tess::test
