#include "app/tform2.h"

#include "ui_splash.h"

TForm2::TForm2(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool),
      ui_(std::make_unique<Ui::TForm2>()) {
    ui_->setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
    setFixedSize(369, 217);
    move(391, 316);
    connect(ui_->Image1, &ClickableLabel::clicked, this, [this] { Image1Click(); });
}

TForm2::~TForm2() = default;

void TForm2::Image1Click() {
    hide();
}
