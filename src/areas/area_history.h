// What the area editor keeps of its past: the steps that Ctrl+Z takes back and Ctrl+Y does
// again (a new area, an edit, a deletion, a taking in of areas), and the autosave that keeps
// the areas in the program folder after every change (saved_areas.h).
#pragma once

#include "areas/area_script.h"
#include "areas/area_set.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tess::areas {

class AreaEditor; // area_editor.h

// One step of the history: Ctrl+Z takes it back, Ctrl+Y does it again.
struct HistoryStep {
    enum class Kind { added, edited, deleted } kind = Kind::added;
    std::vector<AreaId> ids;                  // added, deleted: the areas
    AreaSet::Removed removed;                 // the areas while they are out of the list
    ConfirmedArea before;                     // edited: the area before and after
    ConfirmedArea after;                      //   (its ticks are not part of the edit)
    OutsideLines outsideBefore, outsideAfter; // added: the lines outside the areas
};

class AreaHistory {
public:
    // A new step, done already: whatever was undone before it cannot be done again.
    void record(HistoryStep step);
    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }
    // Takes the last step done back out of the set; needs canUndo().
    void undo(AreaSet& set);
    // Does the last step undone again; needs canRedo().
    void redo(AreaSet& set);

private:
    std::vector<HistoryStep> steps_;
    std::size_t done_ = 0; // the steps before this one are done, the others undone
};

class AreaAutosave {
public:
    // From now on save() writes savedAreasFile(programFolder, mapName); an empty folder turns
    // the autosave off.
    void enable(std::string programFolder) { folder_ = std::move(programFolder); }
    // The saved file has been loaded into the editor: later saves may replace it.
    void adopt() { earlierSaveKept_ = true; }
    // Saves the editor's areas, or removes the file when it has none. A saved file of an
    // earlier run is first set aside under a dated name (keepEarlierSavedAreas). A failure
    // never throws: its text waits in error().
    void save(const AreaEditor& editor, const std::string& mapName);

    const std::string& folder() const { return folder_; }
    const std::string& error() const { return error_; }
    const std::string& keptEarlierFile() const { return keptEarlierFile_; }

private:
    bool earlierSaveKept_ = false;
    std::string folder_;
    std::string error_;
    std::string keptEarlierFile_;
};

} // namespace tess::areas
