#include "online/OnlineAccessClientEndpoint.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include "engine/File.h"
#include "foundation/network/HostResolver.h"
#include "foundation/streams/BufferStream.h"
#include "online/access/OnlineAccessTestSupport.h"
#include "online/access/StandInOnlineServer.h"
#include "online/TMEPacket.h"
#include "support/TempDir.h"

namespace {

using namespace OnlineTest;
using State = OnlineAccessClientEndpoint::State;

class OnlineAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        AddResolverUse();
        SetProgramTime(100.0);
    }
    void TearDown() override { ReleaseResolverUse(); }
};

SoupHandle Soup(const char* key, int value) {
    SoupHandle soup;
    soup.SetInt(Vek::PString(key), value);
    return soup;
}

class ServerTest : public OnlineAccessTest {
protected:
    void Start(const std::string& scenario = std::string()) {
        m_server = std::make_unique<StandInOnlineServer>(scenario);
        if (m_server->Port() == 0) GTEST_SKIP() << "the stand-in online server is not built";
        alice.port = bob.port = m_server->Port();
        bob.profile = "bob";
        bob.token = "token-b";
    }
    bool SignIn(OnlineAccessClientEndpoint& endpoint) {
        if (!endpoint.Connect(false)) return false;
        return DriveUntil({&endpoint}, [&] { return endpoint.GetState() != State::kConnecting; }) &&
               endpoint.GetState() == State::kConnected;
    }
    FakeAccount alice, bob;
    std::unique_ptr<StandInOnlineServer> m_server;
};

