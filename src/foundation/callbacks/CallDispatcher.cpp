#include "foundation/callbacks/CallDispatcher.h"

#include "engine/PString.h"
#include "engine/Time.h"
#include "foundation/callbacks/CommandGuard.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/callbacks/ProgramTime.h"
#include "foundation/platform/CrashGuard.h"
#include "foundation/platform/DebuggerPresent.h"
#include "foundation/threads/EngineLock.h"

namespace {

// A further worker starts only this long (program time) after the last
// start or idle-count change.
constexpr float kWorkerStartSpacing = 5.0f;

}  // namespace

CallDispatcher& CallDispatcher::Instance() {
    static CallDispatcher dispatcher;
    return dispatcher;
}

CallDispatcher::CallDispatcher() = default;

CallDispatcher::~CallDispatcher() {
    m_queueLock.Enter();
    for (CallRecord& record : m_queue) DropRecord(record);
    m_queue.clear();
    m_queueLock.Leave();
    StopWorkers();
}

void CallDispatcher::DropRecord(CallRecord& record) {
    if (record.lock) record.lock->DropHold();
    if (record.completion) {
        record.completion->failed.store(true);
        record.completion->done.store(true);
        record.completion = nullptr;
    }
}

bool CallDispatcher::DispatchCall(CallContext context, uint32_t flags, const TCXCallback& callback,
                                  EngineLock* lock) {
    if (!(flags & CallFlagNoWait) && (flags & CurrentThreadMask()) == 0) {
        InvokeCallbackGuarded(context, callback);
        return true;
    }

    CallCompletion completion;
    {
        Vek::SingleLock guard(m_queueLock);
        CallRecord record;
        record.callback = callback;
        record.context = context;
        record.lock = lock;
        record.flags = flags;
        record.completion = (flags & CallFlagNoWait) ? nullptr : &completion;
        m_queue.push_back(std::move(record));
    }
    if (flags & CallFlagMainThread)
        PostMainThreadWake();
    else
        WakeWorker();

    if (flags & CallFlagNoWait) return true;
    while (!completion.done.load()) Vek::Time::Delay(1);
    return !completion.failed.load();
}

int32_t CallDispatcher::RunPendingCall(uint32_t extraMask) {
    if (m_closing.load()) return 0;
    const bool onMain = IsMainThread();
    const uint32_t mask = extraMask | (onMain ? 16u : 1u);
    if (onMain) ResetMainThreadWake();

    CallRecord taken;
    bool haveRecord = false;
    bool passedOver = false;
    int32_t queued = 0;
    {
        Vek::SingleLock guard(m_queueLock);
        queued = static_cast<int32_t>(m_queue.size());
        if (queued == 0) m_workAvailable.Reset();
        for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
            if ((it->flags & mask) == 0) {
                taken = std::move(*it);
                m_queue.erase(it);
                haveRecord = true;
                break;
            }
            passedOver = true;
        }
        if (haveRecord) m_running.insert(&taken);
    }
    // The calls passed over on the main thread are for workers.
    if (passedOver && onMain) WakeWorker();
    if (!haveRecord) return 0;

    auto finish = [&](bool failed) {
        if (taken.completion) {
            if (failed) taken.completion->failed.store(true);
            taken.completion->done.store(true);
        }
        {
            Vek::SingleLock guard(m_queueLock);
            m_running.erase(&taken);
        }
        m_callFinished.Pulse();
    };
    try {
        if (taken.callback.IsValid()) InvokeCallbackGuarded(taken.context, taken.callback);
    } catch (...) {
        // An unguarded call threw: its waiting caller and the running set
        // must not be left behind.
        finish(true);
        throw;
    }
    finish(false);
    return queued - 1;
}

void CallDispatcher::PumpMainThread() {
    double now = Vek::Time::GetSeconds();
    if (!m_pumpedOnce) {
        m_pumpedOnce = true;
        m_pumpBase = now;
    }
    SetProgramTime(now - m_pumpBase);
    int32_t pending = RunPendingCall(0);
    for (int32_t i = 0; i < pending; ++i)
        if (RunPendingCall(0) == 0) break;
    Vek::PStringCache::Instance().CollectGarbage();
}

