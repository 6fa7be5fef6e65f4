#include "platform/shell.h"

namespace tess {

BatchProcess runBatch(const std::string& folder, const std::string& fileName,
                      const LineList& lines) {
    saveLines(folder + fileName, lines);
    return openBatch(folder, fileName);
}

} // namespace tess
