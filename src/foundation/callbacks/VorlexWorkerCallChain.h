#pragma once
// A worker call chain runs its steps strictly one after another, each on the
// kind of thread its own dispatch flags ask for, without blocking any thread
// between the steps. The owner adds the steps, starts the chain and later
// waits for it; the waiting thread keeps running the dispatcher's queued
// calls, so steps meant for the main thread run while the main thread waits.
//
// Every step is dispatched with CallFlagNoWait added, so each step queues
// the next one and returns. Steps must not be added after Start.
#include <atomic>
#include <cstdint>
#include <deque>

#include "engine/Sync.h"
#include "foundation/callbacks/CallRecord.h"
#include "foundation/callbacks/TCXCallback.h"

class CallDispatcher;

class VorlexWorkerCallChain {
public:
    VorlexWorkerCallChain();
    ~VorlexWorkerCallChain();
    VorlexWorkerCallChain(const VorlexWorkerCallChain&) = delete;
    VorlexWorkerCallChain& operator=(const VorlexWorkerCallChain&) = delete;

    // Appends a step; its callback receives 0 as its argument.
    void AddCall(uint32_t flags, const TCXCallback& callback);
    // Dispatches the first step; nothing happens without steps.
    void Start();
    // Returns once the last step has run, running queued dispatcher calls
    // meanwhile.
    void Wait();

    // The runner's target: runs the front step, removes it and dispatches
    // the next one. The argument is ignored.
    int32_t RunFront(CallArgument argument);

    bool IsRunning() const { return m_running.load(); }
    // Cleared by Start; the chain never sets it, its owner may.
    bool HasFailed() const { return m_failed.load(); }
    void SetFailed(bool failed) { m_failed.store(failed); }

private:
    void DispatchNext();

    std::atomic<bool> m_running{false};
    std::atomic<bool> m_failed{false};
    std::deque<CallRecord> m_calls;
    Vek::WEvent m_done{true, true};
    CallDispatcher* m_dispatcher = nullptr;
};
