// "Addon prüfen" on tab 3: the check of the whole addon in its own window, and the jump from
// a finding to its place: an area or a control point on tab 2's picture, a spawn point or a
// pathmap in the pathmap window, a script in the review editor of tab 1. Nothing here writes
// a file.
#include "app/area_picture.h"
#include "app/areas_tab.h"
#include "app/check_dialog.h"
#include "app/packing_tab.h"
#include "app/qt_text.h"
#include "app/tform1.h"
#include "areas/area_file.h"
#include "areas/coordinates.h"
#include "areas/level_takeover.h"
#include "checks/targets.h"
#include "core/error.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "packing/pathmaps.h"
#include "pathmaps/picture.h"
#include "platform/program_folder.h"
#include "platform/program_lock.h"
#include "scripts/review_editor.h"
#include "ui_mainwindow.h"

#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <filesystem>

using tess::app::qs;
using tess::areas::Command;
using tess::areas::takeOverLevelAreasOf;
using tess::checks::Finding;
using tess::checks::Place;

void TForm1::updateCheckButton() {
    std::error_code ec;
    ui_->checkButton->setEnabled(
        !wizard_.levelDir.empty() &&
        std::filesystem::is_directory(tess::resolvePath(wizard_.levelDir), ec));
}

void TForm1::checkButtonClick() {
    guarded([this] {
        if (!checkDialog_) {
            checkDialog_ = std::make_unique<CheckDialog>(this);
            connect(checkDialog_.get(), &CheckDialog::placeRequested, this,
                    [this](const Finding& finding) { showFindingPlace(finding); });
            connect(checkDialog_.get(), &CheckDialog::failed, this,
                    [this](const QString& message) { showError(message); });
            connect(checkDialog_.get(), &CheckDialog::aiScriptRequested, this,
                    [this] { rewriteAiScript(); });
        }
        checkDialog_->check(tess::checks::targetOfState(wizard_, tess::programFolder()));
    });
}

// "ai.con neu schreiben": the addon's AI start script as Start writes it, under the program
// folder's lock, and the addon checked again.
void TForm1::rewriteAiScript() {
    guarded([this] {
        {
            const tess::ProgramLock lock(tess::programFolder());
            tess::packing::restoreAiStartScript(checkDialog_->target().addonFolder,
                                                checkDialog_->report().worldSize);
        }
        checkDialog_->check(checkDialog_->target());
    });
}

namespace {

// The review list's entry of an addon file; -1 when the list has none.
int reviewEntryOf(const std::string& file) {
    const auto& entries = tess::scripts::kReviewEntries;
    const auto found = std::find_if(entries.begin(), entries.end(), [&](std::string_view entry) {
        return tess::sameNameIgnoringCase(entry, file);
    });
    return found == entries.end() ? -1 : static_cast<int>(found - entries.begin());
}

} // namespace

// After a restart Start has not opened tab 2: it opens now on the level's overview picture with
// the addon's areas, read from its script as "Vorhandene Areas übernehmen" reads a level's, so
// that the finding's place shows among them and the areas can be mended at once.
void TForm1::openAreasTabAfterRestart(std::int32_t worldSize) {
    if (wizard_.worldScale <= 0) {
        wizard_.worldSize = worldSize;
        wizard_.worldScale = worldSize / 512;
    }
    if (wizard_.mapLevelDir.empty())
        wizard_.mapLevelDir = tess::packing::pictureLevelFolder(wizard_, tess::programFolder());
    if (areasTab_->editor().confirmedAreas().empty() &&
        areasTab_->editor().isEnabled(Command::importAreas)) {
        try {
            areasTab_->editor().importAreas(
                takeOverLevelAreasOf(wizard_.levelDir, wizard_.worldSize, wizard_.worldScale)
                    .areas);
        } catch (const tess::Error&) {
            // An addon without readable areas: the picture alone, and the finding says why.
        }
    }
    ui_->t3->setEnabled(true);
    areasTabEnabled();
}

void TForm1::showFindingPlace(const Finding& finding) {
    guarded([this, &finding] {
        const Place& place = finding.place;
        switch (place.kind) {
        case Place::Kind::none:
            return;
        case Place::Kind::script: {
            const int entry = reviewEntryOf(place.file);
            if (entry < 0)
                return;
            // After a restart the review list is still empty: it gets its entries, and the
            // editor becomes usable, so that the script can be mended at once.
            if (ui_->ListBox1->count() == 0)
                for (const auto name : tess::scripts::kReviewEntries)
                    ui_->ListBox1->addItem(qs(name));
            ui_->GroupBox9->setEnabled(true);
            ui_->ListBox1->setEnabled(true);
            ui_->Memo6->setEnabled(true);
            ui_->PageControl1->setCurrentWidget(ui_->t1);
            {
                const QSignalBlocker quiet(ui_->ListBox1);
                ui_->ListBox1->setCurrentRow(entry);
            }
            ListBox1Click();
            if (place.line > 0) {
                QTextCursor cursor(ui_->Memo6->document()->findBlockByNumber(place.line - 1));
                cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
                ui_->Memo6->setTextCursor(cursor);
                ui_->Memo6->centerCursor();
            }
            return;
        }
        case Place::Kind::area:
        case Place::Kind::point: {
            const std::int32_t worldSize = checkDialog_ && checkDialog_->report().worldSize > 0
                                               ? checkDialog_->report().worldSize
                                               : wizard_.worldSize;
            if (worldSize < 512)
                return;
            const std::int32_t scale = worldSize / 512;
            const auto a = tess::areas::worldToPixel(place.x1, place.z1, worldSize, scale);
            const auto b = place.kind == Place::Kind::area
                               ? tess::areas::worldToPixel(place.x2, place.z2, worldSize, scale)
                               : a;
            if (!ui_->t3->isEnabled())
                openAreasTabAfterRestart(worldSize);
            ui_->e->setMark(PictureMark{std::min(a.left, b.left), std::min(a.top, b.top),
                                        std::max(a.left, b.left), std::max(a.top, b.top)});
            ui_->PageControl1->setCurrentWidget(ui_->t3);
            return;
        }
        case Place::Kind::spawnPoint:
        case Place::Kind::pathmap: {
            PackingTab& tab = *packing_;
            if (!tab.pathmapWindow)
                tab.pathmapWindow = std::make_unique<PathmapWindow>(this);
            const QString name = qs(tess::fileNamePart(place.file));
            try {
                const std::string levelFolder =
                    tess::packing::pictureLevelFolder(wizard_, tess::programFolder());
                const tess::pathmaps::PathmapView view = tess::pathmaps::viewPathmap(
                    wizard_.levelDir + place.file, levelFolder, wizard_.levelDir);
                tab.pathmapWindow->showPathmap(name, view, !levelFolder.empty());
                if (place.kind == Place::Kind::spawnPoint)
                    tab.pathmapWindow->showWorldPoint(place.x1, place.z1);
            } catch (const std::exception& e) {
                tab.pathmapWindow->showNote(name, QStringLiteral("Kann nicht gezeigt werden: ") +
                                                      qs(tess::withFullStop(e.what())));
            }
            return;
        }
        }
    });
}
