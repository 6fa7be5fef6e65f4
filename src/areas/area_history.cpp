#include "areas/area_history.h"

#include "areas/area_editor.h"
#include "areas/saved_areas.h"
#include "core/error.h"

#include <utility>

namespace tess::areas {

void AreaHistory::record(HistoryStep step) {
    steps_.resize(done_);
    steps_.push_back(std::move(step));
    done_ = steps_.size();
}

void AreaHistory::undo(AreaSet& set) {
    HistoryStep& step = steps_[--done_];
    switch (step.kind) {
    case HistoryStep::Kind::added:
        step.removed = set.takeOut({step.ids.begin(), step.ids.end()});
        set.setOutside(step.outsideBefore);
        break;
    case HistoryStep::Kind::edited:
        set.applyEdit(step.before);
        break;
    case HistoryStep::Kind::deleted:
        set.putBack(std::exchange(step.removed, {}));
        break;
    }
}

void AreaHistory::redo(AreaSet& set) {
    HistoryStep& step = steps_[done_++];
    switch (step.kind) {
    case HistoryStep::Kind::added:
        set.putBack(std::exchange(step.removed, {}));
        set.setOutside(step.outsideAfter);
        break;
    case HistoryStep::Kind::edited:
        set.applyEdit(step.after);
        break;
    case HistoryStep::Kind::deleted:
        step.removed = set.takeOut({step.ids.begin(), step.ids.end()});
        break;
    }
}

void AreaAutosave::save(const AreaEditor& editor, const std::string& mapName) {
    if (folder_.empty())
        return;
    try {
        if (!earlierSaveKept_) {
            keptEarlierFile_ = keepEarlierSavedAreas(folder_, mapName);
            earlierSaveKept_ = true;
        }
        if (editor.confirmedAreas().empty())
            removeSavedAreas(folder_, mapName);
        else
            saveAreas(editor, folder_, mapName);
        error_.clear();
    } catch (const Error& e) {
        error_ = e.what();
    }
}

} // namespace tess::areas
