#pragma once
// The engine's pseudo-random generator (xorshift64*). Not thread-safe: its
// shared users guard it with a critical section.
#include <cstdint>

namespace Vek {

class Rand {
public:
    explicit Rand(uint64_t seed = 0x9E3779B97F4A7C15ull) { Seed(seed); }
    void Seed(uint64_t seed) { m_state = seed ? seed : 0x9E3779B97F4A7C15ull; }
    // Seeds from the clock and the process id.
    void SeedFromTime();
    uint32_t NextU32();
    // An integer in [low, high); `low` when the range is empty.
    int32_t NextInt(int32_t low, int32_t high);
    // A float in [0, 1).
    float NextFloat();

private:
    uint64_t m_state;
};

}  // namespace Vek
