#include "engine/Sync.h"

#include <chrono>

namespace Vek {

namespace {

template <typename M>
bool LockWithTimeout(M& m, uint32_t timeoutMs) {
    if (timeoutMs == kInfinite) {
        m.lock();
        return true;
    }
    return m.try_lock_for(std::chrono::milliseconds(timeoutMs));
}

}  // namespace

bool CriticalSection::Lock(uint32_t timeoutMs) { return LockWithTimeout(m_mutex, timeoutMs); }

bool Mutex::Lock(uint32_t timeoutMs) { return LockWithTimeout(m_mutex, timeoutMs); }

void WEvent::Set() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_set = true;
    if (m_manual)
        m_cond.notify_all();
    else
        m_cond.notify_one();
}

void WEvent::Reset() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_set = false;
}

void WEvent::Pulse() {
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_pulses;
    m_set = false;
    m_cond.notify_all();
}

bool WEvent::Wait(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    uint64_t pulses = m_pulses;
    auto ready = [&] { return m_set || m_pulses != pulses; };
    bool ok;
    if (timeoutMs == kInfinite) {
        m_cond.wait(lock, ready);
        ok = true;
    } else {
        ok = m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    }
    if (ok && m_set && !m_manual) m_set = false;
    return ok;
}

bool WEvent::IsSet() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_set;
}

void Semaphore::Release(int32_t n) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_count += n;
    m_cond.notify_all();
}

bool Semaphore::Wait(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    auto ready = [&] { return m_count > 0; };
    if (timeoutMs == kInfinite)
        m_cond.wait(lock, ready);
    else if (!m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return false;
    --m_count;
    return true;
}

bool Semaphore::TryTake() {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_count <= 0) return false;
    --m_count;
    return true;
}

}  // namespace Vek
