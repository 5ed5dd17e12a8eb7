// GSThread::Execute: the run loop of the bytecode interpreter, its entry
// and exits, and the execution budget.

#include "gsruntime/interpreter/GSInterpreter.h"

#include "engine/AnsiString.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSLog.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/interpreter/GSDispatchTable.h"
#include "gsruntime/interpreter/GSThread.h"

namespace GSRuntime {

namespace {

int32_t g_depth = 0;
uint64_t g_bytes = 0;

// One run of Execute: entering it counts a nesting level (the outermost
// starts the budget at 0) and keeps the current thread and context aside;
// every way out restores them.
class RunScope {
public:
    RunScope() : m_thread(GSCurrentThread()), m_context(GSCurrentContext()) {
        if (g_depth == 0) g_bytes = 0;
        ++g_depth;
    }
    ~RunScope() {
        if (!m_ended) --g_depth;
        GSSetCurrentThread(m_thread);
        GSSetCurrentContext(m_context);
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

    // The run is over: the bytes of its last straight-line run are counted
    // and its nesting level goes.
    void End(const GSRunState& s) {
        if (m_ended) return;
        m_ended = true;
        if (s.pc && s.runStart) g_bytes += static_cast<uint64_t>(s.pc - s.runStart);
        --g_depth;
    }

private:
    GSThread* m_thread;
    GSContext* m_context;
    bool m_ended = false;
};

// The error end of a run: the thread exception is reported (log line, host
// callback, stack dump), the thread dies and its stack is cleared.
int32_t EndWithError(GSThread& thread, GSRunState& s, int32_t code) {
    GSStack& stack = thread.Stack();
    const int32_t offset = s.pc && s.code ? static_cast<int32_t>(s.pc - s.code) : 0;
    const int32_t line = s.function ? s.function->LineAt(offset) : -1;
    Vek::String message;
    message.Format("Thread Exception: %s, line %d, file %s", GSThreadResultName(code), line,
                   s.library ? s.library->GetName() : "");
    GSLog("%s", message.c_str());
    if (GSThread::HostExceptionCallback callback = GSThread::GetHostExceptionCallback())
        callback(message.c_str(), &stack, thread.GameObjectConcerned(true), false);
    thread.SetState(GSThread::kDead);
    stack.SetStackPointer(s.sp);
    if (GSLogCallback) {
        GSLog("Stack Dump...");
        stack.Dump();
    }
    stack.Clear();
    return code;
}

}  // namespace

uint64_t GSAddExecutedBytes(uint64_t bytes) { return g_bytes += bytes; }

int32_t GSExecutionDepth() { return g_depth; }

uint64_t GSExecutedBytes() { return g_bytes; }

int32_t GSThread::Execute(float dt) {
    // A blocked thread answers at once and changes nothing else.
    if (m_state == kWaiting) {
        if (m_sleepTime == 0.0f) return ER_Blocked;
        m_sleepTime -= dt;
        if (m_sleepTime > 0.0f) return ER_Blocked;
        m_sleepTime = 0.0f;
    }

    RunScope scope;
    WithdrawBlocks();
    GSSetCurrentThread(this);
    GSSetCurrentContext(m_stack.GetContext());
    m_state = kRunnable;

    GSRunState s;
    s.thread = this;
    s.stack = &m_stack;
    s.slots = m_stack.Slots();
    s.capacity = m_stack.Capacity();
    s.sp = m_stack.StackPointer();
    if (s.slots && s.EnterFrame(m_resumeOffset) && (s.Me() != 0 || s.Raise(ER_NullReference))) {
        const GSOpHandler* table = GSDispatchTable();
        while (table[*s.pc++](s)) {
        }
    } else if (!s.slots) {
        s.Raise(ER_NoStackFrame);
    }
    const int32_t code = s.result;
    scope.End(s);
    if (code == ER_Done || code == ER_Blocked) return code;
    return EndWithError(*this, s, code);
}

}  // namespace GSRuntime