TEST_F(ServerTest, SignsInWithProfileAndTokenAndTakesTheFloodLimits) {
    Start("minute-limit 600\nhour-limit 36000\nmultiplayer 1\n");
    OnlineAccessClientEndpoint endpoint(alice);
    ASSERT_TRUE(SignIn(endpoint));
    EXPECT_EQ(endpoint.MinuteLimit(), 600.0);
    EXPECT_EQ(endpoint.HourLimit(), 36000.0);
    EXPECT_TRUE(endpoint.CanAccessMultiplayer());
    EXPECT_FALSE(endpoint.Connect(false)) << "already connected";
    const std::string transcript = m_server->Transcript();
    EXPECT_NE(transcript.find("c1 login profile=alice application="), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("session-key-bytes=8 last=4"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("c1 token token-a"), std::string::npos) << "the token arrives unscrambled at the server";
}

TEST_F(ServerTest, ServerRefusalsEndInTheirStates) {
    struct Case {
        const char* scenario;
        int32_t state;
        int refusalsNoticed;
    };
    for (const Case& c : {Case{"token-error \"unknown token\"\n", State::kRefused, 1},
                          Case{"plain-result 1\ntoken-error \"banned\"\n", State::kRefused, 1},
                          Case{"login-error \"maintenance\"\n", State::kRefused, 0},
                          Case{"short-key 1\n", State::kCannotSignIn, 0},
                          Case{"plain-result 1\n", State::kConnected, 0}}) {
        Start(c.scenario);
        FakeAccount account;
        account.port = m_server->Port();
        OnlineAccessClientEndpoint endpoint(account);
        ASSERT_TRUE(endpoint.Connect(false));
        DriveUntil({&endpoint}, [&] { return endpoint.GetState() == c.state; });
        EXPECT_EQ(endpoint.GetState(), c.state) << c.scenario;
        EXPECT_EQ(account.refusals, c.refusalsNoticed) << c.scenario;
    }
}

TEST_F(ServerTest, MessagesReachTheSameLibraryOfAnotherUserAndWaitForItsClient) {
    Start();
    OnlineAccessClientEndpoint a(alice), b(bob);
    ASSERT_TRUE(SignIn(a));
    ASSERT_TRUE(SignIn(b));
    const KUID library(1, 2, 3);
    RecordingClient onB(library);
    b.AddClient(&onB);
    EXPECT_EQ(a.SendVersionedMessage(library, Vek::String("bob"), Soup("speed", 40), true), 0);
    ASSERT_TRUE(DriveUntil({&a, &b}, [&] { return onB.received.size() == 1; }));
    auto* message = dynamic_cast<OnlineVersionedMessage*>(onB.received[0]);
    ASSERT_NE(message, nullptr);
    EXPECT_STREQ(message->name.c_str(), "alice") << "the server names the sender";
    EXPECT_EQ(message->soup.GetInt(Vek::PString("speed"), 0), 40);
    EXPECT_EQ(message->version, 1);
    EXPECT_TRUE(message->flag);

    // Another version of the library is not there: the message is stored,
    // and replayed when a client of the same user and content registers.
    b.RemoveClient(&onB);
    RecordingClient olderOnB(KUID(1, 2, 0));
    b.AddClient(&olderOnB);
    EXPECT_EQ(a.SendVersionedMessage(library, Vek::String("bob"), Soup("speed", 50), false), 0);
    ASSERT_TRUE(DriveUntil({&a, &b}, [&] { return b.StoredMessages().size() == 1; }));
    EXPECT_TRUE(olderOnB.received.empty());
    b.AddClient(&olderOnB);
    ASSERT_EQ(olderOnB.received.size(), 1u);
    EXPECT_TRUE(b.StoredMessages().empty());
    b.RemoveClient(&olderOnB);
}

// A flood of messages for a library that is not there stores only the
// newest, however many the server sends.
TEST_F(ServerTest, AFloodForAnAbsentClientKeepsTheNewestMessages) {
    Start();
    OnlineAccessClientEndpoint a(alice), b(bob);
    ASSERT_TRUE(SignIn(a));
    ASSERT_TRUE(SignIn(b));
    const KUID library(1, 2, 3);
    const int sent = static_cast<int>(OnlineAccessClientEndpoint::kMaxStoredPerClient) + 40;
    for (int i = 0; i < sent; ++i) {
        ASSERT_EQ(a.SendVersionedMessage(library, Vek::String("bob"), Soup("i", i), false), 0) << i;
        if (i % 20 == 19 || i == sent - 1) ASSERT_TRUE(DriveUntil({&a, &b}, [&] {
            return !b.StoredMessages().empty() && b.StoredMessages().back()->soup.GetInt(Vek::PString("i"), -1) == i;
        })) << i;
    }
    ASSERT_EQ(b.StoredMessages().size(), OnlineAccessClientEndpoint::kMaxStoredPerClient);
    EXPECT_EQ(b.StoredMessages().front()->soup.GetInt(Vek::PString("i"), -1), 40);
    RecordingClient onB(library);
    b.AddClient(&onB);
    EXPECT_EQ(onB.received.size(), OnlineAccessClientEndpoint::kMaxStoredPerClient);
    EXPECT_EQ(b.StoredBytes(), 0u);
    b.RemoveClient(&onB);
}

TEST_F(ServerTest, FloodBucketsSendAtTheLimitAndHoldBackBeyondIt) {
    Start();
    OnlineAccessClientEndpoint a(alice);
    ASSERT_TRUE(SignIn(a));
    // Learn one message's size from the bucket, then make that the limit.
    const KUID library(1, 2, 3);
    ASSERT_EQ(a.SendVersionedMessage(library, Vek::String("nobody"), Soup("n", 1), false), 0);
    const double size = a.MinuteBucket();
    ASSERT_GT(size, 0.0);
    a.Reset();
    ASSERT_TRUE(SignIn(a));  // buckets start at 0 again
    Start("minute-limit " + std::to_string(static_cast<int>(size)) + "\n");
    OnlineAccessClientEndpoint limited(alice);
    ASSERT_TRUE(SignIn(limited));
    // No update between the sends: the buckets do not decay.
    EXPECT_EQ(limited.SendVersionedMessage(library, Vek::String("nobody"), Soup("n", 1), false), 0);
    EXPECT_EQ(limited.MinuteBucket(), size);
    EXPECT_EQ(limited.SendVersionedMessage(library, Vek::String("nobody"), Soup("n", 1), false), 0)
        << "the bucket holds exactly the limit: still sent";
    EXPECT_EQ(limited.SendVersionedMessage(library, Vek::String("nobody"), Soup("n", 1), false), 4)
        << "over the limit";
    // Restricted senders need multiplayer access.
    Start("multiplayer 0\n");
    OnlineAccessClientEndpoint noMultiplayer(alice);
    ASSERT_TRUE(SignIn(noMultiplayer));
    EXPECT_EQ(noMultiplayer.SendVersionedMessage(KUID(30501, 1020, 0), Vek::String("x"), SoupHandle(), false), 3);
    OnlineAccessClientEndpoint idle(alice);
    EXPECT_EQ(idle.SendVersionedMessage(library, Vek::String("x"), SoupHandle(), false), 1) << "not connected";
}

TEST_F(ServerTest, GroupsAreCreatedJoinedAndCarryMessages) {
    Start();
    OnlineAccessClientEndpoint a(alice), b(bob);
    ASSERT_TRUE(SignIn(a));
    ASSERT_TRUE(SignIn(b));
    RecordingGroup groupA, groupB;
    a.AddGroup(&groupA);
    b.AddGroup(&groupB);
    groupA.requestId = a.SendGroupCreate(5);
    EXPECT_EQ(groupA.requestId, 1) << "the first request id";
    ASSERT_TRUE(DriveUntil({&a, &b}, [&] { return !groupA.cookie.empty(); }));
    EXPECT_EQ(groupA.events.front(), "joined " + groupA.cookie + " alice:1");

    groupB.cookie = groupA.cookie;
    b.SendGroupOpen(Vek::PString(groupB.cookie.c_str()), 5);
    ASSERT_TRUE(DriveUntil({&a, &b}, [&] { return groupA.events.size() == 2 && groupB.events.size() == 1; }));
    EXPECT_EQ(groupB.events[0], "joined " + groupA.cookie + " alice:1,bob:1");
    EXPECT_EQ(groupA.events[1], "members bob:1");

    EXPECT_EQ(a.SendGroupMessage(KUID(1, 2, 3), Vek::PString(groupA.cookie.c_str()), Soup("hello", 1)), 0);
    ASSERT_TRUE(DriveUntil({&a, &b}, [&] { return groupB.events.size() == 2; }));
    EXPECT_EQ(groupB.events[1], "message from alice");

    b.SendGroupLeave(Vek::PString(groupB.cookie.c_str()));
    ASSERT_TRUE(DriveUntil({&a, &b}, [&] { return groupA.events.size() == 3; }));
    EXPECT_EQ(groupA.events[2], "members bob:255");
    a.RemoveGroup(&groupA);
    b.RemoveGroup(&groupB);
}

TEST_F(ServerTest, ACloseNoticeLosesTheConnection) {
    Start("close-after-login 1\n");
    OnlineAccessClientEndpoint a(alice);
    ASSERT_TRUE(a.Connect(false));
    ASSERT_TRUE(DriveUntil({&a}, [&] { return a.GetState() == State::kConnectionLost; }));
}

TEST_F(OnlineAccessTest, TheFirstDatagramIsTheLogin) {
    int server = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(server, reinterpret_cast<sockaddr*>(&address), &length);
    FakeAccount account;
    account.port = ntohs(address.sin_port);
    OnlineAccessClientEndpoint endpoint(account);
    ASSERT_TRUE(endpoint.Connect(false));
    EXPECT_EQ(endpoint.GetState(), State::kConnecting);
    endpoint.Update();
    uint8_t bytes[2000];
    const ssize_t got = ::recv(server, bytes, sizeof bytes, 0);
    ASSERT_GT(got, 4);
    EXPECT_EQ(bytes[0], 1) << "sequence 1";
    EXPECT_EQ(bytes[1], 0) << "ack 0";
    EXPECT_EQ(bytes[2], 0x80) << "one fragment, the last";
    EXPECT_EQ(bytes[3], 31) << "the login";
    ::close(server);
}

TEST_F(OnlineAccessTest, TheSignInPageRoute) {
    FakeAccount account;
    account.token.clear();
    {
        OnlineAccessClientEndpoint endpoint(account);
        EXPECT_FALSE(endpoint.Connect(false));
        EXPECT_EQ(endpoint.GetState(), State::kConnecting);
        ASSERT_TRUE(endpoint.SignInPending());
        // The user signs in: the next update connects with the new token.
        account.token = "fresh";
        account.lastSignIn->complete = true;
        endpoint.Update();
        EXPECT_FALSE(endpoint.SignInPending());
        EXPECT_EQ(account.signInDeletions, 1) << "deleted once, though Connect resets too";
        EXPECT_EQ(endpoint.GetState(), State::kConnecting);
        EXPECT_TRUE(endpoint.HasPeer()) << "the login went out";
    }
    {
        account.token.clear();
        OnlineAccessClientEndpoint endpoint(account);
        endpoint.Connect(false);
        account.lastSignIn->complete = true;
        account.lastSignIn->result = 3;
        endpoint.Update();
        EXPECT_EQ(endpoint.GetState(), State::kRefused);
    }
    {
        account.signInPossible = false;
        OnlineAccessClientEndpoint endpoint(account);
        EXPECT_FALSE(endpoint.Connect(false));
        EXPECT_EQ(endpoint.GetState(), State::kCannotSignIn);
    }
    {
        account.profile.clear();
        OnlineAccessClientEndpoint endpoint(account);
        EXPECT_FALSE(endpoint.Connect(false));
        EXPECT_EQ(endpoint.GetState(), State::kNoProfile);
    }
}

// The key packet: a key cut short is no key (the token would go out
// scrambled with the wrong bytes), however many of its bytes came.
TEST_F(OnlineAccessTest, AKeyCutShortIsNoKey) {
    const std::string key = "0123456789abcdef";
    struct Case {
        int32_t cut;  // bytes taken off the end
        int32_t state;
        std::size_t keyLength;
    };
    for (const Case& c : {Case{0, State::kIdle, key.size()}, Case{1, State::kCannotSignIn, 0},
                          Case{8, State::kCannotSignIn, 0}, Case{16, State::kCannotSignIn, 0}}) {
        TMEPacket whole;
        whole.WriteByte(1);
        whole.WriteString("");
        whole.WriteString(key.c_str());
        FakeAccount account;
        OnlineAccessClientEndpoint endpoint(account);
        TMEPacket packet(whole.PayloadBytes(), whole.PayloadLength() - c.cut);
        endpoint.HandlePacket(&packet);
        EXPECT_EQ(endpoint.GetState(), c.state) << c.cut;
        EXPECT_EQ(endpoint.GetServerKey().Length(), c.keyLength) << c.cut;
    }
}

// The signed-in packet with the flood limits, whole and cut short: a limit
// that is not there keeps its value instead of becoming 0.
TEST_F(OnlineAccessTest, FloodLimitsCutShortKeepTheirValues) {
    TMEPacket whole;
    whole.WriteByte(4);
    whole.WriteString("");
    whole.WriteByte(1);
    whole.WriteUInt32(600);
    whole.WriteUInt32(0);
    whole.WriteUInt32(36000);
    const int32_t length = whole.PayloadLength();
    struct Case {
        int32_t cut;  // bytes taken off the end
        double minute, hour;
    };
    const double defaultMinute = OnlineAccessClientEndpoint::kDefaultMinuteLimit;
    const double defaultHour = OnlineAccessClientEndpoint::kDefaultHourLimit;
    for (const Case& c : {Case{0, 600.0, 36000.0}, Case{1, 600.0, defaultHour}, Case{8, 600.0, defaultHour},
                          Case{9, defaultMinute, defaultHour}, Case{12, defaultMinute, defaultHour}}) {
        FakeAccount account;
        OnlineAccessClientEndpoint endpoint(account);
        TMEPacket packet(whole.PayloadBytes(), length - c.cut);
        endpoint.HandlePacket(&packet);
        EXPECT_EQ(endpoint.GetState(), State::kConnected) << c.cut;
        EXPECT_EQ(endpoint.MinuteLimit(), c.minute) << c.cut;
        EXPECT_EQ(endpoint.HourLimit(), c.hour) << c.cut;
    }
}

void Receive(OnlineAccessClientEndpoint& endpoint, const KUID& sender, const std::string& name, int index) {
    OnlineVersionedMessage message;
    message.sender = sender;
    message.name = Vek::String(name.c_str());
    message.soup = Soup("i", index);
    TMEPacket packet;
    packet.WriteByte(11);
    message.Write(packet);
    packet.Rewind();
    endpoint.HandlePacket(&packet);
}

// The store's bounds: per client (any version of one user and content id),
// in messages and in bytes; the oldest goes first, and a cache read keeps
// to the same bounds.
TEST_F(OnlineAccessTest, StoredMessagesAreBoundedOldestDroppedFirst) {
    using Endpoint = OnlineAccessClientEndpoint;
    struct Case {
        const char* what;
        int messages;
        bool oneClient;
        std::size_t nameBytes;
        std::size_t kept;
    };
    const std::size_t bigRecord = 60000;
    const Case cases[] = {
        {"one client, several versions", 100, true, 8, Endpoint::kMaxStoredPerClient},
        {"many clients", 1500, false, 8, Endpoint::kMaxStoredMessages},
        {"large messages", 100, false, bigRecord, Endpoint::kMaxStoredBytes / (bigRecord + 64)},
    };
    FakeAccount account;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Endpoint endpoint(account);
        Receive(endpoint, KUID(99, 1, 0), "other", -1);  // another client's, oldest
        for (int i = 0; i < c.messages; ++i)
            Receive(endpoint, c.oneClient ? KUID(7, 8, i % 3) : KUID(1000 + i, 8, 0), std::string(c.nameBytes, 'n'), i);
        const std::vector<OnlineMessage*>& stored = endpoint.StoredMessages();
        ASSERT_LE(stored.size(), Endpoint::kMaxStoredMessages);
        ASSERT_GE(stored.size(), c.kept);
        ASSERT_LE(endpoint.StoredBytes(), Endpoint::kMaxStoredBytes);
        // The newest are kept, in order.
        const int first = c.messages - static_cast<int>(c.oneClient ? c.kept : stored.size());
        const std::size_t from = stored.size() - (c.oneClient ? c.kept : stored.size());
        for (std::size_t k = from; k < stored.size(); ++k)
            ASSERT_EQ(stored[k]->soup.GetInt(Vek::PString("i"), -2), first + static_cast<int>(k - from)) << k;
        if (c.oneClient) {
            ASSERT_EQ(stored.size(), c.kept + 1);
            EXPECT_STREQ(stored[0]->name.c_str(), "other") << "another client's message stays";
        }
        TBuffer body;
        endpoint.SaveStoredMessages(body);
        EXPECT_LE(static_cast<std::size_t>(body.GetDataSize()), Endpoint::kMaxStoredBytes + 8);

        // A cache written by an unbounded store (all messages) loads within
        // the bounds too, keeping the same newest messages.
        TBuffer old;
        old.WriteInt32(1);
        old.WriteInt32(c.messages + 1);
        {
            OnlineVersionedMessage other;
            other.sender = KUID(99, 1, 0);
            other.name = Vek::String("other");
            other.soup = Soup("i", -1);
            other.Write(old);
        }
        for (int i = 0; i < c.messages; ++i) {
            OnlineVersionedMessage message;
            message.sender = c.oneClient ? KUID(7, 8, i % 3) : KUID(1000 + i, 8, 0);
            message.name = Vek::String(std::string(c.nameBytes, 'n').c_str());
            message.soup = Soup("i", i);
            message.Write(old);
        }
        old.Seek(0, TStream::kSeekSet);
        Endpoint loaded(account);
        loaded.LoadStoredMessages(old);
        ASSERT_EQ(loaded.StoredMessages().size(), stored.size());
        EXPECT_EQ(loaded.StoredBytes(), endpoint.StoredBytes());
        for (std::size_t k = 0; k < stored.size(); ++k)
            ASSERT_EQ(loaded.StoredMessages()[k]->soup.GetInt(Vek::PString("i"), -2),
                      stored[k]->soup.GetInt(Vek::PString("i"), -2)) << k;
    }
}

