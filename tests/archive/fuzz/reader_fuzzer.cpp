// Feeds arbitrary bytes to the archive reader as an archive: listing, the name checks and
// reading every entry must end in a tess::Error or in exactly the entry's bytes.
#include "archive/archive.h"
#include "archive/names.h"
#include "archive/reader.h"
#include "core/error.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tess::archive;
    try {
        ArchiveReader reader(memorySource(data, size), "fuzz.rfa");
        (void)formatListing(reader.entries());
        try {
            checkExtractable(reader.entries(), reader.displayName());
        } catch (const tess::Error&) {
        }
        for (const Entry& entry : reader.entries()) {
            std::uint64_t produced = 0;
            try {
                reader.readEntry(entry, [&](const unsigned char*, std::size_t n) {
                    produced += n;
                    if (produced > entry.size)
                        __builtin_trap(); // more bytes than the entry holds
                });
            } catch (const tess::Error&) {
                continue;
            }
            if (produced != entry.size)
                __builtin_trap(); // read "successfully" but short
        }
    } catch (const tess::Error&) {
    }
    return 0;
}
