#include "app/area_picture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPolygon>

#include <algorithm>
#include <utility>

namespace {

// Outlines may lie far off the picture; they are drawn clipped to a margin round it, so
// that the painter never sees coordinates it cannot handle.
constexpr int kClipMargin = 16;

int clipped(std::int32_t coordinate, int edge) {
    return std::clamp<std::int32_t>(coordinate, -kClipMargin, edge + kClipMargin);
}

// A name readable on any background: coloured text on a small dark tag, whose rectangle is
// the tag's and whose baseline starts where the text does.
struct NameTag {
    QRect rect;
    QPoint baseline;
    void moveTo(QPoint topLeft) {
        baseline += topLeft - rect.topLeft();
        rect.moveTopLeft(topLeft);
    }
};

// The tag of a name written from `baseline`, moved wholly into the picture.
NameTag tagInPicture(const QPainter& painter, QPoint baseline, const QString& name, QSize size) {
    NameTag tag{painter.fontMetrics().boundingRect(name).translated(baseline).adjusted(-2, 0, 2, 1),
                baseline};
    tag.moveTo({std::clamp(tag.rect.left(), 0, std::max(0, size.width() - tag.rect.width())),
                std::clamp(tag.rect.top(), 0, std::max(0, size.height() - tag.rect.height()))});
    return tag;
}

void drawName(QPainter& painter, const NameTag& tag, const QString& name, const QColor& colour) {
    painter.fillRect(tag.rect, QColor(0, 0, 0, 150));
    painter.setPen(colour);
    painter.drawText(tag.baseline, name);
}

// An area's name inside the top left corner of its outline, wholly inside the picture, and
// below the names already there that it would cover, so that areas at the picture's edge and
// areas that share a corner keep their names readable.
void drawAreaName(QPainter& painter, QPoint corner, const QString& name, const QColor& colour,
                  QSize size, std::vector<QRect>& drawn) {
    NameTag tag =
        tagInPicture(painter, corner + QPoint(3, painter.fontMetrics().ascent() + 2), name, size);
    const NameTag inside = tag;
    for (auto other = drawn.begin(); other != drawn.end();) {
        if (!other->intersects(tag.rect)) {
            ++other;
            continue;
        }
        if (other->bottom() + tag.rect.height() >= size.height()) {
            tag = inside; // no room below: it stays in its corner
            break;
        }
        tag.moveTo({tag.rect.left(), other->bottom() + 1});
        other = drawn.begin();
    }
    drawn.push_back(tag.rect);
    drawName(painter, tag, name, colour);
}

void drawOutlines(QPainter& painter, const std::vector<PictureOutline>& outlines,
                  const QColor& colour, Qt::PenStyle style, QSize size, std::vector<QRect>& names) {
    QPen pen(colour);
    pen.setWidth(1);
    pen.setStyle(style);
    // A faint dark band on both sides of the line keeps it visible on pale maps too; its
    // dashes (in units of its width of 3) fall on those of the line.
    QPen halo(QColor(0, 0, 0, 110));
    halo.setWidth(3);
    halo.setCapStyle(Qt::FlatCap);
    halo.setJoinStyle(Qt::MiterJoin);
    if (style == Qt::DashLine)
        halo.setDashPattern({4.0 / 3, 2.0 / 3});
    for (const PictureOutline& outline : outlines) {
        const int left = clipped(outline.left, size.width());
        const int top = clipped(outline.top, size.height());
        const int right = clipped(outline.right, size.width());
        const int bottom = clipped(outline.bottom, size.height());
        const QColor shown = outline.selected       ? AreaPicture::selectedColour()
                             : outline.nameToChange ? AreaPicture::nameToChangeColour()
                                                    : colour;
        painter.setPen(halo);
        painter.drawRect(left, top, right - left, bottom - top);
        QPen own = pen;
        own.setColor(shown);
        painter.setPen(own);
        // A one-pixel pen draws the rectangle's edges on the pixels left..right and
        // top..bottom, where the frame bars of "Area fertigstellen" stood.
        painter.drawRect(left, top, right - left, bottom - top);
        if (outline.selected) // a second line inside marks the selected area
            painter.drawRect(left + 1, top + 1, right - left - 2, bottom - top - 2);
        if (!outline.name.isEmpty())
            drawAreaName(painter, QPoint(left, top), outline.name, shown, size, names);
    }
}

// The tags of the control points' names beside their flags, inside the picture.
std::vector<NameTag> flagNameTags(const QPainter& painter, const std::vector<PictureFlag>& flags,
                                  QSize size) {
    std::vector<NameTag> tags;
    tags.reserve(flags.size());
    for (const PictureFlag& flag : flags)
        tags.push_back(tagInPicture(painter, flag.at + QPoint(11, -4), flag.name, size));
    return tags;
}

// A small flag on a pole whose foot stands on the control point, its name beside it.
void drawFlags(QPainter& painter, const std::vector<PictureFlag>& flags,
               const std::vector<NameTag>& names) {
    for (std::size_t i = 0; i < flags.size(); ++i) {
        const PictureFlag& flag = flags[i];
        const QPoint foot = flag.at;
        const QPoint top = foot - QPoint(0, 12);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawLine(foot, top);
        const QPolygon cloth({top, top + QPoint(9, 3), top + QPoint(0, 6)});
        painter.setBrush(AreaPicture::teamColour(flag.team));
        painter.drawPolygon(cloth);
        painter.setBrush(Qt::NoBrush);
        drawName(painter, names[i], flag.name, AreaPicture::teamColour(flag.team));
    }
}

// The marked place: a thick frame round an area, rings round a point, on a dark band.
void drawMark(QPainter& painter, const PictureMark& mark, QSize size) {
    const int left = clipped(mark.left, size.width());
    const int top = clipped(mark.top, size.height());
    const int right = clipped(mark.right, size.width());
    const int bottom = clipped(mark.bottom, size.height());
    painter.setRenderHint(QPainter::Antialiasing);
    for (const auto& [colour, width] :
         {std::pair{QColor(0, 0, 0, 160), 5}, {AreaPicture::markColour(), 3}}) {
        painter.setPen(QPen(colour, width));
        if (mark.isPoint()) {
            painter.drawEllipse(QPoint(left, top), 8, 8);
            painter.drawEllipse(QPoint(left, top), 2, 2);
        } else {
            painter.drawRect(left - 2, top - 2, right - left + 4, bottom - top + 4);
        }
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
}

} // namespace

AreaPicture::AreaPicture(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::CrossCursor);
    // A click on the picture takes the focus from a text field, so that the movement keys
    // act again.
    setFocusPolicy(Qt::ClickFocus);
}

