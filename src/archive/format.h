// Facts of the game's level archive (".rfa"): the fixed header, the entry encodings and the
// values the game's own packer (RFA Pack 1.7) writes. All integers are unsigned 32-bit
// little-endian, with no padding anywhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tess::archive::format {

// tocOffset, version, then the opaque block; the entries' data follows at 156.
constexpr std::size_t kHeaderSize = 156;
constexpr std::size_t kOpaqueOffset = 8;

constexpr std::uint32_t kVersionStore = 0;
constexpr std::uint32_t kVersionCompressed = 1;

// The 148 bytes at offset 8 that RFA Pack 1.7 and the shipped level archives carry.
// Nobody reads them; the game's packer writes exactly these.
constexpr std::array<unsigned char, 148> kOpaqueBlock = {
    0x63, 0xEC, 0x95, 0xBF, 0xFE, 0x7B, 0x09, 0x3C, 0x3A, 0xF0, 0x72, 0xEE, 0xA4, 0x72, 0xE7,
    0xD9, 0x3F, 0xCC, 0x99, 0xC0, 0xD3, 0x71, 0xC1, 0x46, 0x89, 0xBD, 0xD7, 0x53, 0xB5, 0x7E,
    0x05, 0xB9, 0xF3, 0xB3, 0xDB, 0x18, 0x75, 0x94, 0x44, 0xFF, 0x9B, 0xD2, 0xB9, 0x53, 0xC4,
    0x1F, 0xB4, 0xF5, 0x65, 0xF1, 0x68, 0x9F, 0x58, 0x83, 0xAF, 0x0F, 0x76, 0x1D, 0x44, 0x68,
    0x67, 0x96, 0x32, 0xD5, 0xB9, 0x17, 0x8C, 0x6F, 0x30, 0x21, 0x5F, 0x61, 0x5D, 0xD2, 0xE5,
    0x49, 0x72, 0x64, 0xFB, 0xE2, 0x55, 0xF6, 0xD5, 0xE1, 0xF3, 0x8F, 0xF1, 0x1C, 0xD7, 0x60,
    0x49, 0xF1, 0xFB, 0x49, 0xCD, 0xE6, 0xDE, 0x9F, 0x10, 0x8D, 0xD6, 0x2D, 0x42, 0xAB, 0xA8,
    0x78, 0x5E, 0x98, 0x56, 0x48, 0xA4, 0xE9, 0x38, 0x63, 0x4A, 0x4D, 0x4E, 0x9C, 0x6F, 0xB5,
    0xD5, 0x0C, 0x50, 0xB8, 0x18, 0xA0, 0xBE, 0x35, 0x89, 0xD4, 0xD0, 0x3A, 0x10, 0xBD, 0xD5,
    0x24, 0xA3, 0x4D, 0x8C, 0x08, 0x17, 0xD3, 0x98, 0x00, 0x4B, 0xD0, 0x12, 0x48,
};

// Directory entry after the name: storedSize, uncompressedSize, dataOffset, reserved1,
// reserved2, flags. Readers ignore the last three; the game's packer writes these values.
constexpr std::size_t kEntryFixedSize = 24;
constexpr std::uint32_t kReserved1 = 1253856; // 0x001321E0
constexpr std::uint32_t kReserved2 = 0;
constexpr std::uint32_t kFlags = 0;

// A compressed entry: chunk count, {compressedSize, uncompressedSize, offset after the
// table} per chunk, then the chunks' LZO1X streams.
constexpr std::uint32_t kChunkSize = 32768;
constexpr std::size_t kChunkTableEntrySize = 12;

// An empty file in a compressed archive, as the game's packer writes it: one chunk
// {4, 0, 0} with the stream 11 11 00 00. The stream is never decoded (it would not decode).
constexpr std::array<unsigned char, 20> kEmptyCompressedEntry = {
    0x01, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x11, 0x11, 0x00, 0x00,
};

// The demo and console variant of the format starts with this text; the retail game's
// archives never do.
constexpr char kDemoMagic[] = "Refractor2 FlatArchive 1.1  ";

// Limits that keep a damaged or hostile archive from making us allocate what it claims.
// The game's chunks are 32768 bytes; other tools may choose larger ones, never this large.
constexpr std::uint32_t kMaxChunkSize = 1u << 20;
// An LZO1X stream of n bytes never exceeds n + n / 16 + 64 + 3.
constexpr std::uint32_t kMaxCompressedChunkSize = kMaxChunkSize + kMaxChunkSize / 16 + 64 + 3;
// No name the game can open is this long.
constexpr std::uint32_t kMaxNameLength = 4096;

inline std::uint32_t readLe32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline void writeLe32(unsigned char* p, std::uint32_t value) {
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
    p[2] = static_cast<unsigned char>(value >> 16);
    p[3] = static_cast<unsigned char>(value >> 24);
}

} // namespace tess::archive::format
