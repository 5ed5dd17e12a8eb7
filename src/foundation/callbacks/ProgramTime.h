#pragma once
// Program time: seconds since the main thread's first tick. It advances only
// when the main thread runs its tick (CallDispatcher::PumpMainThread), and
// only the main thread writes it. Kept as a double (timers, the online
// endpoint) and as a float (the dispatcher, scripts).

double GetProgramTime();
float GetProgramTimeF();

// Sets both forms; the main thread's tick calls it.
void SetProgramTime(double seconds);
