#include "gsruntime/natives/GSParamFetch.h"

#include <cstring>

#include "gsruntime/GSString.h"
#include "gsruntime/GSExecutionBudget.h"

namespace GSRuntime {

void GetFloatParam(const GSStack* stack, int index, float& out) {
    const uint32_t bits = stack ? stack->Local(index) : 0;
    std::memcpy(&out, &bits, sizeof out);
}

bool GetStringParam(const GSStack* stack, int index, Vek::String& out, bool allowEmpty) {
    const GSObjectReference* owner = GSParamOwner(stack, index);
    const GSString* string = owner && owner->GetType() == kGSRefString ? static_cast<const GSString*>(owner) : nullptr;
    if (string) {
        // The copy is charged to the execution budget (GSExecutionBudget.h: a
        // unit a byte).
        GSChargeWork(string->Length());
        out = Vek::String(*string);
        if (!out.IsEmpty() || allowEmpty) return true;
        GSRaiseScriptException("empty string at parameter %d", index);
        return false;
    }
    out.Clear();
    if (allowEmpty) return true;
    GSRaiseScriptException("null string at parameter %d", index);
    return false;
}

bool GetPStringParam(const GSStack* stack, int index, bool allowEmpty, Vek::PString& out) {
    Vek::String text;
    const bool ok = GetStringParam(stack, index, text, allowEmpty);
    // Interning reads the text again.
    GSChargeWork(text.Length());
    out = text.IsEmpty() ? Vek::PString() : Vek::PString(text.c_str(), text.Length());
    return ok;
}

}  // namespace GSRuntime
