#pragma once
// Crash handling around guarded calls, in place of structured-exception
// guards.
//
// Fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) are caught on an
// alternate signal stack. When the thread that crashed is inside a guarded
// call, the process ends at once with -100 (exit status 156): the standard
// streams are flushed and `_exit` runs, so no destructor or exit handler
// runs. A crash outside every guarded call first gives the crash-report
// writer (armed only in command-host mode) its chance, then takes the
// action that was in place before the handlers (by default the signal's own:
// the process dies of that signal). An exception that escapes a guarded call
// ends the process with -100 as well.
#include <csignal>
#include <utility>

constexpr int kCrashExitCode = -100;

// Installs the fatal-signal handlers once per process and gives the calling
// thread an alternate signal stack (so a stack overflow is caught too). Any
// thread may call it, as often as it likes.
void InstallCrashSignalHandlers();

// The process-wide signal settings of the program: SIGPIPE and SIGXFSZ are
// ignored (a write to a closed pipe or past a file-size limit fails with an
// error instead of killing the process), and the crash handlers are
// installed. Start-up calls this once.
void InstallProcessSignalDefaults();

// Ends the process with -100 after a crash inside a guarded call.
[[noreturn]] void EndProcessAfterCrash();

// Called from the signal handler for a crash outside every guarded call,
// before the previous action runs. It must be async-signal-safe.
using CrashReportWriter = void (*)(int signal, const siginfo_t* info);
// Setting a writer first loads what `backtrace` needs, outside any handler.
void SetCrashReportWriter(CrashReportWriter writer);

// Marks the calling thread as inside a guarded call for the scope's life.
// Scopes nest.
class CrashGuardScope {
public:
    CrashGuardScope();
    ~CrashGuardScope();
    CrashGuardScope(const CrashGuardScope&) = delete;
    CrashGuardScope& operator=(const CrashGuardScope&) = delete;
};

// True while the calling thread is inside a guarded call.
bool IsInsideCrashGuard();

// Runs `call` as a guarded call and returns its result; a crash or an
// escaping exception ends the process with -100.
template <typename F>
decltype(auto) RunCrashGuarded(F&& call) {
    CrashGuardScope scope;
    try {
        return std::forward<F>(call)();
    } catch (...) {
        EndProcessAfterCrash();
    }
}
