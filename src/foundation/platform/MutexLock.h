#pragma once
// A process-local mutex object in the place of a Windows mutex handle, and
// the scoped guard that holds it.
#include <pthread.h>

#include "foundation/platform/OSException.h"

namespace OS {

// Re-entrant for the thread that holds it. Unlike a plain C++ mutex, a
// release by a thread that does not hold it is detected: it fails with
// EPERM and leaves the mutex as it was.
class Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    // Waits without time-out; 0, or the error number when the wait failed.
    int Wait();
    // 0, or the error number (EPERM when the caller does not hold it).
    int Release();

private:
    pthread_mutex_t m_mutex;
};

// Holds a mutex from construction to destruction. A failed wait throws an
// OSException with an empty message. A failed release in the destructor is
// written to the log ("MutexLock> Failed to release the mutex" when the
// thread does not hold it) and never thrown: a destructor that throws would
// end the program.
class MutexLock {
public:
    explicit MutexLock(Mutex& mutex);
    ~MutexLock();
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex& m_mutex;
};

}  // namespace OS
