// Command-host jobs: the scenario's jobs go, in order, to the link that
// registers as the command host (one-way 140), and each one-way reply 141
// is written to the transcript.
#include <gtest/gtest.h>

#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

using StoreCommandHost = StoreTest;

TEST_F(StoreCommandHost, JobsGoToTheHostAndRepliesAreRecorded) {
    UseScenario("jobs\n{\n"
                "  0 { payload { 0 \"int32 0\"  1 \"pstring local\"  2 \"pstring kuid 3 100\" } }\n"
                "  1 { delay-ms 50\n payload { 0 \"int32 2\"  1 \"int32 7\"  2 \"pstring /tmp/a.cdp\"  3 \"int32 1\""
                "  4 \"kuid <kuid:3:100>\" } }\n"
                "}\n");
    RawLink other, host;
    ASSERT_NO_FATAL_FAILURE(Connect(other));
    ASSERT_NO_FATAL_FAILURE(Connect(host));
    ASSERT_TRUE(host.SendFrame(140, 0, Bytes()));
    const Bytes expected[] = {
        Le32(0) + Interned("local") + Interned("kuid 3 100"),
        Le32(2) + Le32(7) + Interned("/tmp/a.cdp") + Le32(1) + Kuid(3, 100),
    };
    for (const Bytes& job : expected) {
        RawLink::Frame frame;
        ASSERT_TRUE(host.Next(frame));
        EXPECT_TRUE(frame.notice);
        EXPECT_EQ(frame.word, 1);
        EXPECT_EQ(ToHex(frame.body), ToHex(job));
    }
    ASSERT_TRUE(host.SendFrame(141, 0, Hex("00000000 01")));
    ASSERT_TRUE(host.SendFrame(141, 0, Hex("00000000 01000000")));
    EXPECT_TRUE(TranscriptHas(" command host\n"));
    EXPECT_TRUE(TranscriptHas(" job reply 0 payload=0000000001\n"));
    EXPECT_TRUE(TranscriptHas(" job reply 1 payload=0000000001000000\n"));
    // A second registration sends nothing again; the other link got nothing.
    ASSERT_TRUE(host.SendFrame(140, 0, Bytes()));
    EXPECT_EQ(ToHex(host.Request(181, Bytes())), "01");
    EXPECT_TRUE(host.notices.empty());
    EXPECT_EQ(ToHex(other.Request(181, Bytes())), "01");
    EXPECT_TRUE(other.notices.empty());
}

}  // namespace
