// A window of its own beside the main window that shows the pathmap selected in FileListBox2
// over the level's overview picture, with the class's spawn points and the strategic areas,
// and lets the user retouch it: zoom and pan, a round brush and a rectangle that block (left
// button) or free (right button) cells, undo and redo, "Speichern" into the addon's
// `Pathfinding\` folder with the coarser levels of the class, the game's original brought
// back, and the map through any image editor as a picture. The map and its strokes are a model
// of pathmaps/ (PathmapEditor); the window draws it and turns mouse and keys into calls on it.
// A file that cannot be read gets a short note in place of the picture, never an error box.
#pragma once

#include "pathmaps/editor.h"
#include "pathmaps/map_terrain.h"
#include "pathmaps/map_view.h"
#include "pathmaps/picture.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLayout;
class QToolButton;
class QSpinBox;
class QStackedWidget;
class PathmapCanvas;

class PathmapWindow : public QWidget {
    Q_OBJECT
public:
    // The edge of the picture when the window opens: a 512 x 512 map pixel for pixel.
    static constexpr int kShownEdge = 512;
    // The closest zoom, in screen pixels per cell.
    static constexpr double kClosestZoom = tess::pathmaps::MapView::kClosestZoom;
    // The zoom of showWorldPoint when the view is farther out: single cells plainly apart.
    static constexpr double kPointZoom = 8.0;

    explicit PathmapWindow(QWidget* parent = nullptr);
    ~PathmapWindow() override;

    // Opens the map for retouching; `withOverview` says whether the level's overview picture
    // lies under it. Unsaved strokes on the map shown before are first asked about; when the
    // user cancels, that map stays.
    void showPathmap(const QString& fileName, const tess::pathmaps::PathmapView& view,
                     bool withOverview);
    // Shows a note in place of the picture (after the same question).
    void showNote(const QString& fileName, const QString& note);
    // Centres the view on this world point (x along a row, z from the first row) at a zoom
    // where single cells are visible, and marks it.
    void showWorldPoint(double x, double z);
    // The world point marked by showWorldPoint; nothing while none is marked.
    std::optional<QPointF> markedPoint() const;

    // The map as drawn at its full size (rows from the top), with the strokes so far; null
    // after a note.
    const QImage& picture() const;
    // The note shown in place of the picture; empty while a map is shown.
    QString note() const;
    // The texts under the picture: what kind of map it is (or the file's name beside a
    // note), the spawn-point line, the status line (the cell under the mouse and the blocked
    // share) and the line about the files a save writes.
    QString facts() const;
    QString line() const;
    QString status() const;
    QString filesLine() const;

    // The map open for retouching; null after a note.
    const tess::pathmaps::PathmapEditor* editor() const { return editor_.get(); }
    // The layers of the terrain's verdicts shown over the map (the flags of
    // tess::pathmaps::TerrainVerdicts), and the verdicts on the map's cells: judged the first
    // time they are needed, null where the terrain cannot judge the map.
    std::uint8_t shownLayers() const;
    const tess::pathmaps::TerrainVerdicts* verdicts();
    // The drawing surface, the zoom in screen pixels per cell, and where the centre of a
    // cell lies on the surface.
    QWidget* canvas() const;
    double zoom() const;
    QPoint pointOfCell(int x, int z) const;

    // The file dialogs, as the tests answer them: the dialog's caption, its filter and
    // whether a file is to be written; an empty answer is a cancelled dialog.
    using FileChooser =
        std::function<QString(const QString& caption, const QString& filter, bool forSaving)>;
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class PathmapCanvas;

    void buildControls();
    QToolButton* toolButton(const char* name, const QString& caption, const QString& tip);
    void appear(const QString& fileName);
    void placeBesideParent();
    // Unsaved strokes: asks whether to save them; false when the user cancels (or the save
    // fails), so that what was asked for does not happen.
    bool settleUnsavedStrokes();
    void showError(const std::exception& error);
    QString chooseFile(const QString& caption, const QString& filter, bool forSaving);

    // After every change of the map: the texts, the enabled commands and the picture.
    void mapChanged(const tess::pathmaps::CellRect& changed);
    void updateTexts();
    void updateCommands();
    void refreshOriginals();

    void undo();
    void redo();
    void save();
    void restoreOriginal();
    void exportPicture();
    void importPicture();

    // The terrain under the map (pathmap_window_terrain.cpp): its controls, what they are
    // enabled for, the ground in the status line, and the class's map drafted from it.
    QLayout* buildTerrainControls();
    void updateTerrainCommands();
    QString groundText() const;
    void layersToggled();
    void draftFromTerrain();

    std::unique_ptr<tess::pathmaps::PathmapEditor> editor_;
    QString fileName_;
    bool withOverview_ = false;
    QString tip_;
    QString filesNote_;
    bool originals_ = false;
    mutable QImage picture_;
    mutable bool pictureStale_ = true;
    FileChooser chooseFile_;

    QStackedWidget* stack_ = nullptr;
    PathmapCanvas* canvas_ = nullptr;
    QLabel* noteLabel_ = nullptr;
    QLabel* factsLabel_ = nullptr;
    QLabel* lineLabel_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* filesLabel_ = nullptr;
    QAbstractButton* brushTool_ = nullptr;
    QAbstractButton* rectangleTool_ = nullptr;
    QSpinBox* brushSize_ = nullptr;
    QAbstractButton* undoButton_ = nullptr;
    QAbstractButton* redoButton_ = nullptr;
    QAbstractButton* saveButton_ = nullptr;
    QAbstractButton* restoreButton_ = nullptr;
    QAbstractButton* exportButton_ = nullptr;
    QAbstractButton* importButton_ = nullptr;
    std::unique_ptr<tess::pathmaps::MapTerrain> terrain_;
    QCheckBox* waterLayer_ = nullptr;
    QCheckBox* steepLayer_ = nullptr;
    QCheckBox* outsideLayer_ = nullptr;
    QCheckBox* unreachableLayer_ = nullptr;
    QAbstractButton* terrainTool_ = nullptr;
    QAbstractButton* draftButton_ = nullptr;
    QPointer<QWidget> watchedWindow_;
    bool placed_ = false;
};
