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
    Daemon().Reply(101, Bytes().U8(1));

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

// A binary soup whose body nests containers `depth` deep (each an unnamed
// container holding the next): deeper than a reader accepts.
std::vector<uint8_t> NestedSoup(int depth) {
    std::vector<uint8_t> body;
    for (int level = 0; level < depth; ++level) {
        std::vector<uint8_t> entry = Bytes().I32(static_cast<int32_t>(body.size() + 2)).U8(0).U8(0).Get();
        entry.insert(entry.end(), body.begin(), body.end());
        body.swap(entry);
    }
    return Bytes().Tag("$SCA").I32(1).I32(0).I32(static_cast<int32_t>(body.size())).Raw(body);
}

// The settings reply decides: a soup body that cannot be read, or no reply,
// fails the read and nothing is written back (the stored keys would be
// lost); the form of no soup or an empty reply starts from an empty soup.
TEST_F(AccountAndShutdown, RegisterAccountWritesBackOnlyWhatItCouldRead) {
    SoupHandle noSoup;
    TBuffer noSoupBytes;
    WriteBinarySoup(noSoupBytes, noSoup);
    struct Case {
        const char* name;
        Answer answer;
        int32_t result;
        std::string log;
    };
    const std::string readFailed = OneError("Unable to read internet settings.");
    const Case cases[] = {
        {"too deep", {NestedSoup(1100), {}, false}, -1, readFailed},
        {"unknown version", {Bytes().Tag("$SCA").I32(7).I32(0).I32(6).I32(2).U8(0).U8(0), {}, false}, -1, readFailed},
        {"not a soup", {Bytes().I32(1).I32(2).I32(3).I32(4), {}, false}, -1, readFailed},
        {"link dropped", {{}, {}, true}, -1,
         "- <NULL> : Unable to read internet settings.\n- <NULL> : The link to the daemon was lost while waiting for "
         "its reply to operation 100.\nOK (2 Errors, 0 Warnings)\n"},
        {"no soup", {std::vector<uint8_t>(noSoupBytes.GetData(), noSoupBytes.GetData() + noSoupBytes.GetDataSize()),
                     {}, false},
         0, kNoEntries},
        {"empty reply", {{}, {}, false}, 0, kNoEntries},
    };
    Daemon().Reply(101, Bytes().U8(1));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Daemon().On(100, [&c](const Frame&) { return c.answer; });
        const std::size_t writesBefore = Daemon().FramesOf(101).size();
        Outcome run = Command({"registeraccount", "bob", "secret"});
        EXPECT_EQ(run.result, c.result);
        EXPECT_EQ(run.log, c.log);
        const std::vector<Frame> writes = Daemon().FramesOf(101);
        if (c.result != 0) {
            EXPECT_EQ(writes.size(), writesBefore) << "nothing written";
            continue;
        }
        ASSERT_EQ(writes.size(), writesBefore + 1);
        const std::vector<uint8_t> name = Bytes().PStr("internet");
        TBuffer written;
        written.Write(writes.back().payload.data() + name.size(),
                      static_cast<int32_t>(writes.back().payload.size() - name.size()));
        written.Rewind();
        SoupHandle settings;
        ReadBinarySoup(settings, written);
        EXPECT_STREQ(settings.GetString(Vek::PString("username")).c_str(), "bob");
        EXPECT_STREQ(settings.GetString(Vek::PString("password")).c_str(), "secret");
    }
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
