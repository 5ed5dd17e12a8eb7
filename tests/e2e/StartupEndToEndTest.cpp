#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "InstalledProgram.h"
#include "foundation/platform/process/TerminateProcesses.h"

namespace {

using VorlexTest::InstalledProgram;
using VorlexTest::ProgramResult;

const std::string kEmptySummary = "OK (0 Errors, 0 Warnings)\n";
// Operation 102, transaction 1: the interned strings "internet" and
// "language" (count with the terminating NUL, then the bytes).
const std::string kLanguageRequest =
    "frame op=102 id=1 length=26 payload=09000000696e7465726e657400090000006c616e677561676500";

// A fresh machine: no daemon runs, so the program starts the installation's
// stand-in through the rendezvous, connects, asks for the language, runs the
// command and says goodbye at shutdown.
TEST(StartupEndToEnd, VersionStartsTheStandInAndConnects) {
    InstalledProgram installed;
    // The daemon must outlive the gap between the two runs, however slowly
    // a loaded machine starts the second one.
    const std::vector<std::string> lastingDaemon = {"VADDAEMON_IDLE_S=600"};
    ProgramResult run = installed.Run({"version"}, lastingDaemon);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Build 47059\n" + kEmptySummary);
    EXPECT_EQ(run.err, "");

    EXPECT_TRUE(installed.TranscriptHas("c1 goodbye")) << installed.Transcript();
    const std::string transcript = installed.Transcript();
    EXPECT_NE(transcript.find("c1 hello tag=VADC version=350 build=47059 kind=1 path="), std::string::npos);
    EXPECT_NE(transcript.find("\\UserData\\assets.vdx"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("c1 " + kLanguageRequest), std::string::npos) << transcript;
    // The tools' personal details, missing so far, were written at shutdown.
    EXPECT_NE(InstalledProgram::ReadFile(installed.Root() + "/bin/ZIROzod/personalDetails.txt").find("isinputboxon"),
              std::string::npos);

    // A second run finds the daemon running and connects to it.
    ProgramResult again = installed.Run({"VERSION", "-novadclient"}, lastingDaemon);
    EXPECT_EQ(again.status, 0);
    EXPECT_TRUE(installed.TranscriptHas("c2 goodbye")) << installed.Transcript();
    EXPECT_NE(installed.Transcript().find("c2 hello tag=VADC version=350 build=47059 kind=0 "), std::string::npos);
}

// A word that opens no archive, secure link, texture compression or font loads
// none of the libraries behind them: they are loaded on first use.
TEST(StartupEndToEnd, VersionLoadsNoArchiveTlsCompressionOrFontLibrary) {
    InstalledProgram installed;
    const ProgramResult run = installed.Run({"version"}, {"LD_DEBUG=files"});
    EXPECT_EQ(run.status, 0);
    ASSERT_NE(run.err.find("calling init"), std::string::npos) << "the loader reported what it loaded";
    for (const char* library : {"libzip", "libssl", "libcrypto", "libnvtt", "vorlexdxt", "libfreetype", "libfontconfig"})
        EXPECT_EQ(run.err.find(library), std::string::npos) << library;
}

// Without a daemon to start, start-up fails for every command word, the
// hidden version words included; help needs no start-up.
TEST(StartupEndToEnd, WithoutADaemonEveryCommandWordFailsInit) {
    InstalledProgram installed(false);
    InstalledProgram::WriteFile(installed.Root() + "/bin/batch.txt", "\"version\"\n");
    const std::vector<std::vector<std::string>> commands = {
        {"version"}, {"installedversion"}, {"installedbuildnumberhi"}, {"echo", "a"}, {"nosuchword"}, {"@batch.txt"},
    };
    for (const std::vector<std::string>& command : commands) {
        ProgramResult run = installed.Run(command, {"VORLEX_OPEN_RETRY_MS=1"});
        EXPECT_EQ(run.status, 255) << command[0];
        EXPECT_EQ(run.out, "") << command[0];
        EXPECT_EQ(run.err, "- Init failed\n") << command[0];
    }
    ProgramResult help = installed.Run({"help"}, {"VORLEX_OPEN_RETRY_MS=1"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
}

// The id of the installation's running daemon, or -1.
int RunningDaemon(const InstalledProgram& installed) {
    const std::string daemon = ProgramPathKey(installed.Daemon().c_str());
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const int id = std::atoi(name.c_str());
        if (id != ::getpid() && ProcessProgramKey(id) == daemon) return id;
    }
    return -1;
}

// A stopped daemon still has its links accepted (by the system) but answers
// nothing: start-up gives the hello one inactivity bound, tries no further,
// names what it waited for and fails init.
TEST(StartupEndToEnd, AStoppedDaemonFailsInitAfterOneBound) {
    InstalledProgram installed;
    const std::vector<std::string> lastingDaemon = {"VADDAEMON_IDLE_S=600"};
    ASSERT_EQ(installed.Run({"version"}, lastingDaemon).status, 0);
    const int daemon = RunningDaemon(installed);
    ASSERT_GT(daemon, 0);
    ASSERT_EQ(::kill(daemon, SIGSTOP), 0);
    const auto start = std::chrono::steady_clock::now();
    const ProgramResult run = installed.Run({"status", "<kuid:3:100>"}, {"VORLEX_INACTIVITY_MS=10000"});
    const auto took = std::chrono::steady_clock::now() - start;
    ::kill(daemon, SIGCONT);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "- The daemon accepted the link but sent nothing for 10 s while waiting for its answer to the hello; gave "
              "up waiting.\n- Init failed\n");
    // Eleven attempts would take eleven bounds. The margin of four more
    // bounds is for a loaded machine, which may take seconds to start the
    // program; the count of attempts is checked exactly by the client's own
    // tests.
    EXPECT_LT(took, std::chrono::milliseconds(5 * 10000));
}

// The engine's two retries with the null renderer, and their second
// failures, as the user sees them.
TEST(StartupEndToEnd, RenderRetriesAndTheirSecondFailures) {
    InstalledProgram installed;
    const std::string retry = "Unable to load render kernel. Retrying with -NullRender.\n";
    struct Case {
        std::vector<std::string> environment;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {{"VEK_FAIL_OS_INIT=1", "VEK_FAIL_RENDER_INIT=1"}, 0, retry + retry},
        {{"VEK_FAIL_OS_INIT=2"}, 255, retry + "- Vek OS initialisation failed.\n- Init failed\n"},
        {{"VEK_FAIL_RENDER_INIT=2"}, 255, retry + "- Unable to initialize render system\n\n- Init failed\n"},
    };
    for (const Case& c : cases) {
        ProgramResult run = installed.Run({"version"}, c.environment);
        EXPECT_EQ(run.status, c.status) << c.environment[0];
        EXPECT_EQ(run.err, c.err) << c.environment[0];
    }
}

TEST(StartupEndToEnd, ABatchRunsThroughOneStartUp) {
    InstalledProgram installed;
    InstalledProgram::WriteFile(installed.Root() + "/bin/batch.txt", "\"version\"\r\n\"installedversion\"\r\n");
    ProgramResult run = installed.Run({"@batch.txt"});
    EXPECT_EQ(run.status, 255);  // the second command returns 350
    EXPECT_EQ(run.out, "Build 47059\n" + kEmptySummary + "\n" + kEmptySummary + "\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(installed.TranscriptHas("c1 goodbye"));
    EXPECT_EQ(installed.Transcript().find("c2 "), std::string::npos);
}

// A crash inside a command ends the process at once: no shutdown, so the
// daemon sees the link end without a goodbye.
TEST(StartupEndToEnd, ACrashInsideACommandEndsWithoutGoodbye) {
    InstalledProgram installed;
    ProgramResult run = installed.Run({"version"}, {"VORLEX_TEST_CRASH=1"});
    EXPECT_EQ(run.status, 156);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(installed.TranscriptHas("c1 end")) << installed.Transcript();
    EXPECT_EQ(installed.Transcript().find("goodbye"), std::string::npos);
}

}  // namespace
