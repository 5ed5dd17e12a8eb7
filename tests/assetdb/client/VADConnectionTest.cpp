#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "assetdb/client/CollectGarbageOnMainThread.h"
#include "assetdb/client/LaunchVADDaemon.h"
#include "assetdb/client/VADConnection.h"
#include "assetdb/client/VADSilentDaemon.h"
#include "assetdb/client/VADTransactionIds.h"
#include "assetdb/client/ClientTestSupport.h"
#include "assetdb/client/FakeDaemon.h"
#include "assetdb/client/FrameDaemon.h"
#include "engine/Log.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/network/NetworkStart.h"

namespace {

using namespace VorlexTest;
using Clock = std::chrono::steady_clock;

class VADConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitializeNetwork();
        m_log = m_install / "log.txt";
        Vek::Log::Init(("-LogFile=" + m_log).c_str());
    }
    void TearDown() override {
        VADCloseDatabase();
        Vek::Log::Shutdown();
    }
    static VADOpenDatabaseArgs Args(uint8_t reconnect, uint8_t kind = 1) {
        VADOpenDatabaseArgs args;
        args.reconnect = reconnect;
        args.clientKind = kind;
        return args;
    }
    // The frame head through the send-attempt loop, then an empty payload.
    static bool SendEmptyFrame(int32_t op, int32_t id) {
        Vek::SingleLock lock(VADConnectionLock());
        const uint8_t zero[4] = {0, 0, 0, 0};
        return VADSendFrameStart(op, id) && VADSendBytes(zero, 4);
    }

    TestInstallation m_install;
    std::string m_log;
};

std::vector<uint8_t> ExpectedHello(uint32_t kind) {
    const std::string path = GetDatabasePath().Str();
    std::vector<uint8_t> bytes = {'C', 'D', 'A', 'V'};
    PutWord(bytes, 350);
    PutWord(bytes, 47059);
    PutWord(bytes, kind);
    PutWord(bytes, static_cast<uint32_t>(path.size()));
    bytes.insert(bytes.end(), path.begin(), path.end());
    return bytes;
}

TEST_F(VADConnectionTest, SendsTheExactHelloAndTheGoodbye) {
    std::vector<std::vector<uint8_t>> seen(2);
    FakeDaemon fake([&](int fd, int index) {
        if (index > 1 || !ReadHello(fd, seen[index]) || !AnswerHello(fd)) return;
        std::vector<uint8_t> rest = ReadToEnd(fd);
        seen[index].insert(seen[index].end(), rest.begin(), rest.end());
    });
    for (uint8_t kind : {uint8_t{1}, uint8_t{0}}) {
        ASSERT_TRUE(VADOpenDatabase(Args(0, kind)));
        EXPECT_TRUE(VADOpenDatabase(Args(0, kind))) << "a second open connects no more";
        EXPECT_TRUE(VADIsConnected());
        VADCloseDatabase();
        EXPECT_FALSE(VADIsConnected());
        EXPECT_FALSE(VADIsDatabaseOpen());
    }
    fake.Stop();
    ASSERT_EQ(fake.Connections(), 2);
    for (uint32_t kind : {1u, 0u}) {
        std::vector<uint8_t> expected = ExpectedHello(kind);
        PutWord(expected, 1);  // the goodbye
        EXPECT_EQ(seen[kind == 1 ? 0 : 1], expected) << "kind " << kind;
    }
}

TEST_F(VADConnectionTest, AWrongHelloTagFailsEveryAttempt) {
    FakeDaemon fake([](int fd, int) {
        std::vector<uint8_t> seen;
        if (ReadHello(fd, seen)) AnswerHello(fd, FourCharTag("VADX"));
    });
    EXPECT_FALSE(VADOpenDatabase(Args(1)));
    EXPECT_FALSE(VADIsConnected());
    EXPECT_FALSE(VADIsDatabaseOpen());
    fake.Stop();
    EXPECT_EQ(fake.Connections(), 11);
    EXPECT_TRUE(VADDaemonLaunched()) << "started before attempt 1, as the open does";
    Vek::Log::Shutdown();
    EXPECT_NE(ReadFile(m_log).find("VADOpenDatabase> unable to connect to VADDaemon"), std::string::npos);
    EXPECT_EQ(VADGetOpenArgs().reconnect, 1) << "the parameters are reset";
}

