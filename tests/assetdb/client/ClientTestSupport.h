#pragma once
// A temporary installation for the daemon-link tests: its install folders
// are set, its user folder exists, and the rendezvous files go to a runtime
// folder of its own. The open retry delay is short.
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "assetdb/layout/InstallLayout.h"
#include "engine/File.h"
#include "support/TempDir.h"

namespace VorlexTest {

class TestInstallation {
public:
    explicit TestInstallation(const char* retryMs = "20") {
        ::setenv("XDG_RUNTIME_DIR", (m_dir / "run").c_str(), 1);
        ::setenv("VORLEX_OPEN_RETRY_MS", retryMs, 1);
        ::mkdir((m_dir / "UserData").c_str(), 0755);
        ::mkdir((m_dir / "bin").c_str(), 0755);
        // The program keeps its install folder lower-cased, with backslashes.
        Vek::File::Path root(m_dir.Path());
        root.ToLower();
        root.Normalise();
        SetInstallationFolders(root.c_str());
    }
    ~TestInstallation() { SetInstallationFolders(""); }

    const TempDir& Dir() const { return m_dir; }
    std::string operator/(const std::string& name) const { return m_dir / name; }

private:
    TempDir m_dir;
};

// The id of a process that has ended.
inline int DeadProcessId() {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return pid;
}

template <typename Done>
bool WaitUntil(Done done, int ms = 10000) {
    for (int waited = 0; waited < ms; waited += 10) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace VorlexTest
