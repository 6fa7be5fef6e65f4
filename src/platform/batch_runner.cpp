#include "platform/shell.h"

namespace tess {

void runBatch(const std::string& folder, const std::string& fileName, const LineList& lines) {
    saveLines(folder + fileName, lines);
    openBatch(folder, fileName);
}

} // namespace tess
