#pragma once
// An installation with a copy of the built stand-in daemon as bin/vaddaemon
// and the database open, for the archive code that works through the
// daemon. The locations are real folders mapped as file-system roots, the
// daemon keeps a transcript of the frames it receives, and the daemon is
// ended after each test. Tests skip when the daemon has not been built.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assetdb/client/VADConnection.h"
#include "assetdb/layout/AssetFolders.h"
#include "assetdb/layout/InstallLayout.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "engine/File.h"
#include "foundation/network/NetworkStart.h"
#include "foundation/platform/process/TerminateProcesses.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/streams/BufferStream.h"
#include "support/TempDir.h"

namespace ArchiveTest {

// The built stand-in daemon below VORLEX_BUILD_DIR (set by ctest), or empty.
inline std::string BuiltDaemon() {
    const char* build = std::getenv("VORLEX_BUILD_DIR");
    if (!build || !*build) return std::string();
    const std::string path = std::string(build) + "/tools/vaddaemon/vaddaemon";
    return ::access(path.c_str(), X_OK) == 0 ? path : std::string();
}

// A soup's binary form as the hex text of a scenario's payload item.
inline std::string SoupHex(const SoupHandle& soup) {
    TBuffer stream;
    WriteBinarySoup(stream, soup);
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (int32_t i = 0; i < stream.GetDataSize(); ++i) {
        hex += digits[stream.GetData()[i] >> 4];
        hex += digits[stream.GetData()[i] & 15];
    }
    return hex;
}

class ArchiveDaemonTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string daemon = BuiltDaemon();
        if (daemon.empty()) GTEST_SKIP() << "the stand-in daemon is not built (VORLEX_BUILD_DIR)";
        ::setenv("XDG_RUNTIME_DIR", (m_dir / "run").c_str(), 1);
        // The open makes eleven attempts this far apart: a daemon started on a
        // loaded machine has three seconds to publish its port.
        ::setenv("VORLEX_OPEN_RETRY_MS", "300", 1);
        ::setenv("VADDAEMON_TRANSCRIPT", Transcript().c_str(), 1);
        ::setenv("VADDAEMON_IDLE_S", "20", 1);
        ::unsetenv("VADDAEMON_SCENARIO");
        ::mkdir((m_dir / "bin").c_str(), 0755);
        std::filesystem::copy_file(daemon, DaemonProgram());
        ::chmod(DaemonProgram().c_str(), 0755);
        Vek::File::Path root(m_dir.Path());
        root.ToLower();
        root.Normalise();
        ASSERT_TRUE(SetInstallationPath(root.c_str()));
        InitializeAssetFolders();
        InitializeNetwork();
        m_started = true;
    }
    void TearDown() override {
        if (!m_started) return;
        // What the daemon received tells a failed exchange from a failed check.
        if (HasFailure()) {
            std::ifstream in(Transcript());
            std::string line;
            for (int shown = 0; shown < 200 && std::getline(in, line); ++shown)
                std::printf("daemon transcript: %.300s\n", line.c_str());
        }
        VADCloseDatabase();
        TerminateProcessesByPath(DaemonProgram().c_str(), 200);
        ReleaseAssetFolderDatabases();
        PurgeResourceDatabaseCache();
        SetInstallationFolders(nullptr);
    }

    // Scripts the daemon; call before Open.
    void UseScenario(const std::string& text) {
        std::ofstream(m_dir / "scenario.txt") << text;
        ::setenv("VADDAEMON_SCENARIO", (m_dir / "scenario.txt").c_str(), 1);
    }
    void Open() {
        VADOpenDatabaseArgs args;
        ASSERT_TRUE(VADOpenDatabase(args));
    }

    std::string DaemonProgram() const { return m_dir / "bin/vaddaemon"; }
    std::string Transcript() const { return m_dir / "transcript.txt"; }
    // The OS path of a folder below the user data folder.
    std::string UserData(const std::string& below) const { return m_dir / ("UserData/" + below); }
    std::string Path(const std::string& name) const { return m_dir / name; }

    // The payloads (hex) of the frames of one operation, in order.
    std::vector<std::string> Frames(int32_t op) const {
        std::ifstream in(Transcript());
        std::vector<std::string> payloads;
        std::string line;
        const std::string key = " frame op=" + std::to_string(op) + " ";
        while (std::getline(in, line)) {
            if (line.find(key) == std::string::npos) continue;
            const std::size_t at = line.find("payload=");
            payloads.push_back(at == std::string::npos ? std::string() : line.substr(at + 8));
        }
        return payloads;
    }

    VorlexTest::TempDir m_dir;
    bool m_started = false;
};

}  // namespace ArchiveTest
