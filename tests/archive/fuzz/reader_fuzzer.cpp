// Feeds arbitrary bytes to the archive reader as an archive: listing, the name checks and
// reading every entry must end in a tess::Error or in exactly the entry's bytes; a listing
// never shows a control character.
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
        // What is shown of a name never carries a control character to the terminal.
        for (const std::string& line : formatListing(reader.entries()))
            for (const char c : line)
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                    __builtin_trap();
        try {
            checkExtractable(reader.entries(), reader.displayName());
            // A name that passes the checks is one the packer would write, and the level
            // filter decides on it without fail.
            for (const Entry& entry : reader.entries()) {
                if (!unsafeNameReason(entry.name).empty())
                    __builtin_trap();
                (void)isUnderLevelsFolder(entry.name);
            }
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
