#include "acceptance/sketch.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>

#include <array>
#include <limits>

namespace tess::test {

QImage drawSketch(int edge) {
    QImage image(edge, edge, QImage::Format_RGB32);
    image.fill(kSketchField);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.scale(edge / 512.0, edge / 512.0);
    p.setPen(Qt::NoPen);

    // Meadows in the fields.
    p.setBrush(kSketchMeadow);
    p.drawRect(20, 250, 130, 90);
    p.drawRect(200, 170, 80, 70);
    p.drawRect(380, 150, 110, 80);
    p.drawRect(40, 420, 150, 70);

    // The forest in the east and a wood in the south-west.
    p.setBrush(kSketchForest);
    p.drawEllipse(QRectF(400, 230, 110, 170));
    p.drawEllipse(QRectF(440, 40, 70, 110));
    p.drawEllipse(QRectF(160, 400, 120, 90));

    // The hill: rings of higher ground.
    p.setBrush(kSketchHill);
    p.drawEllipse(QRectF(300, 300, 120, 80));
    p.setBrush(kSketchMeadow);
    p.drawEllipse(QRectF(330, 320, 60, 40));

    // The river from the north to the south-west.
    QPainterPath river(QPointF(230, -10));
    river.cubicTo(QPointF(210, 120), QPointF(300, 200), QPointF(250, 270));
    river.cubicTo(QPointF(200, 340), QPointF(80, 360), QPointF(60, 522));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kSketchWater, 16, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(river);

    // The road from the west through the village, over the bridge, to the hill.
    QPainterPath road(QPointF(-10, 160));
    road.lineTo(QPointF(140, 160));
    road.lineTo(QPointF(260, 230));
    road.lineTo(QPointF(360, 300));
    road.lineTo(QPointF(360, 522));
    p.setPen(QPen(kSketchRoad, 7, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(road);

    // The railway along the north with the station.
    p.setPen(QPen(kSketchRail, 4, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(-10, 90), QPointF(522, 90));
    p.setPen(Qt::NoPen);
    p.setBrush(kSketchHouse);
    p.drawRect(270, 70, 40, 14);

    // The village's houses.
    const std::array<QRectF, 9> houses{
        QRectF(108, 128, 14, 10), QRectF(130, 126, 12, 12), QRectF(150, 130, 16, 10),
        QRectF(110, 172, 12, 14), QRectF(152, 172, 14, 12), QRectF(118, 144, 10, 10),
        QRectF(160, 146, 10, 8),  QRectF(128, 184, 16, 10), QRectF(104, 186, 10, 8)};
    for (const QRectF& house : houses)
        p.drawRect(house);
    return image;
}

QColor groundAt(const QImage& sketch, int x, int y) {
    const QColor seen = sketch.pixelColor(x, y);
    const std::array<QColor, 8> kinds{kSketchField, kSketchMeadow, kSketchForest, kSketchWater,
                                      kSketchRoad,  kSketchHouse,  kSketchRail,   kSketchHill};
    QColor nearest = kinds[0];
    int best = std::numeric_limits<int>::max();
    for (const QColor& kind : kinds) {
        const int dr = kind.red() - seen.red();
        const int dg = kind.green() - seen.green();
        const int db = kind.blue() - seen.blue();
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < best) {
            best = distance;
            nearest = kind;
        }
    }
    return nearest;
}

} // namespace tess::test
