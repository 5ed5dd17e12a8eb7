#include "foundation/threads/CountedMutex.h"

void CountedMutex::Lock() {
    m_mutex.Lock(Vek::kInfinite);
    m_count.fetch_add(1);
}

void CountedMutex::Unlock() {
    m_count.fetch_sub(1);
    m_mutex.Unlock();
}
