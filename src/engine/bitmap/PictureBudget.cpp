#include "engine/bitmap/PictureBudget.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

namespace Vek {

namespace {

struct Budget {
    std::mutex lock;
    std::condition_variable returned;
    uint64_t inUse = 0;
    uint64_t limit = 0;  // 0 until first read
};

Budget& TheBudget() {
    static Budget budget;
    return budget;
}

uint64_t EnvironmentLimit() {
    const char* text = std::getenv(PictureBudget::kEnvironmentVariable);
    if (!text || !*text) return PictureBudget::kDefaultBytes;
    char* end = nullptr;
    const unsigned long long mib = std::strtoull(text, &end, 10);
    if (*end != '\0' || mib == 0 || mib > (uint64_t(1) << 40)) return PictureBudget::kDefaultBytes;
    return static_cast<uint64_t>(mib) << 20;
}

// Under the lock.
uint64_t LimitLocked(Budget& budget) {
    if (budget.limit == 0) budget.limit = EnvironmentLimit();
    return budget.limit;
}

void GiveBack(uint64_t bytes) {
    if (bytes == 0) return;
    Budget& budget = TheBudget();
    {
        std::lock_guard<std::mutex> guard(budget.lock);
        budget.inUse -= bytes;
    }
    budget.returned.notify_all();
}

thread_local int t_waitMs = 0;

}  // namespace

PictureBudget::Reservation& PictureBudget::Reservation::operator=(Reservation&& other) noexcept {
    if (this != &other) {
        Release();
        m_bytes = other.m_bytes;
        other.m_bytes = 0;
    }
    return *this;
}

void PictureBudget::Reservation::Release() {
    GiveBack(m_bytes);
    m_bytes = 0;
}

void PictureBudget::Reservation::ShrinkTo(uint64_t bytes) {
    if (bytes >= m_bytes) return;
    GiveBack(m_bytes - bytes);
    m_bytes = bytes;
}

bool PictureBudget::Reserve(uint64_t bytes, Reservation& into, int waitMs) {
    into.Release();
    Budget& budget = TheBudget();
    std::unique_lock<std::mutex> guard(budget.lock);
    const uint64_t limit = LimitLocked(budget);
    if (bytes > limit) return false;
    const auto fits = [&] { return budget.inUse <= limit && limit - budget.inUse >= bytes; };
    if (!fits()) {
        if (waitMs <= 0) return false;
        if (!budget.returned.wait_for(guard, std::chrono::milliseconds(waitMs), fits)) return false;
    }
    budget.inUse += bytes;
    into.m_bytes = bytes;
    return true;
}

uint64_t PictureBudget::Limit() {
    Budget& budget = TheBudget();
    std::lock_guard<std::mutex> guard(budget.lock);
    return LimitLocked(budget);
}

uint64_t PictureBudget::InUse() {
    Budget& budget = TheBudget();
    std::lock_guard<std::mutex> guard(budget.lock);
    return budget.inUse;
}

void PictureBudget::SetLimit(uint64_t bytes) {
    Budget& budget = TheBudget();
    {
        std::lock_guard<std::mutex> guard(budget.lock);
        budget.limit = bytes ? bytes : EnvironmentLimit();
    }
    budget.returned.notify_all();
}

PictureBudget::ScopedWait::ScopedWait(int waitMs) : m_previous(t_waitMs) { t_waitMs = waitMs; }
PictureBudget::ScopedWait::~ScopedWait() { t_waitMs = m_previous; }

int PictureBudget::CurrentWaitMs() { return t_waitMs; }

}  // namespace Vek
