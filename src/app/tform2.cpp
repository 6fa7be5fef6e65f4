#include "app/tform2.h"

#include "ui_splash.h"

#include <QEvent>
#include <QMouseEvent>

TForm2::TForm2(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool),
      ui(std::make_unique<Ui::TForm2>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
    setFixedSize(369, 217);
    move(391, 316);
    ui->Image1->installEventFilter(this);
}

TForm2::~TForm2() = default;

void TForm2::Image1Click() {
    hide();
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->Image1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Image1Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
