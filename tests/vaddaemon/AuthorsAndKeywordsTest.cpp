// What the keyword backup and import and the author listing need of the
// store: user names from the scenario, and keywords that are kept, given
// back and searched.
#include <gtest/gtest.h>

#include "vaddaemon/AssetInfoReading.h"
#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

using StoreAuthorsAndKeywords = StoreTest;

TEST_F(StoreAuthorsAndKeywords, ScenarioUserNamesNameTheAuthors) {
    UseScenario("users\n{\n  3 \"Alice\"\n  -5 \"Minus Five\"\n}\n");
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    ASSERT_NO_FATAL_FAILURE(Install(link, Kuid(3, 100), "kuid 3 100", "kuid <kuid:3:100>\n"));
    EXPECT_EQ(AskInfo(link, Kuid(3, 100)).authorName, "Alice");
    EXPECT_EQ(ToHex(link.Request(90, Le32(3))), ToHex(Le32(-1) + Interned("Alice")));
    EXPECT_EQ(ToHex(link.Request(90, Le32(-5))), ToHex(Le32(-1) + Interned("Minus Five")));
    EXPECT_EQ(ToHex(link.Request(90, Le32(4))), ToHex(Le32(-1) + Interned(""))) << "an unknown user";
}

TEST_F(StoreAuthorsAndKeywords, AScenarioWithABadUserIdDoesNotStart) {
    UseScenario("users\n{\n  alice \"Alice\"\n}\n");
    ASSERT_GT(ShellExecuteGetProcessId(DaemonProgram().c_str(), "", "", kShellExecuteHidden), 0);
    EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 0; }));
    EXPECT_EQ(PublishedPort(), 0);
}

TEST_F(StoreAuthorsAndKeywords, KeywordsAreKeptAndSearched) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    ASSERT_NO_FATAL_FAILURE(Install(link, Kuid(3, 100), "kuid 3 100", "kuid <kuid:3:100>\n"));
    ASSERT_NO_FATAL_FAILURE(Install(link, Kuid(3, 200), "kuid 3 200", "kuid <kuid:3:200>\n"));
    ASSERT_TRUE(link.SendFrame(54, 0, Kuid(3, 100) + Text("steam;Express")));
    ASSERT_TRUE(link.SendFrame(54, 0, Kuid(3, 200) + Text("steam")));
    EXPECT_EQ(AskInfo(link, Kuid(3, 100)).keywords, "steam;Express");
    const auto keywordSearch = [&](const std::string& value) {
        return ToHex(link.Request(2, Hex("6e727473") + Le32(3) + Interned(value) + Hex("00")));
    };
    EXPECT_EQ(keywordSearch("STEAM"), ToHex(Le32(2) + Kuid(3, 100) + Kuid(3, 200)));
    EXPECT_EQ(keywordSearch("express;steam"), ToHex(Le32(1) + Kuid(3, 100)));
    EXPECT_EQ(keywordSearch("diesel"), ToHex(Le32(0)));
}

}  // namespace
