#pragma once
// The local clock the script natives read the date and time from. It is the
// process's local clock unless a test has put a fixed reading in its place.
#include "foundation/text/TTimeDate.h"

namespace GSNatives {

using ScriptLocalClockFunction = TTimeDate::Fields (*)();

// Replaces the clock; null restores the process's local clock.
void SetScriptLocalClock(ScriptLocalClockFunction clock);

// The local date and time now, from the clock in use.
TTimeDate ReadScriptLocalTime();

}  // namespace GSNatives
