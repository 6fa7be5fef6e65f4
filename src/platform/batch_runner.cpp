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
    const fs::path logFilePath = resolvePath(logPath);
    std::ofstream logFile;
    // An earlier log is emptied in place (a terminal may follow it); anything else there is
    // first made a new empty file by the atomic save, which replaces a link and refuses what
    // may not be replaced (a folder, or a pipe that would keep the batch waiting for a reader).
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(logFilePath, ec))) {
        try {
            writeFileAtomically(logPath, "");
        } catch (const Error& e) {
            std::cerr << e.what() << '\n';
            return logFile;
        }
    }
    logFile.open(logFilePath, std::ios::binary | std::ios::trunc);
    if (!logFile)
        std::cerr << cannotCreate(logPath, systemReason(errno)).what() << '\n';
    return logFile;
}

} // namespace tess
