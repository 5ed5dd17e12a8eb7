#pragma once
// Synchronisation objects of the engine: critical sections and mutexes (both
// re-entrant for their holder thread), events and the scoped lock.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace Vek {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

// A lockable object that SingleLock can hold.
class SyncObject {
public:
    virtual ~SyncObject() = default;
    // Waits at most `timeoutMs` (kInfinite: no limit); true when locked.
    virtual bool Lock(uint32_t timeoutMs = kInfinite) = 0;
    virtual void Unlock() = 0;
};

class CriticalSection : public SyncObject {
public:
    void Enter() { m_mutex.lock(); }
    bool TryEnter() { return m_mutex.try_lock(); }
    void Leave() { m_mutex.unlock(); }
    bool Lock(uint32_t timeoutMs = kInfinite) override;
    void Unlock() override { m_mutex.unlock(); }

private:
    std::recursive_timed_mutex m_mutex;
};

// An unnamed mutex, re-entrant for the thread that owns it.
class Mutex : public SyncObject {
public:
    explicit Mutex(bool initiallyOwned = false) {
        if (initiallyOwned) m_mutex.lock();
    }
    bool Lock(uint32_t timeoutMs = kInfinite) override;
    void Unlock() override { m_mutex.unlock(); }

private:
    std::recursive_timed_mutex m_mutex;
};

// Holds a SyncObject for its scope (or between Lock and Unlock).
class SingleLock {
public:
    explicit SingleLock(SyncObject* object, bool lockNow = true) : m_object(object) {
        if (lockNow) Lock();
    }
    explicit SingleLock(SyncObject& object, bool lockNow = true) : SingleLock(&object, lockNow) {}
    ~SingleLock() { Unlock(); }
    SingleLock(const SingleLock&) = delete;
    SingleLock& operator=(const SingleLock&) = delete;

    bool Lock(uint32_t timeoutMs = kInfinite) {
        if (!m_object || m_locked) return m_locked;
        m_locked = m_object->Lock(timeoutMs);
        return m_locked;
    }
    void Unlock() {
        if (m_object && m_locked) {
            m_locked = false;
            m_object->Unlock();
        }
    }
    bool IsLocked() const { return m_locked; }

private:
    SyncObject* m_object;
    bool m_locked = false;
};

// An event, with manual or automatic reset.
class WEvent {
public:
    explicit WEvent(bool manualReset = true, bool initiallySet = false)
        : m_manual(manualReset), m_set(initiallySet) {}
    void Set();
    void Reset();
    // Wakes the threads waiting now and leaves the event clear.
    void Pulse();
    // Waits until set, at most `timeoutMs`; true when the event was set. An
    // automatic-reset event is cleared by the wait that sees it set.
    bool Wait(uint32_t timeoutMs = kInfinite);
    bool IsSet() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_manual;
    bool m_set;
    uint64_t m_pulses = 0;
};

// A counting semaphore.
class Semaphore {
public:
    explicit Semaphore(int32_t initial = 0) : m_count(initial) {}
    void Release(int32_t n = 1);
    bool Wait(uint32_t timeoutMs = kInfinite);
    // Takes one count back without waiting; false when none is there.
    bool TryTake();

private:
    std::mutex m_mutex;
    std::condition_variable m_cond;
    int32_t m_count;
};

}  // namespace Vek
