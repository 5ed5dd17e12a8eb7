#pragma once
// One queued dispatcher call, and the dispatch flags.
#include <atomic>
#include <cstdint>

#include "foundation/callbacks/TCXCallback.h"

class EngineLock;

// The call must run on the main thread; a queued one wakes it.
constexpr uint32_t CallFlagMainThread = 1;
// Always queue the call and return at once.
constexpr uint32_t CallFlagNoWait = 8;
// The call must not run on the main thread.
constexpr uint32_t CallFlagWorkerThread = 16;
// Bits 2 and 4 are accepted and have no effect.

// The key by which queued and running calls are found; also the argument the
// callback receives. Pointer-sized, since callers use object addresses.
using CallContext = intptr_t;

// Filled in for a caller that waits: `done` once the call has run or was
// dropped, and `failed` (set before `done`) when it was dropped.
struct CallCompletion {
    std::atomic<bool> done{false};
    std::atomic<bool> failed{false};
};

struct CallRecord {
    TCXCallback callback;
    CallContext context = 0;
    // One hold of this lock is released when the record is dropped unrun.
    EngineLock* lock = nullptr;
    uint32_t flags = 0;
    CallCompletion* completion = nullptr;
};
