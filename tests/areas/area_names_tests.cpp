#include "areas/area_names.h"

#include <gtest/gtest.h>

using namespace tess::areas;

namespace {

TEST(AreaNames, OnlyNamesTheGameReadsAsOneWordPass) {
    struct Case {
        const char* name;
        bool fine;
    };
    const Case cases[] = {
        {"Hill", true},      {"Brücke_Nord", true},  {"Dorf-2", true},    {"Champs.Ost", true},
        {"", false},         {"Brücke Nord", false}, {"Tab\tbed", false}, {"a/b", false},
        {"\"Hill\"", false}, {"Line\nbreak", false}, {"Bell\x7f", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(!areaNameProblem(c.name).has_value(), c.fine);
    }
    EXPECT_EQ(areaNameMessage("Brücke Nord", *areaNameProblem("Brücke Nord")),
              "Der Area-Name \"Brücke Nord\" enthält ein Leerzeichen. Bitte einen Namen ohne "
              "Leerzeichen, Schrägstrich und Anführungszeichen wählen.");
}

TEST(AreaNames, DuplicatesAreFoundOnceEachAndLetterCaseCounts) {
    EXPECT_EQ(duplicateAreaNames({"Dorf", "Hill", "dorf", "Dorf", "Hill", "Dorf"}),
              (std::vector<std::string>{"Dorf", "Hill"}));
    EXPECT_TRUE(duplicateAreaNames({"A", "a", "B"}).empty());
}

} // namespace
