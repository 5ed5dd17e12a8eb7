#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "engine/Log.h"
#include "foundation/platform/process/ShellExecute.h"
#include "foundation/platform/process/TerminateProcesses.h"
#include "foundation/process/ProcessTestSupport.h"
#include "support/TempDir.h"

namespace {

// A copy of sleep under a name of the test's own, so that only the test's
// processes match.
class TerminateProcessesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file("/bin/sleep", m_dir / "Sleeper");
        ::chmod((m_dir / "Sleeper").c_str(), 0755);
        m_log = m_dir / "log.txt";
        Vek::Log::Init(("-LogFile=" + m_log).c_str());
    }
    void TearDown() override { Vek::Log::Shutdown(); }

    static bool Alive(int pid) { return ::kill(pid, 0) == 0; }

    VorlexTest::TempDir m_dir;
    std::string m_log;
};

TEST_F(TerminateProcessesTest, EndsEveryCopyOfTheProgram) {
    const std::string program = m_dir / "Sleeper";
    int first = ShellExecuteGetProcessId(program.c_str(), "30", "", 0);
    int second = ShellExecuteGetProcessId(program.c_str(), "30", "", 0);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    ASSERT_TRUE(VorlexTest::WaitFor([&] { return ProcessProgramKey(first) == ProgramPathKey(program.c_str()); }));
    ASSERT_TRUE(VorlexTest::WaitFor([&] { return ProcessProgramKey(second) == ProgramPathKey(program.c_str()); }));

    // Another spelling of the same path matches, as on Windows.
    std::string upper = m_dir.Path() + "/SLEEPER";
    TerminateProcessesByPath(upper.c_str(), 400);
    EXPECT_TRUE(VorlexTest::WaitFor([&] { return !Alive(first) && !Alive(second); }));
    const std::string log = VorlexTest::ReadText(m_log);
    EXPECT_NE(log.find("Terminating process with ID " + std::to_string(first)), std::string::npos) << log;
    EXPECT_NE(log.find("Terminating process with ID " + std::to_string(second)), std::string::npos) << log;
}

// The calling process runs the program it names; it stays. Checked in a
// private copy of this test program, so that the other copies CTest runs
// beside it are not the ones that match.
TEST_F(TerminateProcessesTest, NeverEndsTheCallingProcess) {
    char self[4096] = {0};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const std::string copy = m_dir / "SelfCopy";
    std::filesystem::copy_file(self, copy);
    ::chmod(copy.c_str(), 0755);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("VORLEX_TERMINATE_SELF", "1", 1);
        const char* arguments[] = {copy.c_str(), "--gtest_filter=TerminateSelf.Run", nullptr};
        ::execv(copy.c_str(), const_cast<char* const*>(arguments));
        ::_exit(127);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Runs only in the private copy above: ends every other process of its own
// program, and so must survive its own call.
TEST(TerminateSelf, Run) {
    if (!std::getenv("VORLEX_TERMINATE_SELF")) GTEST_SKIP() << "runs only as the child of NeverEndsTheCallingProcess";
    char self[4096] = {0};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    TerminateProcessesByPath(self, 200);
    SUCCEED();
}

TEST_F(TerminateProcessesTest, WaitsForProcessesThatEndByThemselves) {
    const std::string program = m_dir / "Sleeper";
    int quick = ShellExecuteGetProcessId(program.c_str(), "0.3", "", 0);
    ASSERT_GT(quick, 0);
    ASSERT_TRUE(VorlexTest::WaitFor([&] { return ProcessProgramKey(quick) == ProgramPathKey(program.c_str()); }));
    TerminateProcessesByPath(program.c_str(), 3000);
    EXPECT_EQ(VorlexTest::ReadText(m_log).find("Terminating"), std::string::npos);

    // A wait of 0 ends nothing.
    int slow = ShellExecuteGetProcessId(program.c_str(), "30", "", 0);
    ASSERT_TRUE(VorlexTest::WaitFor([&] { return ProcessProgramKey(slow) == ProgramPathKey(program.c_str()); }));
    TerminateProcessesByPath(program.c_str(), 0);
    EXPECT_TRUE(Alive(slow));
    EXPECT_EQ(VorlexTest::ReadText(m_log).find("Terminating"), std::string::npos);
    ::kill(slow, SIGKILL);
}

TEST_F(TerminateProcessesTest, AProgramReplacedOnDiskStillMatches) {
    const std::string program = m_dir / "Sleeper";
    int pid = ShellExecuteGetProcessId(program.c_str(), "30", "", 0);
    ASSERT_TRUE(VorlexTest::WaitFor([&] { return ProcessProgramKey(pid) == ProgramPathKey(program.c_str()); }));
    ::unlink(program.c_str());
    std::filesystem::copy_file("/bin/sleep", program);
    ::chmod(program.c_str(), 0755);
    EXPECT_EQ(ProcessProgramKey(pid), ProgramPathKey(program.c_str()));
    TerminateProcessesByPath(program.c_str(), 200);
    EXPECT_TRUE(VorlexTest::WaitFor([&] { return !Alive(pid); }));
}

}  // namespace