QColor AreaPicture::teamColour(int team) {
    switch (team) {
    case 1:
        return {230, 50, 50};
    case 2:
        return {70, 120, 240};
    default:
        return {240, 240, 240};
    }
}

void AreaPicture::setControlPoints(std::vector<PictureFlag> flags) {
    flags_ = std::move(flags);
    update();
}

void AreaPicture::setAreaOutlines(std::vector<PictureOutline> outlines) {
    areas_ = std::move(outlines);
    update();
}

void AreaPicture::setGuideOutlines(std::vector<PictureOutline> outlines) {
    guides_ = std::move(outlines);
    update();
}

void AreaPicture::setGuidesShown(bool shown) {
    guidesShown_ = shown;
    update();
}

void AreaPicture::setMark(std::optional<PictureMark> mark) {
    mark_ = mark;
    update();
}

void AreaPicture::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    QPainter painter(this);
    painter.setFont(font());
    // The control points' names keep their places beside their flags; the areas' names make
    // way for them.
    const std::vector<NameTag> flagNames = flagNameTags(painter, flags_, size());
    nameTags_.clear();
    for (const NameTag& tag : flagNames)
        nameTags_.push_back(tag.rect);
    if (guidesShown_)
        drawOutlines(painter, guides_, guideColour(), Qt::DashLine, size(), nameTags_);
    drawOutlines(painter, areas_, areaColour(), Qt::SolidLine, size(), nameTags_);
    drawFlags(painter, flags_, flagNames);
    if (mark_)
        drawMark(painter, *mark_, size());
}

void AreaPicture::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
        emit pressed(event->position().toPoint());
        return;
    }
    QLabel::mousePressEvent(event);
}
