#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "foundation/platform/CrashGuard.h"
#include "foundation/platform/CrashReport.h"
#include "foundation/platform/ProcessGuards.h"
#include "engine/Log.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

void WriteToForbiddenPage() {
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile int*>(page) = 1;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int CountReports(const std::string& folder) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind("Vorlex-47059", 0) == 0) ++count;
    return count;
}

bool DiedOf(int status, int signal) {
    // Under a sanitizer the previous action may be the sanitizer's report,
    // which ends the process with an error status instead.
    return (WIFSIGNALED(status) && WTERMSIG(status) == signal) ||
           (WIFEXITED(status) && WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 156);
}

template <typename Predicate>
bool WaitUntil(Predicate done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace

TEST(ProcessGuardsDeathTest, ACrashOutsideAGuardWritesOneReportUnderTheNextFreeName) {
    VorlexTest::TempDir temp;
    std::ofstream(temp / "Vorlex-47059.dmp") << "older";
    std::ofstream(temp / "Vorlex-47059_2.dmp") << "older";
    EXPECT_EXIT(
        {
            if (::chdir(temp.Path().c_str()) != 0) std::_Exit(3);
            InstallCrashHandlers(false);
            WriteToForbiddenPage();
            std::_Exit(0);
        },
        [](int status) { return DiedOf(status, SIGSEGV); }, "");

    EXPECT_EQ(ReadFile(temp / "Vorlex-47059.dmp"), "older");
    EXPECT_EQ(ReadFile(temp / "Vorlex-47059_2.dmp"), "older");
    const std::string report = ReadFile(temp / "Vorlex-47059_3.dmp");
    EXPECT_NE(report.find("signal 11 (SIGSEGV)"), std::string::npos) << report;
    EXPECT_NE(report.find("fault address 0x"), std::string::npos) << report;
    EXPECT_NE(report.find("callstack:"), std::string::npos) << report;
    EXPECT_EQ(CountReports(temp.Path()), 3);
}

TEST(ProcessGuardsDeathTest, OnlyOneReportIsWrittenPerProcess) {
    VorlexTest::TempDir temp;
    EXPECT_EXIT(
        {
            if (::chdir(temp.Path().c_str()) != 0) std::_Exit(3);
            InstallCrashHandlers(false);
            ForceCrash("first");
            ForceCrash("second");
            WriteToForbiddenPage();
            std::_Exit(0);
        },
        [](int status) { return DiedOf(status, SIGSEGV); }, "");
    EXPECT_EQ(CountReports(temp.Path()), 1);
    EXPECT_NE(ReadFile(temp / "Vorlex-47059.dmp").find("reason first"), std::string::npos);
}

TEST(ProcessGuardsDeathTest, ACrashInsideAGuardedCallEndsWith156AndWritesNoReport) {
    VorlexTest::TempDir temp;
    EXPECT_EXIT(
        {
            if (::chdir(temp.Path().c_str()) != 0) std::_Exit(3);
            InstallCrashHandlers(false);
            RunCrashGuarded([] { WriteToForbiddenPage(); });
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(156), "");
    EXPECT_EQ(CountReports(temp.Path()), 0);
}

TEST(ProcessGuardsDeathTest, ExitingWhileTheGuardIsArmedWritesAReport) {
    struct ExitCase {
        const char* name;
        bool allowExitFirst;
        int reports;
    };
    const ExitCase cases[] = {{"armed", false, 1}, {"after AllowProcessExit", true, 0}};
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(c.name);
        VorlexTest::TempDir temp;
        EXPECT_EXIT(
            {
                if (::chdir(temp.Path().c_str()) != 0) std::_Exit(3);
                InstallCrashHandlers(false);
                if (c.allowExitFirst) AllowProcessExit();
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), "");
        EXPECT_EQ(CountReports(temp.Path()), c.reports);
    }
}

TEST(ProcessGuardsDeathTest, ACloseEventWaitsUntilExitIsAllowed) {
    EXPECT_EXIT(
        {
            InstallCrashHandlers(false);
            std::atomic<int> result{-1};
            std::thread event([&] { result.store(ConsoleCtrlHandler(2) ? 1 : 0); });
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (result.load() != -1) std::_Exit(10);   // did not block
            if (!IsExitRequested()) std::_Exit(11);
            AllowProcessExit();
            event.join();
            if (result.load() != 1) std::_Exit(12);    // not handled
            // Once exit is allowed, an event is left to its default action.
            if (ConsoleCtrlHandler(0)) std::_Exit(13);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ProcessGuardsDeathTest, CtrlCOnlyRaisesTheExitRequest) {
    EXPECT_EXIT(
        {
            InstallCrashHandlers(false);
            if (!ConsoleCtrlHandler(0)) std::_Exit(10);
            if (!IsExitRequested()) std::_Exit(11);
            AllowProcessExit();
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ProcessGuardsDeathTest, SignalsStandForConsoleEvents) {
    // SIGINT only asks the loop to end; SIGTERM is held back until exit is
    // allowed and then ends the process by its own action.
    EXPECT_EXIT(
        {
            InstallCrashHandlers(false);
            ::kill(::getpid(), SIGINT);
            if (!WaitUntil([] { return IsExitRequested(); })) std::_Exit(10);
            ::kill(::getpid(), SIGTERM);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            AllowProcessExit();
            std::this_thread::sleep_for(std::chrono::seconds(5));
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
}

TEST(ProcessGuardsDeathTest, WithExitAllowedASignalEndsTheProcessAtOnce) {
    EXPECT_EXIT(
        {
            InstallCrashHandlers(true);
            ::kill(::getpid(), SIGHUP);
            std::this_thread::sleep_for(std::chrono::seconds(5));
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGHUP), "");
}

TEST(CrashReportTest, LogCallStackWritesTheAddressesAndOneLinePerFrame) {
    VorlexTest::TempDir temp;
    const std::string logPath = temp / "engine.log";
    Vek::Log::Init(("-LogFile=" + logPath).c_str());
    LogCallStack();
    Vek::Log::Shutdown();
    const std::string log = ReadFile(logPath);
    EXPECT_EQ(log.rfind("callstack: ", 0), 0u) << log;
    EXPECT_NE(log.find("\n  "), std::string::npos) << log;
    EXPECT_NE(log.find("[<unknown>:-1]"), std::string::npos) << log;
}
