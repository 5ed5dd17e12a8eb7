#include "foundation/callbacks/VorlexWorkerCallChain.h"

#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/TCXCallbackCPPVoidPtr.h"

VorlexWorkerCallChain::VorlexWorkerCallChain() = default;

VorlexWorkerCallChain::~VorlexWorkerCallChain() = default;

void VorlexWorkerCallChain::AddCall(uint32_t flags, const TCXCallback& callback) {
    CallRecord record;
    record.callback = callback;
    record.context = reinterpret_cast<CallContext>(this);
    record.flags = flags | CallFlagNoWait;
    m_calls.push_back(std::move(record));
}

void VorlexWorkerCallChain::Start() {
    if (m_calls.empty()) return;
    m_done.Reset();
    m_failed.store(false);
    m_running.store(true);
    m_dispatcher = &CallDispatcher::Instance();
    DispatchNext();
}

void VorlexWorkerCallChain::DispatchNext() {
    if (m_calls.empty()) {
        m_running.store(false);
        // The owner may destroy the chain as soon as this is set: nothing
        // of the chain is touched after it.
        m_done.Set();
        return;
    }
    const CallRecord& front = m_calls.front();
    TCXCallback runner = MakeMemberCallback(this, &VorlexWorkerCallChain::RunFront);
    if (!runner.IsValid()) {
        // No memory for the runner: the chain cannot go on. It ends failed
        // rather than leaving its owner waiting for ever.
        m_calls.clear();
        m_failed.store(true);
        m_running.store(false);
        m_done.Set();
        return;
    }
    m_dispatcher->DispatchCall(reinterpret_cast<CallContext>(this), front.flags, runner, front.lock);
}

int32_t VorlexWorkerCallChain::RunFront(CallArgument) {
    CallDispatcher::InvokeCallbackGuarded(0, m_calls.front().callback);
    m_calls.pop_front();
    DispatchNext();
    return 0;
}

void VorlexWorkerCallChain::Wait() {
    if (m_done.Wait(0)) return;
    for (;;) {
        int32_t pending = m_dispatcher ? m_dispatcher->RunPendingCall(0) : 0;
        if (m_done.Wait(pending != 0 ? 0 : 10)) return;
    }
}
