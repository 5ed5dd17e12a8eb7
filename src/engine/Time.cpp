#include "engine/Time.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace Vek {

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point StartTime() {
    static const Clock::time_point start = Clock::now();
    return start;
}

// The test offset in microseconds.
std::atomic<int64_t> g_offsetUs{0};

// Taken once during static initialisation, so the start is the process start.
const Clock::time_point g_startAtInit = StartTime();

int64_t ElapsedUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - StartTime()).count() +
           g_offsetUs.load(std::memory_order_relaxed);
}

}  // namespace

double Time::GetSeconds() { return static_cast<double>(ElapsedUs()) / 1e6; }

uint32_t Time::Ms() { return static_cast<uint32_t>(ElapsedUs() / 1000); }

void Time::Delay(uint32_t ms) {
    if (ms == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void Time::AdvanceForTesting(double seconds) {
    g_offsetUs.fetch_add(static_cast<int64_t>(seconds * 1e6), std::memory_order_relaxed);
}

}  // namespace Vek
