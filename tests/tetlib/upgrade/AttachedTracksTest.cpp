// The turntable and crossing mesh tables and their attached tracks.
#include "tetlib/upgrade/AttachedTracks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeMeshes.h"
#include "SoupNotation.h"
#include "UpgradeFixture.h"

namespace {

using namespace TETLib;
using namespace UpgradeTest;

class AttachedTracksTest : public UpgradeFixture {};

TEST_F(AttachedTracksTest, TurntablesAndCrossings) {
    enum Kind { kTurntable, kCrossing };
    struct Case {
        const char* name;
        Kind kind;
        std::string in;
        std::string out;
        std::vector<std::string> loads;
        std::vector<std::string> animations;
    };
    const std::string turntableTable =
        R"(mesh-table { default { mesh "o\o.im" auto-create 1 } turntable { mesh "i\i.im" } })";
    const std::string crossingTable = R"(mesh-table { default { mesh "x\x.im" anim "x\anim.kin" auto-create 1 } })";
    auto pair = [](const std::string& entry, const char* kuid, const std::string& points, int adjoining) {
        return entry + " { track " + kuid + " vertices { 0 \"" + points + "a\" 1 \"" + points + "b\" } " +
               "useadjoiningtracktype " + std::to_string(adjoining) + " }";
    };
    const std::vector<Case> cases = {
        {"turntable: outer and inner pairs, one track KUID", kTurntable,
         R"(kind "turntable" mode0 "o" mode1 "i" track <kuid:1:5> x 1)",
         R"(kind "turntable" x 1 )" + turntableTable + " attached-track { " +
             pair("tracko1", "<kuid:1:5>", "a.otrack0", 0) + " " + pair("tracko2", "<kuid:1:5>", "a.otrack1", 0) +
             " " + pair("tracki1", "<kuid:1:5>", "a.itrack0", 0) + " }",
         {"gadget/o/o.im", "gadget/i/i.im"}, {}},
        {"turntable: a pair without its b point ends the pass", kTurntable,
         R"(kind "turntable" mode0 "half" mode1 "i")",
         R"(kind "turntable" mesh-table { default { mesh "half\half.im" auto-create 1 } turntable { mesh "i\i.im" } } )"
         "attached-track { " + pair("tracki1", "<NULL>", "a.itrack0", 0) + " }",
         {"gadget/half/half.im", "gadget/i/i.im"}, {}},
        {"turntable: one mesh failing leaves out the tracks, track stays", kTurntable,
         R"(kind "turntable" mode0 "gone" mode1 "i" track <kuid:1:5>)",
         R"(kind "turntable" track <kuid:1:5> mesh-table { default { mesh "gone\gone.im" auto-create 1 } )"
         R"(turntable { mesh "i\i.im" } })",
         {"gadget/gone/gone.im", "gadget/i/i.im"}, {}},
        {"turntable: an existing attached-track stays", kTurntable,
         R"(mode0 "o" mode1 "i" attached-track { t { a 1 } } track <kuid:1:5>)",
         R"(attached-track { t { a 1 } } track <kuid:1:5> )" + turntableTable,
         {"gadget/o/o.im", "gadget/i/i.im"}, {}},
        {"turntable: a mesh table already there", kTurntable, R"(mode0 "o" mesh-table { })",
         R"(mode0 "o" mesh-table { })", {}, {}},
        {"crossing: road pairs first, then track pairs", kCrossing,
         R"(kind "mocrossing" mode0 "x" mode1 "y" track <kuid:1:6> road <kuid:1:7>)",
         R"(kind "mocrossing" track <kuid:1:6> road <kuid:1:7> )" + crossingTable + " attached-track { " +
             pair("road1", "<kuid:1:7>", "a.road0", 1) + " " + pair("track1", "<kuid:1:6>", "a.track0", 1) + " }",
         {"gadget/x/x.im"}, {"gadget/x/anim.kin"}},
        {"crossing: an empty mode0 names mode0.im", kCrossing, R"(kind "mocrossing" mode1 "y")",
         R"(kind "mocrossing" mesh-table { default { mesh "mode0.im" anim "anim.kin" auto-create 1 } })",
         {"gadget/mode0.im"}, {}},
        {"crossing: an existing attached-track stays", kCrossing, R"(mode0 "x" attached-track { })",
         R"(attached-track { } )" + crossingTable, {"gadget/x/x.im"}, {"gadget/x/anim.kin"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMeshes meshes;
        meshes.files["gadget/o/o.im"] = {"a.otrack0a", "a.otrack0b", "a.otrack1b", "a.otrack1a", "a.itrack0a"};
        meshes.files["gadget/i/i.im"] = {"a.itrack0a", "a.itrack0b", "a.itrack2a", "a.itrack2b"};
        meshes.files["gadget/half/half.im"] = {"a.otrack0a", "a.otrack1a", "a.otrack1b"};
        meshes.files["gadget/x/x.im"] = {"a.track0a", "a.track0b", "a.road0a", "a.road0b", "a.road1a"};
        SoupHandle soup = ParseSoup(c.in);
        if (c.kind == kTurntable)
            BuildTurntableMeshTable(soup, meshes);
        else
            BuildCrossingMeshTable(soup, meshes);
        EXPECT_EQ(WriteSoup(soup), c.out);
        EXPECT_EQ(meshes.log.loads, c.loads);
        EXPECT_EQ(meshes.log.animations, c.animations);
    }
    EXPECT_EQ(FindingCount(), 0u);
}

}  // namespace
