// The road of the window's acceptance run through tessarine-cli, as a map maker scripts it:
// each command a child process of its own, its batches run by the real batch runner in
// processes of their own. Where the map maker makes the same choices as in the window (the
// map, "Schiffe", the edited script, the three areas, the game folder, the targets), every
// file is the window's, checked against the same texts.
#include "acceptance/kursk_road.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace tess::test;
using namespace tess::test::kursk;

namespace {

class CliRoad : public ::testing::Test {
protected:
    void SetUp() override {
        tess::test::setEnvironment("TESS_NO_TERMINAL", "1");
        tess::test::installBatchTools(program_.path());
        for (const char* folder : {"Battlefield 1942", "Meine Karten", "Meine Addons", "Sicherung"})
            fs::create_directories(outside_.path() / folder);
        fs::copy_file(kurskArchive(), outside_.path() / "Meine Karten" / "kursk.rfa");
        fs::permissions(outside_.path() / "Meine Karten" / "kursk.rfa", fs::perms::owner_write,
                        fs::perm_options::add);
        places_.program = program_.text();
        places_.game = outside_.text() + "Battlefield 1942/";
        places_.target = outside_.text() + "Meine Addons/kursk_001";
        places_.mapArchive = outside_.text() + "Meine Karten/kursk.rfa";
        places_.backup = outside_.text() + "Sicherung/kursk_001.rfa";
    }

    // A command run from the map maker's own folder, for the installation.
    CliResult run(const std::string& args) {
        return cli(args + " --program-folder " + tess::test::quoted(places_.program),
                   outside_.path());
    }

    fs::path program() const { return program_.path(); }
    fs::path addon() const { return program_.addon("kursk"); }

    ProgramFolder program_;
    TempDir outside_;
    Places places_;
};

} // namespace

TEST_F(CliRoad, KurskFromThePackedMapToTheMergedArchive) {
    const std::string kursk = tess::test::quoted(kurskArchive());

    // generate: unpacked, inspected and written as by the map icon, OK and Start.
    CliResult r = run("generate " + kursk + " --ships");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "addon: " + places_.program +
                         "bf1942\\levels\\kursk_001\\\n"
                         "soldierSpawnPoints: 15\n"
                         "objectSpawnPoints: 18\n");
    EXPECT_EQ(r.err, "");
    checkUnpackedMap(places_);
    checkAddon(places_, false, "");

    // The map maker edits the same line in a text editor of their own.
    writeBytes(addon() / "SinglePlayerAllied.con", singlePlayerCon(32));

    // areas: the three areas from an area file.
    writeBytes(outside_.path() / "areas.json", kAreasJson);
    r = run("areas " + kursk + " areas.json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, std::string(kAreaSummaries[0]) + "\n" + std::string(kAreaSummaries[1]) + "\n" +
                         std::string(kAreaSummaries[2]) + "\n");
    checkAddon(places_, true, std::string(kStrategicAreasCon));

    // first-pack, with the game folder remembered as the window's "Battlefield 1942" group
    // stores it.
    writeBytes(program() / "memory.bf", places_.game);
    r = run("first-pack " + kursk + " " + tess::test::quoted(places_.target));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "pack.bat: " + places_.program + "pack.bat\narchive: " + places_.target +
                         ".rfa\nstate: " + places_.program + "temp\\pathf.bf\n");
    EXPECT_EQ(readBytes(program() / "pack.bat"), packBat(places_));
    EXPECT_EQ(readBytes(program() / "temp" / "pathf.bf"), pathfBf(places_));
    checkAddonArchive(places_);

    // The game writes its pathmaps; import-pathmaps takes them over.
    copyTree(pathmapSource(),
             outside_.path() / "Battlefield 1942" / "bf1942" / "levels" / "Kursk" / "Pathfinding");
    r = run("import-pathmaps");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string imported = "folder: " + places_.game +
                           "bf1942\\levels\\kursk\\Pathfinding\\\n"
                           "ai.createallmaps: entfernt\n";
    for (const auto& [name, bytes] : filesUnder(pathmapSource()))
        imported += "copied: " + name + "\n";
    EXPECT_EQ(r.out, imported);
    checkImported(places_);

    // pathmap: the same map looked at, with the addon's spawn points.
    r = run("pathmap " +
            tess::test::quoted((addon() / "Pathfinding" / std::string(kViewedPathmap)).string()) +
            " --level " + kursk + " --png view.png");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("spawnPoints: " + std::string(kViewedPathmapLine) + "\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(readBytes(outside_.path() / "view.png").substr(1, 3), "PNG");

    // final-pack.
    r = run("final-pack");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "archive: " + places_.target + ".rfa\nFertig\n");
    EXPECT_EQ(readBytes(program() / "pack.bat"), packBat(places_));
    checkAddonArchive(places_);
    const auto addonArchive = archiveFiles(places_.target + ".rfa");
    EXPECT_EQ(addonArchive.at("bf1942/levels/kursk/ai.con"), aiConAfterImport());
    EXPECT_EQ(addonArchive.size(), 31u);

    // merge, saving the addon archive elsewhere.
    const std::string addonBytes = readBytes(places_.target + ".rfa");
    r = run("merge " + tess::test::quoted(places_.mapArchive) + " " +
            tess::test::quoted(places_.target + ".rfa") + " --backup " +
            tess::test::quoted(places_.backup));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "map: " + places_.mapArchive + "\naddon: gesichert nach " + places_.backup +
                         "\nFertig\n");
    EXPECT_EQ(readBytes(program() / "Network" / "unpack.bat"), networkUnpackBat(places_));
    EXPECT_EQ(readBytes(program() / "Network" / "pack.bat"), networkPackBat(places_));
    checkMergedMap(places_, addonArchive);
    EXPECT_EQ(readBytes(places_.backup), addonBytes);
    EXPECT_FALSE(fs::exists(places_.target + ".rfa"));
}
