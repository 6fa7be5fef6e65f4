#include "packing/pack_state.h"

#include "core/lines.h"

namespace tess::packing {

std::string packStatePath(const std::string& programFolder) {
    return programFolder + "temp\\pathf.bf";
}

void writePackState(const WizardState& state, const std::string& programFolder) {
    saveLines(packStatePath(programFolder),
              {state.levelDir, state.gameDir, state.packTarget, state.mapName});
}

void restorePackState(WizardState& state, const std::string& programFolder) {
    const LineList lines = loadLines(packStatePath(programFolder));
    state.levelDir = lineAt(lines, 0);
    state.gameDir = lineAt(lines, 1);
    state.packTarget = lineAt(lines, 2);
    state.mapName = lineAt(lines, 3);
}

} // namespace tess::packing
