// The main window: a fixed-size wizard with three numbered tabs and a statistics tab. Each
// handler reads its controls, calls one widget-free function on the wizard state and sets
// the controls from the result. An error ends the handler where it occurs and shows the
// stop box; what the handler changed before stays changed.
#pragma once

#include "core/wizard_state.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class TForm1;
}
class TForm2;
class QFileDialog;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    tess::WizardState& state() { return wizard; }
    Ui::TForm1& controls() { return *ui; }
    TForm2* splash() { return form2; }

    // Handlers, named after the controls of the window design.
    void FormShow();
    void Image12Click();
    void Button1Click();
    void Button2Click();
    void ListBox1Click();
    void Button3Click();
    void Image9Click();
    void Button5Click();

    // The stop box: the error's text, a full stop appended when missing, one OK button.
    void showError(const QString& text);

    // The open-file dialogs: given the dialog's name and filter, the chosen file or an
    // empty text when the user cancels. Tests answer in place of the user.
    using FileChooser = std::function<QString(const QString& name, const QString& filter)>;
    void setFileChooser(FileChooser chooser) { fileChooser = std::move(chooser); }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a handler; a failure shows the stop box and ends the handler there.
    void guarded(const std::function<void()>& handler);
    // An open-file dialog; an empty text when the user cancels.
    QString chooseFile(const QString& objectName, const QString& filter);
    void wireHandlers();

    std::unique_ptr<Ui::TForm1> ui;
    TForm2* form2 = nullptr;
    tess::WizardState wizard;
    bool shownOnce = false;
    FileChooser fileChooser;
};
