#include "gsruntime/natives/strmath/GSMathGenerator.h"

#include <ctime>

namespace GSRuntime::GSMathGenerator {

namespace {

constexpr int32_t kModulus = 100000000;
constexpr int32_t kHalfModulus = 10000;
constexpr int32_t kMultiplierHigh = 31415821 / kHalfModulus;  // 3141
constexpr int32_t kMultiplierLow = 31415821 % kHalfModulus;   // 5821

int32_t g_state = 1;

}  // namespace

int32_t Next() {
    // Every intermediate stays inside the int range for any state: |p1| is
    // at most 214748 and |p0| below 10000.
    const int32_t a = g_state;
    const int32_t p1 = a / kHalfModulus;
    const int32_t p0 = a % kHalfModulus;
    const int32_t t =
        ((p0 * kMultiplierHigh + p1 * kMultiplierLow) % kHalfModulus) * kHalfModulus + p0 * kMultiplierLow;
    g_state = (t % kModulus + 1) % kModulus;
    return g_state;
}

void SeedFromClock() {
    const int64_t seconds = static_cast<int64_t>(std::time(nullptr));
    g_state = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(seconds)));
}

int32_t State() { return g_state; }

void SetState(int32_t state) { g_state = state; }

int32_t Draw() {
    // After a step the state lies strictly between -100000000 and
    // 100000000, so its absolute value exists.
    const int32_t a = Next();
    return (a < 0 ? -a : a) % 65535;
}

}  // namespace GSRuntime::GSMathGenerator
