#pragma once
// The engine clock: monotonic time since the process started. Tests that
// would wait seconds move the clock forward instead of sleeping.
#include <cstdint>

namespace Vek {

struct Time {
    // Seconds since the process started, plus any test offset.
    static double GetSeconds();
    // Milliseconds since the process started, plus any test offset (wraps).
    static uint32_t Ms();
    // Sleeps the calling thread for `ms` milliseconds (0 yields).
    static void Delay(uint32_t ms);

    // Moves the clock forward by `seconds` for every later reading.
    static void AdvanceForTesting(double seconds);
};

}  // namespace Vek
