#pragma once
// The bound on the waits of the download-service install and of the
// archive splitting for a daemon that stays connected but never finishes:
// a wait gives up when nothing has happened for the bound (no status of
// the URL request it waits for, no readiness).
//
// The bound is VORLEX_INACTIVITY_MS when that is set to a number of
// milliseconds (tests shorten it), else 300000 ms (five minutes).
#include <chrono>
#include <cstdint>

uint32_t FpxInactivityBoundMs();

class FpxInactivityWatch {
public:
    FpxInactivityWatch();
    // Something happened: the bound starts again.
    void Touch();
    // The bound has passed since the start or the last Touch.
    bool Expired() const;
    // The bound in whole seconds, for messages (at least 1).
    uint32_t BoundSeconds() const;

private:
    uint32_t m_boundMs;
    std::chrono::steady_clock::time_point m_last;
};
