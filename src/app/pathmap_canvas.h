// The pathmap window's drawing surface: the overview picture, the cells, the strategic areas
// and the spawn points at any zoom; mouse and keys become strokes, zoom and pan. Where the map
// lies on it is a widget-free MapView; the strokes go to the window's PathmapEditor.
#pragma once

#include "areas/overview_picture.h"
#include "pathmaps/editor.h"
#include "pathmaps/map_view.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <optional>

class PathmapWindow;

// A picture of the model as a QImage of its own.
QImage imageOf(const tess::areas::RgbaPicture& picture);

class PathmapCanvas : public QWidget {
public:
    explicit PathmapCanvas(PathmapWindow* window);

    QSize sizeHint() const override;

    // A map was opened: the whole of it in view, its pictures made afresh.
    void openMap();
    void clearMap();
    // The cells in the rectangle changed: the shrunk layer there is drawn again.
    void cellsChanged(const tess::pathmaps::CellRect& changed);
    // Centres the view on a point in cells (x along a row, z from the first row).
    void centreOn(double cellX, double cellZ, double scale);
    void mark(double worldX, double worldZ);
    const std::optional<QPointF>& marked() const { return marked_; }

    // The layers of the terrain's verdicts were switched: their picture is made afresh.
    void layersChanged();
    // The world point under the mouse; nothing when the mouse is off the map.
    std::optional<tess::pathmaps::WorldPoint> hoverWorld() const;

    double zoom() const { return view_.zoom(); }
    QPoint pointOfCell(int x, int z) const;
    // The cell under the mouse with its world position, or nothing when the mouse is off the
    // map.
    QString hoverText() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent*) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    using Cell = tess::pathmaps::CellPoint;
    enum class Drag { none, brush, rectangle };
    // What a stroke paints: blocked, free, or the terrain's verdict.
    void beginStroke();

    int brushSize() const;
    void fit();
    QPointF screenOf(double cellX, double cellZ) const {
        const tess::pathmaps::ScreenPoint p = view_.screenOf(cellX, cellZ);
        return {p.x, p.y};
    }
    Cell cellAt(QPointF at) const { return view_.cellAt({at.x(), at.y()}); }
    // The cells a brush on the way between two cells may have changed.
    tess::pathmaps::CellRect around(Cell a, Cell b) const;

    // The cells in view, and where they lie on the surface; false when none are.
    bool cellsInView(const QRectF& map, const QRectF& shown, tess::pathmaps::CellsInView& in,
                     tess::pathmaps::CellRect& cells, QRectF& target) const;
    void drawCells(QPainter& painter, const tess::pathmaps::Grid& grid, const QRectF& map,
                   const QRectF& shown);
    void drawVerdicts(QPainter& painter, const QRectF& map, const QRectF& shown);
    void drawAreas(QPainter& painter, const tess::pathmaps::PathmapEditor& editor);
    void drawSpawnPoints(QPainter& painter, const tess::pathmaps::PathmapEditor& editor);
    void drawMark(QPainter& painter);
    // The rectangle being drawn, or the brush's outline under the mouse.
    void drawTool(QPainter& painter);

    PathmapWindow* window_;
    tess::pathmaps::MapView view_;
    QImage overview_;
    tess::areas::RgbaPicture layer_;
    QImage layerImage_;
    // The shown layers of the terrain's verdicts over the whole map, shrunk as layer_.
    tess::areas::RgbaPicture verdictLayer_;
    QImage verdictImage_;

    bool panning_ = false;
    QPointF panFrom_;
    bool spaceHeld_ = false;
    Drag drag_ = Drag::none;
    Qt::MouseButton dragButton_ = Qt::NoButton;
    bool dragBlocks_ = true;
    Cell last_;
    Cell rectEnd_;
    std::optional<Cell> hover_;
    QPointF hoverPoint_;
    std::optional<QPointF> marked_;
};
