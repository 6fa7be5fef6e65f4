// The splash window: a frameless title picture shown once at start-up over the main window.
#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class TForm2;
}

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // Click on the picture: hide the splash for the rest of the run.
    void Image1Click();

private:
    std::unique_ptr<Ui::TForm2> ui_;
};
