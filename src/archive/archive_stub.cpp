#include "archive/archive.h"

#include "core/error.h"

namespace tess::archive {

namespace {
Error notAvailable() { return Error("Das Archivwerkzeug ist nicht verfügbar"); }
} // namespace

std::vector<Entry> listArchive(const std::filesystem::path&) { throw notAvailable(); }

void unpackArchive(const std::filesystem::path&, const std::filesystem::path&, const Progress&) {
    throw notAvailable();
}

void packFolder(const std::filesystem::path&, const std::string&, const std::filesystem::path&,
                bool, const Progress&) {
    throw notAvailable();
}

} // namespace tess::archive
