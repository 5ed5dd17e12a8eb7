#include "foundation/callbacks/MainThread.h"

#include <atomic>

#include "engine/Sync.h"
#include "engine/Thread.h"

namespace {

std::atomic<ThreadId> g_mainThreadId{0};
std::atomic<bool> g_messagePosted{false};
std::atomic<uint32_t> g_messagesPosted{0};

Vek::WEvent& WakeEvent() {
    static Vek::WEvent* event = new Vek::WEvent(true, false);  // outlives static destruction
    return *event;
}

}  // namespace

ThreadId RecordMainThread() {
    ThreadId id = Vek::Thread::GetCurrentId();
    g_mainThreadId.store(id);
    return id;
}

ThreadId GetMainThreadId() { return g_mainThreadId.load(); }

bool IsMainThread() { return g_mainThreadId.load() == Vek::Thread::GetCurrentId(); }

uint32_t CurrentThreadMask() { return IsMainThread() ? 16u : 1u; }

void PostMainThreadWake() {
    if (!g_messagePosted.exchange(true)) g_messagesPosted.fetch_add(1);
    WakeEvent().Set();
}

bool WaitForMainThreadWake(uint32_t timeoutMs) { return WakeEvent().Wait(timeoutMs); }

void ResetMainThreadWake() {
    g_messagePosted.store(false);
    WakeEvent().Reset();
}

uint32_t MainThreadWakeMessages() { return g_messagesPosted.load(); }
