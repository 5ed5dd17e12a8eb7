#include "assetdb/categories/LegacyCategoryTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MapLegacyCategoryClass, PicksTheFirstApplyingRow) {
    struct Case {
        const char* kind;
        const char* code;
        const char* expected;
    };
    const Case cases[] = {
        // Codes under several kinds: an empty kind takes the first.
        {"", "sp", "SY;SPLN"},
        {"spline", "SP", "RD;SPLN"},
        {nullptr, "JO", "TX;NEV"},
        {"", "TR", "TK;RLS"},
        {"Bridge", "tr", "TK;RLS"},
        // Rows of any kind apply under every kind; others only under theirs.
        {"traincar", "FT", "FL;SCEN"},
        {"scenery", "AA", ""},
        {"scenery", "OH", "PP"},
        // A row from each group of the table.
        {"traincar", "AA", "TR;TV;LOC;ELEC"},
        {"traincar", "XGT", "TR;TV;FRT;HOPP"},
        {"traincar", "XVP", "TR;TV;FRT;REEF"},
        {"traincar", "ZE", "TR;CMP;ESPC"},
        {"buildable", "BB", "BD;BDB;FIXD"},
        {"scenery", "BPN", "BD;STA;NACT"},
        {"scenery", "WX", "TO"},
        {"industry", "BPF", "BD;STA;ACTV"},
        {"environment", "ES", "TX;ENV;SKYS"},
        {"water2", "EW", "TX;ENV;AQUA"},
        {"groundtexture", "GL", "TX;ENV;GRND"},
        {"mesh", "HM", "CMP;MESH"},
        {"product", "IL", "CY;LIQ"},
        {"texture", "JP", "TX;NEV"},
        {"texture-group", "JO", "TX;NEV"},
        {"drivercharacter", "OHD", "DR"},
        {"track", "SV", "FL;SPLN"},
        {"bridge", "TT", "TK;TUN"},
        {"fixedtrack", "TF", "RLS;FIXD;SWT"},
        {"drivercommand", "YD", "SQ;GEN"},
        {"htmlasset", "YH", "HT"},
        {"map", "YM", "RT"},
        {"profile", "YT", "SS;TUT"},
        {"region", "YX", "REGN"},
        {"behavior", "YR", "RU;GEN"},
        {"activity", "YS", "SC"},
        {"hornsound", "ZH", "TR;CMP;HORN"},
        {"interior", "ZI", "TR;CMP;INTR"},
        {"pantograph", "ZP", "TR;CMP;PANT"},
        {"enginesound", "ZS", "TR;CMP;ESND"},
        {"bogey", "ZB", "TR;CMP;BOGY"},
        {"coatworks-template", "ZX", "CWT"},
        {"coatworks-skin", "ZY", "CWS"},
        // No row.
        {"", "QQ", ""},
        {"", "", ""},
        {"", nullptr, ""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(MapLegacyCategoryClass(c.kind, c.code), c.expected)
            << (c.kind ? c.kind : "(null)") << " / " << (c.code ? c.code : "(null)");
    EXPECT_EQ(LegacyCategoryTable().size(), 160u);
}

}  // namespace