// A daemon that takes the link and never answers the hello (one that is
// stopped, say): the attempt gives up after the inactivity bound, the open
// makes no further attempt, and the reason names what was awaited. A
// message after that makes no new link.
TEST_F(VADConnectionTest, AnUnansweredHelloEndsTheOpenAfterOneAttempt) {
    ::setenv("VORLEX_INACTIVITY_MS", "300", 1);
    FakeDaemon fake([](int fd, int) {
        std::vector<uint8_t> seen;
        if (ReadHello(fd, seen)) ReadToEnd(fd);
    });
    const std::string cause =
        "The daemon accepted the link but sent nothing for 1 s while waiting for its answer to the hello; gave up "
        "waiting.";
    EXPECT_FALSE(VADOpenDatabase(Args(1)));
    EXPECT_FALSE(VADIsConnected());
    EXPECT_TRUE(VADDaemonIsSilent());
    EXPECT_EQ(VADSilentDaemonCause(), cause);
    EXPECT_FALSE(VADDaemonLaunched()) << "no attempt 1, so nothing started";
    ::unsetenv("VORLEX_INACTIVITY_MS");
    fake.Stop();
    EXPECT_EQ(fake.Connections(), 1);
    Vek::Log::Shutdown();
    EXPECT_NE(ReadFile(m_log).find("VADOpenDatabase> unable to connect to VADDaemon: " + cause), std::string::npos);
}

// The link drops; the reconnection's hello goes unanswered. That request
// fails after one bound, and the messages after it make no new link, however
// many attempts the reconnect flag allows.
TEST_F(VADConnectionTest, AnUnansweredHelloOnReconnectingMakesNoFurtherLinks) {
    ::setenv("VORLEX_INACTIVITY_MS", "300", 1);
    FakeDaemon fake([](int fd, int index) {
        std::vector<uint8_t> seen;
        if (!ReadHello(fd, seen)) return;
        if (index == 0 && AnswerHello(fd)) {
            uint8_t frame[12];
            RecvAll(fd, frame, sizeof frame);  // the first frame, then the link drops
            return;
        }
        ReadToEnd(fd);
    });
    ASSERT_TRUE(VADOpenDatabase(Args(1)));
    EXPECT_TRUE(SendEmptyFrame(50, 0));
    ASSERT_TRUE(WaitUntil([] { return !VADIsConnected(); }));
    const auto start = Clock::now();
    EXPECT_FALSE(SendEmptyFrame(50, 0));
    EXPECT_TRUE(VADDaemonIsSilent());
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(SendEmptyFrame(50, 0)) << i;
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(300 * 11)) << "not one bound per attempt";
    ::unsetenv("VORLEX_INACTIVITY_MS");
    fake.Stop();
    EXPECT_EQ(fake.Connections(), 2);
}

TEST_F(VADConnectionTest, OpenRetriesWithTheInjectedDelay) {
    ::setenv("VORLEX_OPEN_RETRY_MS", "60", 1);
    EXPECT_EQ(VADOpenRetryDelayMs(), 60u);
    auto start = Clock::now();
    EXPECT_FALSE(VADOpenDatabase(Args(0)));
    auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(10 * 60));
    EXPECT_LT(took, std::chrono::milliseconds(10 * 60 + 3000));
    EXPECT_TRUE(VADDaemonLaunched());

    ::setenv("VORLEX_OPEN_RETRY_MS", "abc", 1);
    EXPECT_EQ(VADOpenRetryDelayMs(), 1000u);
    ::unsetenv("VORLEX_OPEN_RETRY_MS");
    EXPECT_EQ(VADOpenRetryDelayMs(), 1000u);
}

TEST_F(VADConnectionTest, DisconnectWhileTheReaderIsBlockedReturnsAtOnce) {
    FakeDaemon fake([](int fd, int) {
        std::vector<uint8_t> seen;
        if (ReadHello(fd, seen) && AnswerHello(fd)) ReadToEnd(fd);
    });
    ASSERT_TRUE(VADOpenDatabase(Args(0)));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto start = Clock::now();
    DisconnectFromDaemon(false);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_FALSE(VADIsConnected());
    EXPECT_TRUE(VADIsDatabaseOpen()) << "the database stays open over a dropped link";
}

TEST_F(VADConnectionTest, TheReaderReadsNoticesAndRepliesAndEndsOnAnUnknownTag) {
    std::atomic<bool> sendBad{false};
    FakeDaemon fake([&](int fd, int index) {
        std::vector<uint8_t> seen;
        if (index > 0 || !ReadHello(fd, seen) || !AnswerHello(fd)) return;
        std::vector<uint8_t> frames;
        PutWord(frames, kTagNotice);
        PutWord(frames, 3);
        PutWord(frames, 70000);
        frames.resize(frames.size() + 70000, 0x5A);
        PutWord(frames, kTagReply);
        PutWord(frames, 12);
        PutWord(frames, 2);
        frames.push_back(1);
        frames.push_back(2);
        SendBytes(fd, frames);
        WaitUntil([&] { return sendBad.load(); });
        std::vector<uint8_t> bad;
        PutWord(bad, FourCharTag("junk"));
        SendBytes(fd, bad);
        ReadToEnd(fd);
    });
    ASSERT_TRUE(VADOpenDatabase(Args(0)));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(VADIsConnected()) << "notices and replies keep the link in step";
    sendBad = true;
    EXPECT_TRUE(WaitUntil([] { return !VADIsConnected(); }));
}

