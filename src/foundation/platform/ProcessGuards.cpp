#include "foundation/platform/ProcessGuards.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "engine/Sync.h"
#include "foundation/platform/CrashGuard.h"
#include "foundation/platform/CrashReport.h"
#include "foundation/log/LogPrintf.h"

namespace {

constexpr int kCtrlC = 0;
constexpr int kCtrlClose = 2;
constexpr int kCtrlShutdown = 6;

std::atomic<bool> g_exitAllowed{true};
std::atomic<bool> g_crashGuardArmed{false};
std::atomic<bool> g_exitRequested{false};

// Set when exit becomes allowed, so a held-back event wakes at once rather
// than at its next one-second check.
Vek::WEvent& ExitAllowedEvent() {
    static Vek::WEvent* event = new Vek::WEvent(true, false);  // outlives exit handlers
    return *event;
}

int g_eventPipe[2] = {-1, -1};

int CtrlTypeOf(int signal) {
    switch (signal) {
        case SIGINT: return kCtrlC;
        case SIGHUP: return kCtrlClose;
        default: return kCtrlShutdown;
    }
}

void ConsoleSignalHandler(int signal) {
    int savedErrno = errno;
    unsigned char byte = static_cast<unsigned char>(signal);
    ssize_t ignored = ::write(g_eventPipe[1], &byte, 1);
    (void)ignored;
    errno = savedErrno;
}

void ConsoleEventThread() {
    for (;;) {
        unsigned char byte = 0;
        ssize_t n = ::read(g_eventPipe[0], &byte, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        int signal = byte;
        int ctrlType = CtrlTypeOf(signal);
        bool handled = ConsoleCtrlHandler(ctrlType);
        // A close or shut-down event ends the process once exit is allowed,
        // as does any event that was not held back.
        if (!handled || ctrlType > 1) {
            ::signal(signal, SIG_DFL);
            ::kill(::getpid(), signal);
        }
    }
}

void ReportCrashOutsideGuard(int signal, const siginfo_t* info) { CrashDumpExceptionFilter(signal, info); }

void ExitCrashGuard() {
    if (g_crashGuardArmed.load()) ForceCrash("process exit while the crash guard was armed");
}

void InstallOnce() {
    std::atexit(ExitCrashGuard);
    InstallCrashSignalHandlers();
    SetCrashReportWriter(ReportCrashOutsideGuard);

    if (::pipe2(g_eventPipe, O_CLOEXEC) != 0) {
        LogPrintf("InstallCrashHandlers> no console event pipe, error %d", errno);
        return;
    }
    std::thread(ConsoleEventThread).detach();
    struct sigaction action{};
    action.sa_handler = ConsoleSignalHandler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

}  // namespace

void InstallCrashHandlers(bool exitAllowed) {
    g_exitAllowed.store(exitAllowed);
    if (exitAllowed)
        ExitAllowedEvent().Set();
    else
        ExitAllowedEvent().Reset();
    g_crashGuardArmed.store(true);
    static std::once_flag once;
    std::call_once(once, InstallOnce);
}

void AllowProcessExit() {
    g_crashGuardArmed.store(false);
    g_exitAllowed.store(true);
    ExitAllowedEvent().Set();
}

bool IsExitRequested() { return g_exitRequested.load(); }

void DisableConsoleCloseButton() {}

bool ConsoleCtrlHandler(int ctrlType) {
    LogPrintf("Console Window event handler called for CtrlType=%d", ctrlType);
    if (g_exitAllowed.load()) {
        g_crashGuardArmed.store(false);
        return false;
    }
    g_exitRequested.store(true);
    if (ctrlType > 1) {
        while (!g_exitAllowed.load()) ExitAllowedEvent().Wait(1000);
    }
    return true;
}
