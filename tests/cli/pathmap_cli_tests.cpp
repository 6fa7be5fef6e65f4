// tessarine-cli pathmap --export and --import as a map maker scripts them: a real pathmap of
// Bastogne taken to a picture, edited with libpng as an image editor would, and brought back
// with the coarser levels of its class; and every picture the import refuses.
#include "pathmaps/grid.h"
#include "platform/program_lock.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tess::pathmaps::Grid;
using tess::pathmaps::readPathmap;
using tess::test::cli;
using tess::test::CliResult;
using tess::test::quoted;
using tess::test::readBytes;
using tess::test::TempDir;
using tess::test::writeBytes;

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::uint32_t format = 0;
    std::vector<std::uint8_t> pixels;
};

Picture decode(const std::string& bytes, std::uint32_t format) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return picture;
    picture.format = image.format;
    image.format = format;
    picture.pixels.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr)) {
        picture.width = static_cast<int>(image.width);
        picture.height = static_cast<int>(image.height);
    }
    png_image_free(&image);
    return picture;
}

std::string encode(const Picture& picture) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = picture.format;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, picture.pixels.data(), 0, nullptr);
    std::string bytes(size, '\0');
    png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.pixels.data(), 0, nullptr);
    bytes.resize(size);
    return bytes;
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> filesIn(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = readBytes(entry.path());
    return files;
}

// Bastogne's tank maps, its region map and its class file, writable.
void copyTankClass(const fs::path& to) {
    for (const char* name : {"Tank0Level0Map.raw", "Tank0Level1Map.raw", "Tank0Level2Map.raw",
                             "TankInfo.raw", "Tank.raw"})
        writeBytes(to / name, readBytes(tess::test::testdata("pathmaps/Bastogne/") + name));
}

} // namespace

