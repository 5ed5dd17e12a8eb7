#include "assetdb/fpx/FpxInactivityWatch.h"

#include <cstdlib>

namespace {

constexpr uint32_t kDefaultBoundMs = 300000;
// A day: anything longer is taken for a mistake.
constexpr unsigned long kLongestBoundMs = 86400000ul;

}  // namespace

uint32_t FpxInactivityBoundMs() {
    const char* text = std::getenv("VORLEX_INACTIVITY_MS");
    if (!text || !*text) return kDefaultBoundMs;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (!end || *end != '\0' || value == 0 || value > kLongestBoundMs) return kDefaultBoundMs;
    return static_cast<uint32_t>(value);
}

FpxInactivityWatch::FpxInactivityWatch() : m_boundMs(FpxInactivityBoundMs()), m_last(std::chrono::steady_clock::now()) {}

void FpxInactivityWatch::Touch() { m_last = std::chrono::steady_clock::now(); }

bool FpxInactivityWatch::Expired() const {
    return std::chrono::steady_clock::now() - m_last >= std::chrono::milliseconds(m_boundMs);
}

uint32_t FpxInactivityWatch::BoundSeconds() const { return m_boundMs < 1000 ? 1 : m_boundMs / 1000; }