TEST_F(VADConnectionTest, ADroppedLinkReconnectsAsTheFlagAllows) {
    std::atomic<int> frames{0};
    FakeDaemon fake([&](int fd, int index) {
        std::vector<uint8_t> seen;
        if (!ReadHello(fd, seen) || !AnswerHello(fd)) return;
        if (index == 0) return;  // the first link drops at once
        uint8_t head[12];
        while (RecvAll(fd, head, sizeof head)) ++frames;
    });
    ASSERT_TRUE(VADOpenDatabase(Args(0)));
    ASSERT_TRUE(WaitUntil([] { return !VADIsConnected(); }));
    // Reconnect flag 0: the message that finds the link down makes its one
    // reconnection attempt at once (no retry delay) and goes out on the new
    // link.
    ::setenv("VORLEX_OPEN_RETRY_MS", "600", 1);
    auto start = Clock::now();
    EXPECT_TRUE(SendEmptyFrame(2, 7));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_TRUE(VADIsConnected());
    EXPECT_EQ(fake.Connections(), 2);

    // The daemon goes away: the one attempt finds no port and the message
    // fails without a second attempt.
    fake.Stop();
    ASSERT_TRUE(WaitUntil([] { return !VADIsConnected(); }));
    start = Clock::now();
    EXPECT_FALSE(SendEmptyFrame(2, 8));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(frames, 1);
    VADCloseDatabase();

    // With the reconnect flag and no daemon at all: 11 attempts.
    ::setenv("VORLEX_OPEN_RETRY_MS", "20", 1);
    ASSERT_FALSE(VADOpenDatabase(Args(1)));
}

TEST_F(VADConnectionTest, MessagesFailAtOnceWhileTheDatabaseIsClosed) {
    ::setenv("VORLEX_OPEN_RETRY_MS", "600", 1);
    auto start = Clock::now();
    EXPECT_FALSE(SendEmptyFrame(2, 1));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_FALSE(VADDaemonLaunched());
}

TEST_F(VADConnectionTest, ShutdownWaitsForTheReplyAndTheLinkToGoWithinItsBound) {
    std::atomic<int> shutdowns{0};
    // The first operation 270 closes the link without a reply; later ones
    // are answered and the link is kept.
    FrameDaemon fake([&](const Frame& frame, FrameLink& link) {
        if (frame.op == 270 && shutdowns++ == 0) return false;
        return FrameDaemon::ReplyEmpty(frame, link);
    });
    ASSERT_TRUE(VADOpenDatabase(Args(1)));
    EXPECT_TRUE(VADShutdownDaemon());
    EXPECT_FALSE(VADIsConnected());
    EXPECT_EQ(VADGetOpenArgs().reconnect, 0);
    ASSERT_EQ(fake.FramesOf(270).size(), 1u);
    const Frame first = fake.FramesOf(270)[0];
    EXPECT_NE(first.id, 0) << "a request, not a one-way frame";
    EXPECT_TRUE(first.payload.empty());

    SetVADShutdownWaitForTesting(300);
    // Reconnect is now 0: the next message still makes its one attempt.
    ASSERT_TRUE(SendEmptyFrame(0, 0)) << "the next message connects again";
    auto start = Clock::now();
    EXPECT_FALSE(VADShutdownDaemon());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2000));
    EXPECT_EQ(fake.FramesOf(270).size(), 2u);
    Vek::Log::Shutdown();
    EXPECT_NE(ReadFile(m_log).find("VADShutdownDaemon> the daemon still holds the link after 300 ms"),
              std::string::npos);
}

TEST(VADTransactionIdsTest, CountUpAndSkipZero) {
    SetNextVADTransactionIdForTesting(-2);
    EXPECT_EQ(NextVADTransactionId(), -2);
    EXPECT_EQ(NextVADTransactionId(), -1);
    EXPECT_EQ(NextVADTransactionId(), 1);
    EXPECT_EQ(NextVADTransactionId(), 2);
}

TEST(CollectGarbageTest, RunsOnlyOnTheMainThread) {
    { Vek::PString unused("collect-me-please"); }
    std::size_t freed = 99;
    std::thread other([&] { freed = CollectGarbageOnMainThread(); });
    other.join();
    EXPECT_EQ(freed, 0u);
    RecordMainThread();
    EXPECT_GE(CollectGarbageOnMainThread(), 1u);
}

}  // namespace