TEST(PathmapCli, ExportEditInAnImageEditorAndImportWithTheCoarserLevels) {
    TempDir dir;
    copyTankClass(dir.path());
    const std::map<std::string, std::string> game = filesIn(dir.path());
    const Grid before = readPathmap((dir / "Tank0Level0Map.raw").string());

    const CliResult exported = cli("pathmap Tank0Level0Map.raw --export tank.png", dir.path());
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(exported.out.substr(0, 18), "picture: tank.png\n");
    // 8-bit grey, one pixel a cell, north up: the map's last row is the picture's first.
    Picture picture = decode(readBytes(dir / "tank.png"), PNG_FORMAT_GRAY);
    ASSERT_EQ(picture.width, 2048);
    ASSERT_EQ(picture.height, 2048);
    EXPECT_EQ(picture.format, static_cast<std::uint32_t>(PNG_FORMAT_GRAY));
    for (std::size_t i = 0; i < before.cells.size(); i += 997) {
        const int x = static_cast<int>(i % 2048);
        const int z = static_cast<int>(i / 2048);
        ASSERT_EQ(picture.pixels[static_cast<std::size_t>(2047 - z) * 2048 + x],
                  before.blocked(x, z) ? 255 : 0)
            << x << "," << z;
    }

    // Brought back unchanged: not a byte written.
    const CliResult unchanged = cli("pathmap Tank0Level0Map.raw --import tank.png", dir.path());
    ASSERT_EQ(unchanged.exitCode, 0) << unchanged.err;
    EXPECT_NE(unchanged.out.find("written: keine Datei, die Karte ist unverändert\n"
                                 "regions: TankInfo.raw bleibt, wie das Spiel sie geschrieben "
                                 "hat\n"),
              std::string::npos)
        << unchanged.out;
    fs::remove(dir / "tank.png");
    EXPECT_EQ(filesIn(dir.path()), game);

    // Painted in colour: lighter than middle grey is blocked. Each row: a free cell and a
    // blocked one of the map, and the colour given to each.
    struct Paint {
        std::uint8_t r, g, b;
        bool blocked;
    };
    const std::vector<Paint> paints = {{255, 255, 255, true},  {128, 128, 128, true},
                                       {127, 127, 127, false}, {0, 0, 0, false},
                                       {255, 0, 0, false},     {0, 255, 0, true}};
    std::vector<std::size_t> freeCells;
    std::vector<std::size_t> blockedCells;
    for (std::size_t i = 0; freeCells.size() < paints.size(); i += 7)
        if (!before.cells[i])
            freeCells.push_back(i);
    for (std::size_t i = 3; blockedCells.size() < paints.size(); i += 4099)
        if (before.cells[i])
            blockedCells.push_back(i);
    Picture colour;
    colour.width = 2048;
    colour.height = 2048;
    colour.format = PNG_FORMAT_RGB;
    colour.pixels.assign(2048 * 2048 * 3, 0);
    std::vector<std::uint8_t> expected = before.cells;
    for (std::size_t i = 0; i < before.cells.size(); ++i) {
        const std::uint8_t grey = before.cells[i] ? 255 : 0;
        const std::size_t p = ((2047 - i / 2048) * 2048 + i % 2048) * 3;
        colour.pixels[p] = colour.pixels[p + 1] = colour.pixels[p + 2] = grey;
    }
    for (std::size_t k = 0; k < paints.size(); ++k)
        for (std::size_t i : {freeCells[k], blockedCells[k]}) {
            const std::size_t p = ((2047 - i / 2048) * 2048 + i % 2048) * 3;
            colour.pixels[p] = paints[k].r;
            colour.pixels[p + 1] = paints[k].g;
            colour.pixels[p + 2] = paints[k].b;
            expected[i] = paints[k].blocked;
        }
    writeBytes(dir / "edited.png", encode(colour));
    const CliResult imported = cli("pathmap Tank0Level0Map.raw --import edited.png", dir.path());
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    // Level2 cells over the painted ones were blocked before and stay so: it is not written.
    EXPECT_NE(imported.out.find("written: Tank0Level0Map.raw\n"
                                "written: Tank0Level1Map.raw\n"
                                "original: Tank0Level0Map.original.raw\n"
                                "original: Tank0Level1Map.original.raw\n"
                                "regions: "),
              std::string::npos)
        << imported.out;
    EXPECT_TRUE(readPathmap((dir / "Tank0Level0Map.raw").string()).cells == expected);
    for (const char* name : {"Tank0Level0Map", "Tank0Level1Map"})
        EXPECT_TRUE(readBytes(dir / (std::string(name) + ".original.raw")) ==
                    game.at(std::string(name) + ".raw"))
            << name;
    EXPECT_TRUE(readBytes(dir / "Tank0Level2Map.raw") == game.at("Tank0Level2Map.raw"));
    EXPECT_FALSE(fs::exists(dir / "Tank0Level2Map.original.raw"));
    // A coarser cell changes only over a changed cell.
    const Grid level1 = readPathmap((dir / "Tank0Level1Map.raw").string());
    const Grid gameLevel1 = readPathmap((dir / "Tank0Level1Map.original.raw").string());
    for (std::size_t i = 0; i < level1.cells.size(); ++i) {
        if (level1.cells[i] == gameLevel1.cells[i])
            continue;
        const std::size_t x = i % 1024 * 2;
        const std::size_t z = i / 1024 * 2;
        bool changed = false;
        for (std::size_t f :
             {z * 2048 + x, z * 2048 + x + 1, (z + 1) * 2048 + x, (z + 1) * 2048 + x + 1})
            changed = changed || expected[f] != before.cells[f];
        EXPECT_TRUE(changed) << x << "," << z;
    }
    EXPECT_EQ(readBytes(dir / "TankInfo.raw"), game.at("TankInfo.raw"));

    // Into another file: --to, with the file given left as it was.
    const CliResult elsewhere =
        cli("pathmap Tank0Level0Map.original.raw --import edited.png --to kopie.raw", dir.path());
    EXPECT_EQ(elsewhere.exitCode, 0) << elsewhere.err;
    EXPECT_EQ(readBytes(dir / "kopie.raw"), readBytes(dir / "Tank0Level0Map.raw"));
    EXPECT_EQ(readBytes(dir / "Tank0Level0Map.original.raw"), game.at("Tank0Level0Map.raw"));
}

