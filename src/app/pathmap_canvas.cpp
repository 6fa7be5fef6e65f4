#include "app/pathmap_canvas.h"

#include "app/pathmap_window.h"
#include "app/qt_text.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

using tess::app::qs;
namespace pm = tess::pathmaps;

namespace {

// The canvas beside the map, where no cells are.
const QColor kOutside(64, 64, 64);
const QColor kAreaColour(255, 255, 0);
const QColor kMarkColour(255, 40, 200);
const QColor kBlockPreview(210, 20, 20, 90);
const QColor kFreePreview(40, 120, 255, 90);
const QColor kTerrainPreview(40, 200, 80, 90);
// From this zoom on, thin lines part the cells.
constexpr double kCellLinesFrom = 12.0;

// A name readable on any background: coloured text on a small dark tag.
void drawName(QPainter& painter, QPointF at, const QString& name, const QColor& colour) {
    const QRectF text = QRectF(painter.fontMetrics().boundingRect(name)).translated(at);
    painter.fillRect(text.adjusted(-2, 0, 2, 1), QColor(0, 0, 0, 150));
    painter.setPen(colour);
    painter.drawText(at, name);
}

// The part of a picture stretched over the whole map that lies in `shown`.
void drawStretched(QPainter& painter, const QImage& image, const QRectF& map, const QRectF& shown,
                   const QColor& none) {
    if (image.isNull()) {
        painter.fillRect(shown, none);
        return;
    }
    const double sx = image.width() / map.width();
    const double sy = image.height() / map.height();
    const QRectF source((shown.left() - map.left()) * sx, (shown.top() - map.top()) * sy,
                        shown.width() * sx, shown.height() * sy);
    painter.drawImage(shown, image, source);
}

} // namespace

QImage imageOf(const tess::areas::RgbaPicture& picture) {
    return QImage(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                  QImage::Format_RGBA8888)
        .copy();
}

