// The legacy configuration upgrade: its build gates and the rewrite's rules,
// soup in, soup out.
#include "tetlib/upgrade/LegacyConfigUpgrade.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "FakeMeshes.h"
#include "SoupNotation.h"
#include "UpgradeFixture.h"
#include "assetdb/categories/LegacyCategoryTable.h"
#include "foundation/callbacks/MainThread.h"

namespace {

using namespace TETLib;
using namespace UpgradeTest;

class LegacyConfigUpgradeTest : public UpgradeFixture {};

struct Case {
    const char* name;
    std::string in;
    std::string out;
};

TEST_F(LegacyConfigUpgradeTest, BuildGates) {
    struct Gate {
        float build;
        std::string in;
        std::string out;
    };
    const std::string old = R"(kind "mesh" category-region "" category-era "" thumbnail "t" vorlex-build 2.5)";
    const std::vector<Gate> gates = {
        {2.89f, old,
         R"(kind "mesh" category-era "1800s" category-class "ZX" category-region "00" vorlex-build 2.9)"},
        {2.9f, old, R"(kind "mesh" thumbnail "t" vorlex-build 2.5)"},
        {3.49f, R"(kind "mesh" category-region "GB" category-era "")", R"(kind "mesh" category-region "GB")"},
        {3.5f, old, old},
        // Stored as the container load stores them (+0.001).
        {2.891f, old,
         R"(kind "mesh" category-era "1800s" category-class "ZX" category-region "00" vorlex-build 2.9)"},
        {2.901f, old, R"(kind "mesh" thumbnail "t" vorlex-build 2.5)"},
        {3.491f, old, R"(kind "mesh" thumbnail "t" vorlex-build 2.5)"},
        {3.501f, old, old},
        // A build that no int holds is below neither gate.
        {1e30f, old, old},
        {std::numeric_limits<float>::infinity(), old, old},
        {std::numeric_limits<float>::quiet_NaN(), old, old},
        {-std::numeric_limits<float>::infinity(), old,
         R"(kind "mesh" category-era "1800s" category-class "ZX" category-region "00" vorlex-build 2.9)"},
    };
    const FakeMeshes meshes;
    for (const Gate& gate : gates) {
        SCOPED_TRACE(gate.build);
        SetBuild(gate.build);
        SoupHandle soup = ParseSoup(gate.in);
        UpgradeLegacyAssetConfig(soup, meshes);
        EXPECT_EQ(WriteSoup(soup), gate.out);
        // The data manager's build is not changed by the upgrade.
        const float kept = DataManager::Instance()->GetAssetBuild();
        EXPECT_TRUE(std::isnan(gate.build) ? std::isnan(kept) : kept == gate.build);
    }
}

TEST_F(LegacyConfigUpgradeTest, RewriteSoupInSoupOut) {
    // Every rewritten configuration ends with the category defaults.
    const std::string d = R"( category-era "1800s" category-class "ZX" category-region "00")";
    const std::vector<Case> cases = {
        {"username from name", R"(kind "mesh" name "N")", R"(kind "mesh" username "N")" + d},
        {"username from asset-filename", R"(kind "mesh" asset-filename "af")", R"(kind "mesh" username "af")" + d},
        {"an existing username stays", R"(username "U" kind "mesh" name "N")", R"(username "U" kind "mesh")" + d},
        {"map: a region that is no KUID goes", R"(kind "map" region "x")", R"(kind "map")" + d},
        {"map: a KUID region stays", R"(kind "map" region <kuid:1:2>)", R"(kind "map" region <kuid:1:2>)" + d},
        {"Map: step 2 needs the exact word, step 14 ignores case", R"(kind "Map" region "x")",
         R"(kind "Map" region "x")" + d},
        {"removed bookkeeping", R"(kind "mesh" thumbnail "t" .cache { } __filename "f" __dir "d" type "x" region "r")",
         R"(kind "mesh")" + d},
        {"regions joined upper-cased from index 1", R"(kind "mesh" category-region-1 "x" category-region-2 "gb")",
         R"(kind "mesh" category-region "X;GB" category-era "1800s" category-class "ZX")"},
        {"region run ends at the first gap after index 0", R"(kind "mesh" category-region-0 "a" category-region-2 "y")",
         R"(kind "mesh" category-region-2 "y" category-region "A" category-era "1800s" category-class "ZX")"},
        {"no region 0 or 1: nothing joined", R"(kind "mesh" category-region-2 "y")",
         R"(kind "mesh" category-region-2 "y")" + d},
        {"eras get their s", R"(kind "mesh" category-era-0 "1850" category-era-1 "1900s")",
         R"(kind "mesh" category-era "1850s;1900s" category-class "ZX" category-region "00")"},
        {"an upper-case S is no s", R"(kind "mesh" category-era-0 "1850S")",
         R"(kind "mesh" category-era "1850Ss" category-class "ZX" category-region "00")"},
        {"an empty license goes, a license stays", R"(kind "mesh" license "" x 1)", R"(kind "mesh" x 1)" + d},
        {"a license stays", R"(kind "mesh" license "L")", R"(kind "mesh" license "L")" + d},
        {"rgb of two fields goes", R"(kind "mesh" rgb "1,2")", R"(kind "mesh")" + d},
        {"rgb of three fields stays", R"(kind "mesh" rgb "1,2,3")", R"(kind "mesh" rgb "1,2,3")" + d},
        {"rgb of four fields stays", R"(kind "mesh" rgb "1,2,3,4")", R"(kind "mesh" rgb "1,2,3,4")" + d},
        {"rgb without commas goes", R"(kind "mesh" rgb "1 2 3")", R"(kind "mesh")" + d},
        {"script and class libraries", R"(kind "mesh" scriptlibrary "s" classlibrary "c")",
         R"(kind "mesh" script "s" class "c")" + d},
        {"bogey", R"(username "u" kind "bogey" asset-filename "b1" light 1)",
         R"(username "u" kind "bogey" mesh-table { default { mesh "b1.pm" auto-create 1 } )"
         R"(shadow { mesh "b1_shadow/b1_shadow.pm" auto-create 0 } })" + d},
        {"a mesh table suppresses the builder, not the removals",
         R"(username "u" kind "Bogey" asset-filename "b1" mesh-table { default { mesh "x.pm" } } light 1)",
         R"(username "u" kind "Bogey" mesh-table { default { mesh "x.pm" } })" + d},
        {"behavior icon", R"(kind "behavior" icon-texture "i.tga")",
         R"(kind "behavior" thumbnails { 0 { image "i.tga" width 64 height 64 } })" + d},
        {"icon of any kind, after the defaults", R"(kind "mesh" icon-texture "i.tga")",
         R"(kind "mesh")" + d + R"( thumbnails { 0 { image "i.tga" width 64 height 64 } })"},
        {"icon with thumbnails: both stay", R"(kind "mesh" icon-texture "i.tga" thumbnails { })",
         R"(kind "mesh" icon-texture "i.tga" thumbnails { })" + d},
        {"texture", R"(username "u" kind "texture" asset-filename "t" rgb "1,2,3" light 1)",
         R"(username "u" kind "texture" texture "t.texture")" + d},
        {"groundtexture keeps its texture", R"(username "u" kind "groundtexture" asset-filename "t" texture "g")",
         R"(username "u" kind "groundtexture" texture "g")" + d},
        {"mesh light", R"(kind "mesh" light 1)", R"(kind "mesh")" + d},
        {"junction", R"(username "u" kind "mojunction" asset-filename "j" mode0 "L")",
         R"(username "u" kind "mojunction" mesh-table { l { mesh "L/L.im" auto-create "1" } })" + d},
        {"crossing without asset-filename still loses track and road",
         R"(kind "mocrossing" track <kuid:1:1> road <kuid:1:2>)", R"(kind "mocrossing")" + d},
        {"crossing", R"(username "u" kind "mocrossing" asset-filename "x" mode0 "x" track <kuid:1:1> road <kuid:1:2>)",
         R"(username "u" kind "mocrossing" mesh-table { default { mesh "x\x.im" anim "x\anim.kin" auto-create 1 } } )"
         R"(attached-track { road1 { track <kuid:1:2> vertices { 0 "a.road0a" 1 "a.road0b" } )"
         R"(useadjoiningtracktype 1 } })" + d},
        {"turntable", R"(username "u" kind "turntable" asset-filename "t" mode0 "gone" mode1 "gone")",
         R"(username "u" kind "turntable" mesh-table { default { mesh "gone\gone.im" auto-create 1 } )"
         R"(turntable { mesh "gone\gone.im" } })" + d},
        {"traincar", R"(username "u" kind "traincar" asset-filename "tc" bogey <kuid:1:9> running-numbers { 0 "1" })",
         R"(username "u" kind "traincar" mesh-table { default { mesh "tc_body\tc_body.pm" auto-create 1 } )"
         R"(shadow { mesh "tc_shadow\tc_shadow.pm" auto-create 0 } } bogeys { 0 { bogey <kuid:1:9> reversed 0 } })" +
             d},
        {"traincar with bogeys and a known category code",
         R"(kind "traincar" bogeys { } bogey <kuid:1:9> running-numbers "5" category-class "AA")",
         R"(kind "traincar" bogeys { } bogey <kuid:1:9> running-numbers "5" category-class "AA" category-era "1800s" )"
         R"(category-region "00")"},
        {"track with asset-filename", R"(username "u" kind "track" asset-filename "t" height 1 mini "m")",
         R"(username "u" kind "track")" + d},
        {"track without asset-filename", R"(kind "track" height 1 mini "m")", R"(kind "track" height 1 mini "m")" + d},
        {"bridge", R"(username "u" kind "bridge" asset-filename "b" mini "m" height 2)",
         R"(username "u" kind "bridge" height 2)" + d},
        {"scenery", R"(username "u" kind "scenery" asset-filename "sc" bendy 1 fontsize "12" fontcolor "1")",
         R"(username "u" kind "scenery" mesh-table { default { auto-create 1 mesh "sc.im" } })" + d},
        {"buildable keeps bendy", R"(username "u" kind "buildable" asset-filename "sc" bendy 1)",
         R"(username "u" kind "buildable" bendy 1 mesh-table { default { auto-create 1 mesh "sc.im" } })" + d},
        {"interior camera into a new list", R"(kind "interior" camera [1,2,3])",
         R"(kind "interior" cameralist { camera0 [1.0,2.0,3.0,0.0,0.0] } cameradefault 0)" + d},
        {"interior camera appended to the list", R"(kind "interior" cameralist { camera0 [4,5] } camera [1,2,3])",
         R"(kind "interior" cameralist { camera0 [4.0,5.0] camera1 [1.0,2.0,3.0,0.0,0.0] } cameradefault 0)" + d},
        {"interior camera after a gap in the list's names",
         R"(kind "interior" cameralist { camera1 [4,5] } camera [1,2,3])",
         R"(kind "interior" cameralist { camera1 [4.0,5.0] camera2 [1.0,2.0,3.0,0.0,0.0] } cameradefault 0)" + d},
        {"interior camera lost in a list that is no container",
         R"(kind "interior" cameralist 5 camera [1,2,3] cameradefault 2)",
         R"(kind "interior" cameralist 5 cameradefault 2)" + d},
        {"interior mesh table", R"(username "u" kind "interior" asset-filename "i" mesh "m.im")",
         R"(username "u" kind "interior" mesh-table { default { mesh "m.im" auto-create 1 } } cameradefault 0)" + d},
        {"name effects get their names, night goes",
         R"(kind "mesh" mesh-table { default { effects { e1 { kind "name" } e2 { kind "name" name "n" } )"
         R"(e3 { kind "other" } } } x 1 } night "nt")",
         R"(kind "mesh" mesh-table { default { effects { e1 { kind "name" name "e1" } e2 { kind "name" name "n" } )"
         R"(e3 { kind "other" } } } x 1 })" + d},
        {"sound lists", R"(kind "mesh" soundscript { s1 { sound { bell.wav "" 1 "other.wav" } trigger 2 } s2 5 })",
         R"(kind "mesh" soundscript { s1 { trigger 2 sound { 0 "bell.wav" 1 "other.wav" } } s2 5 })" + d},
        {"a sound that is no list stays", R"(kind "mesh" soundscript { s { sound "bell.wav" } })",
         R"(kind "mesh" soundscript { s { sound "bell.wav" } })" + d},
        {"a repeated sound name is read by position",
         R"(kind "mesh" soundscript { s { sound { a.wav "" a.wav "x.wav" } } })",
         R"(kind "mesh" soundscript { s { sound { 0 "a.wav" a.wav "x.wav" } } })" + d},
        {"a file does not take the index of a named sound",
         R"(kind "mesh" soundscript { s { sound { bell.wav "" 0 "other.wav" horn.wav "" } } })",
         R"(kind "mesh" soundscript { s { sound { 1 "bell.wav" 0 "other.wav" 2 "horn.wav" } } })" + d},
        {"a named sound after a file of its index, and a repeated name, are kept",
         R"(kind "mesh" soundscript { s { sound { 1 "other.wav" bell.wav "" a.wav "x" a.wav "y" } } })",
         R"(kind "mesh" soundscript { s { sound { 1 "other.wav" 2 "bell.wav" a.wav "x" a.wav "y" } } })" + d},
        {"speed board function", R"(kind "mospeedboard" function "f")", R"(kind "mospeedboard")" + d},
        {"trackside function", R"(kind "scenery" trackside 1 function "f")", R"(kind "scenery" trackside 1)" + d},
        {"signal function stays", R"(kind "mosignal" trackside 1 function "f")",
         R"(kind "mosignal" trackside 1 function "f")" + d},
        {"worldwide regions become 00", R"(kind "mesh" category-region "eu" category-era "1900s")",
         R"(kind "mesh" category-era "1900s" category-class "ZX" category-region "00")"},
        {"any region in the world", R"(kind "mesh" category-region "Any Region In The World")", R"(kind "mesh")" + d},
        {"a region stays", R"(kind "mesh" category-region "GB")",
         R"(kind "mesh" category-region "GB" category-era "1800s" category-class "ZX")"},
        {"the closing cleanup runs", R"(kind "mesh" the "x" description "d" is "y")",
         R"(kind "mesh" description "d")" + d},
    };
    FakeMeshes meshes;
    meshes.files["gadget/x/x.im"] = {"a.road0a", "a.road0b"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SoupHandle soup = ParseSoup(c.in);
        RewriteLegacyAssetConfig(soup, meshes);
        EXPECT_EQ(WriteSoup(soup), c.out);
    }
    EXPECT_EQ(FindingCount(), 0u);
}

// Every row of the legacy table keeps its code under its own kind (a row
// for every kind under any kind); a code the table knows only for other
// kinds, or not at all, becomes "ZX".
TEST_F(LegacyConfigUpgradeTest, KnownClassCodesStayAndOthersBecomeZX) {
    const auto upgraded = [](const char* kind, const char* code) {
        SoupHandle soup = ParseSoup(std::string("kind \"") + kind + "\" category-class \"" + code + "\"");
        FakeMeshes meshes;
        RewriteLegacyAssetConfig(soup, meshes);
        return std::string(soup.GetString("category-class").c_str());
    };
    std::set<std::string> anyKind;
    for (const LegacyCategoryRow& row : LegacyCategoryTable())
        if (!*row.kind) anyKind.insert(row.legacyCode);
    for (const LegacyCategoryRow& row : LegacyCategoryTable()) {
        SCOPED_TRACE(std::string(row.kind) + " " + row.legacyCode);
        const char* kind = *row.kind ? row.kind : "mesh";
        EXPECT_EQ(upgraded(kind, row.legacyCode), row.legacyCode);
        EXPECT_EQ(upgraded("no-such-kind", row.legacyCode), anyKind.count(row.legacyCode) ? row.legacyCode : "ZX");
    }
    EXPECT_EQ(upgraded("scenery", "AA"), "ZX");
    EXPECT_EQ(upgraded("traincar", "aa"), "aa");
    EXPECT_EQ(upgraded("scenery", ""), "ZX");
    EXPECT_EQ(FindingCount(), 0u);
}

TEST_F(LegacyConfigUpgradeTest, TheProductsHoldersReadTheMeshes) {
    // The upgrade as the container load calls it: a turntable whose meshes
    // are not in the asset gets its mesh table, but no attached tracks.
    RecordMainThread();
    SetBuild(2.5f);
    SoupHandle soup =
        ParseSoup(R"(username "u" kind "turntable" asset-filename "t" mode0 "o" mode1 "i" track <kuid:1:5> )"
                  R"(category-era "1900s" category-class "ZX" category-region "GB")");
    UpgradeLegacyAssetConfig(soup);
    EXPECT_EQ(WriteSoup(soup),
              R"(username "u" kind "turntable" track <kuid:1:5> category-era "1900s" category-region "GB" )"
              R"(mesh-table { default { mesh "o\o.im" auto-create 1 } turntable { mesh "i\i.im" } } )"
              R"(category-class "ZX" vorlex-build 2.9)");
}

}  // namespace

namespace {

TEST(LegacyConfigUpgradeWithoutDataManager, IsAFatalError) {
    // The build is the data manager's: without one the process ends.
    EXPECT_EXIT(
        {
            SoupHandle soup = UpgradeTest::ParseSoup(R"(kind "mesh")");
            TETLib::UpgradeLegacyAssetConfig(soup, UpgradeTest::FakeMeshes());
        },
        ::testing::ExitedWithCode(1), "DataManager::Instance> datamanger not initialised");
}

}  // namespace
