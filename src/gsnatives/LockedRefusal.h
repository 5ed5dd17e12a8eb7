#pragma once
// The refusal of a native that would change a locked (read-only) object:
// a script exception with the native's own text on the running thread.
#include "gsruntime/GSThreadServices.h"

namespace GSNatives {

// True when the object may be changed; otherwise raises `text`, false.
inline bool WritableOrRaise(bool locked, const char* text) {
    if (!locked) return true;
    GSRuntime::GSRaiseScriptException("%s", text);
    return false;
}

}  // namespace GSNatives
