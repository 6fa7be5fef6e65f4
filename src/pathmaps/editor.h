// A pathmap open for retouching, as the pathmap window holds it: the map with its strokes,
// where it was read and where it is saved, the level's overview picture, the spawn points of
// its class and the strategic areas to draw with it, and the files it saves and brings back.
// Widget-free: the window draws from it and turns mouse and keys into calls on it.
#pragma once

#include "areas/level_areas.h"
#include "areas/overview_picture.h"
#include "pathmaps/grid_edit.h"
#include "pathmaps/levels.h"
#include "pathmaps/picture.h"
#include "pathmaps/spawns.h"

#include <optional>
#include <string>
#include <vector>

namespace tess::pathmaps {

// Where a map shown from any folder is read and saved: the addon's copy in its
// `Pathfinding\` folder is the one the final pack takes, so it is read when it is there and
// saved there in any case. Without an addon folder the map is read and saved where it lies.
struct EditPlaces {
    std::string readFrom;
    std::string saveTo;
};
EditPlaces editPlacesOf(const std::string& shownFile, const std::string& addonDir);

class PathmapEditor {
public:
    // Reads the map (a damaged one throws its tess::Error), the overview picture of the map
    // level folder, the spawn points of the class from the addon's `AIPathFinding.con` and
    // the strategic areas of the addon (or else of the map level); folder texts may be
    // empty, and a missing picture, script or area script is no error.
    PathmapEditor(const std::string& shownFile, const std::string& mapLevelDir,
                  const std::string& addonDir);

    const EditPlaces& places() const { return places_; }
    const std::string& className() const { return className_; }
    GridEdit& edit() { return edit_; }
    const GridEdit& edit() const { return edit_; }
    const Grid& grid() const { return edit_.grid(); }
    // Region maps are shown, never changed.
    bool editable() const { return grid().kind != Kind::regions; }

    const std::optional<areas::RgbaPicture>& overview() const { return overview_; }
    bool hasSpawnPoints() const { return hasSpawnPoints_; }
    // The spawn points on the map as it is now.
    SpawnCheck spawnCheck() const { return checkSpawnPoints(grid(), spawnPoints_); }
    const std::vector<areas::LevelArea>& areas() const { return areas_; }
    PathmapSummary summary() const;

    // The region map beside the saved file, which a save leaves as it is.
    std::optional<std::string> regionMap() const { return regionMapBeside(places_.saveTo); }

    // Saves the map and the other maps of its class beside the saved file (see
    // saveMapWithLevels), making the addon's `Pathfinding\` folder when it is missing.
    SaveReport save();
    // The game's versions of the class's files are kept beside them.
    bool hasOriginals() const { return !keptOriginals(places_.saveTo).empty(); }
    // Puts them back and reads the map again; the strokes are gone.
    std::vector<std::string> restoreOriginals();

    // The map as a picture for an image editor, and a picture brought back from one as one
    // step that can be undone (see encodeMapPicture, decodeMapPicture). A refused picture
    // changes nothing; a picture is never written over a file of the map's class.
    void exportPicture(const std::string& pngPath) const;
    CellRect importPicture(const std::string& pngPath);

private:
    EditPlaces places_;
    std::string className_;
    GridEdit edit_;
    std::optional<areas::RgbaPicture> overview_;
    bool hasSpawnPoints_ = false;
    std::vector<SpawnPoint> spawnPoints_;
    std::vector<areas::LevelArea> areas_;
};

} // namespace tess::pathmaps
