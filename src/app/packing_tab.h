// What tab "(3) Pathmaps-config + Packing" keeps between its handlers and the ticks of its
// waits: the running wait with its bar and "Abbrechen" button, the controls it blocked, the
// disposal choice of the network merge, the unpack batch that "Map und Addon verbinden" may
// have to wait for, and the folder that FileListBox2 shows.
#pragma once

#include "app/pathmap_window.h"
#include "packing/batch_wait.h"
#include "packing/network_merge.h"
#include "platform/program_lock.h"
#include "platform/shell.h"

#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct PackingTab {
    // The wait that runs, asked once per tick of the timer.
    QTimer timer;
    std::optional<tess::packing::BatchWait> wait;
    QProgressBar* bar = nullptr;
    QPushButton* cancel = nullptr;
    std::function<void(const tess::packing::WaitStatus&)> then;
    // Each control the wait disabled, with its own enabled state from before.
    std::vector<std::pair<QPointer<QWidget>, bool>> blocked;
    // The place of packbar apart from a wait, when it makes room for "Abbrechen".
    QRect packbarPlace;
    // The program folder's lock of the step that waits: let go once the step is done.
    std::optional<tess::ProgramLock> lock;

    tess::packing::DisposalChoice disposal;
    // The file name that the backup dialog fixenpath proposes (set by Image14Click).
    QString fixenpathName;
    // The last unpack batch of "Entpacken".
    tess::BatchProcess netUnpack;

    // The folder whose pathmaps FileListBox2 lists.
    std::string pathmapFolder;
    std::unique_ptr<PathmapWindow> pathmapWindow;
};
