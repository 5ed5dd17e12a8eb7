#pragma once
// An installation with a copy of the built stand-in daemon as bin/vaddaemon,
// its transcript in the installation folder, a short idle time and a short
// open retry delay. Every daemon of the installation is ended afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "assetdb/client/VADConnection.h"
#include "assetdb/layout/InstallLayout.h"
#include "engine/File.h"
#include "engine/Log.h"
#include "foundation/network/NetworkStart.h"
#include "foundation/platform/process/TerminateProcesses.h"
#include "support/TempDir.h"

namespace VorlexTest {

// The built daemon: the compile definition, else below VORLEX_BUILD_DIR.
inline std::string BuiltDaemonProgram() {
    const char* build = std::getenv("VORLEX_BUILD_DIR");
    if (build && *build) {
        std::string path = std::string(build) + "/tools/vaddaemon/vaddaemon";
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return VADDAEMON_PROGRAM;
}

class DaemonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_RUNTIME_DIR", (m_dir / "run").c_str(), 1);
        // The open makes eleven attempts this far apart: a daemon started on a
        // loaded machine has three seconds to publish its port.
        ::setenv("VORLEX_OPEN_RETRY_MS", "300", 1);
        ::setenv("VADDAEMON_TRANSCRIPT", Transcript().c_str(), 1);
        ::setenv("VADDAEMON_IDLE_S", "20", 1);
        ::unsetenv("VADDAEMON_SCENARIO");
        ::mkdir((m_dir / "bin").c_str(), 0755);
        ::mkdir((m_dir / "UserData").c_str(), 0755);
        std::filesystem::copy_file(BuiltDaemonProgram(), DaemonProgram());
        ::chmod(DaemonProgram().c_str(), 0755);
        Vek::File::Path root(m_dir.Path());
        root.ToLower();
        root.Normalise();
        SetInstallationFolders(root.c_str());
        InitializeNetwork();
        Vek::Log::Init(("-LogFile=" + (m_dir / "log.txt")).c_str());
    }
    void TearDown() override {
        VADCloseDatabase();
        TerminateProcessesByPath(DaemonProgram().c_str(), 200);
        Vek::Log::Shutdown();
    }

    std::string DaemonProgram() const { return m_dir / "bin/vaddaemon"; }
    std::string Transcript() const { return m_dir / "transcript.txt"; }
    std::string TranscriptText() const {
        std::ifstream in(Transcript());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool TranscriptHas(const std::string& text, int ms = 10000) const {
        return WaitFor([&] { return TranscriptText().find(text) != std::string::npos; }, ms);
    }
    void UseScenario(const std::string& text) {
        std::ofstream(m_dir / "scenario.txt") << text;
        ::setenv("VADDAEMON_SCENARIO", (m_dir / "scenario.txt").c_str(), 1);
    }
    // The number of processes running this installation's daemon.
    int DaemonsRunning() const {
        const std::string key = ProgramPathKey(DaemonProgram().c_str());
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            if (ProcessProgramKey(std::stoi(name)) == key) ++count;
        }
        return count;
    }
    template <typename Done>
    static bool WaitFor(Done done, int ms = 10000) {
        for (int waited = 0; waited < ms; waited += 10) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return done();
    }
    static VADOpenDatabaseArgs Args(uint8_t reconnect) {
        VADOpenDatabaseArgs args;
        args.reconnect = reconnect;
        return args;
    }
    static bool SendFrame(int32_t op, int32_t id, const std::string& payload = std::string()) {
        Vek::SingleLock lock(VADConnectionLock());
        const int32_t length = static_cast<int32_t>(payload.size());
        const uint8_t word[4] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                 static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
        return VADSendFrameStart(op, id) && VADSendBytes(word, 4) && VADSendBytes(payload.data(), length);
    }

    TempDir m_dir;
};

}  // namespace VorlexTest
