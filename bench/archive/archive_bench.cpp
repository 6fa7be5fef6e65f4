// Timing program for the archive tools. bench/archive/run.sh runs each step under
// /usr/bin/time -v beside tar on the same files.
//
//   archive_bench generate DIR            a level folder of about 256 MiB (2,000 files)
//   archive_bench pack DIR NAME ARCHIVE [compress] [THREADS]
//   archive_bench unpack ARCHIVE DEST
//   archive_bench decompress ARCHIVE      every entry to nowhere, on one core
//   archive_bench one-folder DIR [COUNT]  COUNT small entries (default 80,000) in one folder:
//                                         unpacked into DIR, then again over them
#include "archive/archive.h"
#include "archive/reader.h"
#include "core/error.h"
#include "store_archive.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFiles = 2000;
constexpr double kMinSize = 1024;
constexpr double kMaxSize = 4.0 * 1024 * 1024;
constexpr double kTotal = 256.0 * 1024 * 1024;

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// File sizes from 1 KiB to 4 MiB, most of them small, adding up to about 256 MiB: a
// power of a uniform number on a logarithmic scale, the power chosen to hit the total.
std::vector<std::size_t> fileSizes() {
    std::mt19937_64 random(1942);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<double> u(kFiles);
    for (double& x : u)
        x = uniform(random);
    u[0] = 1.0; // one file of 4 MiB
    u[1] = 0.0; // one of 1 KiB
    const auto sizeOf = [](double x, double power) {
        return kMinSize * std::pow(kMaxSize / kMinSize, std::pow(x, power));
    };
    double low = 1.0;
    double high = 64.0;
    for (int step = 0; step < 60; ++step) {
        const double power = (low + high) / 2;
        double total = 0;
        for (const double x : u)
            total += sizeOf(x, power);
        (total > kTotal ? low : high) = power;
    }
    std::vector<std::size_t> sizes;
    for (const double x : u)
        sizes.push_back(static_cast<std::size_t>(sizeOf(x, low)));
    return sizes;
}

// Script text: compresses well, like the game's .con files.
void fillText(std::string& data, std::size_t size, std::mt19937_64& random) {
    static const char* const words[] = {"Object.create",
                                        "Object.absolutePosition",
                                        "ObjectTemplate.setNetworkableInfo",
                                        "rem",
                                        "Game.setTeam",
                                        "SoldierSpawnTemplate",
                                        "include"};
    while (data.size() < size) {
        const auto r = random();
        data += words[r % 7];
        data += ' ';
        data += std::to_string((r >> 8) % 4096) + "." + std::to_string((r >> 20) % 100) + "/" +
                std::to_string((r >> 28) % 200) + "/" + std::to_string((r >> 36) % 4096);
        data += "\r\n";
    }
    data.resize(size);
}

// A height map: smooth 16-bit samples with a little noise, compresses somewhat.
void fillHeights(std::string& data, std::size_t size, std::mt19937_64& random) {
    double height = 20000;
    while (data.size() < size) {
        height += static_cast<double>(random() % 64) - 31.5;
        const auto sample = static_cast<unsigned>(height) & 0xFFF0u;
        data += static_cast<char>(sample & 0xFF);
        data += static_cast<char>(sample >> 8);
    }
    data.resize(size);
}

// Packed textures and sounds: random, does not compress.
void fillNoise(std::string& data, std::size_t size, std::mt19937_64& random) {
    data.resize(size);
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        const auto r = random();
        for (int b = 0; b < 8; ++b)
            data[i + b] = static_cast<char>(r >> (8 * b));
    }
    for (; i < size; ++i)
        data[i] = static_cast<char>(random());
}

