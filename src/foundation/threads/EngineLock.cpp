#include "foundation/threads/EngineLock.h"

#include <algorithm>
#include <atomic>

#include "engine/PString.h"
#include "engine/Thread.h"
#include "engine/Time.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/threads/BlockingScreen.h"

namespace {

constexpr uint32_t kPurgeIntervalMs = 15000;
constexpr int32_t kMaxBackOffMs = 20;
constexpr int kMaxWaitChain = 129;

uint32_t EngineMs() { return Vek::Time::Ms(); }
void EngineDelay(uint32_t ms) { Vek::Time::Delay(ms); }

std::atomic<uint32_t (*)()> g_clockMs{EngineMs};
std::atomic<void (*)(uint32_t)> g_clockDelay{EngineDelay};
std::atomic<EngineLock::CachePurgeHook> g_purgeHook{nullptr};

}  // namespace

EngineLock& EngineLock::Instance() {
    static EngineLock* lock = new EngineLock();  // used until the process ends
    return *lock;
}

EngineLock::EngineLock() = default;

bool EngineLock::TryAcquire(ThreadId threadId, bool exclusive) {
    Vek::SingleLock guard(m_lock);
    bool grant;
    if (m_holdCount == 0) {
        grant = exclusive || m_waitingWriters <= 0;
    } else {
        bool isHolder = std::find(m_holders.begin(), m_holders.end(), threadId) != m_holders.end();
        if (isHolder) {
            grant = !exclusive ||
                    (m_exclusive && std::all_of(m_holders.begin(), m_holders.end(),
                                                [threadId](ThreadId id) { return id == threadId; }));
        } else {
            grant = !exclusive && !m_exclusive && m_waitingWriters <= 0;
        }
    }
    if (!grant) return false;
    ++m_holdCount;
    if (exclusive) m_exclusive = true;
    m_holders.push_back(threadId);
    m_freeEvent.Reset();
    return true;
}

bool EngineLock::Acquire(ThreadId threadId, bool exclusive) {
    if (TryAcquire(threadId, exclusive)) return true;

    const bool onMain = IsMainThread();
    uint32_t (*ms)() = g_clockMs.load();
    void (*delay)(uint32_t) = g_clockDelay.load();
    uint32_t start = ms();
    if (exclusive) AddWaitingWriter(1);

    bool screenShown = false;
    for (int32_t n = -100; !TryAcquire(threadId, exclusive); ++n) {
        delay(static_cast<uint32_t>(std::clamp(n / 10, 0, kMaxBackOffMs)));
        uint32_t now = ms();
        if (!onMain) continue;
        if (now - start > kPurgeIntervalMs) {
            start = now;
            if (!screenShown) {
                BlockingScreen::Instance().Show();
                screenShown = true;
            } else {
                BlockingScreen::Instance().Update();
            }
            if (CachePurgeHook purge = g_purgeHook.load()) purge();
            Vek::PStringCache::Instance().CollectGarbage();
        }
        CallDispatcher::Instance().RunPendingCall(0);
    }

    if (screenShown) BlockingScreen::Instance().Release();
    if (exclusive) AddWaitingWriter(-1);
    return true;
}

bool EngineLock::Release(ThreadId threadId) {
    Vek::SingleLock guard(m_lock);
    auto it = std::find(m_holders.begin(), m_holders.end(), threadId);
    if (it == m_holders.end() || m_holdCount <= 0) return false;
    m_holders.erase(it);
    --m_holdCount;
    if (m_holdCount == 0) m_exclusive = false;
    m_freeEvent.Set();
    return m_holdCount == 0;
}

bool EngineLock::AcquireForCurrentThread(bool exclusive) { return Acquire(Vek::Thread::GetCurrentId(), exclusive); }

bool EngineLock::ReleaseForCurrentThread() { return Release(Vek::Thread::GetCurrentId()); }

void EngineLock::DropHold() {
    Vek::SingleLock guard(m_lock);
    if (m_holdCount > 0) --m_holdCount;
    m_exclusive = false;
    m_freeEvent.Set();
}

EngineLock::ThreadId EngineLock::ExclusiveOwner() {
    Vek::SingleLock guard(m_lock);
    if (!m_exclusive || m_holders.empty()) return 0;
    return m_holders.front();
}

int32_t EngineLock::HoldCount() {
    Vek::SingleLock guard(m_lock);
    return m_holdCount;
}

bool EngineLock::IsExclusive() {
    Vek::SingleLock guard(m_lock);
    return m_exclusive;
}

int32_t EngineLock::WaitingWriters() {
    Vek::SingleLock guard(m_lock);
    return m_waitingWriters;
}

void EngineLock::AddWaitingWriter(int32_t delta) {
    Vek::SingleLock guard(m_lock);
    m_waitingWriters += delta;
}

void EngineLock::SetClock(const Clock& clock) {
    g_clockMs.store(clock.ms ? clock.ms : EngineMs);
    g_clockDelay.store(clock.delay ? clock.delay : EngineDelay);
}

void EngineLock::UseEngineClock() { SetClock(Clock{EngineMs, EngineDelay}); }

void EngineLock::SetCachePurgeHook(CachePurgeHook hook) { g_purgeHook.store(hook); }

EngineLockWaits& EngineLockWaits::Instance() {
    static EngineLockWaits* waits = new EngineLockWaits();
    return *waits;
}

void EngineLockWaits::NoteWaiting(EngineLock::ThreadId threadId, EngineLock* lock) {
    Vek::SingleLock guard(m_lock);
    m_waiting[threadId] = lock;
}

void EngineLockWaits::ClearWaiting(EngineLock::ThreadId threadId) {
    Vek::SingleLock guard(m_lock);
    m_waiting.erase(threadId);
}

bool EngineLockWaits::WouldDeadlock(EngineLock::ThreadId askingThreadId) {
    Vek::SingleLock guard(m_lock);
    EngineLock* lock = &EngineLock::Instance();
    for (int step = 0; step < kMaxWaitChain; ++step) {
        EngineLock::ThreadId owner = lock->ExclusiveOwner();
        if (owner == askingThreadId || owner == static_cast<EngineLock::ThreadId>(-1)) return true;
        auto it = m_waiting.find(owner);
        if (it == m_waiting.end()) return false;
        lock = it->second;
    }
    return true;
}
