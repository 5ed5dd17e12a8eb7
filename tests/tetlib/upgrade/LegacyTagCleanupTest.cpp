// The closing cleanup of the legacy upgrade: soup in, soup out.
#include "tetlib/upgrade/LegacyTagCleanup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SoupNotation.h"
#include "UpgradeFixture.h"

namespace {

using namespace TETLib;
using namespace UpgradeTest;

class LegacyTagCleanupTest : public UpgradeFixture {};

TEST_F(LegacyTagCleanupTest, SoupInSoupOut) {
    struct Case {
        const char* name;
        std::string in;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"description spill-over up to the first known tag",
         R"(kuid <kuid:1:2> description "A fine" is "really" great "model" kind "scenery" more "x")",
         R"(kuid <kuid:1:2> description "A fine" kind "scenery" more "x")"},
        {"a known tag of an inherited base ends the spill-over",
         R"(description "d" kind "scenery" is "x")", R"(description "d" kind "scenery" is "x")"},
        {"a tag of a base inherited through a cycle is known", R"(description "d" from-loop 1 is "x")",
         R"(description "d" from-loop 1 is "x")"},
        {"a name of a definition that is no top level is not known", R"(description "d" is "x" great 1)",
         R"(description "d")"},
        {"a container ends the spill-over", R"(description "d" stuff { a 1 } is "x")",
         R"(description "d" stuff { a 1 } is "x")"},
        {"no description, no spill-over", R"(is "x" great "y" kind "scenery")", R"(is "x" great "y" kind "scenery")"},
        {"a spilled name also removes its first tag before the description",
         R"(is "early" description "d" is "late" kind "scenery")", R"(description "d" is "late" kind "scenery")"},
        {"one removal per listed name", R"(the "a" kind "scenery" the "b")", R"(kind "scenery" the "b")"},
        {"listed tags of every group",
         R"(rem "x" licence "x" disclaimer: "x" licence:- "x" name-de "x" name-hu "x" origname "x" kelmo 1 )"
         R"(vorlex_build 2.5 version 2 obsolete 1 kind "scenery" by "x" copyright "x" // "x" * "x" ; "x")",
         R"(kind "scenery")"},
        {"auteur overwrites author", R"(author "A" kind "scenery" auteur "B")", R"(kind "scenery" author "B")"},
        {"an auteur that is a container does not blank the author", R"(author "A" kind "scenery" auteur { x 1 })",
         R"(author "A" kind "scenery")"},
        {"an empty auteur does not blank the author", R"(author "A" auteur "")", R"(author "A")"},
        {"name does not replace username", R"(username "U" name "N")", R"(username "U")"},
        {"name becomes username", R"(name "N" kind "scenery")", R"(kind "scenery" username "N")"},
        {"old names dropped when the new one exists",
         R"(organisation "O" organization "X" user-name "V" username "U" description "D" description: "E")",
         R"(organisation "O" username "U" description "D")"},
        {"old names moved", R"(organization "X" user-name "V" kind "scenery" description: "E")",
         R"(kind "scenery" organisation "X" username "V" description "E")"},
        {"asset-prefixed tags unless known", R"(asset "x" asset-comment "c" asset-flags 1 asset- "y" assets 2 kind "scenery")",
         R"(asset-flags 1 assets 2 kind "scenery")"},
        {"malformed names", R"(__ "a" 2005 "b" it's "c" a_b "d" rail2 "e" say"so "f" {x "g" x} "h" _2 "i")",
         R"(a_b "d" rail2 "e" _2 "i")"},
        {"user name cut at a carriage return", "username \"Bob\r\nmore\" kind \"scenery\"",
         R"(kind "scenery" username "Bob")"},
        {"user name cut at a line feed", "kind \"scenery\" username \"Bob\nmore\"", R"(kind "scenery" username "Bob")"},
        {"a user name without line breaks keeps its place", R"(username "Bob" kind "scenery")",
         R"(username "Bob" kind "scenery")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SoupHandle soup = ParseSoup(c.in);
        CleanUpLegacyTags(soup);
        EXPECT_EQ(WriteSoup(soup), c.out);
    }
    EXPECT_EQ(FindingCount(), 0u);
}

TEST_F(LegacyTagCleanupTest, KnownTopLevelTags) {
    // Own and inherited names of top-level definitions count, exactly.
    for (const char* name : {"trackside", "kind", "username", "from-loop", "mesh-table"})
        EXPECT_TRUE(IsKnownTopLevelTag(name)) << name;
    for (const char* name : {"is", "Kind", "subpossibilities", "asset", "loop-a", ""})
        EXPECT_FALSE(IsKnownTopLevelTag(name)) << name;
}

}  // namespace
