// Helpers shared by the tests, one header a subject under support/: temporary folders and
// files, child processes, the program-folder fixture, archives made by hand and, for the
// window's tests, dialogs answered as a user would.
#pragma once

#include "support/archives.h"
#include "support/files.h"
#include "support/processes.h"
#include "support/program_folder.h"
#ifdef QT_WIDGETS_LIB
#include "support/window.h"
#endif
