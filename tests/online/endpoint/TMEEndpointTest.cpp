#include "online/TMEEndpoint.h"

#include <gtest/gtest.h>

#include <random>

#include "online/endpoint/LossyLink.h"
#include "online/TMEScrambler.h"

namespace {

using namespace OnlineTest;

Bytes Payload(std::size_t length, uint8_t seed) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

std::vector<Bytes> Sequenced(const std::vector<SentDatagram>& log) {
    std::vector<Bytes> out;
    for (const auto& sent : log)
        if (!sent.bytes.empty() && sent.bytes[0] != 0) out.push_back(sent.bytes);
    return out;
}

struct LinkCase {
    const char* name;
    int32_t mode;
    LinkPolicy policy;
    std::size_t maxPayload;
};

class LossyLinkTest : public ::testing::TestWithParam<LinkCase> {};

// Every message arrives exactly once and in sending order, both ways,
// whatever the link loses, reorders or duplicates; sequences wrap past 255.
TEST_P(LossyLinkTest, EveryMessageArrivesOnceAndInOrder) {
    const LinkCase& c = GetParam();
    LossyLink link(c.mode, c.policy, 42);
    std::mt19937 sizes(7);
    std::vector<Bytes> sentAB, sentBA;
    for (int i = 0; i < 400; ++i) {
        std::size_t length = 1 + sizes() % c.maxPayload;
        sentAB.push_back(Payload(length, static_cast<uint8_t>(i)));
        if (i % 4 == 0) sentBA.push_back(Payload(length / 2 + 1, static_cast<uint8_t>(i + 1)));
    }
    std::size_t nextAB = 0, nextBA = 0;
    for (int round = 0; round < 20000; ++round) {
        // Queue in bursts, as an owner would.
        for (int k = 0; k < 5 && nextAB < sentAB.size(); ++k) ASSERT_TRUE(link.a.QueuePacket(MakePacket(sentAB[nextAB++])));
        if (nextBA < sentBA.size()) ASSERT_TRUE(link.b.QueuePacket(MakePacket(sentBA[nextBA++])));
        link.Step(0.25);
        if (link.b.delivered.size() == sentAB.size() && link.a.delivered.size() == sentBA.size()) break;
    }
    EXPECT_EQ(link.b.delivered, sentAB);
    EXPECT_EQ(link.a.delivered, sentBA);
    EXPECT_EQ(link.a.disconnects, 0);
    EXPECT_EQ(link.b.disconnects, 0);
    EXPECT_LE(link.b.HeldCount(), TMEEndpoint::kMaxHeld);
}

INSTANTIATE_TEST_SUITE_P(
    Links, LossyLinkTest,
    ::testing::Values(LinkCase{"plain_perfect", TMEEndpoint::kModePlain, {}, 300},
                      LinkCase{"plain_lossy", TMEEndpoint::kModePlain, {0.05, 0.0, 0.0}, 300},
                      LinkCase{"plain_reordering_duplicating", TMEEndpoint::kModePlain, {0.0, 0.3, 0.2}, 300},
                      LinkCase{"plain_everything", TMEEndpoint::kModePlain, {0.05, 0.2, 0.1}, 300},
                      LinkCase{"fragments_perfect", TMEEndpoint::kModeFragmenting, {}, 5000},
                      LinkCase{"fragments_everything", TMEEndpoint::kModeFragmenting, {0.05, 0.2, 0.1}, 5000}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

TEST(TMEEndpointTest, AnUnansweredPacketIsSentFiveTimesThenTheLinkEnds) {
    LossyLink link(TMEEndpoint::kModePlain);
    link.peerA.down = true;
    ASSERT_TRUE(link.a.QueuePacket(MakePacket(Payload(10, 1))));
    std::vector<double> sends;
    double endedAt = -1;
    for (int i = 0; i < 400 && endedAt < 0; ++i) {
        link.Step(0.5);
        if (!link.a.HasPeer()) endedAt = GetProgramTime() - 0.5;
    }
    for (const auto& sent : link.peerA.log)
        if (!sent.bytes.empty() && sent.bytes[0] == 1) sends.push_back(sent.time);
    // After the first send at 0: 2, 4, 16 and 32 s between sends; 64 s after
    // the fifth, the link ends.
    EXPECT_EQ(sends, (std::vector<double>{0.0, 2.5, 7.0, 23.5, 56.0}));
    EXPECT_EQ(endedAt, 120.5);
    EXPECT_EQ(link.a.disconnects, 1);
}

TEST(TMEEndpointTest, AnOwedAckGoesOutOneSecondAfterTheDeliveryAndKeepAlivesEvery30Seconds) {
    LossyLink link(TMEEndpoint::kModePlain);
    SetProgramTime(10.0);
    ASSERT_TRUE(link.a.QueuePacket(MakePacket(Payload(4, 1))));
    link.a.Update();
    link.Pump();
    ASSERT_EQ(link.b.delivered.size(), 1u);
    const std::size_t before = link.peerB.log.size();
    for (double t : {10.5, 11.0}) {
        SetProgramTime(t);
        link.b.Update();
    }
    EXPECT_EQ(link.peerB.log.size(), before) << "no ack within the first second";
    SetProgramTime(11.5);
    link.b.Update();
    ASSERT_EQ(link.peerB.log.size(), before + 1);
    EXPECT_EQ(link.peerB.log.back().bytes, (Bytes{0, 1})) << "an empty control packet carrying the ack";

    // Nothing more to say: the next keep-alive comes 30 s after the last send.
    const std::size_t acked = link.peerB.log.size();
    SetProgramTime(41.5);
    link.b.Update();
    EXPECT_EQ(link.peerB.log.size(), acked);
    SetProgramTime(42.0);
    link.b.Update();
    EXPECT_EQ(link.peerB.log.size(), acked + 1);
}

TEST(TMEEndpointTest, SilenceEndsTheLinkAfter300SecondsButKeepAlivesKeepItUp) {
    {
        LossyLink link(TMEEndpoint::kModePlain);
        link.peerB.down = true;  // a hears nothing
        for (int i = 0; i < 1000 && link.a.HasPeer(); ++i) link.Step(0.5);
        EXPECT_FALSE(link.a.HasPeer());
        EXPECT_GT(GetProgramTime(), 300.0);
        EXPECT_LT(GetProgramTime(), 302.0);
    }
    {
        LossyLink link(TMEEndpoint::kModePlain);
        for (int i = 0; i < 2000; ++i) link.Step(0.5);
        EXPECT_TRUE(link.a.HasPeer());
        EXPECT_TRUE(link.b.HasPeer());
    }
}

TEST(TMEEndpointTest, QueueWindowAndPendingLimits) {
    LossyLink link(TMEEndpoint::kModePlain);
    link.peerA.down = true;
    for (int i = 0; i < 1001; ++i) ASSERT_TRUE(link.a.QueuePacket(MakePacket(Payload(1, 0)))) << i;
    TMEPacket* refused = MakePacket(Payload(1, 0));
    EXPECT_FALSE(link.a.QueuePacket(refused)) << "more than 1000 pending";
    delete refused;  // still the caller's
    link.a.Update();
    EXPECT_EQ(link.a.UnacknowledgedCount(), TMEEndpoint::kMaxUnacknowledged);
    EXPECT_EQ(link.a.PendingCount(), 1001u - 60u);

    RecordingEndpoint unattached;
    TMEPacket* orphan = MakePacket(Payload(1, 0));
    EXPECT_FALSE(unattached.QueuePacket(orphan)) << "no peer";
    delete orphan;
}

TEST(TMEEndpointTest, SequencesWrapFrom255To1AndAcksAreCumulative) {
    LossyLink link(TMEEndpoint::kModePlain);
    for (int i = 0; i < 253; ++i) {
        ASSERT_TRUE(link.a.QueuePacket(MakePacket(Payload(2, static_cast<uint8_t>(i)))));
        link.Step(0.1);
    }
    for (int i = 0; i < 30; ++i) link.Step(0.5);  // acks arrive
    ASSERT_EQ(link.b.delivered.size(), 253u);
    ASSERT_EQ(link.a.UnacknowledgedCount(), 0u);

    link.peerA.down = true;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(link.a.QueuePacket(MakePacket(Payload(2, 9))));
    link.a.Update();
    const auto sequenced = Sequenced(link.peerA.log);
    ASSERT_GE(sequenced.size(), 3u);
    EXPECT_EQ(sequenced[sequenced.size() - 3][0], 254);
    EXPECT_EQ(sequenced[sequenced.size() - 2][0], 255);
    EXPECT_EQ(sequenced[sequenced.size() - 1][0], 1) << "0 is never a sequence";
    ASSERT_EQ(link.a.UnacknowledgedCount(), 3u);

    const uint8_t ack255[2] = {0, 255};
    link.peerA.Deliver(ack255, 2);
    EXPECT_EQ(link.a.UnacknowledgedCount(), 1u) << "254 and 255 acknowledged, 1 not";
}

TEST(TMEEndpointTest, ReversedArrivalsAreDeliveredInSendingOrderByTheSecond) {
    LossyLink link(TMEEndpoint::kModePlain);
    const uint8_t second[3] = {2, 0, 'b'}, first[3] = {1, 0, 'a'};
    link.peerB.Deliver(second, 3);
    EXPECT_TRUE(link.b.delivered.empty());
    EXPECT_EQ(link.b.HeldCount(), 1u);
    link.peerB.Deliver(first, 3);
    EXPECT_EQ(link.b.delivered, (std::vector<Bytes>{{'a'}, {'b'}}));
    EXPECT_EQ(link.b.HeldCount(), 0u);

    // A resend of something already delivered makes an ack owed again.
    SetProgramTime(5.0);
    link.b.Update();  // the owed ack goes out
    const std::size_t sent = link.peerB.log.size();
    link.peerB.Deliver(first, 3);
    SetProgramTime(5.5);
    link.b.Update();
    EXPECT_EQ(link.peerB.log.size(), sent) << "not within 1 s of the last send";
    SetProgramTime(6.5);
    link.b.Update();
    ASSERT_EQ(link.peerB.log.size(), sent + 1);
    EXPECT_EQ(link.peerB.log.back().bytes, (Bytes{0, 2}));
}

TEST(TMEEndpointTest, FragmentsAreBalancedAndPacketsNeedingMoreThan127AreNeverSent) {
    struct Case {
        std::size_t length;
        std::vector<std::size_t> pieces;
    };
    for (const Case& c : {Case{2395, {798, 798, 799}}, Case{2394, {1197, 1197}}, Case{0, {0}}, Case{1, {1}}}) {
        LossyLink link(TMEEndpoint::kModeFragmenting);
        ASSERT_TRUE(link.a.QueuePacket(MakePacket(Payload(c.length, 3))));
        link.a.Update();
        const auto sent = Sequenced(link.peerA.log);
        ASSERT_EQ(sent.size(), c.pieces.size()) << c.length;
        for (std::size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(sent[i].size(), 3 + c.pieces[i]) << c.length;
            uint8_t index = static_cast<uint8_t>(i == sent.size() - 1 ? (i | 0x80) : i);
            EXPECT_EQ(sent[i][2], index);
        }
        link.Pump();
        if (c.length > 0) {
            ASSERT_EQ(link.b.delivered.size(), 1u) << c.length;
            EXPECT_EQ(link.b.delivered[0], Payload(c.length, 3));
        }
    }
    LossyLink link(TMEEndpoint::kModeFragmenting);
    ASSERT_TRUE(link.a.QueuePacket(MakePacket(Payload(152020, 3))));
    link.a.Update();
    EXPECT_TRUE(Sequenced(link.peerA.log).empty()) << "128 fragments: nothing goes out";
    EXPECT_EQ(link.a.UnacknowledgedCount(), 1u);
}

TEST(TMEEndpointTest, ReceivedPayloadsOver65536BytesAreDropped) {
    LossyLink link(TMEEndpoint::kModePlain);
    Bytes datagram(2 + 65537, 'x');
    datagram[0] = 1;
    datagram[1] = 0;
    link.peerB.Deliver(datagram.data(), static_cast<int>(datagram.size()));
    EXPECT_TRUE(link.b.delivered.empty());
    datagram.pop_back();
    link.peerB.Deliver(datagram.data(), static_cast<int>(datagram.size()));
    ASSERT_EQ(link.b.delivered.size(), 1u);
    EXPECT_EQ(link.b.delivered[0].size(), 65536u);
}

// The scrambling, written out from its description, independently of the
// endpoint's code.
uint8_t ReferenceScrambleByte(uint8_t in, const Bytes& key, uint32_t& position) {
    uint8_t k = key[(position / 13) % key.size()];
    unsigned r = (position / 7) % 8;
    k = static_cast<uint8_t>(((k >> r) | (k << ((8 - r) % 8))) & 0xFF);
    uint8_t out = static_cast<uint8_t>(in ^ static_cast<uint8_t>((k + position) % 256));
    position += out;
    return out;
}

TEST(TMEScramblerTest, MatchesTheReferenceAtEveryPositionAndReverses) {
    const Bytes key = {0x81, 0x42, 0x23, 0x14, 0x05, 0xF6, 0xE7, 0xD8, 0xC9, 0x3A, 0x2B, 0x1C, 0x0D, 0x7E, 0x6F, 0x50};
    const std::string_view keyView(reinterpret_cast<const char*>(key.data()), key.size());
    // Position 0: the first key byte as it is.
    {
        uint8_t byte = 0x55;
        uint32_t position = 0;
        TMEScrambler::Scramble(&byte, 1, keyView, position);
        EXPECT_EQ(byte, 0x55 ^ 0x81);
        EXPECT_EQ(position, static_cast<uint32_t>(0x55 ^ 0x81));
    }
    // Position 7: still the first key byte, rotated right by one, plus 7.
    {
        uint8_t byte = 0x55;
        uint32_t position = 7;
        TMEScrambler::Scramble(&byte, 1, keyView, position);
        EXPECT_EQ(byte, 0x55 ^ static_cast<uint8_t>(0xC0 + 7));
    }
    Bytes data = Payload(5000, 11), expected = data;
    uint32_t referencePosition = 123456789, position = 123456789;
    for (uint8_t& b : expected) b = ReferenceScrambleByte(b, key, referencePosition);
    TMEScrambler::Scramble(data.data(), data.size(), keyView, position);
    EXPECT_EQ(data, expected);
    EXPECT_EQ(position, referencePosition);
    uint32_t back = 123456789;
    TMEScrambler::Unscramble(data.data(), data.size(), keyView, back);
    EXPECT_EQ(data, Payload(5000, 11));
    EXPECT_EQ(back, referencePosition);
}

TEST(TMEEndpointTest, ScrambledStreamsSurviveReorderingAndAreUnscrambledOnlyAtDelivery) {
    LossyLink link(TMEEndpoint::kModeFragmenting);
    const Vek::String sessionA = link.a.GetSessionKey(), sessionB = link.b.GetSessionKey();
    for (std::size_t i = 0; i < sessionA.Length(); ++i) EXPECT_NE(sessionA.c_str()[i], 0) << "no zero byte";
    ASSERT_EQ(sessionA.Length(), 8u);
    ASSERT_TRUE(link.a.SetServerKey(sessionB));
    ASSERT_TRUE(link.b.SetServerKey(sessionA));

    std::vector<Bytes> sent = {Payload(100, 1), Payload(3000, 2), Payload(7, 3)};
    for (const Bytes& p : sent) ASSERT_TRUE(link.a.QueuePacket(MakePacket(p)));
    link.a.Update();
    EXPECT_NE(Sequenced(link.peerA.log)[0], (Bytes{1, 0, 0x80}))
        << "payloads leave scrambled";
    // Reverse the datagrams: later packets are held, then unscrambled in order.
    std::reverse(link.peerA.inFlight.begin(), link.peerA.inFlight.end());
    link.Pump();
    EXPECT_EQ(link.b.delivered, sent);

    Vek::String shortKey;
    shortKey.Append("1234567", 7);
    EXPECT_FALSE(link.a.SetServerKey(shortKey));
    EXPECT_EQ(link.a.GetServerKey().Length(), 0u) << "scrambling is off";
}

TEST(TMEEndpointTest, DamagedDatagramsAreIgnored) {
    const std::vector<Bytes> damaged = {
        {},                        // empty
        {5},                       // one byte
        {7, 0, 0x80},              // a last fragment with no piece (counts as missing)
        {9, 0, 0xFF, 1, 2},        // index 127 as the last of 128
        {3, 200, 1, 1},            // an ack for something never sent
        {0, 0, 1, 2, 3},           // an unknown control payload
    };
    for (int32_t mode : {int32_t{TMEEndpoint::kModePlain}, int32_t{TMEEndpoint::kModeFragmenting}, int32_t{7}}) {
        LossyLink link(mode);
        for (const Bytes& d : damaged) link.peerB.Deliver(d.data(), static_cast<int>(d.size()));
        for (int i = 0; i < 10; ++i) link.Step(0.5);
        EXPECT_TRUE(link.b.delivered.empty()) << "mode " << mode;
        EXPECT_TRUE(link.b.HasPeer()) << "mode " << mode;
    }
}

TEST(TMEEndpointTest, ACloseNoticeEndsTheOtherSide) {
    LossyLink link(TMEEndpoint::kModeFragmenting);
    link.a.Disconnect();
    EXPECT_EQ(link.peerA.log.back().bytes, (Bytes{0, 0, 0}));
    link.Pump();
    EXPECT_FALSE(link.b.HasPeer());
    EXPECT_EQ(link.b.disconnects, 1);
}

}  // namespace
