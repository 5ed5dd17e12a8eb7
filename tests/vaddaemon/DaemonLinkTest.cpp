#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "assetdb/client/IPCRendezvous.h"
#include "assetdb/client/LaunchVADDaemon.h"
#include "foundation/platform/ipc/SharedMemoryFile.h"
#include "foundation/platform/process/ShellExecute.h"
#include "vaddaemon/DaemonFixture.h"

namespace {

using VorlexTest::DaemonTest;
using Clock = std::chrono::steady_clock;

TEST_F(DaemonTest, FindsStartsConnectsAndSaysGoodbye) {
    ASSERT_TRUE(VADOpenDatabase(Args(0)));
    EXPECT_TRUE(VADDaemonLaunched());
    EXPECT_TRUE(VADIsConnected());
    const std::string path = GetDatabasePath().Str();
    EXPECT_TRUE(TranscriptHas("c1 hello tag=VADC version=350 build=47059 kind=1 path=" + path + "\n"));

    ASSERT_TRUE(SendFrame(2, 5, "abc"));
    EXPECT_TRUE(TranscriptHas("c1 frame op=2 id=5 length=3 payload=616263\n"));
    ASSERT_TRUE(SendFrame(54, 0));
    EXPECT_TRUE(TranscriptHas("c1 frame op=54 id=0 length=0 payload=\n"));
    EXPECT_TRUE(VADIsConnected()) << "the empty reply was read and dropped";

    VADCloseDatabase();
    EXPECT_TRUE(TranscriptHas("c1 goodbye\n"));
    // Daemons started while none had published its port leave at once; the
    // owner stays.
    EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 1; })) << "the daemon outlives a client's goodbye";
}

TEST_F(DaemonTest, ShutdownEndsTheDaemon) {
    ASSERT_TRUE(VADOpenDatabase(Args(0)));
    EXPECT_TRUE(VADShutdownDaemon());
    EXPECT_FALSE(VADIsConnected());
    EXPECT_TRUE(TranscriptHas(" frame op=270 "));
    EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 0; }));

    // The block no longer names a port: the next attach starts a daemon.
    IPCRendezvous rendezvous;
    ASSERT_TRUE(rendezvous.Attach(GetDatabasePath().c_str()));
    EXPECT_EQ(rendezvous.GetOwnerPort(), 0);
}

TEST_F(DaemonTest, AKilledDaemonWithoutReconnectFailsTheNextMessage) {
    // A long retry delay shows whether a second attempt was made.
    ::setenv("VORLEX_OPEN_RETRY_MS", "800", 1);
    ASSERT_TRUE(VADOpenDatabase(Args(0)));
    TerminateProcessesByPath(DaemonProgram().c_str(), 200);
    ASSERT_TRUE(WaitFor([] { return !VADIsConnected(); }));
    auto start = Clock::now();
    EXPECT_FALSE(SendFrame(2, 9));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(700)) << "one attempt, no retry delay";
    // That attempt found no port published and started a daemon through the
    // rendezvous rule; the message after it connects to that daemon.
    ASSERT_TRUE(WaitFor([] {
        IPCRendezvous rendezvous;
        return rendezvous.Attach(GetDatabasePath().c_str()) && rendezvous.GetOwnerPort() != 0;
    }));
    EXPECT_TRUE(SendFrame(2, 10));
    EXPECT_TRUE(TranscriptHas(" frame op=2 id=10 length=0 payload=\n"));
    EXPECT_EQ(TranscriptText().find(" id=9 "), std::string::npos) << TranscriptText();
}

TEST_F(DaemonTest, AKilledDaemonWithReconnectIsStartedAgain) {
    ASSERT_TRUE(VADOpenDatabase(Args(1)));
    TerminateProcessesByPath(DaemonProgram().c_str(), 200);
    ASSERT_TRUE(WaitFor([] { return !VADIsConnected(); }));
    // The killed daemon left its block behind; the next attach resets it
    // and a new daemon is started.
    EXPECT_TRUE(SendFrame(2, 11, "x"));
    EXPECT_TRUE(VADIsConnected());
    EXPECT_TRUE(TranscriptHas(" frame op=2 id=11 length=1 payload=78\n"));
    // Each attempt that found no port started a daemon; all but the owner
    // leave at once.
    EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 1; })) << DaemonsRunning();
}

// One owner at a time: daemons started while one owns the rendezvous leave
// at once, and the owner's port stays published.
TEST_F(DaemonTest, ExtraDaemonsLeaveTheOwnerInPlace) {
    ASSERT_TRUE(VADOpenDatabase(Args(0)));
    IPCRendezvous rendezvous;
    ASSERT_TRUE(rendezvous.Attach(GetDatabasePath().c_str()));
    const int32_t port = rendezvous.GetOwnerPort();
    ASSERT_NE(port, 0);
    for (int i = 0; i < 3; ++i) ASSERT_GT(ShellExecuteGetProcessId(DaemonProgram().c_str(), "", "", kShellExecuteHidden), 0);
    EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 1; })) << DaemonsRunning();
    EXPECT_EQ(rendezvous.GetOwnerPort(), port);
    ASSERT_TRUE(SendFrame(2, 40));
    EXPECT_TRUE(TranscriptHas("c1 frame op=2 id=40 length=0 payload=\n"));
    EXPECT_EQ(TranscriptText().find("c2 "), std::string::npos) << TranscriptText();
}

