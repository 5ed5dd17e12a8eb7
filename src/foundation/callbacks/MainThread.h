#pragma once
// The main thread's identity and its wake-up. Calls queued for the main
// thread set the wake: the first one since the main thread last ran its
// queue counts one wake message (in place of a thread message), and each
// sets the wake event that the command-host loop waits on.
#include <cstdint>

using ThreadId = uint64_t;

// Records the calling thread as the main thread and returns its id.
ThreadId RecordMainThread();
ThreadId GetMainThreadId();
bool IsMainThread();
// 16 on the main thread, 1 on any other: the dispatch flag a call must not
// carry to run on the calling thread.
uint32_t CurrentThreadMask();

// Sets the wake: counts a message unless one is already pending, then sets
// the event.
void PostMainThreadWake();
// Waits at most `timeoutMs` for the wake event; true when it was set.
bool WaitForMainThreadWake(uint32_t timeoutMs);
// Clears the pending message and resets the event (the main thread does
// this when it starts running its queue).
void ResetMainThreadWake();
// The number of wake messages posted since the process started.
uint32_t MainThreadWakeMessages();
