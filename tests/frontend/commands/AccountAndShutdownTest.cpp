#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/soups/SoupHandle.h"
#include "foundation/streams/BufferStream.h"
#include "foundation/platform/process/TerminateProcesses.h"
#include "frontend/commands/CloseVADDaemon.h"
#include "frontend/commands/CommandTestDaemon.h"

namespace {

using namespace CommandTest;
using Clock = std::chrono::steady_clock;

class AccountAndShutdown : public CommandFixture {};

TEST_F(AccountAndShutdown, RegisterAccountKeepsTheOtherInternetSettings) {
    SoupHandle stored;
    stored.SetString(Vek::PString("language"), "DE");
    stored.SetString(Vek::PString("username"), "old");
    TBuffer soup;
    WriteBinarySoup(soup, stored);
    Daemon().Reply(100, std::vector<uint8_t>(soup.GetData(), soup.GetData() + soup.GetDataSize()));

    Outcome run = Command({"registerAccount", "Bob", "Secret"});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log, kNoEntries);
    ASSERT_EQ(Daemon().FramesOf(100).size(), 1u);
    EXPECT_EQ(Daemon().FramesOf(100)[0].payload, Bytes().PStr("internet").Get());

    const std::vector<Frame> writes = Daemon().FramesOf(101);
    ASSERT_EQ(writes.size(), 1u);
    const std::vector<uint8_t> name = Bytes().PStr("internet");
    ASSERT_GT(writes[0].payload.size(), name.size());
    EXPECT_TRUE(std::equal(name.begin(), name.end(), writes[0].payload.begin()));
    TBuffer written;
    written.Write(writes[0].payload.data() + name.size(), static_cast<int32_t>(writes[0].payload.size() - name.size()));
    written.Rewind();
    SoupHandle settings;
    ReadBinarySoup(settings, written);
    EXPECT_STREQ(settings.GetString(Vek::PString("language")).c_str(), "DE");
    // The arguments as given, letter case kept.
    EXPECT_STREQ(settings.GetString(Vek::PString("username")).c_str(), "Bob");
    EXPECT_STREQ(settings.GetString(Vek::PString("password")).c_str(), "Secret");
}

TEST_F(AccountAndShutdown, RegisterAccountWritesNothingWhenTheSettingsCannotBeRead) {
    Daemon().On(100, [](const Frame&) { return Answer{{}, {}, true}; });
    Outcome run = Command({"registeraccount", "bob", "secret"});
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log, OneError("Unable to read internet settings."));
    EXPECT_TRUE(Daemon().FramesOf(101).empty());
}

// A copy of `sleep` under a program name in a folder, running.
pid_t StartProgramCopy(const std::string& folder, const std::string& name) {
    std::filesystem::create_directories(folder);
    const std::string program = folder + "/" + name;
    if (!std::filesystem::exists(program)) std::filesystem::copy_file("/bin/sleep", program);
    pid_t child = ::fork();
    if (child == 0) {
        ::execl(program.c_str(), name.c_str(), "60", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return child;
}

bool Ended(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

TEST_F(AccountAndShutdown, CloseDaemonWaitsBoundedlyThenEndsOnlyThisInstallationsPrograms) {
    // This daemon answers 270 and stays connected.
    SetVADShutdownWaitForTesting(300);
    const std::string bin = m_dir / "install/bin";
    const std::string other = m_dir / "other/bin";
    const pid_t daemon = StartProgramCopy(bin, "vaddaemon");
    const pid_t utility = StartProgramCopy(bin, "VorlexUtil");
    const pid_t stranger = StartProgramCopy(other, "vaddaemon");
    // Let the copies reach exec.
    ASSERT_TRUE(VorlexTest::WaitUntil([&] {
        return ProcessProgramKey(daemon) == ProgramPathKey((bin + "/vaddaemon").c_str()) &&
               ProcessProgramKey(utility) == ProgramPathKey((bin + "/VorlexUtil").c_str()) &&
               ProcessProgramKey(stranger) == ProgramPathKey((other + "/vaddaemon").c_str());
    }));

    const auto start = Clock::now();
    CloseVADDaemon(bin, 100, 100);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(Daemon().FramesOf(270).size(), 1u);
    EXPECT_TRUE(VorlexTest::WaitUntil([&] { return Ended(daemon); }));
    EXPECT_TRUE(VorlexTest::WaitUntil([&] { return Ended(utility); }));
    EXPECT_FALSE(Ended(stranger)) << "a program of another folder is left alone";
    ::kill(stranger, SIGKILL);
    ::waitpid(stranger, nullptr, 0);
}

TEST_F(AccountAndShutdown, TheCloseWordReturnsZeroOnceTheDaemonHasGone) {
    Daemon().On(270, [](const Frame&) { return Answer{{}, {}, true}; });
    Outcome run = Command({"closevaddaemon"});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log, kNoEntries);
    EXPECT_EQ(Daemon().FramesOf(270).size(), 1u);
}

}  // namespace