PathmapCanvas::PathmapCanvas(PathmapWindow* window) : QWidget(window), window_(window) {
    setObjectName(QStringLiteral("pathmapPicture"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    setMinimumSize(PathmapWindow::kShownEdge / 2, PathmapWindow::kShownEdge / 2);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize PathmapCanvas::sizeHint() const {
    return {PathmapWindow::kShownEdge, PathmapWindow::kShownEdge};
}

void PathmapCanvas::openMap() {
    const pm::PathmapEditor* editor = window_->editor();
    marked_.reset();
    hover_.reset();
    drag_ = Drag::none;
    panning_ = false;
    overview_ = editor->overview() ? imageOf(*editor->overview()) : QImage();
    const pm::Grid& grid = editor->grid();
    const pm::PictureSize size = pm::pictureSizeOf(grid.width, grid.height);
    layer_ = pm::drawCellLayer(grid, {0, 0, grid.width, grid.height}, size.width, size.height);
    layerImage_ = QImage(layer_.rgba.data(), layer_.width, layer_.height, layer_.width * 4,
                         QImage::Format_RGBA8888);
    view_.setMap(grid.width, grid.height, grid.cellSize);
    layersChanged();
    fit();
}

void PathmapCanvas::clearMap() {
    layer_ = {};
    layerImage_ = QImage();
    verdictLayer_ = {};
    verdictImage_ = QImage();
    overview_ = QImage();
    marked_.reset();
    hover_.reset();
    drag_ = Drag::none;
    update();
}

void PathmapCanvas::cellsChanged(const pm::CellRect& changed) {
    if (const pm::PathmapEditor* editor = window_->editor())
        pm::redrawCellLayer(layer_, editor->grid(), changed);
    update();
}

void PathmapCanvas::layersChanged() {
    verdictLayer_ = {};
    verdictImage_ = QImage();
    const std::uint8_t shown = window_->shownLayers();
    const pm::TerrainVerdicts* verdicts = shown != 0 ? window_->verdicts() : nullptr;
    if (shown != 0 && verdicts == nullptr)
        window_->updateTerrainCommands(); // the terrain could not judge the map: says why
    if (verdicts != nullptr) {
        const pm::PictureSize size = pm::pictureSizeOf(verdicts->size.width, verdicts->size.height);
        verdictLayer_ = pm::drawVerdictLayer(*verdicts, shown,
                                             {0, 0, verdicts->size.width, verdicts->size.height},
                                             size.width, size.height);
        verdictImage_ = QImage(verdictLayer_.rgba.data(), verdictLayer_.width, verdictLayer_.height,
                               verdictLayer_.width * 4, QImage::Format_RGBA8888);
    }
    update();
}

std::optional<pm::WorldPoint> PathmapCanvas::hoverWorld() const {
    if (!window_->editor() || !hover_)
        return std::nullopt;
    return view_.worldOf({hoverPoint_.x(), hoverPoint_.y()});
}

void PathmapCanvas::centreOn(double cellX, double cellZ, double scale) {
    view_.resize(width(), height());
    view_.centreOn(cellX, cellZ, scale);
    update();
}

void PathmapCanvas::mark(double worldX, double worldZ) {
    marked_ = QPointF(worldX, worldZ);
    update();
}

QPoint PathmapCanvas::pointOfCell(int x, int z) const {
    const QPointF p = screenOf(x + 0.5, z + 0.5);
    return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}

QString PathmapCanvas::hoverText() const {
    const pm::PathmapEditor* editor = window_->editor();
    if (!editor || !hover_)
        return {};
    const pm::Grid& grid = editor->grid();
    const Cell cell = *hover_;
    const pm::WorldPoint world = view_.worldOf({hoverPoint_.x(), hoverPoint_.y()});
    QString state;
    if (grid.kind == pm::Kind::regions)
        state = grid.at(cell.x, cell.z) == pm::kBlockedRegion
                    ? QStringLiteral("gesperrt")
                    : QStringLiteral("Gebiet %1").arg(grid.at(cell.x, cell.z));
    else
        state = grid.blocked(cell.x, cell.z) ? QStringLiteral("gesperrt") : QStringLiteral("frei");
    return QStringLiteral("Feld %1 / %2 (Welt X %3, Z %4): %5")
        .arg(cell.x)
        .arg(cell.z)
        .arg(static_cast<long>(std::floor(world.x)))
        .arg(static_cast<long>(std::floor(world.z)))
        .arg(state);
}

void PathmapCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kOutside);
    const pm::PathmapEditor* editor = window_->editor();
    if (!editor)
        return;
    const pm::Grid& grid = editor->grid();
    const pm::ScreenPoint origin = view_.origin();
    const QRectF map(QPointF(origin.x, origin.y), QSizeF(view_.shownWidth(), view_.shownHeight()));
    const QRectF shown = map.intersected(QRectF(rect()));
    if (shown.isEmpty())
        return;
    drawStretched(painter, overview_, map, shown, QColor(128, 128, 128));
    drawCells(painter, grid, map, shown);
    if (!verdictImage_.isNull())
        drawVerdicts(painter, map, shown);
    painter.setRenderHint(QPainter::Antialiasing);
    drawAreas(painter, *editor);
    drawSpawnPoints(painter, *editor);
    drawMark(painter);
    drawTool(painter);
}

void PathmapCanvas::mousePressEvent(QMouseEvent* event) {
    const pm::PathmapEditor* editor = window_->editor();
    if (!editor || drag_ != Drag::none || panning_)
        return;
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && spaceHeld_)) {
        panning_ = true;
        panFrom_ = event->position();
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    if ((event->button() != Qt::LeftButton && event->button() != Qt::RightButton) ||
        !editor->editable())
        return;
    dragBlocks_ = event->button() == Qt::LeftButton;
    dragButton_ = event->button();
    const Cell cell = cellAt(event->position());
    last_ = cell;
    if (window_->rectangleTool_->isChecked()) {
        drag_ = Drag::rectangle;
        rectEnd_ = cell;
        update();
        return;
    }
    drag_ = Drag::brush;
    beginStroke();
    window_->editor_->edit().dab(cell.x, cell.z, brushSize());
    window_->mapChanged(around(cell, cell));
}

void PathmapCanvas::mouseMoveEvent(QMouseEvent* event) {
    const pm::PathmapEditor* editor = window_->editor();
    if (!editor)
        return;
    const QPointF at = event->position();
    if (panning_) {
        view_.panBy(at.x() - panFrom_.x(), at.y() - panFrom_.y());
        panFrom_ = at;
        update();
        return;
    }
    const Cell cell = cellAt(at);
    hoverPoint_ = at;
    const pm::Grid& grid = editor->grid();
    if (cell.x >= 0 && cell.z >= 0 && cell.x < grid.width && cell.z < grid.height)
        hover_ = cell;
    else
        hover_.reset();
    if (drag_ == Drag::brush) {
        window_->editor_->edit().drag(last_.x, last_.z, cell.x, cell.z, brushSize());
        window_->mapChanged(around(last_, cell));
        last_ = cell;
        return;
    }
    if (drag_ == Drag::rectangle)
        rectEnd_ = cell;
    window_->updateTexts();
    update();
}

void PathmapCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (panning_ && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        panning_ = false;
        setCursor(spaceHeld_ ? Qt::OpenHandCursor : Qt::CrossCursor);
        return;
    }
    if (drag_ == Drag::none || event->button() != dragButton_ || !window_->editor())
        return;
    pm::GridEdit& edit = window_->editor_->edit();
    if (drag_ == Drag::rectangle) {
        rectEnd_ = cellAt(event->position());
        beginStroke();
        edit.fillRectangle(last_.x, last_.z, rectEnd_.x, rectEnd_.z);
    }
    drag_ = Drag::none;
    window_->mapChanged(edit.endStroke());
}

void PathmapCanvas::wheelEvent(QWheelEvent* event) {
    if (!window_->editor())
        return;
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    // The cell under the mouse stays under it.
    const QPointF at = event->position();
    view_.zoomAt({at.x(), at.y()}, std::pow(pm::MapView::kWheelStep, notches));
    update();
}

void PathmapCanvas::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat()) {
            spaceHeld_ = true;
            if (!panning_)
                setCursor(Qt::OpenHandCursor);
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

void PathmapCanvas::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat()) {
            spaceHeld_ = false;
            if (!panning_)
                setCursor(Qt::CrossCursor);
        }
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void PathmapCanvas::leaveEvent(QEvent*) {
    hover_.reset();
    window_->updateTexts();
    update();
}

void PathmapCanvas::resizeEvent(QResizeEvent*) {
    // The point in the middle stays in the middle.
    view_.resize(width(), height());
    if (!view_.fitted() && window_->editor())
        fit();
}

void PathmapCanvas::beginStroke() {
    pm::GridEdit& edit = window_->editor_->edit();
    const pm::TerrainVerdicts* verdicts =
        window_->terrainTool_->isChecked() ? window_->verdicts() : nullptr;
    if (verdicts != nullptr)
        edit.beginStroke(verdicts->flags);
    else
        edit.beginStroke(dragBlocks_);
}

int PathmapCanvas::brushSize() const {
    return window_->brushSize_->value();
}

void PathmapCanvas::fit() {
    view_.resize(width(), height());
    view_.fit();
    update();
}

pm::CellRect PathmapCanvas::around(Cell a, Cell b) const {
    const std::int32_t reach = brushSize() / 2 + 1;
    return pm::CellRect{std::min(a.x, b.x) - reach, std::min(a.z, b.z) - reach,
                        std::abs(a.x - b.x) + 2 * reach + 1, std::abs(a.z - b.z) + 2 * reach + 1};
}

bool PathmapCanvas::cellsInView(const QRectF& map, const QRectF& shown, pm::CellsInView& in,
                                pm::CellRect& cells, QRectF& target) const {
    in = view_.cellsIn(shown.left(), shown.top(), shown.right(), shown.bottom());
    if (in.empty())
        return false;
    const double scale = view_.zoom();
    cells = {in.left, view_.cellsHigh() - in.bottom, in.right - in.left, in.bottom - in.top};
    target = QRectF(map.left() + in.left * scale, map.top() + in.top * scale, cells.width * scale,
                    cells.height * scale);
    return true;
}

void PathmapCanvas::drawCells(QPainter& painter, const pm::Grid& grid, const QRectF& map,
                              const QRectF& shown) {
    const double scale = view_.zoom();
    if (scale < 1.0) {
        drawStretched(painter, layerImage_, map, shown, Qt::transparent);
        return;
    }
    // Close up: the cells in view, one pixel each, enlarged.
    pm::CellsInView in;
    pm::CellRect cells;
    QRectF target;
    if (!cellsInView(map, shown, in, cells, target))
        return;
    const tess::areas::RgbaPicture layer =
        pm::drawCellLayer(grid, cells, cells.width, cells.height);
    const QImage image(layer.rgba.data(), layer.width, layer.height, layer.width * 4,
                       QImage::Format_RGBA8888);
    painter.drawImage(target, image);
    if (scale >= kCellLinesFrom) {
        painter.setPen(QPen(QColor(0, 0, 0, 40), 0));
        for (std::int32_t x = in.left; x <= in.right; ++x)
            painter.drawLine(QPointF(map.left() + x * scale, target.top()),
                             QPointF(map.left() + x * scale, target.bottom()));
        for (std::int32_t y = in.top; y <= in.bottom; ++y)
            painter.drawLine(QPointF(target.left(), map.top() + y * scale),
                             QPointF(target.right(), map.top() + y * scale));
    }
}

