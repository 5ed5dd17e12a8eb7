#pragma once
// One round of the waits of the download-service install and of the
// archive splitting. On the main thread it waits at most 50 ms for the
// main-thread wake and runs the queued main-thread calls, so notices and
// jobs that arrive meanwhile are served; any other thread sleeps 50 ms.
#include <cstdint>

constexpr uint32_t kFpxPollRoundMs = 50;

// With `clientPoll`, the client's poll hook runs after the queued calls.
void RunFpxPollRound(bool clientPoll);
