#include "platform/shell.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/files.h"
#include "core/letter_case.h"
#include "core/paths.h"

#include <cerrno>
#include <filesystem>
#include <iostream>
#include <system_error>

namespace fs = std::filesystem;

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

std::string batchLogPath(const std::string& batchPath) {
    const std::string name = fileNamePart(batchPath);
    const std::string ending = name.size() > 4 ? name.substr(name.size() - 4) : std::string();
    if (sameNameIgnoringCase(ending, ".bat") || sameNameIgnoringCase(ending, ".cmd"))
        return batchPath.substr(0, batchPath.size() - 4) + ".log";
    return batchPath + ".log";
}

std::string batchLogFile(const std::string& folder, const std::string& fileName) {
    return folder + batchLogPath(fileName);
}

std::ofstream openBatchLog(const std::string& batchPath) {
    const std::string logPath = batchLogPath(batchPath);
    // A link in the log's place is replaced, not written through.
    const fs::path logFilePath = resolvePath(logPath);
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(logFilePath, ec)))
        fs::remove(logFilePath, ec);
    std::ofstream logFile(logFilePath, std::ios::binary | std::ios::trunc);
    if (!logFile)
        std::cerr << cannotCreate(logPath, systemReason(errno)).what() << '\n';
    return logFile;
}

} // namespace tess
