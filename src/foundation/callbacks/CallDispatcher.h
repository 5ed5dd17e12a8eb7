#pragma once
// The callback dispatcher: the one process-wide place where work moves
// between threads.
//
// Where a call runs:
//   main thread, without flag 16     at once, on the main thread
//   main thread, with flag 16        queued for a worker; the caller waits
//   other thread, without flag 1     at once, on the calling thread
//   other thread, with flag 1        queued for the main thread; the caller waits
//   any thread, with flag 8          always queued (for the main thread with
//                                    flag 1, else for a worker), not waited for
// A queued call without flag 1 may also be taken by the main thread when it
// pumps, unless it carries flag 16; a call with flag 1 is never taken by a
// worker. Calls are taken in arrival order among those the thread may run.
//
// Workers start on demand: the first at once, a further one only when none
// is idle and more than 5.0 s of program time have passed since the last
// start or change of the idle count. Program time moves only when the main
// thread pumps, so while it does not, worker calls run one after another on
// a single worker. A worker ends after 30000 ms without work.
#include <atomic>
#include <cstdint>
#include <deque>
#include <set>

#include "engine/Sync.h"
#include "engine/Thread.h"
#include "foundation/callbacks/CallRecord.h"
#include "foundation/callbacks/TCXCallback.h"

class CallDispatcher {
public:
    static CallDispatcher& Instance();

    CallDispatcher();
    // Releases the callers still waiting for queued calls (with failure),
    // empties the queue and stops the workers.
    ~CallDispatcher();
    CallDispatcher(const CallDispatcher&) = delete;
    CallDispatcher& operator=(const CallDispatcher&) = delete;

    // Runs the call at once or queues it (see above). A waiting caller polls
    // every 1 ms; false when its call was dropped (cancelled or discarded at
    // exit) instead of run.
    bool DispatchCall(CallContext context, uint32_t flags, const TCXCallback& callback,
                      EngineLock* lock = nullptr);

    // Runs the first queued call the calling thread may run. Returns the
    // number of calls still queued after it, or 0 when it ran none.
    int32_t RunPendingCall(uint32_t extraMask = 0);

    // The main thread's tick: advances the program time, runs the queued
    // calls it may run (at most as many as were queued) and collects unused
    // interned strings.
    void PumpMainThread();

    // True when any call is queued.
    bool IsBusy();
    // True while a call with this context is running.
    bool IsRunningFor(CallContext context);
    // Removes every queued call with this context; their waiting callers are
    // released with failure. With `wait`, then waits until no call with
    // this context is running.
    void CancelCalls(CallContext context, bool wait);
    // Marks the dispatcher closing (nothing more is taken from the queue)
    // and waits until every worker has ended.
    void StopWorkers();

    bool HasIdleWorker();
    void AdjustIdleWorkers(int32_t delta);
    // The number of worker threads that exist now.
    std::size_t WorkerCount();

    // Calls the callback; inside a guarded call when the command guard flag
    // is set and no debugger is attached, so a crash ends the process with
    // -100. Otherwise a crash or exception reaches the caller.
    static int32_t InvokeCallbackGuarded(CallContext context, const TCXCallback& callback);

    // The time a worker waits for work before it ends (30000 ms). Tests
    // shorten it.
    void SetWorkerIdleTimeout(uint32_t milliseconds) { m_workerIdleTimeoutMs = milliseconds; }

private:
    static uint32_t WorkerThreadProc(void* argument);
    void WakeWorker();
    void StartWorkerThread();
    void ReapFinishedThreads();
    // Releases a dropped record: its lock hold and its waiting caller.
    static void DropRecord(CallRecord& record);
    // Idle count change with the start-time rule.
    void ChangeIdleWorkers(int32_t delta);

    Vek::CriticalSection m_queueLock;
    std::deque<CallRecord> m_queue;
    std::set<const CallRecord*> m_running;
    Vek::CriticalSection m_threadLock;
    std::set<Vek::Thread*> m_workers;
    std::atomic<float> m_lastStartTime{0.0f};
    Vek::WEvent m_callFinished{true, false};
    Vek::WEvent m_workAvailable{false, false};
    int32_t m_priority = 0;
    std::atomic<bool> m_closing{false};
    Vek::CriticalSection m_idleLock;
    std::atomic<uint32_t> m_idleWorkers{0};
    std::atomic<uint32_t> m_workerIdleTimeoutMs{30000};
    bool m_pumpedOnce = false;
    double m_pumpBase = 0.0;
};