int generate(const fs::path& root) {
    const char* const folders[] = {"",           "Init/",           "Conquest/",      "Ctf/",
                                   "GameTypes/", "Textures/",       "Pathfinding/",   "Menu/",
                                   "Objects/",   "Objects/Bunker/", "Objects/Trees/", "Sounds/"};
    std::mt19937_64 random(7);
    std::size_t total = 0;
    const auto sizes = fileSizes();
    std::string data;
    for (int i = 0; i < kFiles; ++i) {
        const std::string folder = folders[(i / 3) % 12];
        std::string name;
        data.clear();
        switch (i % 3) {
        case 0:
            fillText(data, sizes[i], random);
            name = "script" + std::to_string(i) + ".con";
            break;
        case 1:
            fillHeights(data, sizes[i], random);
            name = "Map" + std::to_string(i) + ".raw";
            break;
        default:
            fillNoise(data, sizes[i], random);
            name = "texture_" + std::to_string(i) + ".dds";
            break;
        }
        const fs::path path = root / (folder + name);
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(data.data(), static_cast<std::streamsize>(data.size()));
        total += data.size();
    }
    std::cout << "generated " << kFiles << " files, " << total / (1024.0 * 1024.0) << " MiB in "
              << root.string() << "\n";
    return 0;
}

int pack(const fs::path& dir, const std::string& name, const fs::path& archive, bool compress,
         unsigned threads) {
    const auto start = Clock::now();
    tess::archive::packFolder(dir, name, archive, tess::archive::PackOptions{compress, threads});
    const double s = seconds(start);
    std::cout << "pack " << (compress ? "compressed, threads " + std::to_string(threads) : "store")
              << ": " << s << " s, archive " << fs::file_size(archive) / (1024.0 * 1024.0)
              << " MiB\n";
    return 0;
}

int unpack(const fs::path& archive, const fs::path& dest) {
    const auto start = Clock::now();
    tess::archive::unpackArchive(archive, dest);
    std::cout << "unpack: " << seconds(start) << " s\n";
    return 0;
}

int decompress(const fs::path& archive) {
    tess::archive::ArchiveReader reader(archive);
    std::uint64_t bytes = 0;
    const auto start = Clock::now();
    for (const auto& entry : reader.entries())
        reader.readEntry(entry, [&](const unsigned char*, std::size_t size) { bytes += size; });
    const double s = seconds(start);
    std::cout << "decompress: " << bytes / (1024.0 * 1024.0) << " MiB in " << s
              << " s = " << bytes / s / 1e6 << " MB/s of output\n";
    return 0;
}

// A store archive of `count` entries of a few bytes each, all in one folder.
std::string oneFolderArchive(int count) {
    std::vector<std::pair<std::string, std::string>> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        entries.emplace_back("bf1942/levels/Big/Objects/object" + std::to_string(i) + ".con",
                             "rem " + std::to_string(i) + "\r\n");
    return tess::bench::storeArchive(entries);
}

int oneFolder(const fs::path& dir, int count) {
    fs::create_directories(dir / "dest");
    const fs::path archive = dir / "one-folder.rfa";
    const std::string bytes = oneFolderArchive(count);
    std::ofstream(archive, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    auto start = Clock::now();
    tess::archive::unpackArchive(archive, dir / "dest");
    std::cout << "unpack " << count << " entries into one folder: " << seconds(start) << " s\n";
    start = Clock::now();
    tess::archive::unpackArchive(archive, dir / "dest");
    std::cout << "the same again over the existing files: " << seconds(start) << " s\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 2 && args[0] == "generate")
            return generate(args[1]);
        if (args.size() >= 4 && args[0] == "pack")
            return pack(args[1], args[2], args[3], args.size() > 4 && args[4] == "compress",
                        args.size() > 5 ? static_cast<unsigned>(std::stoul(args[5])) : 0);
        if (args.size() == 3 && args[0] == "unpack")
            return unpack(args[1], args[2]);
        if (args.size() == 2 && args[0] == "decompress")
            return decompress(args[1]);
        if ((args.size() == 2 || args.size() == 3) && args[0] == "one-folder")
            return oneFolder(args[1], args.size() == 3 ? std::stoi(args[2]) : 80000);
    } catch (const tess::Error& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    std::cerr << "usage: archive_bench generate DIR | pack DIR NAME ARCHIVE [compress] [THREADS]"
                 " | unpack ARCHIVE DEST | decompress ARCHIVE | one-folder DIR [COUNT]\n";
    return 2;
}
