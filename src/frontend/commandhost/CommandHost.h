#pragma once
// Command-host mode ("vadcommandhost"): the process registers as the
// daemon's command host (one-way operation 140), stays connected and
// carries out the jobs the daemon sends as notices (CommandHostCallback.h).
// The jobs run on the main thread inside this loop.
//
// The loop runs while the daemon link stands and no console close or break
// event has asked the process to end. Each pass waits at most 50 ms for the
// main-thread wake, sends the keep-alive request (operation 0) on every
// 100th pass (about every 5 s when idle), runs the queued main-thread calls
// (the daemon's notices, and so the jobs) and calls the client's poll hook.
// The crash report, the exit guard and the console events are armed, with
// exit not allowed, while the loop runs.
#include <cstdint>

// Runs the loop on the main thread; after it the job handler is removed,
// exit is allowed again and the dispatcher's remaining calls are run until
// it is idle. Returns 0.
int32_t VADCommandHost();
