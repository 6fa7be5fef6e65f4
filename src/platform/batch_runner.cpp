#include "platform/shell.h"

#include "batch/interpreter.h"
#include "core/codepage.h"
#include "core/files.h"

namespace tess {

std::string batchFileBytes(const LineList& lines) {
    return encodeBatchText(joinLinesCrLf(lines));
}

void saveBatchFile(const std::string& path, const LineList& lines) {
    writeFileAtomically(path, batchFileBytes(lines));
}

BatchProcess runBatch(const std::string& folder, const std::string& fileName,
                      const LineList& lines) {
    saveBatchFile(folder + fileName, lines);
    return openBatch(folder, fileName);
}

std::string batchLogFile(const std::string& folder, const std::string& fileName) {
    return folder + batch::batchLogPath(fileName);
}

} // namespace tess
