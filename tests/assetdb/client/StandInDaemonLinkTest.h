#pragma once
// A link test against the built stand-in daemon, copied into the test's own
// installation as bin/vaddaemon (so that only the test's daemons match its
// path), with a transcript, an idle limit and short open retries; skipped
// when the stand-in is not built. A scenario, when the test names one, is
// read when the daemon starts: call UseScenario before Open.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "assetdb/client/LinkTestFixture.h"
#include "foundation/platform/process/TerminateProcesses.h"

namespace VorlexTest {

class StandInDaemonLinkTest : public LinkTest {
protected:
    static std::string BuiltDaemon() {
        const char* build = std::getenv("VORLEX_BUILD_DIR");
        if (!build || !*build) return std::string();
        const std::string path = std::string(build) + "/tools/vaddaemon/vaddaemon";
        return ::access(path.c_str(), X_OK) == 0 ? path : std::string();
    }
    void SetUp() override {
        LinkTest::SetUp();
        if (BuiltDaemon().empty()) GTEST_SKIP() << "the stand-in daemon is not built";
        ::setenv("VADDAEMON_TRANSCRIPT", (m_install / "transcript.txt").c_str(), 1);
        ::setenv("VADDAEMON_IDLE_S", "20", 1);
        // The open makes eleven attempts this far apart: a daemon started on a
        // loaded machine has three seconds to publish its port.
        ::setenv("VORLEX_OPEN_RETRY_MS", "300", 1);
        ::unsetenv("VADDAEMON_SCENARIO");
        std::filesystem::copy_file(BuiltDaemon(), Program());
        ::chmod(Program().c_str(), 0755);
    }
    void TearDown() override {
        LinkTest::TearDown();
        TerminateProcessesByPath(Program().c_str(), 200);
        ::unsetenv("VADDAEMON_SCENARIO");
    }
    std::string Program() const { return m_install / "bin/vaddaemon"; }
    void UseScenario(const std::string& text) {
        std::ofstream(m_install / "scenario.txt") << text;
        ::setenv("VADDAEMON_SCENARIO", (m_install / "scenario.txt").c_str(), 1);
    }
    std::string Transcript() const { return ReadFile(m_install / "transcript.txt"); }
};

}  // namespace VorlexTest
