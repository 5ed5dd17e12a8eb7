#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InstalledProgram.h"

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
