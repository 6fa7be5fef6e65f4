#include "app/tform1.h"
#include "core/paths.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    // Text drawn by FreeType, as on Linux: Windows' own text drawing, under Wine above all,
    // spaces the letters of a small font unevenly ("Pac king").
    if (tess::kOnWindows && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "windows:fontengine=freetype");
    QApplication application(argc, argv);
    TForm1::prepareApplication();
    application.setWindowIcon(QIcon(QStringLiteral(":/pictures/tessarine.png")));
    TForm1 form1;
    form1.show();
    return QApplication::exec();
}
