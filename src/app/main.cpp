#include "app/tform1.h"

#include <QApplication>
#include <QFont>
#include <QIcon>

int main(int argc, char** argv) {
    // The window design's font; where it is missing, a narrow sans comes closest.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans Narrow"),
                                QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Arial")});
    QApplication application(argc, argv);
    application.setWindowIcon(QIcon(QStringLiteral(":/pictures/tessarine.png")));
    TForm1 form1;
    form1.show();
    return QApplication::exec();
}
