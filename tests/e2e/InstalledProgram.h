#pragma once
// An installation laid out from the build tree in a temporary folder, and
// runs of its program as child processes.
//
//   I/bin/VorlexUtil      the built program
//   I/bin/vaddaemon       the built stand-in daemon (unless left out)
//   I/bin/ZIROzod/        the source tree's data/ZIROzod
//   I/Data/               the source tree's data/Data (interface texts)
//   I/scripts/            the shared script sources
//   I/prebuilt/libraries/ the shipped script libraries, compiled
//   I/UserData/libraries/ a copy of them
//
// laid out by the build's install-layout script, as every installation is.
// The build tree comes from VORLEX_BUILD_DIR (set by ctest), the data from
// the compile definitions VORLEX_SOURCE_DATA_DIR and VORLEX_SOURCE_LAYOUT_SCRIPT. Every run gets its own
// runtime folder for the daemon rendezvous (XDG_RUNTIME_DIR under I), the
// daemon's transcript file I/transcript.txt, a short daemon idle time and a
// short retry delay between the program's daemon open attempts. The
// destructor ends every daemon the installation started, so no test leaves
// one running.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/platform/process/TerminateProcesses.h"
#include "support/TempDir.h"

namespace VorlexTest {

struct ProgramResult {
    int status = -1;  // the exit status (its low 8 bits); -1 when it did not exit
    std::string out;
    std::string err;
};

class InstalledProgram {
public:
    // How long one run may take before it is killed.
    static constexpr int kRunTimeoutMs = 120000;

    explicit InstalledProgram(bool withDaemon = true) {
        namespace fs = std::filesystem;
        const std::string build = BuildDir();
        fs::create_directories(m_dir / "elsewhere");
        if (::access((build + "/src/frontend/VorlexUtil").c_str(), X_OK) != 0)
            throw std::runtime_error("not built: " + build + "/src/frontend/VorlexUtil");
        if (withDaemon && ::access((build + "/tools/vaddaemon/vaddaemon").c_str(), X_OK) != 0)
            throw std::runtime_error("not built: " + build + "/tools/vaddaemon/vaddaemon");
        const ProgramResult layout =
            RunProcess("/bin/bash", {VORLEX_SOURCE_LAYOUT_SCRIPT, build, m_dir.Path()}, {}, m_dir.Path());
        if (layout.status != 0) throw std::runtime_error("install layout failed: " + layout.err);
        if (!withDaemon) fs::remove(Daemon());
    }
    ~InstalledProgram() { StopDaemons(); }
    InstalledProgram(const InstalledProgram&) = delete;
    InstalledProgram& operator=(const InstalledProgram&) = delete;

    std::string Root() const { return m_dir.Path(); }
    std::string Program() const { return m_dir / "bin/VorlexUtil"; }
    std::string Daemon() const { return m_dir / "bin/vaddaemon"; }
    // A folder outside the installation, the default working folder of runs.
    std::string Elsewhere() const { return m_dir / "elsewhere"; }
    std::string TranscriptPath() const { return m_dir / "transcript.txt"; }

    // Runs the program with `arguments` in `folder` (empty: Elsewhere()),
    // with the installation's environment and then `environment`
    // ("NAME=value" entries, which may override it).
    ProgramResult Run(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {},
                      const std::string& folder = std::string()) const {
        std::vector<std::string> settings = {
            "XDG_RUNTIME_DIR=" + (m_dir / "run"),
            "VADDAEMON_TRANSCRIPT=" + TranscriptPath(),
            "VADDAEMON_IDLE_S=10",
            "VORLEX_OPEN_RETRY_MS=200",
        };
        settings.insert(settings.end(), environment.begin(), environment.end());
        return RunProcess(Program(), arguments, settings, folder.empty() ? Elsewhere() : folder);
    }

    std::string Transcript() const { return ReadFile(TranscriptPath()); }
    // Empties the transcript (the daemon appends to it, so a running daemon
    // keeps writing at its new end).
    void ClearTranscript() const { WriteFile(TranscriptPath(), ""); }
    // The operation codes of the frames in the transcript, in order.
    std::vector<int> ReceivedOperations() const {
        std::vector<int> ops;
        std::istringstream lines(Transcript());
        for (std::string line; std::getline(lines, line);) {
            const std::size_t at = line.find(" frame op=");
            if (at != std::string::npos) ops.push_back(std::atoi(line.c_str() + at + 10));
        }
        return ops;
    }
    // Writes `text` as the daemon's scenario and returns the environment
    // entry that names it. The daemon reads it when it starts, so call
    // StopDaemons() first when one may be running.
    std::string UseScenario(const std::string& text) const {
        const std::string path = m_dir / "scenario.txt";
        WriteFile(path, text);
        return "VADDAEMON_SCENARIO=" + path;
    }
    // Waits (at most `ms`) until the transcript holds `text`.
    bool TranscriptHas(const std::string& text, int ms = 10000) const {
        for (int waited = 0;; waited += 10) {
            if (Transcript().find(text) != std::string::npos) return true;
            if (waited >= ms) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    // Ends the installation's daemons (after a short wait for them to end
    // by themselves).
    void StopDaemons() const { TerminateProcessesByPath(Daemon().c_str(), 200); }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

private:
    static std::string BuildDir() {
        const char* build = std::getenv("VORLEX_BUILD_DIR");
        if (!build || !*build) throw std::runtime_error("VORLEX_BUILD_DIR must name the build tree");
        return build;
    }
    static ProgramResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                                    const std::vector<std::string>& environment, const std::string& folder) {
        int outPipe[2], errPipe[2];
        if (::pipe2(outPipe, O_CLOEXEC) != 0) return {};
        if (::pipe2(errPipe, O_CLOEXEC) != 0) {
            ::close(outPipe[0]);
            ::close(outPipe[1]);
            return {};
        }
        std::vector<std::string> words = {program};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);

        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(outPipe[1], STDOUT_FILENO);
            ::dup2(errPipe[1], STDERR_FILENO);
            if (::chdir(folder.c_str()) != 0) ::_exit(121);
            for (const std::string& entry : environment) {
                const std::size_t equals = entry.find('=');
                ::setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
            }
            ::execv(program.c_str(), argv.data());
            ::_exit(122);
        }
        ::close(outPipe[1]);
        ::close(errPipe[1]);
        ProgramResult result;
        if (child < 0) {
            ::close(outPipe[0]);
            ::close(errPipe[0]);
            return result;
        }
        pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        std::string* sinks[2] = {&result.out, &result.err};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRunTimeoutMs);
        int open = 2;
        while (open > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                ::kill(child, SIGKILL);
                break;
            }
            if (::poll(fds, 2, static_cast<int>(left.count())) < 0) break;
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                char buffer[4096];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                } else {
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        for (pollfd& fd : fds)
            if (fd.fd >= 0) ::close(fd.fd);
        int status = 0;
        ::waitpid(child, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    TempDir m_dir;
};

}  // namespace VorlexTest
