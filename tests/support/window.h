// The window's tests: QString in failure messages and conversions, and dialogs and message
// boxes answered as a user would.
#pragma once

#include "app/qt_text.h"
#include "app/tform1.h"
#include "support/processes.h"
#include "support/system.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

// A QString in a test's failure message: its text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tess::test {

// The window's own conversion of UTF-8 texts to QString.
using tess::app::qs;

#ifdef _WIN32
// Offscreen, Qt on Windows draws with the fonts of one folder (QT_QPA_FONTDIR), not with the
// system's: the window's tests take Windows' font folder, where the Wine prefix of the tests
// keeps Wine's own fonts too. Set before any test program's main().
inline const bool kOffscreenFontsOfWindows = [] {
    wchar_t windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const auto folder = (std::filesystem::path(windows) / "Fonts").u8string();
        setEnvironment("QT_QPA_FONTDIR", std::string(folder.begin(), folder.end()), false);
    }
    return true;
}();
#endif

// Answers the next modal widget once it is up: `answer` gets it and closes it.
inline void whenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        }
    });
    timer->start();
}

// What a message box showed.
struct BoxSeen {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString objectName;
};

// The next message box: what it shows is stored, then `button` is pressed.
inline std::shared_ptr<BoxSeen> answerBox(QMessageBox::StandardButton button) {
    auto seen = std::make_shared<BoxSeen>();
    whenModal([seen, button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen->text = box->text();
        seen->icon = box->icon();
        seen->objectName = box->objectName();
        box->button(button)->click();
    });
    return seen;
}

// The next message box, answered with OK.
inline std::shared_ptr<BoxSeen> answerMessageBox() {
    return answerBox(QMessageBox::Ok);
}

// The next question ("Ja" / "Nein"), answered.
inline std::shared_ptr<BoxSeen> answerQuestion(bool yes) {
    return answerBox(yes ? QMessageBox::Yes : QMessageBox::No);
}

// The next error box: its text is stored, then OK is pressed.
inline std::shared_ptr<QString> expectErrorBox() {
    auto text = std::make_shared<QString>();
    whenModal([text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        *text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    return text;
}

// For steps that must show no modal window: while it lives, every one that comes up is
// noted and closed, so that the test goes on and can report it.
class NoModalExpected {
public:
    NoModalExpected() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                seen_.append(box ? box->text() : modal->objectName());
                modal->close();
            }
        });
        timer_.start();
    }
    const QStringList& seen() const { return seen_; }

private:
    QTimer timer_;
    QStringList seen_;
};

// The next file dialog picks `path` (or is cancelled when path is empty); its name and
// filter are kept for the test to check.
struct DialogSeen {
    QString name;
    QString filter;
};
inline std::shared_ptr<DialogSeen> chooseInDialog(TForm1& form, const std::string& path) {
    auto seen = std::make_shared<DialogSeen>();
    form.setFileChooser([path, seen](const QString& name, const QString& filter) {
        seen->name = name;
        seen->filter = filter;
        return qs(path);
    });
    return seen;
}

inline void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

} // namespace tess::test
