// A top view of a small made-up level, drawn here: fields, a forest, a river with a bridge, a
// road, a village ("Dorf"), a hill ("Hügel") and a railway station ("Bahnhof") where the road's
// three areas lie. The acceptance run loads it as the map maker's orientation picture; the
// pictures of the user guide use it as their sample level's overview picture and derive its
// pathmaps from it, so that nothing in them comes from anyone else.
#pragma once

#include <QColor>
#include <QImage>

namespace tess::test {

// The colours of the sketch, one per kind of ground.
inline const QColor kSketchField(150, 168, 98);
inline const QColor kSketchMeadow(186, 180, 112);
inline const QColor kSketchForest(52, 96, 54);
inline const QColor kSketchWater(64, 112, 186);
inline const QColor kSketchRoad(176, 164, 142);
inline const QColor kSketchHouse(128, 72, 52);
inline const QColor kSketchRail(70, 70, 74);
inline const QColor kSketchHill(132, 122, 84);

// The sketch as a square picture with `edge` pixels along each side; its drawing is laid out
// for 512 pixels and scaled.
QImage drawSketch(int edge);

// The kind of ground at a pixel of the sketch: the sketch colour nearest to it.
QColor groundAt(const QImage& sketch, int x, int y);

} // namespace tess::test