TEST(PathmapCli, ImportRefusesWhatDoesNotFitAndWritesNothing) {
    TempDir dir;
    copyTankClass(dir.path());
    ASSERT_EQ(cli("pathmap Tank0Level0Map.raw --export tank.png", dir.path()).exitCode, 0);
    const std::string png = readBytes(dir / "tank.png");
    Picture small;
    small.width = 16;
    small.height = 16;
    small.format = PNG_FORMAT_GRAY;
    small.pixels.assign(16 * 16, 255);
    writeBytes(dir / "klein.png", encode(small));
    writeBytes(dir / "kaputt.png", "kein Bild");
    writeBytes(dir / "halb.png", png.substr(0, png.size() / 2));
    // A picture that changes a cell, for the refusals that come after reading it.
    Picture edited = decode(png, PNG_FORMAT_GRAY);
    edited.format = PNG_FORMAT_GRAY;
    for (std::uint8_t& pixel : edited.pixels)
        pixel = 255;
    writeBytes(dir / "zu.png", encode(edited));
    fs::create_directory(dir / "falsch");
    copyTankClass(dir / "falsch");
    writeBytes(dir / "falsch" / "Tank0Level1Map8Bit.raw", std::string(512 * 512, '\0'));
    // A class with a map that may not be replaced: none of its files is.
    fs::create_directory(dir / "fest");
    copyTankClass(dir / "fest");
    fs::permissions(dir / "fest" / "Tank0Level2Map.raw", fs::perms::owner_read);

    struct Row {
        std::string args;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"Tank0Level0Map.raw --import klein.png",
         "Das Bild klein.png hat 16 x 16 Bildpunkte, die Pathmap Tank0Level0Map.raw aber 2048 "
         "x 2048 Felder: das Bild muss genau so groß sein wie die Karte"},
        {"Tank0Level0Map.raw --import kaputt.png",
         "Das Bild kaputt.png kann nicht gelesen werden: es ist keine vollständige PNG-Datei"},
        {"Tank0Level0Map.raw --import halb.png",
         "Das Bild halb.png kann nicht gelesen werden: es ist keine vollständige PNG-Datei"},
        {"Tank0Level0Map.raw --import fehlt.png",
         "Datei fehlt.png kann nicht geöffnet werden. Das System kann die angegebene Datei "
         "nicht finden."},
        {"TankInfo.raw --import tank.png",
         "Die Gebietskarte TankInfo.raw geht nicht als Bild in einen Bildeditor: ihre Gebiete "
         "kämen nicht zurück, und nur das Spiel weiß sie zu zählen"},
        {"Tank.raw --import tank.png",
         "Die Datei Tank.raw ist eine Klassendatei der Pathmaps und hat keine Felder zum "
         "Zeigen"},
        {"Tank0Level0Map.raw --import zu.png --to Tank0Level0Map8Bit.raw",
         "Die Zieldatei Tank0Level0Map8Bit.raw ist dem Namen nach eine 8-Bit-Karte, "
         "Tank0Level0Map.raw aber nicht; nichts wurde geschrieben"},
        {"falsch/Tank0Level0Map.raw --import zu.png",
         "Die Pathmap Tank0Level1Map8Bit.raw passt mit 512 x 512 Feldern nicht zu "
         "Tank0Level0Map.raw mit 2048 x 2048 Feldern; nichts wurde gespeichert"},
        {"fest/Tank0Level0Map.raw --import zu.png",
         "Datei \"fest/Tank0Level2Map.raw\" kann nicht erstellt werden. Zugriff verweigert. "
         "Nichts wurde geschrieben; Tank0Level0Map.raw, Tank0Level1Map.raw und "
         "Tank0Level2Map.raw sind wie vorher"},
    };
    const auto before = filesIn(dir.path());
    const auto beforeWrong = filesIn(dir / "falsch");
    const auto beforeFixed = filesIn(dir / "fest");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        const CliResult run = cli("pathmap " + row.args, dir.path());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, row.message + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(filesIn(dir.path()) == before);
        EXPECT_TRUE(filesIn(dir / "falsch") == beforeWrong);
        EXPECT_TRUE(filesIn(dir / "fest") == beforeFixed);
    }
    EXPECT_EQ(cli("pathmap Tank0Level0Map.raw --to kopie.raw", dir.path()).exitCode, 2);
    EXPECT_EQ(
        cli("pathmap Tank0Level0Map.raw --export a.png --import tank.png", dir.path()).exitCode, 2);
}

#ifndef _WIN32
// Below a program folder a pathmap is written as every step there: under the program folder's
// lock, and never through a linked folder.
TEST(PathmapCli, BelowAProgramFolderUnderItsLockAndNeverThroughALink) {
    tess::test::ProgramFolder program;
    TempDir elsewhere;
    copyTankClass(elsewhere.path());
    const fs::path addon = program.path() / "bf1942/levels/Bastogne_001";
    fs::create_directories(addon);
    fs::create_directory_symlink(elsewhere.path(), addon / "Pathfinding");
    const std::string map = quoted((addon / "Pathfinding/Tank0Level0Map.raw").string());
    const std::string folderOption = " --program-folder " + quoted(program.text());
    ASSERT_EQ(cli("pathmap " + map + " --export tank.png" + folderOption, program.path()).exitCode,
              0);
    Picture blocked = decode(readBytes(program.path() / "tank.png"), PNG_FORMAT_GRAY);
    blocked.format = PNG_FORMAT_GRAY;
    std::fill(blocked.pixels.begin(), blocked.pixels.end(), 255);
    writeBytes(program.path() / "zu.png", encode(blocked));
    const auto game = filesIn(elsewhere.path());

    const CliResult linked =
        cli("pathmap " + map + " --import zu.png" + folderOption, program.path());
    EXPECT_EQ(linked.exitCode, 1);
    EXPECT_NE(linked.err.find("Pathfinding\" ist kein Ordner, sondern eine Verknüpfung oder Datei; "
                              "dort hindurch wird nichts geschrieben"),
              std::string::npos)
        << linked.err;

    const tess::ProgramLock held(program.text());
    const CliResult locked =
        cli("pathmap " + map + " --export again.png" + folderOption, program.path());
    EXPECT_EQ(locked.exitCode, 1);
    EXPECT_NE(locked.err.find("arbeitet gerade ein anderer Lauf von Tessarine"), std::string::npos)
        << locked.err;
    EXPECT_FALSE(fs::exists(program.path() / "again.png"));
    EXPECT_TRUE(filesIn(elsewhere.path()) == game);
}
#endif