void CallDispatcher::WakeWorker() {
    {
        Vek::SingleLock guard(m_threadLock);
        ReapFinishedThreads();
        if (!m_closing.load() && m_idleWorkers.load() == 0 &&
            (m_workers.empty() || m_lastStartTime.load() + kWorkerStartSpacing < GetProgramTimeF()))
            StartWorkerThread();
    }
    m_workAvailable.Set();
}

void CallDispatcher::StartWorkerThread() {
    m_lastStartTime.store(GetProgramTimeF());
    auto* thread = new Vek::Thread(WorkerThreadProc, this);
    if (!thread->StartedOk()) {
        delete thread;
        return;
    }
    thread->SetPriority(m_priority);
    thread->Resume();
    Vek::SingleLock guard(m_threadLock);
    m_workers.insert(thread);
}

uint32_t CallDispatcher::WorkerThreadProc(void* argument) {
    auto* self = static_cast<CallDispatcher*>(argument);
    for (;;) {
        while (self->RunPendingCall(0) != 0) {
        }
        self->ChangeIdleWorkers(1);
        if (self->m_closing.load() || !self->m_workAvailable.Wait(self->m_workerIdleTimeoutMs.load())) break;
        self->ChangeIdleWorkers(-1);
    }
    self->ChangeIdleWorkers(-1);
    return 0;
}

void CallDispatcher::ChangeIdleWorkers(int32_t delta) {
    Vek::SingleLock guard(m_idleLock);
    uint32_t count = m_idleWorkers.load() + static_cast<uint32_t>(delta);
    m_idleWorkers.store(count);
    if (count != 0) m_lastStartTime.store(GetProgramTimeF());
}

void CallDispatcher::ReapFinishedThreads() {
    Vek::SingleLock guard(m_threadLock);
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        Vek::Thread* thread = *it;
        if (thread->IsRunning()) {
            ++it;
            continue;
        }
        it = m_workers.erase(it);
        delete thread;
    }
}

bool CallDispatcher::IsBusy() {
    Vek::SingleLock guard(m_queueLock);
    return !m_queue.empty();
}

bool CallDispatcher::IsRunningFor(CallContext context) {
    Vek::SingleLock guard(m_queueLock);
    for (const CallRecord* record : m_running)
        if (record->context == context) return true;
    return false;
}

void CallDispatcher::CancelCalls(CallContext context, bool wait) {
    {
        Vek::SingleLock guard(m_queueLock);
        for (std::size_t i = m_queue.size(); i-- > 0;) {
            if (m_queue[i].context != context) continue;
            DropRecord(m_queue[i]);
            m_queue.erase(m_queue.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    // The finish pulse may fall between the test and the wait, so the wait
    // is bounded and the test repeated.
    if (wait)
        while (IsRunningFor(context)) m_callFinished.Wait(10);
}

void CallDispatcher::StopWorkers() {
    m_closing.store(true);
    m_threadLock.Enter();
    while (!m_workers.empty()) {
        m_threadLock.Leave();
        m_workAvailable.Set();
        Vek::Time::Delay(10);
        m_threadLock.Enter();
        ReapFinishedThreads();
    }
    m_threadLock.Leave();
}

bool CallDispatcher::HasIdleWorker() { return m_idleWorkers.load() > 0; }

void CallDispatcher::AdjustIdleWorkers(int32_t delta) { ChangeIdleWorkers(delta); }

std::size_t CallDispatcher::WorkerCount() {
    Vek::SingleLock guard(m_threadLock);
    return m_workers.size();
}

int32_t CallDispatcher::InvokeCallbackGuarded(CallContext context, const TCXCallback& callback) {
    if (IsCommandGuardSet() && !IsDebuggerPresent())
        return RunCrashGuarded([&] { return callback.Call(context); });
    return callback.Call(context);
}
