#pragma once
// With TESS_SCREENSHOTS=<folder> and a display (xvfb-run, QT_QPA_PLATFORM=xcb), the screen is
// photographed at the steps a test names, for people to look at; with a widget given, that
// widget alone, as it draws itself.
#include "test_support.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <string>

namespace tess::test {

inline void screenshot(const std::string& name, QWidget* only = nullptr) {
    const char* folder = std::getenv("TESS_SCREENSHOTS");
    if (folder == nullptr || *folder == '\0')
        return;
    QTest::qWait(300);
    if (only != nullptr) {
        const std::string file = std::string(folder) + "/" + name + ".png";
        if (!only->grab().save(QString::fromStdString(file)))
            ADD_FAILURE() << file;
        return;
    }
    const std::string command =
        "import -window root " + quoted(std::string(folder) + "/" + name + ".png");
    if (std::system(command.c_str()) != 0)
        ADD_FAILURE() << command;
}

} // namespace tess::test
