#include "foundation/platform/CrashGuard.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <execinfo.h>
#include <mutex>
#include <unistd.h>

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kFatalSignalCount = sizeof kFatalSignals / sizeof kFatalSignals[0];

// The actions in place before ours, restored for a crash outside a guard.
struct sigaction g_previous[kFatalSignalCount];
std::atomic<CrashReportWriter> g_reportWriter{nullptr};
// Set once the process has begun to end after a crash, so that a second
// fault while flushing ends it without further work.
volatile sig_atomic_t g_ending = 0;

// Guard depth of this thread. Initial-exec TLS is read without any call, so
// the signal handler may touch it.
__attribute__((tls_model("initial-exec"))) thread_local int t_guardDepth = 0;

// An alternate signal stack for one thread, freed when the thread ends.
class AlternateStack {
public:
    void Ensure() {
        if (m_memory) return;
        stack_t current{};
        if (::sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) return;
        m_memory = std::malloc(kSize);
        if (!m_memory) return;
        stack_t stack{};
        stack.ss_sp = m_memory;
        stack.ss_size = kSize;
        if (::sigaltstack(&stack, nullptr) != 0) {
            std::free(m_memory);
            m_memory = nullptr;
        }
    }
    ~AlternateStack() {
        if (!m_memory) return;
        stack_t stack{};
        stack.ss_flags = SS_DISABLE;
        ::sigaltstack(&stack, nullptr);
        std::free(m_memory);
    }

private:
    static constexpr std::size_t kSize = 64 * 1024;
    void* m_memory = nullptr;
};

thread_local AlternateStack t_alternateStack;

int IndexOf(int signal) {
    for (int i = 0; i < kFatalSignalCount; ++i)
        if (kFatalSignals[i] == signal) return i;
    return -1;
}

[[noreturn]] void EndAfterCrashFromHandler() {
    if (g_ending) ::_exit(kCrashExitCode & 0xFF);
    g_ending = 1;
    // The unlocked flush cannot block on a stream lock that the crashed
    // thread may hold.
    fflush_unlocked(stdout);
    fflush_unlocked(stderr);
    ::_exit(kCrashExitCode & 0xFF);
}

void FatalSignalHandler(int signal, siginfo_t* info, void*) {
    if (g_ending) ::_exit(kCrashExitCode & 0xFF);
    if (t_guardDepth > 0) EndAfterCrashFromHandler();

    if (CrashReportWriter writer = g_reportWriter.load()) writer(signal, info);

    int index = IndexOf(signal);
    if (index >= 0)
        ::sigaction(signal, &g_previous[index], nullptr);
    else
        ::signal(signal, SIG_DFL);
    // A fault raised by the hardware repeats when the handler returns and
    // meets the restored action; a signal that was sent must be sent again.
    if (!info || info->si_code <= 0) ::raise(signal);
}

void InstallHandlersOnce() {
    struct sigaction action{};
    action.sa_sigaction = FatalSignalHandler;
    // SA_NODEFER lets a fault inside the handler re-enter it, where
    // g_ending ends the process at once.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kFatalSignalCount; ++i) ::sigaction(kFatalSignals[i], &action, &g_previous[i]);
}

}  // namespace

void InstallCrashSignalHandlers() {
    static std::once_flag once;
    std::call_once(once, InstallHandlersOnce);
    t_alternateStack.Ensure();
}

void InstallProcessSignalDefaults() {
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
    InstallCrashSignalHandlers();
}

void EndProcessAfterCrash() {
    g_ending = 1;
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(kCrashExitCode & 0xFF);
}

void SetCrashReportWriter(CrashReportWriter writer) {
    // The report's stack comes from backtrace, whose first call loads the
    // unwinder library: called once here, so that its first use is not
    // inside a signal handler. Only a report needs it; the guarded calls'
    // handler does not, and loading it cost every start.
    static std::once_flag primed;
    if (writer) std::call_once(primed, [] {
        void* frames[4];
        ::backtrace(frames, 4);
    });
    g_reportWriter.store(writer);
}

CrashGuardScope::CrashGuardScope() {
    InstallCrashSignalHandlers();
    ++t_guardDepth;
}

CrashGuardScope::~CrashGuardScope() { --t_guardDepth; }

bool IsInsideCrashGuard() { return t_guardDepth > 0; }
