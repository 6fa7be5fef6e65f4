#include "archive/file_io.h"

#include "core/error.h"
#include "core/paths.h"

#include <cerrno>

namespace tess::archive {
namespace {

int errnoOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

} // namespace

InputFile::InputFile(const std::filesystem::path& path) : path_(path) {
    file_ = openRegularFile(path, shownText(pathText(path)), &size_, &identity_);
}

InputFile::~InputFile() {
    if (file_)
        std::fclose(file_);
}

std::size_t InputFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
    if (count == 0)
        return 0;
    if (offset != position_) {
        if (seekOpenFile(file_, offset) != 0)
            throw cannotOpen(pathText(path_), systemReason(errnoOr(EIO)));
        position_ = offset;
    }
    errno = 0;
    const std::size_t got = std::fread(buffer, 1, count, file_);
    position_ += got;
    if (got < count && std::ferror(file_))
        throw cannotOpen(pathText(path_), systemReason(errnoOr(EIO)));
    return got;
}

} // namespace tess::archive
