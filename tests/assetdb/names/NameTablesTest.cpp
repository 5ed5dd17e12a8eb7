#include <gtest/gtest.h>

#include <set>
#include <string>

#include "assetdb/names/CategoryDisplayNameTable.h"
#include "assetdb/names/CountryTable.h"
#include "assetdb/names/LegacyTypeNameTable.h"

namespace {

TEST(CountryTable, SpotRowsAndCodes) {
    const auto rows = CountryTable();
    ASSERT_EQ(rows.size(), 264u);
    EXPECT_EQ(rows[0].code, 0x20204144u);  // '  AD'
    EXPECT_STREQ(rows[0].name, "Andorra");
    EXPECT_STREQ(rows[1].name, "United Arab Emirates");
    EXPECT_EQ(rows[38].code, RegionCode("CD"));  // CF comes before CD
    EXPECT_STREQ(rows[38].name, "The Democratic Republic of the Congo");
    EXPECT_EQ(rows[243].code, RegionCode("ZW"));
    EXPECT_EQ(rows[244].code, 0x20203030u);  // '  00'
    EXPECT_STREQ(rows[244].name, "Generic");
    EXPECT_EQ(rows[245].code, RegionCode("US"));
    EXPECT_STREQ(rows[245].name, "USA");
    EXPECT_EQ(rows[263].code, RegionCode("ES"));
    EXPECT_STREQ(rows[263].name, "ESP");

    // The named rows, and each country code once among the first 244.
    struct Named {
        uint32_t code;
        const char* name;
    };
    const Named named[] = {
        {RegionCode("AZ"), "Azerbaidjan"},
        {RegionCode("BV"), "Bouvet Is."},
        {RegionCode("CS"), "Former Czechoslovakia"},
        {RegionCode("KN"), "Saint Kitts & Nevis Anguilla"},
        {RegionCode("TZ"), "Tanzania"},
        {RegionCode("UK"), "United Kingdom"},
        {RegionCode("YU"), "Yugoslavia"},
        {RegionCode("ZR"), "Zaire"},
    };
    std::set<uint32_t> codes;
    for (std::size_t i = 0; i < 244; ++i) {
        EXPECT_TRUE(codes.insert(rows[i].code).second) << i;
        EXPECT_EQ(rows[i].code >> 16, 0x2020u);
        for (const Named& n : named) {
            if (rows[i].code == n.code) {
                EXPECT_STREQ(rows[i].name, n.name);
            }
        }
    }
}

TEST(CategoryNameTables, RowsAndTerminators) {
    const auto display = CategoryDisplayNameTable();
    ASSERT_EQ(display.size(), kCategoryDisplayNameRowCount + 1);
    EXPECT_STREQ(display[0].categories, "CWT");
    EXPECT_EQ(display[0].displayName, Vek::PString("Coatworks Template"));
    EXPECT_STREQ(display[16].categories, "TX;ENV");
    EXPECT_EQ(display[16].flag, 1u);
    EXPECT_STREQ(display[35].categories, "FIXD");
    EXPECT_EQ(display[35].displayName, Vek::PString("Fixed Track"));
    EXPECT_STREQ(display[36].categories, "");
    EXPECT_TRUE(display[36].displayName.IsEmpty());
    EXPECT_EQ(display[36].flag, 0u);

    const auto types = LegacyTypeNameTable();
    ASSERT_EQ(types.size(), kLegacyTypeNameRowCount + 1);
    EXPECT_EQ(types[0].typeWord, Vek::PString("coatworkstemplate"));
    EXPECT_EQ(types[17].typeWord, Vek::PString("trackobjects"));
    EXPECT_STREQ(types[26].categories, "");
    EXPECT_EQ(types[26].typeWord, Vek::PString("misc"));
    EXPECT_EQ(types[26].flag, -1);
    EXPECT_STREQ(types[27].categories, "");
    EXPECT_TRUE(types[27].typeWord.IsEmpty());
    EXPECT_EQ(types[27].flag, 0);
}

}  // namespace
