// The command-host loop against an in-process daemon: registration, the
// keep-alive rhythm, and the ways the loop ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "assetdb/client/FrameDaemon.h"
#include "assetdb/client/LinkTestFixture.h"
#include "assetdb/client/VADConnection.h"
#include "engine/Log.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/network/NetworkStart.h"
#include "frontend/commandhost/CommandHost.h"

using namespace VorlexTest;

namespace {

using Clock = std::chrono::steady_clock;

// Positions of the lines in the program log, in the order given; npos for
// a line that is missing or out of order.
bool LinesInOrder(const std::string& text, const std::vector<std::string>& lines) {
    std::size_t at = 0;
    for (const std::string& line : lines) {
        at = text.find(line, at);
        if (at == std::string::npos) return false;
        at += line.size();
    }
    return true;
}

// Raises the signal once the host has registered and had time to arm its
// console handling.
std::thread RaiseAfterRegistration(FrameDaemon& daemon, int signal) {
    return std::thread([&daemon, signal] {
        if (daemon.WaitForFrames(140, 1)) std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(::getpid(), signal);
    });
}

class CommandHostLoopTest : public LinkTest {};

TEST_F(CommandHostLoopTest, LinkDropEndsTheLoop) {
    FrameDaemon daemon([](const Frame& frame, FrameLink& link) {
        if (frame.op != 140) return FrameDaemon::ReplyEmpty(frame, link);
        link.Close();
        return false;
    });
    ASSERT_TRUE(Open());
    EXPECT_EQ(VADCommandHost(), 0);
    ASSERT_EQ(daemon.FramesOf(140).size(), 1u);
    EXPECT_EQ(daemon.FramesOf(140)[0].id, 0);
    EXPECT_TRUE(daemon.FramesOf(140)[0].payload.empty());
    EXPECT_TRUE(LinesInOrder(LogText(), {"VADCommandHost", "VADCommandHost shutting down..."}));
}

TEST_F(CommandHostLoopTest, KeepAliveOnEveryHundredthPass) {
    std::mutex lock;
    Clock::time_point registered;
    Clock::time_point keptAlive;
    FrameDaemon daemon([&](const Frame& frame, FrameLink& link) {
        std::lock_guard<std::mutex> hold(lock);
        if (frame.op == 140) registered = Clock::now();
        if (frame.op != 0) return FrameDaemon::ReplyEmpty(frame, link);
        keptAlive = Clock::now();
        link.Reply(frame.id, {});
        link.Close();
        return false;
    });
    ASSERT_TRUE(Open());
    EXPECT_EQ(VADCommandHost(), 0);

    ASSERT_EQ(daemon.FramesOf(0).size(), 1u);
    EXPECT_NE(daemon.FramesOf(0)[0].id, 0);  // a request, not a one-way message
    EXPECT_TRUE(daemon.FramesOf(0)[0].payload.empty());
    std::lock_guard<std::mutex> hold(lock);
    const auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(keptAlive - registered).count();
    // 100 idle passes of 50 ms each; never after as few as 90, nor as many
    // as 180.
    EXPECT_GE(idle, 4500);
    EXPECT_LT(idle, 9000);
}

TEST_F(CommandHostLoopTest, CtrlCEndsTheLoopAndTheCommandReturns) {
    FrameDaemon daemon;
    ASSERT_TRUE(Open());
    std::thread raiser = RaiseAfterRegistration(daemon, SIGINT);
    EXPECT_EQ(VADCommandHost(), 0);
    raiser.join();
    // The loop ended on the event, not on the link.
    EXPECT_TRUE(VADIsConnected());
    EXPECT_TRUE(LinesInOrder(LogText(), {"VADCommandHost", "Console Window event handler called for CtrlType=0",
                                         "VADCommandHost shutting down..."}));
}

// A shut-down event is held until the loop has ended and exit is allowed;
// then it ends the process by its signal.
TEST(CommandHostShutdownEvent, SigtermEndsTheLoopThenTheProcess) {
    // Made here, so that it is removed after the child has gone.
    TestInstallation install;
    const std::string logPath = install / "host-log.txt";
    EXPECT_EXIT(
        {
            InitializeNetwork();
            Vek::Log::Init(("-LogFile=" + logPath).c_str());
            RecordMainThread();
            FrameDaemon daemon;
            VADOpenDatabaseArgs args;
            args.reconnect = 0;
            if (!VADOpenDatabase(args)) ::_exit(2);
            std::thread raiser = RaiseAfterRegistration(daemon, SIGTERM);
            VADCommandHost();
            raiser.join();
            // The held event ends the process once exit is allowed.
            std::this_thread::sleep_for(std::chrono::seconds(10));
            ::_exit(3);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_TRUE(LinesInOrder(ReadFile(logPath), {"VADCommandHost", "Console Window event handler called for CtrlType=6",
                                                 "VADCommandHost shutting down..."}));
}

}  // namespace
