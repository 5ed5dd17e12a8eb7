// The replies that do not depend on stored assets: fixed answers, the empty
// replies of operations that other parts of the stand-in carry out,
// one-way messages that are never answered, and payloads that are cut
// short or lie about their counts.
#include <gtest/gtest.h>

#include "vaddaemon/AssetInfoReading.h"
#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

using StoreReplies = StoreTest;

TEST_F(StoreReplies, FixedAnswersAndEmptyReplies) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    const struct {
        int32_t op;
        Bytes payload;
        Bytes reply;
    } cases[] = {
        {181, Bytes(), Hex("01")},                             // GPU compression is off
        {236, Bytes(), Hex("01")},                             // ready
        {253, Bytes(), Hex("06000000 343730353900")},          // installed builds "47059"
        {242, Bytes(), Hex("00000000")},                       // no online token
        {4, Bytes(), Hex("00 00000000 00000000")},             // no repair has run
        {240, Bytes(), Hex("00000000 00000000 00000000 0000 00000000 0000")},
        {0, Bytes(), Bytes()},                                 // keep-alive
        {235, Bytes(), Bytes()},
        {31, Le64(12345), Bytes()},  // closing a handle that is not open
        {999, Hex("010203"), Bytes()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.op);
        bool ok = false;
        EXPECT_EQ(ToHex(link.Request(c.op, c.payload, &ok)), ToHex(c.reply));
        EXPECT_TRUE(ok) << "every request is answered";
    }
    EXPECT_TRUE(link.notices.empty());
}

// Frames that arrive together, the last one split across two writes, are
// each answered in order: the daemon reads ahead and keeps what it has not
// used yet.
TEST_F(StoreReplies, FramesThatArriveTogetherAreEachAnswered) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    Bytes frames;
    for (int32_t id : {1, 2, 3}) frames = frames + Le32(181) + Le32(id) + Le32(0);
    frames = frames + Le32(253) + Le32(4) + Hex("0000");
    ASSERT_TRUE(link.Send(frames));
    Bytes body;
    for (int32_t id : {1, 2, 3}) {
        ASSERT_TRUE(link.Await(id, body));
        EXPECT_EQ(ToHex(body), "01");
    }
    ASSERT_TRUE(link.Send(Hex("0000")));
    ASSERT_TRUE(link.Await(4, body));
    EXPECT_EQ(ToHex(body), ToHex(Hex("06000000 343730353900")));
    EXPECT_TRUE(link.replies.empty());
}

TEST_F(StoreReplies, OneWayMessagesGetNoReply) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    const struct {
        int32_t op;
        Bytes payload;
    } messages[] = {
        {50, Kuid(3, 100) + Hex("01")}, {54, Kuid(3, 100) + Text("x")}, {122, Kuid(3, 100) + Interned("k")},
        {140, Bytes()},                 {141, Hex("0000")},             {150, Le32(5) + Le32(2)},
        {231, Le64(1)},                 {241, Bytes()},                 {256, Bytes()},
    };
    for (const auto& m : messages) ASSERT_TRUE(link.SendFrame(m.op, 0, m.payload));
    bool ok = false;
    EXPECT_EQ(ToHex(link.Request(181, Bytes(), &ok)), "01");
    EXPECT_TRUE(ok);
    EXPECT_TRUE(link.replies.empty()) << "the first reply is the request's";
    EXPECT_TRUE(link.notices.empty());
}

TEST_F(StoreReplies, MalformedPayloadsAreAnsweredEmptyAndDoNothing) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    const struct {
        const char* what;
        int32_t op;
        Bytes payload;
    } cases[] = {
        {"open: KUID cut short", 30, Hex("640000")},
        {"info: no detail mask", 21, Kuid(3, 100)},
        {"create: name longer than the payload", 35, Kuid(3, 100) + Hex("01") + Le32(100) + Hex("4142")},
        {"create: negative name length", 35, Kuid(3, 100) + Hex("01") + Le32(-4)},
        {"commit: no flags", 34, Le64(1)},
        {"dependencies: count beyond the payload", 42, Le32(1000) + Kuid(3, 100)},
        {"dependencies: negative count", 42, Le32(-1)},
        {"setting value: no key", 102, Interned("internet")},
        {"setting value: an over-long key", 102, Interned("internet") + Le32(0x10000) + Bytes(0x10000, 'a')},
        {"repair: mode cut short", 3, Hex("6400")},
        {"user name: empty", 90, Bytes()},
        {"thumbnail: no size", 29, Kuid(3, 100)},
        {"location: flag missing", 23, Kuid(3, 100)},
        {"local data: no soup", 122, Kuid(3, 100) + Interned("k")},
        // Bytes after the last field make a payload as malformed as bytes
        // missing.
        {"create: a byte after the name", 35, Kuid(3, 100) + Hex("01") + Text("n") + Hex("00")},
        {"info: a byte after the mask", 21, Kuid(3, 100) + Le32(-1) + Hex("00")},
        {"search: a byte after the tree", 2, Hex("6c6f6f62") + Le32(0) + Hex("00")},
        {"dependencies: a KUID more than counted", 42, Le32(0) + Kuid(3, 100)},
        {"repair: a byte after the mode", 3, Le32(0) + Hex("00")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool ok = false;
        EXPECT_EQ(ToHex(link.Request(c.op, c.payload, &ok)), "");
        EXPECT_TRUE(ok);
        EXPECT_TRUE(TranscriptHas(" bad payload op=" + std::to_string(c.op) + " id=" + std::to_string(link.lastId) +
                                  "\n"));
    }
    EXPECT_EQ(AskInfo(link, Kuid(3, 100)).found, 0) << "nothing was created";
    EXPECT_EQ(ToHex(link.Request(4, Bytes())), ToHex(Hex("00 00000000 00000000"))) << "no repair started";
    // A one-way message cut short is dropped without an answer.
    ASSERT_TRUE(link.SendFrame(54, 0, Kuid(3, 100) + Le32(50)));
    EXPECT_TRUE(TranscriptHas(" bad payload op=54 id=0\n"));
    EXPECT_EQ(ToHex(link.Request(181, Bytes())), "01");
    EXPECT_TRUE(link.replies.empty());
}

