// URL requests served from the scenario's mapping (operations 230, 231, 232
// and the status notice), and the choice of download candidates
// (operation 74).
#include <gtest/gtest.h>

#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

const Bytes kNoSoup = Hex("41435324 01000000 00000000 00000000");

Bytes StartPayload(const std::string& url) { return Hex("00") + Interned(url) + Le32(2) + Le32(-1) + kNoSoup; }
Bytes Status(bool finished, int32_t code, const std::string& file, const std::string& location) {
    return Bytes{static_cast<uint8_t>(finished)} + Le32(code) + Le32(0) + Le32(0) + Text(file) + Interned(location);
}

using StoreUrls = StoreTest;

TEST_F(StoreUrls, RequestsAnswerFromTheMappingAndFinishByNotice) {
    const std::string reply = m_dir / "reply.txt";
    UseScenario("urls\n{\n"
                "  0 { url \"https://host/search.php?SearchCriteria=3:100\"\n file \"" + reply + "\" }\n"
                "  1 { url \"https://host/pack\"\n file \"pack.cdp\"\n location \"local\" }\n"
                "}\n");
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    const struct {
        const char* what;
        std::string url;
        Bytes finished;
    } cases[] = {
        {"a file", "https://host/search.php?SearchCriteria=3:100", Status(true, 200, reply, "")},
        {"a file in a location", "https://host/pack", Status(true, 200, "pack.cdp", "local")},
        {"not mapped", "https://host/other", Status(true, 404, "", "")},
    };
    int64_t handle = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ++handle;
        EXPECT_EQ(ToHex(link.Request(230, StartPayload(c.url))), ToHex(Le64(handle) + Status(false, 0, "", "")));
        RawLink::Frame notice;
        ASSERT_TRUE(link.Next(notice));
        EXPECT_TRUE(notice.notice);
        EXPECT_EQ(notice.word, 4);
        EXPECT_EQ(ToHex(notice.body), ToHex(Le64(handle) + c.finished));
        EXPECT_EQ(ToHex(link.Request(232, Le64(handle))), ToHex(c.finished));
    }
    // Released: the status of a handle that is not known.
    ASSERT_TRUE(link.SendFrame(231, 0, Le64(1)));
    EXPECT_EQ(ToHex(link.Request(232, Le64(1))), ToHex(Status(true, 0, "", "")));
    EXPECT_EQ(ToHex(link.Request(232, Le64(2))), ToHex(Status(true, 200, "pack.cdp", "local")));
    // Cut short: no soup; nothing is started and no notice comes.
    EXPECT_EQ(ToHex(link.Request(230, Hex("00") + Interned("https://host/pack") + Le32(2) + Le32(-1))), "");
    EXPECT_EQ(ToHex(link.Request(232, Le64(4))), ToHex(Status(true, 0, "", "")));
    EXPECT_TRUE(link.notices.empty());
}

TEST_F(StoreUrls, DownloadCandidatesAreTheVersionsNotInstalled) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    ASSERT_NO_FATAL_FAILURE(Install(link, Kuid(3, 100, 2), "kuid2 3 100 2", "kuid <kuid2:3:100:2>\n"));
    const Bytes payload = Le32(6) +                                   //
                          Kuid(3, 1) + Kuid(3, 100, 2) + Le32(10) +  // 0: installed
                          Kuid(3, 1) + Kuid(3, 100, 1) + Le32(10) +  // 1: older than the installed one
                          Kuid(3, 1) + Kuid(3, 100, 3) + Le32(10) +  // 2: newer
                          Kuid(3, 1) + Kuid(3, 200) + Le32(10) +     // 3: not installed
                          Kuid(3, 1) + Kuid(3, 200) + Le32(10) +     // 4: the same again
                          Kuid(3, 1) + Hex("ffffffff ffffffff") + Le32(0);  // 5: none
    EXPECT_EQ(ToHex(link.Request(74, payload)), ToHex(Le32(2) + Le32(2) + Le32(3)));
    EXPECT_EQ(ToHex(link.Request(74, Le32(0))), ToHex(Le32(0)));
    const struct {
        const char* what;
        Bytes payload;
    } bad[] = {{"count beyond the payload", Le32(2) + Kuid(3, 1) + Kuid(3, 200) + Le32(0)},
               {"negative count", Le32(-1)}};
    for (const auto& b : bad) {
        SCOPED_TRACE(b.what);
        EXPECT_EQ(ToHex(link.Request(74, b.payload)), "");
    }
}

}  // namespace
