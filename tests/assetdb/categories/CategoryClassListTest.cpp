#include "assetdb/categories/CategoryClassList.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MatchCategoryCode, MatchesWholeTokensOnly) {
    struct Case {
        const char* list;
        const char* code;
        bool expected;
    };
    const Case cases[] = {
        {"TR;TV;LOC;ELEC", "LOC", true},
        {"TR;TV;LOC;ELEC", "LO", false},
        {"TR;TV;LOC;ELEC", "LOCO", false},
        {"TR;TV;LOC;ELEC", "-LOC", false},
        {"TR;TV;LOC;ELEC", "--LOC", true},
        {"TR;TV;LOC;ELEC", "-XX", true},
        {"TR;TV;LOC;ELEC", "ELEC;ANY", true},  // the code ends at ';'
        {"TR;TV;LOC;ELEC", "tr", false},       // case-sensitive
        {"TRM", "TR", false},
        {"TR", "TRM", false},
        {"BD|TR", "TR", false},  // a '|' ends the list
        {";;TR;;", "TR", true},
        {"TR", "", false},
        {"TR", ";TR", false},
        {"TR", "|TR", false},
        {"TR", "-", true},  // the negation of an empty code
        {"", "TR", false},
    };
    for (const Case& c : cases) EXPECT_EQ(MatchCategoryCode(c.list, c.code), c.expected) << c.list << " / " << c.code;
    EXPECT_FALSE(MatchCategoryCode(nullptr, "TR"));
    EXPECT_FALSE(MatchCategoryCode("TR", nullptr));
}

TEST(MatchCategoryPattern, EvaluatesAlternativesInOrder) {
    struct Case {
        const char* pattern;
        const char* list;
        bool expected;
    };
    const Case cases[] = {
        {"CMP;MESH|BD;-ACTV|VE|SCEN", "BD;IND;ACTV", false},
        {"CMP;MESH|BD;-ACTV|VE|SCEN", "BD;IND;NACT", true},
        {"CMP;MESH|BD;-ACTV|VE|SCEN", "SY;SCEN", true},
        {"CMP;MESH|BD;-ACTV|VE|SCEN", "CMP;MESH", true},
        {"CMP;MESH|BD;-ACTV|VE|SCEN", "CMP", false},
        {"", "TR", true},
        {"", "", true},
        {"XX||YY", "TR", true},  // an empty alternative after a failing one
        {"|XX", "TR", true},
        {"XX|", "TR", false},    // a trailing '|' adds no alternative
        {";TR", "TR", false},    // an alternative that begins with ';' fails
        {"TR;;TV", "TR;TV", true},
        {"TR;", "TR", true},
        {"TR;|XX", "TR", true},
        {"XX|TR", "TR", true},
        {"TR;TV", "TR", false},
    };
    for (const Case& c : cases) EXPECT_EQ(MatchCategoryPattern(c.pattern, c.list), c.expected) << c.pattern << " / " << c.list;
    EXPECT_TRUE(MatchCategoryPattern(nullptr, nullptr));
    EXPECT_FALSE(MatchCategoryPattern("TR", nullptr));
}

TEST(CategoryListBuilders, FirstCodeAndTokens) {
    EXPECT_EQ(FirstCategoryCode("TR;TV").Std(), "TR");
    EXPECT_EQ(FirstCategoryCode("BD|TR").Std(), "BD");
    EXPECT_EQ(FirstCategoryCode(";TR").Std(), "");
    EXPECT_EQ(FirstCategoryCode(nullptr).Std(), "");

    Vek::String list;
    AppendCategoryListToken("TR;TV", list);
    AppendCategoryListToken("LOC|X", list);
    AppendCategoryListToken(";ELEC", list);
    AppendCategoryListToken("", list);
    AppendCategoryListToken(nullptr, list);
    EXPECT_EQ(list.Std(), "TR;LOC");
}

TEST(CategoryListBuilders, AppendCategoryCodesAddsEachHashTokenOnce) {
    struct Case {
        const char* base;
        const char* added;
        const char* expected;
    };
    const Case cases[] = {
        {"TR;TV;LOCO", "XYZ;ABC", "TR;TV;LOCO;#XYZ;#ABC"},
        {"", "XYZ", "#XYZ"},
        {"TR;#ABC", "ABC", "TR;#ABC"},
        {"TR", "ABC;;ABC", "TR;#ABC"},
        {"TR", ";ABC", "TR;#;#ABC"},  // a leading ';' gives an empty first code
        {"TR", "ABC|DEF", "TR;#ABC;#DEF"},
        {"TR", "|", "TR;#"},
        {"TR", nullptr, "TR"},
        {nullptr, "A", "#A"},
    };
    for (const Case& c : cases) {
        Vek::String result("stale");
        AppendCategoryCodes(result, c.base, c.added);
        EXPECT_EQ(result.Std(), c.expected) << (c.base ? c.base : "(null)") << " + " << (c.added ? c.added : "(null)");
    }
}

}  // namespace