// Stored messages, written as a cache body and read back.
TEST_F(OnlineAccessTest, TheMessageCacheRoundTripsAndADamagedOneLoadsWhatIsWhole) {
    FakeAccount account;
    OnlineAccessClientEndpoint source(account);
    // Store three messages the way the endpoint does: no client is there.
    for (int i = 0; i < 3; ++i) {
        OnlineVersionedMessage message;
        message.sender = KUID(7, 8, i);
        message.name = Vek::String(("m" + std::to_string(i)).c_str());
        message.soup = Soup("i", i);
        message.version = i;
        TMEPacket packet;
        packet.WriteByte(11);
        message.Write(packet);
        packet.Rewind();
        source.HandlePacket(&packet);
    }
    ASSERT_EQ(source.StoredMessages().size(), 3u);
    TBuffer body;
    source.SaveStoredMessages(body);
    const std::vector<uint8_t> bytes(body.GetData(), body.GetData() + body.GetDataSize());

    auto load = [&](std::vector<uint8_t> data, OnlineAccessClientEndpoint& into) {
        TBuffer stream;
        stream.Write(data.data(), static_cast<int32_t>(data.size()));
        stream.Seek(0, TStream::kSeekSet);
        into.LoadStoredMessages(stream);
    };
    OnlineAccessClientEndpoint copy(account);
    load(bytes, copy);
    ASSERT_EQ(copy.StoredMessages().size(), 3u);
    EXPECT_STREQ(copy.StoredMessages()[2]->name.c_str(), "m2");
    EXPECT_EQ(copy.StoredMessages()[2]->soup.GetInt(Vek::PString("i"), -1), 2);

    std::vector<uint8_t> huge = bytes;
    huge[4] = 0xFF, huge[5] = 0xFF, huge[6] = 0xFF, huge[7] = 0x7F;  // count 2^31 - 1
    OnlineAccessClientEndpoint fromHuge(account);
    load(huge, fromHuge);
    EXPECT_EQ(fromHuge.StoredMessages().size(), 3u) << "only the records that are there";

    std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 6);
    OnlineAccessClientEndpoint fromCut(account);
    load(cut, fromCut);
    EXPECT_EQ(fromCut.StoredMessages().size(), 2u) << "the record cut short is dropped";

    std::vector<uint8_t> otherVersion = bytes;
    otherVersion[0] = 2;
    load(otherVersion, copy);
    EXPECT_EQ(copy.StoredMessages().size(), 3u) << "another version changes nothing";

    // The file in the "cache" root, replaced whole.
    VorlexTest::TempDir cache;
    Vek::File::Subst(Vek::PString("cache"), cache.Path().c_str(), true);
    ASSERT_TRUE(source.SaveMessageCache());
    ASSERT_TRUE(source.SaveMessageCache());
    OnlineAccessClientEndpoint reloaded(account);
    reloaded.LoadMessageCache();
    EXPECT_EQ(reloaded.StoredMessages().size(), 3u);

    // A save that cannot be written whole (here a file-size limit below the
    // new body) keeps the file saved before.
    OnlineVersionedMessage big;
    big.sender = KUID(7, 8, 9);
    big.name = Vek::String(std::string(4096, 'x').c_str());
    TMEPacket packet;
    packet.WriteByte(11);
    big.Write(packet);
    packet.Rewind();
    source.HandlePacket(&packet);
    struct sigaction ignore {}, before {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &before);
    rlimit limit{}, saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    limit = saved;
    limit.rlim_cur = 1024;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const bool written = source.SaveMessageCache();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &before, nullptr);
    EXPECT_FALSE(written);
    OnlineAccessClientEndpoint afterFailure(account);
    afterFailure.LoadMessageCache();
    EXPECT_EQ(afterFailure.StoredMessages().size(), 3u) << "the old cache is still there";
    Vek::File::Subst(Vek::PString("cache"), nullptr, true);
}

}  // namespace