void PathmapCanvas::drawVerdicts(QPainter& painter, const QRectF& map, const QRectF& shown) {
    pm::CellsInView in;
    pm::CellRect cells;
    QRectF target;
    const pm::TerrainVerdicts* verdicts = window_->verdicts();
    if (view_.zoom() < 1.0 || verdicts == nullptr) {
        drawStretched(painter, verdictImage_, map, shown, Qt::transparent);
        return;
    }
    if (!cellsInView(map, shown, in, cells, target))
        return;
    const tess::areas::RgbaPicture layer =
        pm::drawVerdictLayer(*verdicts, window_->shownLayers(), cells, cells.width, cells.height);
    painter.drawImage(target, QImage(layer.rgba.data(), layer.width, layer.height, layer.width * 4,
                                     QImage::Format_RGBA8888));
}

void PathmapCanvas::drawAreas(QPainter& painter, const pm::PathmapEditor& editor) {
    const pm::Grid& grid = editor.grid();
    const double cell = grid.cellSize;
    QPen halo(QColor(0, 0, 0, 110), 3);
    QPen pen(kAreaColour, 1);
    const int ascent = painter.fontMetrics().ascent();
    for (const tess::areas::LevelArea& area : editor.areas()) {
        const QRectF outline = QRectF(screenOf(area.x1 / cell, area.z1 / cell),
                                      screenOf(area.x2 / cell, area.z2 / cell))
                                   .normalized();
        if (!outline.intersects(QRectF(rect()).adjusted(-4, -4, 4, 4)))
            continue;
        painter.setPen(halo);
        painter.drawRect(outline);
        painter.setPen(pen);
        painter.drawRect(outline);
        drawName(painter, outline.topLeft() + QPointF(3, ascent + 2), qs(area.name), kAreaColour);
    }
}

void PathmapCanvas::drawSpawnPoints(QPainter& painter, const pm::PathmapEditor& editor) {
    const pm::SpawnCheck check = editor.spawnCheck();
    const double cell = editor.grid().cellSize;
    const auto dots = [&](const std::vector<pm::SpawnPoint>& points, pm::Colour c) {
        painter.setPen(QPen(QColor(0, 0, 0), 1.5));
        painter.setBrush(QColor(c.r, c.g, c.b));
        for (const pm::SpawnPoint& point : points) {
            const QPointF at = screenOf(point.x / cell, point.z / cell);
            if (rect().adjusted(-8, -8, 8, 8).contains(at.toPoint()))
                painter.drawEllipse(at, 4.0, 4.0);
        }
    };
    // Warnings last, so that none hides under a point that is fine.
    dots(check.passable, pm::kSpawnColour);
    dots(check.blocked, pm::kBlockedSpawnColour);
    painter.setBrush(Qt::NoBrush);
}

void PathmapCanvas::drawMark(QPainter& painter) {
    if (!marked_)
        return;
    const double cell = window_->editor()->grid().cellSize;
    const QPointF at = screenOf(marked_->x() / cell, marked_->y() / cell);
    for (const auto& [colour, width] :
         {std::pair{QColor(0, 0, 0), 5.0}, std::pair{kMarkColour, 2.5}}) {
        painter.setPen(QPen(colour, width));
        painter.drawEllipse(at, 12.0, 12.0);
        painter.drawLine(at + QPointF(-20, 0), at + QPointF(-6, 0));
        painter.drawLine(at + QPointF(6, 0), at + QPointF(20, 0));
        painter.drawLine(at + QPointF(0, -20), at + QPointF(0, -6));
        painter.drawLine(at + QPointF(0, 6), at + QPointF(0, 20));
    }
}

void PathmapCanvas::drawTool(QPainter& painter) {
    if (!window_->editor()->editable())
        return;
    if (drag_ == Drag::rectangle) {
        const QRectF cells =
            QRectF(screenOf(std::min(last_.x, rectEnd_.x), std::min(last_.z, rectEnd_.z)),
                   screenOf(std::max(last_.x, rectEnd_.x) + 1, std::max(last_.z, rectEnd_.z) + 1))
                .normalized();
        painter.fillRect(cells, window_->terrainTool_->isChecked() ? kTerrainPreview
                                : dragBlocks_                      ? kBlockPreview
                                                                   : kFreePreview);
        painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
        painter.drawRect(cells);
        return;
    }
    if (!hover_ || panning_ || spaceHeld_ || window_->rectangleTool_->isChecked())
        return;
    const int size = brushSize();
    const double centre = size % 2 == 1 ? 0.5 : 0.0;
    const QPointF at = screenOf(hover_->x + centre, hover_->z + centre);
    const double radius = std::max(2.0, size * view_.zoom() / 2);
    painter.setPen(QPen(QColor(0, 0, 0, 160), 3));
    painter.drawEllipse(at, radius, radius);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawEllipse(at, radius, radius);
}
