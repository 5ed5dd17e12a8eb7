#pragma once
// A mutex that counts the holds taken through it (it guards a result log).
// Re-entrant for the thread that holds it.
#include <atomic>
#include <cstdint>

#include "engine/Sync.h"

class CountedMutex {
public:
    CountedMutex() = default;
    CountedMutex(const CountedMutex&) = delete;
    CountedMutex& operator=(const CountedMutex&) = delete;

    // Waits without time-out, then counts the hold.
    void Lock();
    // Uncounts the hold, then releases the mutex.
    void Unlock();
    // The holds taken now.
    int32_t Count() const { return m_count.load(); }

private:
    Vek::Mutex m_mutex{false};
    std::atomic<int32_t> m_count{0};
};

// Holds a CountedMutex for a scope.
class CountedMutexLock {
public:
    explicit CountedMutexLock(CountedMutex& mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    ~CountedMutexLock() { m_mutex.Unlock(); }
    CountedMutexLock(const CountedMutexLock&) = delete;
    CountedMutexLock& operator=(const CountedMutexLock&) = delete;

private:
    CountedMutex& m_mutex;
};
