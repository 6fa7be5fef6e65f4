#include "app/pathmap_window.h"

#include "app/qt_text.h"
#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

using tess::app::qs;
using tess::app::shownPath;
using tess::app::str;
namespace pm = tess::pathmaps;

namespace {

// The canvas beside the map, where no cells are.
const QColor kOutside(64, 64, 64);
const QColor kAreaColour(255, 255, 0);
const QColor kMarkColour(255, 40, 200);
const QColor kBlockPreview(210, 20, 20, 90);
const QColor kFreePreview(40, 120, 255, 90);
// From this zoom on, thin lines part the cells.
constexpr double kCellLinesFrom = 12.0;
constexpr double kWheelStep = 1.25;

QString kindText(pm::Kind kind) {
    switch (kind) {
    case pm::Kind::eightBit:
        return QStringLiteral("8-Bit-Karte");
    case pm::Kind::tiled:
        return QStringLiteral("gekachelte Karte");
    case pm::Kind::regions:
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

QString factsOf(const QString& fileName, const pm::PathmapSummary& map) {
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

QString namesText(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names)
        list.append(qs(name));
    return list.join(QStringLiteral(", "));
}

QImage imageOf(const tess::areas::RgbaPicture& picture) {
    return QImage(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                  QImage::Format_RGBA8888)
        .copy();
}

// A name readable on any background: coloured text on a small dark tag.
void drawName(QPainter& painter, QPointF at, const QString& name, const QColor& colour) {
    const QRectF text = QRectF(painter.fontMetrics().boundingRect(name)).translated(at);
    painter.fillRect(text.adjusted(-2, 0, 2, 1), QColor(0, 0, 0, 150));
    painter.setPen(colour);
    painter.drawText(at, name);
}

} // namespace

// The map on screen: the overview picture, the cells, the strategic areas and the spawn
// points, at any zoom; mouse and keys become strokes, zoom and pan.
class PathmapCanvas : public QWidget {
public:
    explicit PathmapCanvas(PathmapWindow* window) : QWidget(window), window_(window) {
        setObjectName(QStringLiteral("pathmapPicture"));
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::CrossCursor);
        setMinimumSize(PathmapWindow::kShownEdge / 2, PathmapWindow::kShownEdge / 2);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

    QSize sizeHint() const override {
        return {PathmapWindow::kShownEdge, PathmapWindow::kShownEdge};
    }

    // A map was opened: the whole of it in view, its pictures made afresh.
    void openMap() {
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
        fit();
    }

    void clearMap() {
        layer_ = {};
        layerImage_ = QImage();
        overview_ = QImage();
        marked_.reset();
        hover_.reset();
        drag_ = Drag::none;
        update();
    }

    // The cells in the rectangle changed: the shrunk layer there is drawn again.
    void cellsChanged(const pm::CellRect& changed) {
        if (const pm::PathmapEditor* editor = window_->editor())
            pm::redrawCellLayer(layer_, editor->grid(), changed);
        update();
    }

    // Centres the view on a point in cells (x along a row, z from the first row).
    void centreOn(double cellX, double cellZ, double scale) {
        const pm::Grid& grid = window_->editor()->grid();
        scale_ = std::clamp(scale, minScale(), maxScale());
        origin_ = QPointF(width() / 2.0 - cellX * scale_,
                          height() / 2.0 - (grid.height - cellZ) * scale_);
        update();
    }

    void mark(double worldX, double worldZ) {
        marked_ = QPointF(worldX, worldZ);
        update();
    }

    const std::optional<QPointF>& marked() const { return marked_; }

    double zoom() const { return scale_; }

    QPoint pointOfCell(int x, int z) const {
        const QPointF p = screenOf(x + 0.5, z + 0.5);
        return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
    }

    // The cell under the mouse with its world position, or nothing when the mouse is off the
    // map.
    QString hoverText() const {
        const pm::PathmapEditor* editor = window_->editor();
        if (!editor || !hover_)
            return {};
        const pm::Grid& grid = editor->grid();
        const Cell cell = *hover_;
        const QPointF world = worldOf(hoverPoint_);
        QString state;
        if (grid.kind == pm::Kind::regions)
            state = grid.at(cell.x, cell.z) == pm::kBlockedRegion
                        ? QStringLiteral("gesperrt")
                        : QStringLiteral("Gebiet %1").arg(grid.at(cell.x, cell.z));
        else
            state =
                grid.blocked(cell.x, cell.z) ? QStringLiteral("gesperrt") : QStringLiteral("frei");
        return QStringLiteral("Feld %1 / %2 (Welt X %3, Z %4): %5")
            .arg(cell.x)
            .arg(cell.z)
            .arg(static_cast<long>(std::floor(world.x())))
            .arg(static_cast<long>(std::floor(world.y())))
            .arg(state);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), kOutside);
        const pm::PathmapEditor* editor = window_->editor();
        if (!editor)
            return;
        const pm::Grid& grid = editor->grid();
        const QRectF map(origin_, QSizeF(grid.width * scale_, grid.height * scale_));
        const QRectF shown = map.intersected(QRectF(rect()));
        if (shown.isEmpty())
            return;
        drawStretched(painter, overview_, map, shown, QColor(128, 128, 128));
        drawCells(painter, grid, map, shown);
        painter.setRenderHint(QPainter::Antialiasing);
        drawAreas(painter, *editor);
        drawSpawnPoints(painter, *editor);
        drawMark(painter);
        drawTool(painter);
    }