TEST_F(DaemonTest, ARefusedRendezvousFailsWithoutStartingADaemon) {
    UseScenario("refuse-attach 1\n");
    ASSERT_GT(ShellExecuteGetProcessId(DaemonProgram().c_str(), "", "", kShellExecuteHidden), 0);
    std::string folder;
    ASSERT_TRUE(GetDatabaseFolder(GetDatabasePath().c_str(), folder));
    SharedMemoryFile memory;
    ASSERT_TRUE(memory.Open(RendezvousMemoryName(folder), sizeof(IPCBlock)));
    const IPCBlock* block = static_cast<const IPCBlock*>(memory.Data());
    ASSERT_TRUE(WaitFor([&] { return block->refuse != 0 && block->port != 0; }));

    auto start = Clock::now();
    EXPECT_FALSE(VADOpenDatabase(Args(1)));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(10 * 100));
    // The open starts a daemon before its second attempt, as it always does;
    // that one finds the block owned and leaves at once.
    EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 1; })) << DaemonsRunning();
    EXPECT_EQ(TranscriptText(), "") << "no client reached the daemon";
}

TEST_F(DaemonTest, AWrongHelloTagFailsTheOpen) {
    UseScenario("hello-tag \"VADX\"\n");
    EXPECT_FALSE(VADOpenDatabase(Args(0)));
    EXPECT_FALSE(VADIsConnected());
    EXPECT_TRUE(TranscriptHas("c1 hello "));
}

TEST_F(DaemonTest, ScenarioNoticesQuestionsAndDroppedLinks) {
    UseScenario(
        "rules\n{\n"
        "  0\n  {\n    op 2\n    notices\n    {\n"
        "      0 { type 3\n payload { 0 \"tid\"\n 1 \"int32 7\"\n 2 \"pstring hello\" } }\n"
        "      1 { type 0\n payload { 0 \"int32 1\" } }\n"
        "    }\n    reply { 0 \"int32 1\"\n 1 \"string done\" }\n  }\n"
        "  1\n  {\n    op 4\n    question { text \"Replace?\"\n kuid \"<kuid:1:2>\"\n timeout-ms 300 }\n  }\n"
        "  2\n  {\n    op 5\n    delay-ms 200\n    action \"drop-link\"\n  }\n"
        "}\n");
    ASSERT_TRUE(VADOpenDatabase(Args(0)));
    ASSERT_TRUE(SendFrame(2, 21));
    ASSERT_TRUE(SendFrame(4, 22));
    // Nothing on this side answers questions yet: the daemon gives up after
    // its bound and still replies.
    EXPECT_TRUE(TranscriptHas("c1 unanswered question id=22\n"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(VADIsConnected());

    ASSERT_TRUE(SendFrame(5, 23));
    EXPECT_TRUE(WaitFor([] { return !VADIsConnected(); }));
}

// A raw connection to the running daemon's published port.
int ConnectRaw() {
    IPCRendezvous rendezvous;
    if (!rendezvous.Attach(GetDatabasePath().c_str())) return -1;
    const int32_t port = rendezvous.GetOwnerPort();
    rendezvous.Detach();
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool SendWords(int fd, std::initializer_list<int32_t> words) {
    for (int32_t w : words)
        if (::send(fd, &w, 4, MSG_NOSIGNAL) != 4) return false;
    return true;
}

TEST_F(DaemonTest, BadFramesCloseTheirLinkOnly) {
    ASSERT_TRUE(VADOpenDatabase(Args(0)));
    int bad = ConnectRaw();
    ASSERT_GE(bad, 0);
    SendWords(bad, {0x56414458, 350, 47059, 1, 0});
    EXPECT_TRUE(TranscriptHas("c2 bad hello tag=VADX length=0\n"));
    ::close(bad);

    int negative = ConnectRaw();
    ASSERT_GE(negative, 0);
    SendWords(negative, {0x56414443, 350, 47059, 1, -5});
    EXPECT_TRUE(TranscriptHas("c3 bad hello tag=VADC length=-5\n"));
    ::close(negative);

    // A hello that names another database is refused before any frame.
    int elsewhere = ConnectRaw();
    ASSERT_GE(elsewhere, 0);
    const std::string other = m_dir / "other/assets.vdx";
    SendWords(elsewhere, {0x56414443, 350, 47059, 1, static_cast<int32_t>(other.size())});
    ::send(elsewhere, other.data(), other.size(), MSG_NOSIGNAL);
    EXPECT_TRUE(TranscriptHas("c4 bad store not the database of this daemon\n"));
    ::close(elsewhere);

    int frame = ConnectRaw();
    ASSERT_GE(frame, 0);
    const std::string path = GetDatabasePath().Str();
    SendWords(frame, {0x56414443, 350, 47059, 1, static_cast<int32_t>(path.size())});
    ::send(frame, path.data(), path.size(), MSG_NOSIGNAL);
    SendWords(frame, {2, 3, -1});
    EXPECT_TRUE(TranscriptHas("c5 bad frame op=2 length=-1\n"));
    ::close(frame);

    ASSERT_TRUE(SendFrame(2, 30));
    EXPECT_TRUE(TranscriptHas("c1 frame op=2 id=30 length=0 payload=\n"));
    EXPECT_TRUE(VADIsConnected());
}

TEST_F(DaemonTest, AnIdleDaemonEndsByItself) {
    ::setenv("VADDAEMON_IDLE_S", "1", 1);
    ASSERT_TRUE(VADOpenDatabase(Args(0)));
    // Longer than the idle time: a connected client keeps the daemon.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 1; })) << "a connected client keeps it";
    VADCloseDatabase();
    EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 0; }, 5000));
}

TEST_F(DaemonTest, ShutdownOfADaemonThatStaysIsBounded) {
    UseScenario("rules { 0 { op 270\n action \"keep-running\" } }\n");
    ASSERT_TRUE(VADOpenDatabase(Args(0)));
    SetVADShutdownWaitForTesting(500);
    EXPECT_FALSE(VADShutdownDaemon());
    EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 1; }));
}

}  // namespace
