#pragma once
// The built stand-in online server, started for one test in a temporary
// folder with a scenario, and ended with the test.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/TempDir.h"

namespace OnlineTest {

inline std::string BuiltOnlineServer() {
    const char* build = std::getenv("VORLEX_BUILD_DIR");
    if (!build || !*build) return std::string();
    const std::string path = std::string(build) + "/tools/onlineserver/onlineserver";
    return ::access(path.c_str(), X_OK) == 0 ? path : std::string();
}

class StandInOnlineServer {
public:
    // Starts the server; Port() is 0 when it did not come up.
    explicit StandInOnlineServer(const std::string& scenario = std::string()) {
        const std::string program = BuiltOnlineServer();
        if (program.empty()) return;
        std::ofstream(m_folder / "scenario.txt") << scenario;
        const std::string portFile = m_folder / "port.txt";
        m_pid = ::fork();
        if (m_pid == 0) {
            ::setenv("ONLINESERVER_SCENARIO", (m_folder / "scenario.txt").c_str(), 1);
            ::setenv("ONLINESERVER_TRANSCRIPT", (m_folder / "transcript.txt").c_str(), 1);
            ::setenv("ONLINESERVER_PORT_FILE", portFile.c_str(), 1);
            ::setenv("ONLINESERVER_IDLE_S", "120", 1);
            ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // The port file appears (renamed into place whole) once the server
        // listens; the wait ends early if the server exits.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            std::ifstream in(portFile);
            if (in >> m_port) break;
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~StandInOnlineServer() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    int Port() const { return m_port; }
    std::string Transcript() const {
        std::ifstream in(m_folder / "transcript.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    VorlexTest::TempDir m_folder;
    pid_t m_pid = -1;
    int m_port = 0;
};

}  // namespace OnlineTest