    void mousePressEvent(QMouseEvent* event) override {
        const pm::PathmapEditor* editor = window_->editor();
        if (!editor || drag_ != Drag::none || panning_)
            return;
        setFocus(Qt::MouseFocusReason);
        if (event->button() == Qt::MiddleButton ||
            (event->button() == Qt::LeftButton && spaceHeld_)) {
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
        pm::GridEdit& edit = window_->editor_->edit();
        edit.beginStroke(dragBlocks_);
        edit.dab(cell.x, cell.z, brushSize());
        window_->mapChanged(around(cell, cell));
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        const pm::PathmapEditor* editor = window_->editor();
        if (!editor)
            return;
        const QPointF at = event->position();
        if (panning_) {
            origin_ += at - panFrom_;
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

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (panning_ &&
            (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
            panning_ = false;
            setCursor(spaceHeld_ ? Qt::OpenHandCursor : Qt::CrossCursor);
            return;
        }
        if (drag_ == Drag::none || event->button() != dragButton_ || !window_->editor())
            return;
        pm::GridEdit& edit = window_->editor_->edit();
        if (drag_ == Drag::rectangle) {
            rectEnd_ = cellAt(event->position());
            edit.beginStroke(dragBlocks_);
            edit.fillRectangle(last_.x, last_.z, rectEnd_.x, rectEnd_.z);
        }
        drag_ = Drag::none;
        window_->mapChanged(edit.endStroke());
    }

    void wheelEvent(QWheelEvent* event) override {
        if (!window_->editor())
            return;
        const double notches = event->angleDelta().y() / 120.0;
        if (notches == 0)
            return;
        // The cell under the mouse stays under it.
        const QPointF at = event->position();
        const double scale =
            std::clamp(scale_ * std::pow(kWheelStep, notches), minScale(), maxScale());
        origin_ = at - (at - origin_) * (scale / scale_);
        scale_ = scale;
        update();
    }

    void keyPressEvent(QKeyEvent* event) override {
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

    void keyReleaseEvent(QKeyEvent* event) override {
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

    void leaveEvent(QEvent*) override {
        hover_.reset();
        window_->updateTexts();
        update();
    }

    void resizeEvent(QResizeEvent* event) override {
        // The point in the middle stays in the middle.
        origin_ += QPointF(event->size().width() - event->oldSize().width(),
                           event->size().height() - event->oldSize().height()) /
                   2.0;
        if (!fitted_ && window_->editor())
            fit();
    }

private:
    struct Cell {
        std::int32_t x = 0;
        std::int32_t z = 0;
    };
    enum class Drag { none, brush, rectangle };

    int brushSize() const { return window_->brushSize_->value(); }

    double fitScale() const {
        const pm::Grid& grid = window_->editor()->grid();
        return std::min(width() / static_cast<double>(grid.width),
                        height() / static_cast<double>(grid.height));
    }
    double minScale() const { return std::min(fitScale() / 2, 1.0); }
    double maxScale() const { return std::max(PathmapWindow::kClosestZoom, fitScale()); }

    void fit() {
        const pm::Grid& grid = window_->editor()->grid();
        fitted_ = width() > 0 && height() > 0;
        scale_ = std::max(fitScale(), 1e-3);
        origin_ =
            QPointF((width() - grid.width * scale_) / 2, (height() - grid.height * scale_) / 2);
        update();
    }

    // Screen point of a point in cells (x along a row, z from the first row).
    QPointF screenOf(double cellX, double cellZ) const {
        const pm::Grid& grid = window_->editor()->grid();
        return origin_ + QPointF(cellX * scale_, (grid.height - cellZ) * scale_);
    }

    Cell cellAt(QPointF at) const {
        const pm::Grid& grid = window_->editor()->grid();
        const double x = (at.x() - origin_.x()) / scale_;
        const double fromTop = (at.y() - origin_.y()) / scale_;
        const auto bounded = [](double v) {
            return static_cast<std::int32_t>(std::clamp(std::floor(v), -1e6, 1e6));
        };
        return {bounded(x), bounded(grid.height - fromTop)};
    }

    QPointF worldOf(QPointF at) const {
        const pm::Grid& grid = window_->editor()->grid();
        const double x = (at.x() - origin_.x()) / scale_;
        const double z = grid.height - (at.y() - origin_.y()) / scale_;
        return {x * grid.cellSize, z * grid.cellSize};
    }

    // The cells a brush on the way between two cells may have changed.
    pm::CellRect around(Cell a, Cell b) const {
        const std::int32_t reach = brushSize() / 2 + 1;
        return pm::CellRect{std::min(a.x, b.x) - reach, std::min(a.z, b.z) - reach,
                            std::abs(a.x - b.x) + 2 * reach + 1,
                            std::abs(a.z - b.z) + 2 * reach + 1};
    }

    // The part of a picture stretched over the whole map that lies in `shown`.
    static void drawStretched(QPainter& painter, const QImage& image, const QRectF& map,
                              const QRectF& shown, const QColor& none) {
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

    void drawCells(QPainter& painter, const pm::Grid& grid, const QRectF& map,
                   const QRectF& shown) {
        if (scale_ < 1.0) {
            drawStretched(painter, layerImage_, map, shown, Qt::transparent);
            return;
        }
        // Close up: the cells in view, one pixel each, enlarged.
        const auto first = [&](double v) { return static_cast<std::int32_t>(std::floor(v)); };
        const auto last = [&](double v) { return static_cast<std::int32_t>(std::ceil(v)); };
        const std::int32_t left = std::max(0, first((shown.left() - map.left()) / scale_));
        const std::int32_t right =
            std::min(grid.width, last((shown.right() - map.left()) / scale_));
        const std::int32_t top = std::max(0, first((shown.top() - map.top()) / scale_));
        const std::int32_t bottom =
            std::min(grid.height, last((shown.bottom() - map.top()) / scale_));
        if (left >= right || top >= bottom)
            return;
        const pm::CellRect cells{left, grid.height - bottom, right - left, bottom - top};
        const tess::areas::RgbaPicture layer =
            pm::drawCellLayer(grid, cells, cells.width, cells.height);
        const QImage image(layer.rgba.data(), layer.width, layer.height, layer.width * 4,
                           QImage::Format_RGBA8888);
        const QRectF target(map.left() + left * scale_, map.top() + top * scale_,
                            cells.width * scale_, cells.height * scale_);
        painter.drawImage(target, image);
        if (scale_ >= kCellLinesFrom) {
            painter.setPen(QPen(QColor(0, 0, 0, 40), 0));
            for (std::int32_t x = left; x <= right; ++x)
                painter.drawLine(QPointF(map.left() + x * scale_, target.top()),
                                 QPointF(map.left() + x * scale_, target.bottom()));
            for (std::int32_t y = top; y <= bottom; ++y)
                painter.drawLine(QPointF(target.left(), map.top() + y * scale_),
                                 QPointF(target.right(), map.top() + y * scale_));
        }
    }

    void drawAreas(QPainter& painter, const pm::PathmapEditor& editor) {
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
            drawName(painter, outline.topLeft() + QPointF(3, ascent + 2), qs(area.name),
                     kAreaColour);
        }
    }

    void drawSpawnPoints(QPainter& painter, const pm::PathmapEditor& editor) {
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

    void drawMark(QPainter& painter) {
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

    // The rectangle being drawn, or the brush's outline under the mouse.
    void drawTool(QPainter& painter) {
        if (!window_->editor()->editable())
            return;
        if (drag_ == Drag::rectangle) {
            const QRectF cells =
                QRectF(
                    screenOf(std::min(last_.x, rectEnd_.x), std::min(last_.z, rectEnd_.z)),
                    screenOf(std::max(last_.x, rectEnd_.x) + 1, std::max(last_.z, rectEnd_.z) + 1))
                    .normalized();
            painter.fillRect(cells, dragBlocks_ ? kBlockPreview : kFreePreview);
            painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
            painter.drawRect(cells);
            return;
        }
        if (!hover_ || panning_ || spaceHeld_ || window_->rectangleTool_->isChecked())
            return;
        const int size = brushSize();
        const double centre = size % 2 == 1 ? 0.5 : 0.0;
        const QPointF at = screenOf(hover_->x + centre, hover_->z + centre);
        const double radius = std::max(2.0, size * scale_ / 2);
        painter.setPen(QPen(QColor(0, 0, 0, 160), 3));
        painter.drawEllipse(at, radius, radius);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawEllipse(at, radius, radius);
    }

    PathmapWindow* window_;
    double scale_ = 1.0;
    QPointF origin_;
    bool fitted_ = false;
    QImage overview_;
    tess::areas::RgbaPicture layer_;
    QImage layerImage_;

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

PathmapWindow::PathmapWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pathmapWindow"));
    // A tool window that stays with the main window.
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinMaxButtonsHint | Qt::CustomizeWindowHint);
    buildControls();
    // Closing the main window ends the program: unsaved strokes are asked about first.
    if (parent != nullptr) {
        watchedWindow_ = parent->window();
        watchedWindow_->installEventFilter(this);
    }
}

PathmapWindow::~PathmapWindow() = default;

void PathmapWindow::buildControls() {
    const auto button = [this](const char* name, const QString& caption, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(caption);
        b->setToolTip(tip);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        return b;
    };
    brushTool_ = button("brushTool", QStringLiteral("Pinsel"),
                        QStringLiteral("Runder Pinsel: die linke Maustaste sperrt Felder, die "
                                       "rechte gibt sie frei"));
    rectangleTool_ = button("rectangleTool", QStringLiteral("Rechteck"),
                            QStringLiteral("Rechteck aufziehen: mit der linken Maustaste "
                                           "gesperrt, mit der rechten frei"));
    brushTool_->setCheckable(true);
    rectangleTool_->setCheckable(true);
    brushTool_->setChecked(true);
    auto* tools = new QButtonGroup(this);
    tools->addButton(brushTool_);
    tools->addButton(rectangleTool_);
    auto* sizeLabel = new QLabel(QStringLiteral("Größe in Feldern:"), this);
    brushSize_ = new QSpinBox(this);
    brushSize_->setObjectName(QStringLiteral("brushSize"));
    brushSize_->setRange(pm::kSmallestBrush, pm::kLargestBrush);
    brushSize_->setValue(3);
    brushSize_->setToolTip(QStringLiteral("Durchmesser des Pinsels in Feldern"));
    sizeLabel->setBuddy(brushSize_);
    undoButton_ = button("undoButton", QStringLiteral("Rückgängig"),
                         QStringLiteral("Den letzten Strich zurücknehmen (Strg+Z)"));
    redoButton_ = button("redoButton", QStringLiteral("Wiederholen"),
                         QStringLiteral("Den zurückgenommenen Strich wieder ausführen (Strg+Y)"));

    saveButton_ = button("saveButton", QStringLiteral("Speichern"),
                         QStringLiteral("Die Karte und die gröberen Stufen ihrer Klasse in den "
                                        "Ordner Pathfinding des Addons schreiben"));
    restoreButton_ = button("restoreButton", QStringLiteral("Original wiederherstellen"),
                            QStringLiteral("Die Dateien der Klasse so zurückholen, wie das Spiel "
                                           "sie geschrieben hat"));
    exportButton_ = button("exportButton", QStringLiteral("Als Bild exportieren"),
                           QStringLiteral("Die Karte als Graubild (PNG) für einen Bildeditor: "
                                          "Norden oben, schwarz frei, weiß gesperrt, ein "
                                          "Bildpunkt je Feld"));
    importButton_ = button("importButton", QStringLiteral("Bild importieren"),
                           QStringLiteral("Ein bearbeitetes Bild der Karte zurückholen (PNG, "
                                          "genau so groß wie die Karte; heller als mittleres "
                                          "Grau ist gesperrt). Speichern schreibt es."));

    canvas_ = new PathmapCanvas(this);
    noteLabel_ = new QLabel(this);
    noteLabel_->setObjectName(QStringLiteral("pathmapNote"));
    noteLabel_->setAlignment(Qt::AlignCenter);
    noteLabel_->setWordWrap(true);
    noteLabel_->setMargin(24);
    noteLabel_->setStyleSheet(QStringLiteral("background-color: #808080; color: #FFFFFF;"));
    stack_ = new QStackedWidget(this);
    stack_->addWidget(canvas_);
    stack_->addWidget(noteLabel_);

    const auto textLine = [this](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    factsLabel_ = textLine("pathmapFacts");
    lineLabel_ = textLine("pathmapLine");
    statusLabel_ = textLine("pathmapStatus");
    filesLabel_ = textLine("pathmapFiles");

    auto* toolRow = new QHBoxLayout;
    toolRow->addWidget(brushTool_);
    toolRow->addWidget(rectangleTool_);
    toolRow->addSpacing(8);
    toolRow->addWidget(sizeLabel);
    toolRow->addWidget(brushSize_);
    toolRow->addSpacing(8);
    toolRow->addWidget(undoButton_);
    toolRow->addWidget(redoButton_);
    toolRow->addStretch();
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(saveButton_);
    fileRow->addWidget(restoreButton_);
    fileRow->addSpacing(8);
    fileRow->addWidget(exportButton_);
    fileRow->addWidget(importButton_);
    fileRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addLayout(toolRow);
    layout->addLayout(fileRow);
    layout->addWidget(stack_, 1);
    layout->addWidget(factsLabel_);
    layout->addWidget(lineLabel_);
    layout->addWidget(statusLabel_);
    layout->addWidget(filesLabel_);

    connect(undoButton_, &QAbstractButton::clicked, this, &PathmapWindow::undo);
    connect(redoButton_, &QAbstractButton::clicked, this, &PathmapWindow::redo);
    connect(saveButton_, &QAbstractButton::clicked, this, &PathmapWindow::save);
    connect(restoreButton_, &QAbstractButton::clicked, this, &PathmapWindow::restoreOriginal);
    connect(exportButton_, &QAbstractButton::clicked, this, &PathmapWindow::exportPicture);
    connect(importButton_, &QAbstractButton::clicked, this, &PathmapWindow::importPicture);
    connect(brushTool_, &QAbstractButton::toggled, canvas_, [this] { canvas_->update(); });
    // Ctrl+Z and Ctrl+Y everywhere, and the platform's own keys besides; each key once, since
    // two shortcuts on one key would both stay silent.
    const auto shortcut = [this](QKeySequence::StandardKey standard, QKeySequence own,
                                 void (PathmapWindow::*command)()) {
        QList<QKeySequence> keys{own};
        for (const QKeySequence& key : QKeySequence::keyBindings(standard))
            if (!keys.contains(key))
                keys.append(key);
        auto* s = new QShortcut(this);
        s->setKeys(keys);
        connect(s, &QShortcut::activated, this, command);
    };
    shortcut(QKeySequence::Undo, QKeySequence(Qt::CTRL | Qt::Key_Z), &PathmapWindow::undo);
    shortcut(QKeySequence::Redo, QKeySequence(Qt::CTRL | Qt::Key_Y), &PathmapWindow::redo);
    updateCommands();
    resize(kShownEdge + 16 + 128, kShownEdge + 220);
}

void PathmapWindow::showPathmap(const QString& fileName, const pm::PathmapView& view,
                                bool withOverview) {
    if (!settleUnsavedStrokes()) {
        appear(fileName_);
        return;
    }
    std::unique_ptr<pm::PathmapEditor> editor;
    try {
        editor = std::make_unique<pm::PathmapEditor>(view.file, view.mapLevelDir, view.addonDir);
    } catch (const std::exception& e) {
        showNote(fileName,
                 QStringLiteral("Kann nicht gezeigt werden: ") + qs(tess::withFullStop(e.what())));
        return;
    }
    editor_ = std::move(editor);
    fileName_ = fileName;
    withOverview_ = withOverview;
    tip_ = qs(view.tip);
    filesNote_.clear();
    pictureStale_ = true;
    stack_->setCurrentWidget(canvas_);
    canvas_->setToolTip(tip_ + QStringLiteral("\nMausrad: zoomen. Mittlere Maustaste oder "
                                              "Leertaste und Ziehen: verschieben."));
    appear(fileName);
    canvas_->openMap();
    updateTexts();
    refreshOriginals();
    canvas_->setFocus();
}

void PathmapWindow::showNote(const QString& fileName, const QString& note) {
    if (!settleUnsavedStrokes()) {
        appear(fileName_);
        return;
    }
    editor_.reset();
    fileName_ = fileName;
    picture_ = QImage();
    pictureStale_ = false;
    filesNote_.clear();
    canvas_->clearMap();
    noteLabel_->setText(note);
    stack_->setCurrentWidget(noteLabel_);
    factsLabel_->setText(fileName);
    lineLabel_->clear();
    lineLabel_->setStyleSheet(QString());
    statusLabel_->clear();
    filesLabel_->clear();
    updateCommands();
    appear(fileName);
}

void PathmapWindow::showWorldPoint(double x, double z) {
    if (!editor_)
        return;
    const pm::Grid& grid = editor_->grid();
    show();
    raise();
    canvas_->centreOn(x / grid.cellSize, z / grid.cellSize, std::max(zoom(), kPointZoom));
    canvas_->mark(x, z);
}

std::optional<QPointF> PathmapWindow::markedPoint() const {
    return canvas_->marked();
}

const QImage& PathmapWindow::picture() const {
    if (pictureStale_ && editor_) {
        const auto& overview = editor_->overview();
        picture_ = imageOf(pm::drawPathmap(editor_->grid(), overview ? &*overview : nullptr,
                                           editor_->spawnCheck()));
    }
    pictureStale_ = false;
    return picture_;
}

QString PathmapWindow::note() const {
    return editor_ ? QString() : noteLabel_->text();
}

QString PathmapWindow::facts() const {
    return factsLabel_->text();
}

QString PathmapWindow::line() const {
    return lineLabel_->text();
}

QString PathmapWindow::status() const {
    return statusLabel_->text();
}

QString PathmapWindow::filesLine() const {
    return filesLabel_->text();
}

QWidget* PathmapWindow::canvas() const {
    return canvas_;
}

double PathmapWindow::zoom() const {
    return canvas_->zoom();
}

QPoint PathmapWindow::pointOfCell(int x, int z) const {
    return canvas_->pointOfCell(x, z);
}

void PathmapWindow::mapChanged(const pm::CellRect& changed) {
    if (!changed.empty()) {
        pictureStale_ = true;
        canvas_->cellsChanged(changed);
    } else {
        canvas_->update();
    }
    updateTexts();
    updateCommands();
}

void PathmapWindow::updateTexts() {
    if (!editor_)
        return;
    QString facts = factsOf(fileName_, editor_->summary());
    if (!withOverview_)
        facts += QStringLiteral(" Kein Übersichtsbild der Karte gefunden "
                                "(Textures\\ingamemap.dds): die Karte auf Grau.");
    factsLabel_->setText(facts);
    if (editor_->hasSpawnPoints()) {
        const pm::SpawnCheck check = editor_->spawnCheck();
        lineLabel_->setText(qs(pm::blockedSpawnLine(check)));
        lineLabel_->setStyleSheet(check.blocked.empty() ? QString()
                                                        : QStringLiteral("color: #A00000;"));
    } else {
        lineLabel_->setText(QStringLiteral("Keine Spawnpunkte des Addons für diese Klasse."));
        lineLabel_->setStyleSheet(QString());
    }
    const QString share =
        percentText(editor_->summary().blockedShare()) + QStringLiteral(" der Karte gesperrt");
    const QString hover = canvas_->hoverText();
    statusLabel_->setText(hover.isEmpty() ? share : hover + QStringLiteral(" · ") + share);

    QString files;
    if (!editor_->editable()) {
        files = QStringLiteral("Gebietskarten werden nur gezeigt: wie das Spiel ihre Gebiete "
                               "zählt, ist nicht bekannt, darum schreibt Tessarine sie nie neu.");
    } else {
        files =
            QStringLiteral("Speichern schreibt nach %1.").arg(shownPath(editor_->places().saveTo));
        if (const auto regions = editor_->regionMap())
            files += QStringLiteral(" %1 bleibt, wie das Spiel sie geschrieben hat.")
                         .arg(qs(tess::fileNamePart(*regions)));
    }
    if (!filesNote_.isEmpty())
        files = filesNote_ + QLatin1Char(' ') + files;
    filesLabel_->setText(files);
}

// The commands the model allows now.
void PathmapWindow::updateCommands() {
    const bool editable = editor_ && editor_->editable();
    brushTool_->setEnabled(editable);
    rectangleTool_->setEnabled(editable);
    brushSize_->setEnabled(editable);
    undoButton_->setEnabled(editable && editor_->edit().canUndo());
    redoButton_->setEnabled(editable && editor_->edit().canRedo());
    saveButton_->setEnabled(editable && editor_->edit().unsaved());
    exportButton_->setEnabled(editable);
    importButton_->setEnabled(editable);
    restoreButton_->setEnabled(editable && originals_);
    QString title = QStringLiteral("Pathmap: ") + fileName_;
    if (editable && editor_->edit().unsaved())
        title += QLatin1Char('*');
    setWindowTitle(title);
}

// Whether kept originals lie beside the saved file: asked when a map opens and after each
// save or restore, not at every stroke.
void PathmapWindow::refreshOriginals() {
    originals_ = false;
    if (editor_ && editor_->editable()) {
        try {
            originals_ = editor_->hasOriginals();
        } catch (const std::exception&) {
            originals_ = false;
        }
    }
    updateCommands();
}

void PathmapWindow::undo() {
    if (editor_ && editor_->editable())
        mapChanged(editor_->edit().undo());
}

void PathmapWindow::redo() {
    if (editor_ && editor_->editable())
        mapChanged(editor_->edit().redo());
}

namespace {

// Writing into the addon is a step in the program folder: under its lock, as every other.
std::optional<tess::ProgramLock> lockFor(const std::string& file) {
    if (!tess::liesBelowGuardedFolder(file))
        return std::nullopt;
    return std::optional<tess::ProgramLock>(std::in_place, tess::programFolder());
}

} // namespace

void PathmapWindow::save() {
    if (!editor_ || !editor_->editable())
        return;
    try {
        const auto lock = lockFor(editor_->places().saveTo);
        const pm::SaveReport report = editor_->save();
        filesNote_ = report.written.empty()
                         ? QStringLiteral("Nichts zu schreiben: die Dateien sind schon so.")
                         : QStringLiteral("Gespeichert: %1.").arg(namesText(report.written));
        if (!report.originalsKept.empty())
            filesNote_ += QStringLiteral(" Die Originale des Spiels liegen daneben: %1.")
                              .arg(namesText(report.originalsKept));
    } catch (const std::exception& e) {
        showError(e);
    }
    updateTexts();
    refreshOriginals();
}

void PathmapWindow::restoreOriginal() {
    if (!editor_ || !editor_->editable())
        return;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pathmap"),
                    QStringLiteral("Die Dateien der Klasse von %1 so zurückholen, wie das Spiel "
                                   "sie geschrieben hat? Alle Striche daran gehen verloren.")
                        .arg(fileName_),
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("restoreQuestion"));
    QPushButton* yes = box.addButton(QStringLiteral("Zurückholen"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() != yes)
        return;
    try {
        const auto lock = lockFor(editor_->places().saveTo);
        const std::vector<std::string> restored = editor_->restoreOriginals();
        filesNote_ = QStringLiteral("Zurückgeholt, wie das Spiel sie geschrieben hat: %1.")
                         .arg(namesText(restored));
    } catch (const std::exception& e) {
        showError(e);
    }
    pictureStale_ = true;
    canvas_->openMap();
    updateTexts();
    refreshOriginals();
}

void PathmapWindow::exportPicture() {
    if (!editor_ || !editor_->editable())
        return;
    const QString chosen = chooseFile(QStringLiteral("Pathmap als Bild exportieren"),
                                      QStringLiteral("PNG-Bilder (*.png)"), true);
    if (chosen.isEmpty())
        return;
    try {
        editor_->exportPicture(str(chosen));
        filesNote_ =
            QStringLiteral("Als Bild exportiert: %1.").arg(QDir::toNativeSeparators(chosen));
    } catch (const std::exception& e) {
        showError(e);
    }
    updateTexts();
}

void PathmapWindow::importPicture() {
    if (!editor_ || !editor_->editable())
        return;
    const QString chosen = chooseFile(QStringLiteral("Bild in die Pathmap importieren"),
                                      QStringLiteral("PNG-Bilder (*.png)"), false);
    if (chosen.isEmpty())
        return;
    try {
        const pm::CellRect changed = editor_->importPicture(str(chosen));
        filesNote_ = QStringLiteral("Bild importiert: %1 (mit Rückgängig zurückzunehmen; "
                                    "Speichern schreibt es).")
                         .arg(QDir::toNativeSeparators(chosen));
        mapChanged(changed);
    } catch (const std::exception& e) {
        showError(e);
        updateTexts();
    }
}

QString PathmapWindow::chooseFile(const QString& caption, const QString& filter, bool forSaving) {
    if (chooseFile_)
        return chooseFile_(caption, filter, forSaving);
    const QString stem =
        qs(tess::fileNamePart(editor_->places().saveTo)).section(QLatin1Char('.'), 0, 0);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return forSaving ? QFileDialog::getSaveFileName(
                           this, caption, folder + QLatin1Char('/') + stem + QStringLiteral(".png"),
                           filter)
                     : QFileDialog::getOpenFileName(this, caption, folder, filter);
}

void PathmapWindow::showError(const std::exception& error) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Pathmap"),
                    qs(tess::withFullStop(error.what())), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("errorBox"));
    box.exec();
}

bool PathmapWindow::settleUnsavedStrokes() {
    if (!editor_ || !editor_->editable() || !editor_->edit().unsaved())
        return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pathmap"),
                    QStringLiteral("Die Pathmap %1 hat ungespeicherte Striche. Sollen sie "
                                   "gespeichert werden?")
                        .arg(fileName_),
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("unsavedQuestion"));
    QPushButton* saveIt = box.addButton(QStringLiteral("Speichern"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("Verwerfen"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(saveIt);
    box.setEscapeButton(cancel);
    show();
    raise();
    box.exec();
    if (box.clickedButton() == discard) {
        // Forgotten: the map is read afresh when it is shown again.
        editor_.reset();
        picture_ = QImage();
        pictureStale_ = false;
        canvas_->clearMap();
        updateCommands();
        return true;
    }
    if (box.clickedButton() != saveIt)
        return false;
    save();
    return !editor_->edit().unsaved();
}

void PathmapWindow::closeEvent(QCloseEvent* event) {
    if (!settleUnsavedStrokes()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

bool PathmapWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_ && event->type() == QEvent::Close && !settleUnsavedStrokes()) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PathmapWindow::appear(const QString& fileName) {
    fileName_ = fileName;
    updateCommands();
    placeBesideParent();
    show();
    raise();
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
