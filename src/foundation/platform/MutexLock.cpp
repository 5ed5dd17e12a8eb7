#include "foundation/platform/MutexLock.h"

#include <cerrno>

#include "foundation/log/LogPrintf.h"

namespace OS {

Mutex::Mutex() {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    // A recursive mutex re-enters for its owner and refuses (EPERM) an
    // unlock by any other thread.
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&m_mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

Mutex::~Mutex() { pthread_mutex_destroy(&m_mutex); }

int Mutex::Wait() { return pthread_mutex_lock(&m_mutex); }

int Mutex::Release() { return pthread_mutex_unlock(&m_mutex); }

MutexLock::MutexLock(Mutex& mutex) : m_mutex(mutex) {
    if (m_mutex.Wait() != 0) throw OSException();
}

MutexLock::~MutexLock() {
    int error = m_mutex.Release();
    if (error == EPERM)
        LogPrintf("MutexLock> Failed to release the mutex");
    else if (error != 0)
        LogPrintf("MutexLock> Failed to release the mutex, error %d", error);
}

}  // namespace OS
