#include "gsruntime/natives/GSObjectNatives.h"

#include "gsruntime/GSClass.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/natives/GSBuiltinNatives.h"
#include "gsruntime/natives/GSCNativeFunction.h"

namespace GSRuntime {

void GSObjectGetGSClassName(GSContext* context, GSStack* stack) {
    const GSDataRef me = stack->CurrentFrame() != GSStack::kNone ? stack->Local(0) : 0;
    const GSScriptInstance* header = me ? GSScriptInstance::FromReference(me) : nullptr;
    stack->PushString(context, Vek::String(header && header->cls ? header->cls->Name() : "void"));
}

void RegisterGSObjectNatives(GSMachine& machine) {
    const GSBuiltinNative& row = kGSBuiltinNatives[kGSBuiltinGSObjectFirst];
    machine.AddNative(
        new GSCNativeFunction(Vek::PString(row.className), Vek::PString(row.signature), &GSObjectGetGSClassName));
}

}  // namespace GSRuntime
