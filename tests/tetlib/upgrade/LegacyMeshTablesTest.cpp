// The mesh-table builders of the legacy upgrade: soup in, soup out.
#include "tetlib/upgrade/LegacyMeshTables.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeMeshes.h"
#include "SoupNotation.h"
#include "UpgradeFixture.h"

namespace {

using namespace TETLib;
using namespace UpgradeTest;

class LegacyMeshTablesTest : public UpgradeFixture {};

TEST_F(LegacyMeshTablesTest, SoupInSoupOut) {
    FakeMeshes meshes;
    meshes.files["gadget/sc.im"] = {"a.name0", "a.name1", "a.name3", "a.door"};
    using Builder = std::function<void(SoupHandle&)>;
    const Builder bogey = [](SoupHandle& s) { BuildBogeyMeshTable(s, "b1"); };
    const Builder traincar = [](SoupHandle& s) { BuildTraincarMeshTable(s, "tc"); };
    const Builder bogeys = [](SoupHandle& s) { BuildTraincarBogeys(s); };
    const Builder interior = [](SoupHandle& s) { BuildInteriorMeshTable(s); };
    const Builder junction = [](SoupHandle& s) { BuildJunctionMeshTable(s); };
    const Builder scenery = [&](SoupHandle& s) { BuildSceneryMeshTable(s, "sc", meshes); };
    const Builder sceneryWithoutMesh = [&](SoupHandle& s) { BuildSceneryMeshTable(s, "gone", meshes); };
    struct Case {
        const char* name;
        Builder build;
        std::string in;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"bogey", bogey, R"(kind "bogey")",
         R"(kind "bogey" mesh-table { default { mesh "b1.pm" auto-create 1 } )"
         R"(shadow { mesh "b1_shadow/b1_shadow.pm" auto-create 0 } })"},
        {"traincar: the folders A_body and A_shadow", traincar, R"(kind "traincar" mesh-table { old 1 })",
         R"(kind "traincar" mesh-table { default { mesh "tc_body\tc_body.pm" auto-create 1 } )"
         R"(shadow { mesh "tc_shadow\tc_shadow.pm" auto-create 0 } })"},
        {"bogeys: no bogey-0 ends the run at once", bogeys, R"(bogey-1 <kuid:1:10> bogey-2-r <kuid:1:11>)",
         R"(bogey-1 <kuid:1:10> bogey-2-r <kuid:1:11> bogeys { })"},
        {"bogeys: after bogey the run starts at 1", bogeys, R"(bogey <kuid:1:10> x 1 bogey-1 <kuid:1:11>)",
         R"(x 1 bogeys { 0 { bogey <kuid:1:10> reversed 0 } 1 { bogey <kuid:1:11> reversed 0 } })"},
        {"bogeys: entries counted whatever index they came from", bogeys,
         R"(bogey-0 <kuid:1:1> bogey-0-r <kuid:1:2> bogey-1-r <kuid:1:3> bogey-3 <kuid:1:4>)",
         R"(bogey-3 <kuid:1:4> bogeys { 0 { bogey <kuid:1:1> reversed 0 } 1 { bogey <kuid:1:2> reversed 1 } )"
         R"(2 { bogey <kuid:1:3> reversed 1 } })"},
        {"bogeys: a text that is no KUID stays", bogeys, R"(bogey "none" bogey-r <kuid:1:5> bogey-1 "x")",
         R"(bogey "none" bogey-1 "x" bogeys { 0 { bogey <kuid:1:5> reversed 1 } })"},
        {"interior: attachments and the default mesh", interior,
         R"(kind "interior" attachment { a.door { att "a.d" } a.win { att "w" att-parent "a.door" } odd 1 } mesh "m.im")",
         R"(kind "interior" mesh-table { a.door { att "a.d" att-parent "default" } )"
         R"(a.win { att "w" att-parent "a.door" } odd { } default { mesh "m.im" auto-create 1 } })"},
        {"interior: the mesh replaces an attachment named default", interior,
         R"(attachment { default { att "q" } } mesh "m.im")", R"(mesh-table { default { mesh "m.im" auto-create 1 } })"},
        {"interior: an attachment that is no container stays", interior, R"(attachment "a" mesh "")",
         R"(attachment "a" mesh-table { default { mesh "" auto-create 1 } })"},
        {"interior: nothing to take", interior, R"(kind "interior")", R"(kind "interior" mesh-table { })"},
        {"junction", junction, R"(kind "mojunction" mode0 "Left" mode1 "Right")",
         R"(kind "mojunction" mesh-table { left { mesh "Left/Left.im" auto-create "1" } )"
         R"(right { mesh "Right/Right.im" auto-create "0" } })"},
        {"junction: modes equal but for case give one entry", junction, R"(mode0 "Main" mode1 "MAIN")",
         R"(mesh-table { main { mesh "MAIN/MAIN.im" auto-create "0" } })"},
        {"junction: no modes", junction, R"(mode0 "")", R"(mode0 "" mesh-table { })"},
        {"scenery: name effects up to the first missing index, night mesh", scenery,
         R"(kind "scenery" fontcolor "255,0,0" auto-animation 1 night "nt" mesh-table { old 1 })",
         R"(kind "scenery" fontcolor "255,0,0" mesh-table { default { auto-create 1 mesh "sc.im" anim "anim.kin" )"
         R"(animation-loop-speed 1.0 effects { 0 { kind "name" att "a.name0" fontcolor "255,0,0" name "name" } )"
         R"(1 { kind "name" att "a.name1" fontcolor "255,0,0" name "name" } } } )"
         R"(night { mesh "nt/nt.im" night-mesh-base "default" } })"},
        {"scenery: a mesh that does not load gives no effects", sceneryWithoutMesh,
         R"(auto-animation 0 fontsize "12")", R"(fontsize "12" mesh-table { default { auto-create 1 mesh "gone.im" } })"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SoupHandle soup = ParseSoup(c.in);
        c.build(soup);
        EXPECT_EQ(WriteSoup(soup), c.out);
    }
    // The scenery builder read the meshes from the asset's folder.
    EXPECT_EQ(meshes.log.loads, (std::vector<std::string>{"gadget/sc.im", "gadget/gone.im"}));
    EXPECT_EQ(FindingCount(), 0u);
}

TEST_F(LegacyMeshTablesTest, NameAttachmentPointsCountUpToTheFirstGap) {
    FakeMeshes meshes;
    meshes.files["m/none.im"] = {"a.name1", "a.door"};
    meshes.files["m/three.im"] = {"a.name2", "a.name0", "a.name1", "a.name10"};
    EXPECT_EQ(CountNameAttachmentPoints("m/none.im", meshes), 0);
    EXPECT_EQ(CountNameAttachmentPoints("m/three.im", meshes), 3);
    EXPECT_EQ(CountNameAttachmentPoints("m/missing.im", meshes), 0);
}

}  // namespace
