#include "app/tform1.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    TForm1::prepareApplication();
    application.setWindowIcon(QIcon(QStringLiteral(":/pictures/tessarine.png")));
    TForm1 form1;
    form1.show();
    return QApplication::exec();
}