TEST_F(StoreReplies, ScenarioRulesReplaceTheAnswerOrLetTheDaemonCarryOn) {
    UseScenario(
        "rules\n{\n"
        "  0 { op 253\n times 1\n reply { 0 \"pstring 1.0\" } }\n"
        "  1 { op 181\n times 1 }\n"
        "  2 { op 236\n times 1\n action \"carry\"\n notices { 0 { type 0\n payload { 0 \"int32 7\" } } } }\n"
        "}\n");
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    EXPECT_EQ(ToHex(link.Request(253, Bytes())), "04000000312e3000") << "the rule's reply";
    EXPECT_EQ(ToHex(link.Request(181, Bytes())), "") << "a rule without a reply gives an empty one";
    EXPECT_EQ(ToHex(link.Request(236, Bytes())), "01") << "carried out after the rule's notice";
    ASSERT_EQ(link.notices.size(), 1u);
    EXPECT_EQ(link.notices[0].word, 0);
    EXPECT_EQ(ToHex(link.notices[0].body), "07000000");
    // Each rule was used up: the daemon answers by itself again.
    EXPECT_EQ(ToHex(link.Request(253, Bytes())), "06000000343730353900");
    EXPECT_EQ(ToHex(link.Request(181, Bytes())), "01");
}

// A rule's wait outside 0 to a minute is not taken as weeks or as forever:
// a negative delay is no delay, and a question timeout out of range is the
// default 5 seconds, after which the rule answers.
TEST_F(StoreReplies, ScenarioWaitsOutOfRangeAreBounded) {
    UseScenario(
        "rules\n{\n"
        "  0 { op 181\n delay-ms -1\n reply { 0 \"byte 7\" } }\n"
        "  1 { op 236\n question { text \"Replace?\"\n kuid \"<kuid:1:2>\"\n timeout-ms -1 }\n"
        "      reply { 0 \"byte 8\" } }\n"
        "}\n");
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    bool ok = false;
    EXPECT_EQ(ToHex(link.Request(181, Bytes(), &ok)), "07");
    EXPECT_TRUE(ok);
    EXPECT_EQ(ToHex(link.Request(236, Bytes(), &ok)), "08");
    EXPECT_TRUE(ok);
    EXPECT_TRUE(TranscriptHas(" unanswered question id=" + std::to_string(link.lastId) + "\n"));
    ASSERT_EQ(link.notices.size(), 1u) << "the question";
}

// A payload item is only what its kind holds: a hex item takes two hex
// digits per byte (a sign or a blank in their place is no byte), and a
// number must fit its bytes, signed or not. A bad item is noted and leaves
// the reply empty.
TEST_F(StoreReplies, PayloadItemsTakeOnlyWhatTheirKindHolds) {
    const char* const bad[] = {"hex -1",        "hex 01 f",   "hex +f",
                               "byte 256",      "byte -129",  "int32 4294967296",
                               "int32 -2147483649", "int64 99999999999999999999"};
    std::string rules = "rules\n{\n  0 { op 181\n times 1\n reply { 0 \"hex 0aFf\"\n 1 \"byte 255\"\n"
                        " 2 \"byte -1\"\n 3 \"int32 4294967295\"\n 4 \"int32 -2147483648\" } }\n";
    for (std::size_t i = 0; i < std::size(bad); ++i)
        rules += "  " + std::to_string(i + 1) + " { op 181\n times 1\n reply { 0 \"" + bad[i] + "\" } }\n";
    UseScenario(rules + "}\n");
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    EXPECT_EQ(ToHex(link.Request(181, Bytes())), "0aff" "ffff" "ffffffff" "00000080");
    for (const char* item : bad) {
        SCOPED_TRACE(item);
        bool ok = false;
        EXPECT_EQ(ToHex(link.Request(181, Bytes(), &ok)), "");
        EXPECT_TRUE(ok);
        EXPECT_TRUE(TranscriptHas(std::string("scenario bad payload item '") + item + "'"));
    }
}

TEST_F(StoreReplies, LocalDataOfTheOnlineAccess) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    // {"score": "12"}: L 0b, N 6, "score", type 3, "12".
    const Bytes soup = Hex("41435324 01000000 00000000 0f000000 0b000000 06 73636f726500 03 313200");
    EXPECT_EQ(ToHex(link.Request(121, Kuid(3, 100) + Interned("progress"))),
              "41435324010000000000000000000000");
    ASSERT_TRUE(link.SendFrame(122, 0, Kuid(3, 100) + Interned("progress") + soup));
    EXPECT_EQ(ToHex(link.Request(121, Kuid(3, 100) + Interned("progress"))), ToHex(soup));
    EXPECT_EQ(ToHex(link.Request(121, Kuid(3, 101) + Interned("progress"))),
              "41435324010000000000000000000000");
}

}  // namespace
