#pragma once
// GSThreadServices: what the object model needs of script threads, supplied
// by the interpreter. Creating an instance runs its class-initialisation
// code on the machine's static thread, CallScriptFunction runs a script
// function there (or starts it on a game object's thread), and the argument
// fetchers of native functions raise script exceptions on the running
// thread; each of these goes through the services installed here, so the
// object model does not depend on the interpreter's own types.
//
// Until the interpreter installs its services, no script code runs: code
// that would have to run makes the operation fail (a class-initialisation
// function with code fails the creation; CallScriptFunction returns false),
// and a raised exception is only written to the script log.
//
// The interpreter's process-wide running state lives here too: the current
// thread (whose GSThread::Execute is innermost) and the current context
// (the context of the running code, in which new strings, arrays and
// objects are made). The interpreter sets both on entry to a run and
// restores them on every exit. No lock: all script work runs on one thread.
#include <cstdint>

namespace GSRuntime {

class GSContext;
class GSStack;
class GSThread;

// What GSThread::SaveState keeps and GSThread::RestoreState puts back.
struct GSSavedThreadState {
    int32_t currentFrame = -1;
    int32_t stackPointer = -1;
    int32_t state = 0;
    int32_t resumeOffset = 0;
};

struct GSThreadServices {
    // The thread's stack.
    GSStack* (*stack)(GSThread* thread) = nullptr;
    // Stores the four values of the saved state, pushes one zero slot and
    // detaches the frames (no current frame), so that a nested run builds
    // its own frame chain above the saved content.
    void (*saveState)(GSThread* thread, GSSavedThreadState& saved) = nullptr;
    // Puts the four values back.
    void (*restoreState)(GSThread* thread, const GSSavedThreadState& saved) = nullptr;
    // Runs the thread for `dt` seconds; an ER_ code (GSThreadResult.h).
    int32_t (*execute)(GSThread* thread, float dt) = nullptr;
    // Reports a script exception on the thread (GSThread::Exception): the
    // thread dies unless `continued`.
    void (*exception)(GSThread* thread, const char* text, bool continued) = nullptr;
};

// Installs the interpreter's services (replacing any installed before).
void GSSetThreadServices(const GSThreadServices& services);
const GSThreadServices& GSGetThreadServices();
// True when threads can be run: stack, state and execute are installed.
bool GSCanRunThreads();

GSThread* GSCurrentThread();
void GSSetCurrentThread(GSThread* thread);
// The current context is read and written inline: every script call and
// return sets it.
inline GSContext* g_gsCurrentContext = nullptr;
inline GSContext* GSCurrentContext() { return g_gsCurrentContext; }
inline void GSSetCurrentContext(GSContext* context) { g_gsCurrentContext = context; }

// Formats a script exception and raises it on the current thread, which
// dies; without a current thread or installed services the text is only
// written to the script log.
void GSRaiseScriptException(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace GSRuntime
