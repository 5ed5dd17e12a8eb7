#include "gsnatives/ScriptLocalClock.h"

namespace GSNatives {

namespace {
ScriptLocalClockFunction g_clock = nullptr;
}

void SetScriptLocalClock(ScriptLocalClockFunction clock) { g_clock = clock; }

TTimeDate ReadScriptLocalTime() {
    TTimeDate now;
    if (g_clock)
        now.Set(g_clock());
    else
        now.SetToLocalTime();
    return now;
}

}  // namespace GSNatives
