// What the stand-in daemon reads from committed configurations: where an
// asset lies, its resolved and latest KUIDs, its description, thumbnail,
// dependencies and obsoleted assets, each request and reply written out by
// hand.
#include <gtest/gtest.h>

#include <string>

#include "vaddaemon/AssetInfoReading.h"
#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

class StoreQueries : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(Connect(m_link));
        // <kuid:3:100>: two dependencies (one of them twice), a description
        // and two thumbnails.
        ASSERT_NO_FATAL_FAILURE(Install(m_link, Kuid(3, 100), "kuid 3 100",
                                        "kuid <kuid:3:100>\n"
                                        "username \"Old Loco\"\n"
                                        "description \"The first one\"\n"
                                        "kuid-table\n{\n  0 <kuid:3:200>\n  1 <kuid:3:300>\n  2 <kuid:3:200>\n}\n"
                                        "thumbnails\n{\n"
                                        "  0\n  {\n    image \"Small.jpg\"\n    width 64\n  }\n"
                                        "  1\n  {\n    image \"Images/Thumb.jpg\"\n    width 240\n  }\n"
                                        "  2\n  {\n    image \"..\\..\\secret.jpg\"\n    width 120\n  }\n"
                                        "}\n"));
        // <kuid2:3:100:2>, a later version of it.
        ASSERT_NO_FATAL_FAILURE(Install(m_link, Kuid(3, 100, 2), "kuid2 3 100 2",
                                        "kuid <kuid2:3:100:2>\nusername \"Old Loco 2\"\n"));
        // <kuid:3:500> obsoletes every version of 3:100 and depends on 3:300.
        ASSERT_NO_FATAL_FAILURE(Install(m_link, Kuid(3, 500), "kuid 3 500",
                                        "kuid <kuid:3:500>\nusername \"New Loco\"\n"
                                        "obsolete-table\n{\n  0 <kuid:3:100>\n}\n"
                                        "kuid-table\n{\n  0 <kuid:3:300>\n}\n"));
        // <kuid:3:600>, created and never committed.
        ASSERT_GT(StoreTest::Create(m_link, Kuid(3, 600), "Draft"), 0);
    }

    RawLink m_link;
};

TEST_F(StoreQueries, EachQueryAnswersFromTheStore) {
    const Bytes local = Interned("local");
    const struct {
        const char* what;
        int32_t op;
        Bytes payload;
        Bytes reply;
    } cases[] = {
        {"location of a committed asset", 23, Kuid(3, 100) + Hex("00"), local + Text("kuid 3 100")},
        {"location of a draft without the flag", 23, Kuid(3, 600) + Hex("00"), Hex("00000000 00000000")},
        {"location of a draft with the flag", 23, Kuid(3, 600) + Hex("01"), Interned("editing") + Text("kuid 3 600")},
        {"location of an unknown asset", 23, Kuid(7, 7) + Hex("01"), Hex("00000000 00000000")},
        {"resolve a known KUID", 26, Kuid(3, 100), Kuid(3, 100)},
        {"resolve an unknown version", 26, Kuid(3, 100, 5), Kuid(3, 100, 2)},
        {"resolve an unknown asset", 26, Kuid(7, 7), Hex("ffffffff ffffffff")},
        {"latest follows the obsoleting asset", 27, Kuid(3, 100), Kuid(3, 500)},
        {"latest of the newest", 27, Kuid(3, 500), Kuid(3, 500)},
        {"latest of an unknown asset", 27, Kuid(7, 7), Kuid(7, 7)},
        {"description", 28, Kuid(3, 100), Text("The first one")},
        {"description of an unknown asset", 28, Kuid(7, 7), Hex("00000000")},
        {"thumbnail of the asked width", 29, Kuid(3, 100) + Le32(240),
         local + Text("kuid 3 100\\Images\\Thumb.jpg") + Le32(240)},
        {"thumbnail of another width: the first", 29, Kuid(3, 100) + Le32(32),
         local + Text("kuid 3 100\\Small.jpg") + Le32(64)},
        {"a thumbnail outside the folder is never given", 29, Kuid(3, 100) + Le32(120),
         local + Text("kuid 3 100\\Small.jpg") + Le32(64)},
        {"no thumbnail", 29, Kuid(3, 500) + Le32(240), Hex("00000000 00000000 00000000")},
        {"dependencies of one", 42, Le32(1) + Kuid(3, 100), Le32(2) + Kuid(3, 200) + Kuid(3, 300)},
        {"dependencies of several, each once", 42, Le32(3) + Kuid(3, 500) + Kuid(7, 7) + Kuid(3, 100),
         Le32(2) + Kuid(3, 300) + Kuid(3, 200)},
        {"dependencies of none", 42, Le32(0), Le32(0)},
        {"obsoletes", 43, Kuid(3, 500), Le32(1) + Kuid(3, 100)},
        {"obsoletes of an unknown asset", 43, Kuid(7, 7), Le32(0)},
        {"no committed configuration", 20, Kuid(3, 600), Hex("41435324 01000000 00000000 00000000")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ToHex(m_link.Request(c.op, c.payload)), ToHex(c.reply));
    }
}

TEST_F(StoreQueries, MissingDependenciesFollowWhatIsInstalled) {
    EXPECT_EQ(AskInfo(m_link, Kuid(3, 500)).b, "00010000");
    ASSERT_NO_FATAL_FAILURE(Install(m_link, Kuid(3, 300), "kuid 3 300", "kuid <kuid:3:300>\n"));
    EXPECT_EQ(AskInfo(m_link, Kuid(3, 500)).b, "00000000");
    EXPECT_EQ(AskInfo(m_link, Kuid(3, 100)).b, "00010000") << "<kuid:3:200> is still missing";
}

// A dependency is met by an installed asset of its user and content id at
// its version or a later one, or at any version when it names no version;
// a record that is not installed (a draft) meets nothing.
TEST_F(StoreQueries, ADependencyIsMetByItsVersionOrALaterOne) {
    ASSERT_NO_FATAL_FAILURE(Install(m_link, Kuid(4, 200, 2), "kuid2 4 200 2", "kuid <kuid2:4:200:2>\n"));
    const struct {
        const char* what;
        const char* dependency;
        bool missing;
    } cases[] = {
        {"the installed version", "<kuid2:4:200:2>", false},
        {"an earlier version", "<kuid2:4:200:1>", false},
        {"a later version", "<kuid2:4:200:3>", true},
        {"any version", "<kuid:4:200>", false},
        {"a draft never committed", "<kuid:3:600>", true},
        {"an unknown asset", "<kuid:4:999>", true},
    };
    int32_t content = 700;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ++content;
        const std::string id = std::to_string(content);
        ASSERT_NO_FATAL_FAILURE(Install(m_link, Kuid(4, content), "kuid 4 " + id,
                                        "kuid <kuid:4:" + id + ">\nkuid-table\n{\n  0 " + c.dependency + "\n}\n"));
        EXPECT_EQ(AskInfo(m_link, Kuid(4, content)).b, c.missing ? "00010000" : "00000000");
    }
}

}  // namespace
