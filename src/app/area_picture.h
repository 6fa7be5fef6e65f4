// The map picture `e` of tab "(2) Areas": its background stretched to 512 x 512, the outlines
// of the confirmed areas with their names (the selected one highlighted, one whose name must
// change in its own colour), dashed, the level's own areas as a guide, and the control points
// of the level's Conquest mode as small flags in their team's colour. The cursor pictures lie
// above it as widgets of their own; a left click on the picture reports the pixel, so that the
// tab can place the active marker there or select the area.
#pragma once

#include <QColor>
#include <QLabel>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// An outline on the picture: left, top, right and bottom pixel (not confined to the
// picture), and the area's name.
struct PictureOutline {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    QString name;
    bool selected = false;
    bool nameToChange = false;
};

// A control point on the picture: where its flag stands, its team and its name.
struct PictureFlag {
    QPoint at;
    int team = 0; // 1, 2, or anything else for a neutral point
    QString name;
};

// A place shown highlighted on the picture, apart from the editor's own state: an area
// (left, top, right, bottom) or a point (left, top; right and bottom equal to them).
struct PictureMark {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool isPoint() const { return left == right && top == bottom; }
};

class AreaPicture : public QLabel {
    Q_OBJECT
public:
    explicit AreaPicture(QWidget* parent = nullptr);

    // The colours the outlines are drawn in: the user's areas solid, the level's own dashed.
    static QColor areaColour() { return {255, 255, 0}; }
    static QColor guideColour() { return {0, 255, 255}; }
    static QColor selectedColour() { return {255, 255, 255}; }
    static QColor nameToChangeColour() { return {255, 128, 0}; }
    // A control point's flag: team 1 red, team 2 blue, any other white.
    static QColor teamColour(int team);
    static QColor markColour() { return {255, 0, 255}; }

    void setAreaOutlines(std::vector<PictureOutline> outlines);
    void setGuideOutlines(std::vector<PictureOutline> outlines);
    const std::vector<PictureOutline>& guideOutlines() const { return guides_; }
    void setGuidesShown(bool shown);
    void setControlPoints(std::vector<PictureFlag> flags);
    const std::vector<PictureFlag>& controlPoints() const { return flags_; }
    bool guidesShown() const { return guidesShown_; }
    // The place the addon check points to, drawn over everything else; nothing removes it.
    void setMark(std::optional<PictureMark> mark);
    const std::optional<PictureMark>& mark() const { return mark_; }
    // Where the names of the outlines stood when the picture was last painted: each wholly
    // inside the picture, none over another.
    const std::vector<QRect>& nameTags() const { return nameTags_; }

signals:
    // The left mouse button went down on the picture, at this pixel.
    void pressed(QPoint pixel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::vector<PictureOutline> areas_;
    std::vector<PictureOutline> guides_;
    std::vector<PictureFlag> flags_;
    bool guidesShown_ = true;
    std::optional<PictureMark> mark_;
    std::vector<QRect> nameTags_;
};
