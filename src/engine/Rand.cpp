#include "engine/Rand.h"

#include <chrono>
#include <unistd.h>

namespace Vek {

void Rand::SeedFromTime() {
    uint64_t t = static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    Seed(t ^ (static_cast<uint64_t>(::getpid()) << 32));
}

uint32_t Rand::NextU32() {
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    return static_cast<uint32_t>((m_state * 0x2545F4914F6CDD1Dull) >> 32);
}

int32_t Rand::NextInt(int32_t low, int32_t high) {
    if (high <= low) return low;
    uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(high) - low);
    return static_cast<int32_t>(low + static_cast<int64_t>(NextU32() % span));
}

float Rand::NextFloat() { return static_cast<float>(NextU32() >> 8) / 16777216.0f; }

}  // namespace Vek
