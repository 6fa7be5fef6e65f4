// A label or picture that acts as a button: the window design's command labels (blue,
// underlined texts) and its icons. The .ui files promote those QLabels to this class, so a
// tab only connects clicked() to its handler.
#pragma once

#include <QLabel>

class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget* parent = nullptr);

signals:
    // The left mouse button was released over the enabled label.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
