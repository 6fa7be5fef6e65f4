#include "archive/file_io.h"

#include "core/error.h"
#include "core/paths.h"

#include <cerrno>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace tess::archive {
namespace {

std::FILE* openFile(const std::filesystem::path& path, bool write) {
#ifdef _WIN32
    return ::_wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

int seekTo(std::FILE* file, std::uint64_t offset) {
#ifdef _WIN32
    return ::_fseeki64(file, static_cast<long long>(offset), SEEK_SET);
#else
    return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET);
#endif
}

int errnoOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

} // namespace

InputFile::InputFile(const std::filesystem::path& path) : path_(path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw cannotOpen(pathText(path), systemReason(EISDIR));
    errno = 0;
    file_ = openFile(path, false);
    if (!file_)
        throw cannotOpen(pathText(path), systemReason(errnoOr(ENOENT)));
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        std::fclose(file_);
        throw cannotOpen(pathText(path), ec.message());
    }
    size_ = size;
}

InputFile::~InputFile() {
    if (file_)
        std::fclose(file_);
}

std::size_t InputFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
    if (count == 0)
        return 0;
    if (offset != position_) {
        if (seekTo(file_, offset) != 0)
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

OutputFile::OutputFile(const std::filesystem::path& path, const std::filesystem::path& displayPath)
    : displayPath_(displayPath.empty() ? path : displayPath) {
    errno = 0;
    file_ = openFile(path, true);
    if (!file_)
        fail(errnoOr(EACCES));
}

OutputFile::~OutputFile() {
    if (file_)
        std::fclose(file_);
}

void OutputFile::fail(int error) {
    throw cannotCreate(pathText(displayPath_), systemReason(error));
}

void OutputFile::write(const void* data, std::size_t count) {
    if (count == 0)
        return;
    errno = 0;
    if (std::fwrite(data, 1, count, file_) != count)
        fail(errnoOr(EIO));
    position_ += count;
}

void OutputFile::seek(std::uint64_t offset) {
    if (offset == position_)
        return;
    if (seekTo(file_, offset) != 0)
        fail(errnoOr(EIO));
    position_ = offset;
}

void OutputFile::close(bool sync) {
    std::FILE* file = file_;
    file_ = nullptr;
    errno = 0;
    bool ok = std::fflush(file) == 0;
    int error = ok ? 0 : errnoOr(EIO);
#ifndef _WIN32
    if (ok && sync && ::fsync(::fileno(file)) != 0 && errno != EINVAL) {
        ok = false;
        error = errno;
    }
#else
    (void)sync;
#endif
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = errnoOr(EIO);
    }
    if (!ok)
        fail(error);
}

} // namespace tess::archive
