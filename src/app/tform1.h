// The main window: a fixed-size wizard with three numbered tabs and a statistics tab. Each
// handler reads its controls, calls one widget-free function on the wizard state and sets
// the controls from the result. An error ends the handler where it occurs and shows the
// stop box; what the handler changed before stays changed.
//
// The implementation is split by tab: tform1.cpp holds start-up, the error guard and the
// dialogs; tform1_map.cpp tab "(1) Map + Confiles" and the game folder of tab 3;
// tform1_areas.cpp the handlers of tab "(2) Areas", whose editor and drawing live in AreasTab
// (areas_tab.h); tform1_packing.cpp the packing and the network merge of tab 3, with what they
// keep in PackingTab (packing_tab.h); tform1_check.cpp "Addon prüfen" of tab 3. A tab's own
// class sees the controls, never TForm1.
// Each tab file connects its own controls in a connect...Tab() function that the constructor
// calls; the clickable labels and icons (ClickableLabel) offer clicked() for that. A further tab
// comes the same way: its handlers and connect function declared here, its own tform1_<tab>.cpp.
#pragma once

#include "core/wizard_state.h"

#include <QMessageBox>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class TForm1;
}
class TForm2;
struct PackingTab;
class PathmapWindow;
class PathNote;
class CheckDialog;
namespace tess::checks {
struct Finding;
}
class QLabel;
class QProgressBar;
class QPushButton;
namespace tess {
class BatchProcess;
} // namespace tess
namespace tess::app {
class AreasTab;
} // namespace tess::app
namespace tess::packing {
class BatchWait;
struct WaitStatus;
} // namespace tess::packing
class QKeyEvent;
namespace tess::areas {
enum class Direction;
struct AreaFile;
} // namespace tess::areas

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up before the first window opens: the window design's font for every window and
    // Qt's own texts (dialog captions, buttons, messages) in German.
    static void prepareApplication();

    tess::WizardState& state() { return wizard_; }
    Ui::TForm1& controls() { return *ui_; }
    TForm2* splash() { return splash_.get(); }

    // Handlers, named after the controls of the window design.
    // Start-up (tform1.cpp).
    void FormShow();
    // Tab 1 and the game folder of tab 3 (tform1_map.cpp).
    void Image12Click();
    void Button1Click();
    void Button2Click();
    void ListBox1Click();
    void Button3Click();
    void Image9Click();
    void Button5Click();
    // Tab "(2) Areas" (tform1_areas.cpp).
    void Label1zClick();
    void Label2zClick();
    void Label4zClick();
    void Label5zClick();
    void Label6zClick();
    void Label7zClick();
    void Label8zClick();
    void Label9zClick();
    void Label10zClick();
    void Label16zClick();
    void Image2zClick();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void RadioButton1Click();
    void RadioButton2Click();
    // Beyond the design: a click on the picture, a tick in the check list, "Rückgängig" (also
    // Ctrl+Z), "Gespeicherte Areas laden (<n>)", "Vorhandene Areas zeigen", "Frühere Areas
    // laden", "Areas an den Flaggenpunkten vorschlagen", an entry chosen in "Areas", "Area
    // bearbeiten", "Area löschen", "Vorhandene Areas übernehmen", "Areas wieder bearbeiten",
    // "Wiederholen" (also Ctrl+Y and Ctrl+Shift+Z).
    void eMouseDown(QPoint pixel);
    void CheckListBox1ClickCheck(int entry, bool ticked);
    void Label17zClick();
    void Label18zClick();
    void CheckBox1zClick();
    void Label21zClick();
    void Label22zClick();
    void ListBox1zClick(int row);
    void Label23zClick();
    void Label24zClick();
    void Label25zClick();
    void Label26zClick();
    void Label27zClick();
    // Start has enabled the tab: the level's own picture and areas, the autosave and the
    // offer of saved areas.
    void areasTabEnabled();

    // Tab 3: first pack, pathmap import, final pack and network merge (tform1_packing.cpp).
    void Label42Click();
    void Button6Click();
    void Button7Click();
    void FileListBox2Click();
    void Image13Click();
    void Image14Click();
    void Button9Click();
    void fix1Click();
    void fix2Click();
    void fix3Click();
    void Button10Click();
    void Button8Click();
    // A batch is being waited for: the bar moves, "Abbrechen" ends the wait, and no other
    // step of the window can start meanwhile.
    bool isWaiting() const;
    // The small window that shows the pathmap selected in FileListBox2; null until one is.
    PathmapWindow* pathmapWindow();

    // "Addon prüfen" on tab 3 (tform1_check.cpp): checks the addon of the run and lists the
    // findings in a window of their own; a double click shows a finding's place. Usable once
    // Start has run or the pack state is restored (updateCheckButton after either).
    void checkButtonClick();
    void showFindingPlace(const tess::checks::Finding& finding);
    void rewriteAiScript();
    void updateCheckButton();
    CheckDialog* checkDialog() { return checkDialog_.get(); }

    // The stop box: the error's text, a full stop appended when missing, one OK button.
    void showError(const QString& text);

    // The open-file dialogs: given the dialog's name and filter, the chosen file or an
    // empty text when the user cancels. Tests answer in place of the user.
    using FileChooser = std::function<QString(const QString& name, const QString& filter)>;
    void setFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }

    // The save dialogs: given the dialog's name, filter and the file name it proposes, the
    // chosen path or an empty text when the user cancels. Tests answer in place of the user.
    using SaveChooser =
        std::function<QString(const QString& name, const QString& filter, const QString& proposed)>;
    void setSaveChooser(SaveChooser chooser) { saveChooser_ = std::move(chooser); }

    // The message boxes ("Fertig", notes and the stop box): given the icon and the text as
    // the box would show them. Tests read them here instead of answering a modal box.
    using MessageReader = std::function<void(QMessageBox::Icon icon, const QString& text)>;
    void setMessageReader(MessageReader reader) { messageReader_ = std::move(reader); }
    // A box with one OK button: "Fertig" (no icon) and notes (a warning).
    void showMessage(const QString& text, QMessageBox::Icon icon = QMessageBox::NoIcon);
    // A question with "Ja" and "Nein"; true for "Ja".
    bool askYesNo(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The movement keys, Ctrl+Z and Ctrl+Y of tab "(2) Areas", wherever the focus is.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a handler; a failure shows the stop box and ends the handler there.
    void guarded(const std::function<void()>& handler);
    // A line in the window for a batch that runs without a window of its own: where its log
    // is. Cleared for a batch the user sees at work.
    void noteUnseenBatch(PathNote* note, const tess::BatchProcess& batch, const std::string& folder,
                         const std::string& fileName);
    // Opens a document for the user (the area script); when no program to open it is found,
    // a line on tab 3 says so and where the file is.
    void openForUser(const std::string& path);
    // A note naming a path (a folder text ends with its separator): "Ordner öffnen" opens that
    // folder, or the folder of a file.
    void showPathNote(PathNote* note, const QString& before, const std::string& path,
                      const QString& after);
    // "Ordner öffnen" of every note shows its folder in the system's file manager.
    void connectPathNotes();
    // An open-file dialog, in startFolder when one is given; an empty text when the user
    // cancels.
    QString chooseFile(const QString& objectName, const QString& filter,
                       const std::string& startFolder = {});
    // A save dialog proposing `proposed` (in startFolder when one is given), with no default
    // extension and no overwrite prompt; an empty text when the user cancels.
    QString chooseSaveFile(const QString& objectName, const QString& filter,
                           const QString& proposed, const std::string& startFolder = {});
    // The map of the run on tab 3 ("Deine Map" and where the addon lies), after OK and after
    // the pack state is restored.
    void showMapOnPackingTab(const std::string& mapName, const std::string& addonFolder);

    // Each tab connects its controls to its handlers (tform1_map.cpp, tform1_areas.cpp).
    void connectMapTab();
    void connectAreasTab();

    // Tab "(2) Areas": one command on the editor, then the tab drawn from it, also when the
    // command failed part way.
    void areaCommand(const std::function<void()>& command);
    void moveMarker(tess::areas::Direction direction);
    void areaScriptWritten(const std::string& path);
    void loadAreasFrom(const std::string& file, bool earlierSet);
    void takeInAreas(const tess::areas::AreaFile& areas, const std::string& summary,
                     const std::vector<std::string>& notes);
    void openAreasTabAfterRestart(std::int32_t worldSize);
    bool handleAreaKey(QKeyEvent* event);
    void connectPackingTab();

    std::unique_ptr<Ui::TForm1> ui_;
    std::unique_ptr<TForm2> splash_;
    tess::WizardState wizard_;
    bool shownOnce_ = false;
    FileChooser fileChooser_;
    SaveChooser saveChooser_;
    MessageReader messageReader_;

    // What the packing tab keeps between its handlers and the ticks of its waits
    // (packing_tab.h).
    std::unique_ptr<PackingTab> packing_;
    void waitFor(tess::packing::BatchWait wait, QProgressBar* bar, QPushButton* cancel,
                 std::function<void(const tess::packing::WaitStatus&)> then);
    void pollWait();
    void endWait(const tess::packing::WaitStatus& status);
    void blockWindowForWait(bool block);
    void showPathmaps(const std::string& folder, const std::vector<std::string>& names);
    void finishNetworkMerge();
    std::unique_ptr<CheckDialog> checkDialog_;
    // Tab "(2) Areas": its editor and what it shows of it (areas_tab.h).
    std::unique_ptr<tess::app::AreasTab> areasTab_;
};
