#pragma once
// Argument fetching for native functions. While a native runs, the current
// frame of the thread's stack holds its arguments: local slot 1 is the
// first script argument, slot 2 the second, and so on in signature order;
// messages number arguments the same way.
//
// The checked fetchers raise a script exception on the running thread when
// an argument is not acceptable (the thread dies) and return false; the
// native then returns at once without a result.
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "gsruntime/GSDataReference.h"
#include "gsruntime/GSObjectReference.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSThreadServices.h"

namespace GSRuntime {

// The native object behind argument `index`, or null for a null slot.
inline GSObjectReference* GSParamOwner(const GSStack* stack, int index) {
    const GSDataRef reference = stack ? stack->Local(index) : 0;
    return reference ? GSScriptInstance::OwnerOf(reference) : nullptr;
}

// Argument `index` as a native object of type T. A reference whose owner is
// no T: "incorrect parameter type at parameter %d", false (`out` null). A
// null slot: true when `allowNull`, else "null object at parameter %d" and
// false.
template <class T>
bool GetParam(const GSStack* stack, int index, T*& out, bool allowNull = false) {
    GSObjectReference* owner = GSParamOwner(stack, index);
    const bool set = stack && stack->Local(index) != 0;
    out = owner ? dynamic_cast<T*>(owner) : nullptr;
    if (set) {
        if (out) return true;
        GSRaiseScriptException("incorrect parameter type at parameter %d", index);
        return false;
    }
    if (allowNull) return true;
    GSRaiseScriptException("null object at parameter %d", index);
    return false;
}

// The float of argument `index`, unchecked.
void GetFloatParam(const GSStack* stack, int index, float& out);

// Argument `index` as text. A string: its text; an empty one is accepted
// only with `allowEmpty` ("empty string at parameter %d" otherwise). No
// string (null, or an object of another kind): the empty text with
// `allowEmpty`, else "null string at parameter %d". False after a raise.
bool GetStringParam(const GSStack* stack, int index, Vek::String& out, bool allowEmpty);
// The same rules, the text interned.
bool GetPStringParam(const GSStack* stack, int index, bool allowEmpty, Vek::PString& out);

}  // namespace GSRuntime
