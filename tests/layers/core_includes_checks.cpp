// A file of core that includes a header of the addon check, far above it: core's include
// folder holds core alone, so this must not compile (core/files.h, of its own layer, does).
#include "core/files.h"

#include "checks/checks.h"
