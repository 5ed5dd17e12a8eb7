#include "foundation/platform/process/TerminateProcesses.h"

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/File.h"
#include "foundation/log/LogPrintf.h"

namespace {

constexpr int kPollStepMs = 200;
constexpr const char kDeletedSuffix[] = " (deleted)";

std::string NormaliseKey(std::string text) {
    Vek::File::Path path(text);
    path.Normalise();
    path.ToLower();
    return path.Str();
}

std::vector<int> ListProcessIds() {
    std::vector<int> ids;
    DIR* proc = ::opendir("/proc");
    if (!proc) return ids;
    while (dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        long id = std::strtol(entry->d_name, &end, 10);
        if (end && *end == '\0' && id > 0 && id <= INT_MAX) ids.push_back(static_cast<int>(id));
    }
    ::closedir(proc);
    return ids;
}

// A handle on one process that stays valid when its id is reused.
int OpenProcessHandle(int processId) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, processId, 0));
#else
    (void)processId;
    return -1;
#endif
}

// True once the process has ended (a zombie has ended too).
bool HasEnded(int handle, int processId) {
    if (handle >= 0) {
        pollfd p{handle, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }
    std::string statPath = "/proc/" + std::to_string(processId) + "/stat";
    FILE* stat = std::fopen(statPath.c_str(), "r");
    if (!stat) return true;
    char line[512] = {0};
    bool ended = !std::fgets(line, sizeof line, stat);
    std::fclose(stat);
    if (!ended) {
        const char* close = std::strrchr(line, ')');
        ended = close && close[1] == ' ' && close[2] == 'Z';
    }
    return ended;
}

void Kill(int handle, int processId) {
#ifdef SYS_pidfd_send_signal
    if (handle >= 0 && ::syscall(SYS_pidfd_send_signal, handle, SIGKILL, nullptr, 0) == 0) return;
#endif
    if (handle < 0) ::kill(processId, SIGKILL);
}

}  // namespace

std::string ProcessProgramKey(int processId) {
    std::string link = "/proc/" + std::to_string(processId) + "/exe";
    std::vector<char> buffer(PATH_MAX + 1);
    ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size() - 1);
    if (n <= 0) return std::string();
    std::string target(buffer.data(), static_cast<std::size_t>(n));
    const std::size_t suffix = sizeof kDeletedSuffix - 1;
    if (target.size() > suffix && target.compare(target.size() - suffix, suffix, kDeletedSuffix) == 0)
        target.resize(target.size() - suffix);
    return NormaliseKey(target);
}

std::string ProgramPathKey(const char* path) {
    if (!path || !*path) return std::string();
    std::string os = Vek::File::ResolveOsPath(path);
    if (os.empty()) return std::string();
    char* real = ::realpath(os.c_str(), nullptr);
    if (real) {
        os = real;
        std::free(real);
    }
    return NormaliseKey(os);
}

void TerminateProcessesByPath(const char* path, int waitMs) {
    std::string wanted = ProgramPathKey(path);
    if (wanted.empty()) return;
    const int self = static_cast<int>(::getpid());
    for (int id : ListProcessIds()) {
        if (id == self) continue;
        int handle = OpenProcessHandle(id);
        // The program is read after the handle is open, so the handle and the
        // program belong to the same process.
        if (ProcessProgramKey(id) != wanted) {
            if (handle >= 0) ::close(handle);
            continue;
        }
        // The exit state is read before each sleep; a wait of 0 reads none
        // and so ends nothing.
        bool stillRunning = false;
        for (int remaining = waitMs; remaining > 0; remaining -= kPollStepMs) {
            stillRunning = !HasEnded(handle, id);
            if (!stillRunning) break;
            ::usleep(kPollStepMs * 1000);
        }
        if (stillRunning) {
            LogPrintf("Terminating process with ID %d", id);
            Kill(handle, id);
        }
        if (handle >= 0) ::close(handle);
    }
}
