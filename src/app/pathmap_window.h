// A small window of its own beside the main window that shows the pathmap selected in
// FileListBox2: its picture over the level's overview picture with the class's spawn points,
// what kind of map it is, and how many spawn points lie on blocked cells. A file that cannot
// be read gets a short note in place of the picture, never an error box.
#pragma once

#include "pathmaps/picture.h"

#include <QImage>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <optional>

class QLabel;

class PathmapWindow : public QWidget {
    Q_OBJECT
public:
    // The edge of the shown picture in pixels: a 512 x 512 map pixel for pixel.
    static constexpr int kShownEdge = 512;

    explicit PathmapWindow(QWidget* parent = nullptr);

    // Shows the map; `withOverview` says whether the level's overview picture lies under it.
    void showPathmap(const QString& fileName, const tess::pathmaps::PathmapView& view,
                     bool withOverview);
    // Shows a note in place of the picture.
    void showNote(const QString& fileName, const QString& note);
    // Marks a world point (x along a row, z up the picture) on the map shown, as the addon
    // check's jump to a spawn point: a ring round it, drawn over the picture.
    void showWorldPoint(double x, double z);
    // Where the marked point lies on the shown picture (pixels of its 512 x 512 box, rows from
    // the top); nothing while none is marked.
    std::optional<QPointF> markedPoint() const { return marked_; }

    // The picture as drawn, at its full size (rows from the top); null after a note.
    const QImage& picture() const { return picture_; }
    // The note shown in place of the picture; empty while a picture is shown.
    QString note() const;
    // The texts under the picture: what kind of map it is (or the file's name beside a
    // note), and the spawn-point line.
    QString facts() const;
    QString line() const;

private:
    void appear(const QString& fileName);
    void placeBesideParent();

    void drawShown();

    QImage picture_;
    double worldWidth_ = 0; // the ground the map covers, in world units
    double worldHeight_ = 0;
    std::optional<QPointF> marked_;
    QLabel* pictureLabel_ = nullptr;
    QLabel* factsLabel_ = nullptr;
    QLabel* lineLabel_ = nullptr;
    bool placed_ = false;
};
