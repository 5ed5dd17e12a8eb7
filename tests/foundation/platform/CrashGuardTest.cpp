#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "foundation/platform/CrashGuard.h"
#include "foundation/platform/ProcessExit.h"
#include "support/TempDir.h"

namespace {

void WriteToForbiddenPage() {
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile int*>(page) = 1;
}

// Never set: it only keeps the recursion from being seen as endless.
volatile bool g_stopRecursion = false;

int Recurse(int depth) {
    if (g_stopRecursion) return 0;
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    return Recurse(depth + 1) + frame[0];
}

// The process died of the crash (by the signal's own action, or by a
// sanitizer's report), not through the -100 route.
bool DiedButNotMinus100(int status) {
    return !WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 156);
}

}  // namespace

TEST(CrashGuardDeathTest, EveryFatalSignalInsideAGuardedCallExitsWith156) {
    struct CrashCase {
        const char* name;
        void (*crash)();
    };
    const CrashCase cases[] = {
        {"segmentation fault", WriteToForbiddenPage},
        {"SIGBUS", [] { ::raise(SIGBUS); }},
        {"SIGFPE", [] { ::raise(SIGFPE); }},
        {"SIGILL", [] { ::raise(SIGILL); }},
        {"abort", [] { std::abort(); }},
        {"escaping exception", [] { throw std::runtime_error("escaped"); }},
    };
    for (const CrashCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EXIT(
            {
                RunCrashGuarded([&] { c.crash(); });
                std::exit(0);
            },
            ::testing::ExitedWithCode(156), "");
    }
}

TEST(CrashGuardDeathTest, AStackOverflowInsideAGuardedCallExitsWith156) {
    EXPECT_EXIT(
        {
            int result = RunCrashGuarded([] { return Recurse(0); });
            std::exit(result == 12345 ? 1 : 0);
        },
        ::testing::ExitedWithCode(156), "");
}

TEST(CrashGuardDeathTest, AGuardOnAnotherThreadDoesNotCoverThisOne) {
    EXPECT_EXIT(
        {
            InstallCrashSignalHandlers();
            std::thread guarded([] {
                RunCrashGuarded([] { WriteToForbiddenPage(); });
            });
            guarded.join();
            std::exit(0);
        },
        ::testing::ExitedWithCode(156), "");

    EXPECT_EXIT(
        {
            std::atomic<bool> inside{false};
            std::thread guarded([&] {
                RunCrashGuarded([&] {
                    inside.store(true);
                    ::pause();
                });
            });
            while (!inside.load()) std::this_thread::yield();
            WriteToForbiddenPage();
            std::exit(0);
        },
        DiedButNotMinus100, "");
}

TEST(CrashGuardDeathTest, AGuardedCrashFlushesStandardOutputFirst) {
    VorlexTest::TempDir temp;
    const std::string outPath = temp / "stdout.txt";
    EXPECT_EXIT(
        {
            if (!std::freopen(outPath.c_str(), "w", stdout)) std::_Exit(3);
            std::printf("written before the crash");
            RunCrashGuarded([] { WriteToForbiddenPage(); });
            std::exit(0);
        },
        ::testing::ExitedWithCode(156), "");
    std::ifstream out(outPath);
    std::stringstream text;
    text << out.rdbuf();
    EXPECT_EQ(text.str(), "written before the crash");
}

TEST(CrashGuardDeathTest, TerminateCurrentProcessKeepsTheLow8BitsAndFlushes) {
    EXPECT_EXIT(
        {
            std::fprintf(stderr, "last words");
            TerminateCurrentProcess(47059);
        },
        ::testing::ExitedWithCode(211), "last words");
}

TEST(CrashGuardTest, SigpipeAndSigxfszAreIgnored) {
    InstallProcessSignalDefaults();
    struct sigaction action{};
    ::sigaction(SIGPIPE, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_IGN);
    ::sigaction(SIGXFSZ, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_IGN);

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    errno = 0;
    EXPECT_EQ(::write(fds[1], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(fds[1]);
    EXPECT_FALSE(IsInsideCrashGuard());
    RunCrashGuarded([] { EXPECT_TRUE(IsInsideCrashGuard()); });
    EXPECT_FALSE(IsInsideCrashGuard());
}
