// A store archive made in memory, for the benchmarks that need one far larger than a packer run
// would make in reasonable time: a header, the entries' bytes one after the other, and the
// directory.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tess::bench {

// The archive of the entries (stored name, bytes), in that order.
inline std::string storeArchive(const std::vector<std::pair<std::string, std::string>>& entries) {
    const auto le32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    };
    std::string body(156, '\0');
    std::string directory = le32(static_cast<std::uint32_t>(entries.size()));
    for (const auto& [name, data] : entries) {
        const auto offset = static_cast<std::uint32_t>(body.size());
        body += data;
        directory += le32(static_cast<std::uint32_t>(name.size())) + name +
                     le32(static_cast<std::uint32_t>(data.size())) +
                     le32(static_cast<std::uint32_t>(data.size())) + le32(offset) + le32(1253856) +
                     le32(0) + le32(0);
    }
    directory += le32(0);
    body.replace(0, 4, le32(static_cast<std::uint32_t>(body.size())));
    return body + directory;
}

} // namespace tess::bench
