// A small window of its own beside the main window that shows the pathmap selected in
// FileListBox2: its picture over the level's overview picture with the class's spawn points,
// what kind of map it is, and how many spawn points lie on blocked cells. A file that cannot
// be read gets a short note in place of the picture, never an error box.
#pragma once

#include "pathmaps/picture.h"

#include <QImage>
#include <QString>
#include <QWidget>

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

    QImage picture_;
    QLabel* pictureLabel_ = nullptr;
    QLabel* factsLabel_ = nullptr;
    QLabel* lineLabel_ = nullptr;
    bool placed_ = false;
};
