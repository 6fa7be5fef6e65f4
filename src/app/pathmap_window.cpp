#include "app/pathmap_window.h"

#include "app/qt_text.h"

#include <QLabel>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

#include <cstdio>
#include <string>
#include <utility>

using tess::app::qs;

namespace {

QString kindText(tess::pathmaps::Kind kind) {
    switch (kind) {
    case tess::pathmaps::Kind::eightBit:
        return QStringLiteral("8-Bit-Karte");
    case tess::pathmaps::Kind::tiled:
        return QStringLiteral("gekachelte Karte");
    case tess::pathmaps::Kind::regions:
        return QStringLiteral("Gebietskarte");
    }
    return {};
}

// "98,7 %", as German writes it.
QString percentText(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", share * 100.0);
    return qs(text).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString factsOf(const QString& fileName, const tess::pathmaps::PathmapSummary& map) {
    QString text = fileName + QStringLiteral(": ") + kindText(map.kind);
    if (!map.className.empty())
        text += QStringLiteral(" der Klasse ") + qs(map.className);
    text += QStringLiteral(", %1 x %2 Felder zu %3 m, ")
                .arg(map.width)
                .arg(map.height)
                .arg(map.cellSize) +
            percentText(map.blockedShare()) + QStringLiteral(" gesperrt.");
    return text;
}

} // namespace

PathmapWindow::PathmapWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pathmapWindow"));
    // A small tool window that stays with the main window.
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    pictureLabel_ = new QLabel(this);
    pictureLabel_->setObjectName(QStringLiteral("pathmapPicture"));
    pictureLabel_->setFixedSize(kShownEdge, kShownEdge);
    pictureLabel_->setAlignment(Qt::AlignCenter);
    pictureLabel_->setWordWrap(true);
    pictureLabel_->setMargin(24);
    pictureLabel_->setStyleSheet(QStringLiteral("background-color: #808080; color: #FFFFFF;"));
    factsLabel_ = new QLabel(this);
    factsLabel_->setObjectName(QStringLiteral("pathmapFacts"));
    factsLabel_->setWordWrap(true);
    lineLabel_ = new QLabel(this);
    lineLabel_->setObjectName(QStringLiteral("pathmapLine"));
    lineLabel_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(pictureLabel_);
    layout->addWidget(factsLabel_);
    layout->addWidget(lineLabel_);
    layout->addStretch();
    setFixedWidth(kShownEdge + 16);
}

void PathmapWindow::showPathmap(const QString& fileName, const tess::pathmaps::PathmapView& view,
                                bool withOverview) {
    const tess::areas::RgbaPicture& picture = view.picture;
    picture_ = QImage(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                      QImage::Format_RGBA8888)
                   .copy();
    worldWidth_ = double(view.summary.width) * view.summary.cellSize;
    worldHeight_ = double(view.summary.height) * view.summary.cellSize;
    marked_.reset();
    drawShown();
    pictureLabel_->setToolTip(qs(view.tip));
    QString facts = factsOf(fileName, view.summary);
    if (!withOverview)
        facts += QStringLiteral(" Kein Übersichtsbild der Karte gefunden "
                                "(Textures\\ingamemap.dds): die Karte auf Grau.");
    factsLabel_->setText(facts);
    lineLabel_->setText(view.hasSpawnPoints
                            ? qs(view.spawnLine)
                            : QStringLiteral("Keine Spawnpunkte des Addons für diese Klasse."));
    lineLabel_->setStyleSheet(view.blockedSpawnPoints > 0 ? QStringLiteral("color: #A00000;")
                                                          : QString());
    appear(fileName);
}

void PathmapWindow::showNote(const QString& fileName, const QString& note) {
    picture_ = QImage();
    marked_.reset();
    pictureLabel_->setText(note);
    pictureLabel_->setToolTip(QString());
    factsLabel_->setText(fileName);
    lineLabel_->clear();
    lineLabel_->setStyleSheet(QString());
    appear(fileName);
}

void PathmapWindow::showWorldPoint(double x, double z) {
    if (picture_.isNull() || worldWidth_ <= 0 || worldHeight_ <= 0)
        return;
    const QSize shown = picture_.size().scaled(kShownEdge, kShownEdge, Qt::KeepAspectRatio);
    marked_ = QPointF(x / worldWidth_ * shown.width(), (1.0 - z / worldHeight_) * shown.height());
    drawShown();
    show();
    raise();
}

// The picture at its shown size, with the marked point when there is one.
void PathmapWindow::drawShown() {
    QPixmap shown = QPixmap::fromImage(
        picture_.scaled(kShownEdge, kShownEdge, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    if (marked_) {
        QPainter painter(&shown);
        painter.setRenderHint(QPainter::Antialiasing);
        for (const auto& [colour, width] :
             {std::pair{QColor(0, 0, 0), 5}, {QColor(255, 0, 255), 3}}) {
            painter.setPen(QPen(colour, width));
            painter.drawEllipse(*marked_, 9, 9);
        }
    }
    pictureLabel_->setPixmap(shown);
}

QString PathmapWindow::note() const {
    return picture_.isNull() ? pictureLabel_->text() : QString();
}

void PathmapWindow::appear(const QString& fileName) {
    setWindowTitle(QStringLiteral("Pathmap: ") + fileName);
    // The texts under the picture may take more lines than before.
    adjustSize();
    placeBesideParent();
    show();
    raise();
}

QString PathmapWindow::facts() const {
    return factsLabel_->text();
}

QString PathmapWindow::line() const {
    return lineLabel_->text();
}

// The first time it opens: to the right of the main window when the screen has room there,
// else to its left, else over its right part. Afterwards it stays where the user put it.
void PathmapWindow::placeBesideParent() {
    if (placed_ || parentWidget() == nullptr)
        return;
    placed_ = true;
    const QRect main = parentWidget()->window()->frameGeometry();
    const QScreen* screen = parentWidget()->screen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    const int gap = 8;
    const int frame = 30; // the caption bar of the tool window
    int x = main.right() + gap;
    if (x + width() > room.right()) {
        x = main.left() - gap - width();
        if (x < room.left())
            x = std::max(room.left(), room.right() - width());
    }
    const int y = std::clamp(main.top(), room.top() + frame,
                             std::max(room.top() + frame, room.bottom() - height()));
    move(x, y);
}
