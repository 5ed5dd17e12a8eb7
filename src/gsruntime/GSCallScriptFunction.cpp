#include "gsruntime/GSCallScriptFunction.h"

#include "gscompiler/GSTypes.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSThreadResult.h"
#include "gsruntime/GSThreadServices.h"

namespace GSRuntime {

namespace {

bool IsReferenceType(uint32_t type) {
    return type == kGSTypeString || type == kGSTypeObject || (type >= kGSTypeVoidArray && type <= kGSTypeObjectArray);
}

// The counts that the frame will own: one for `me` and one for every
// reference argument (the function's reference slots 1 .. count).
void AddCallCounts(const GSFunction* function, GSDataRef me, const uint32_t* arguments, uint32_t count) {
    GSScriptInstance::AddRef(me);
    for (uint32_t i = 0; i < function->referenceSlotCount; ++i) {
        const int32_t slot = function->ReferenceSlot(i);
        if (slot >= 1 && static_cast<uint32_t>(slot) <= count && arguments[slot - 1])
            GSScriptInstance::AddRef(arguments[slot - 1]);
    }
}

// Gives the counts of AddCallCounts back, for a call that never got its
// frame.
void ReleaseCallCounts(const GSFunction* function, GSDataRef me, const uint32_t* arguments, uint32_t count) {
    GSScriptInstance::ReleaseReference(me);
    for (uint32_t i = 0; i < function->referenceSlotCount; ++i) {
        const int32_t slot = function->ReferenceSlot(i);
        if (slot >= 1 && static_cast<uint32_t>(slot) <= count) GSScriptInstance::ReleaseReference(arguments[slot - 1]);
    }
}

// Pushes `me` and the arguments.
bool PushCall(GSStack* stack, GSDataRef me, const uint32_t* arguments, uint32_t count) {
    const int32_t top = stack->StackPointer();
    bool pushed = stack->Push(me);
    for (uint32_t i = 0; pushed && i < count; ++i) pushed = stack->Push(arguments[i]);
    if (!pushed) stack->SetStackPointer(top);
    return pushed;
}

}  // namespace

bool CallScriptFunction(GSContext* context, GSClass* cls, GSScriptInstance* header, const char* signature,
                        uint32_t* result, const uint32_t* arguments, uint32_t argumentCount) {
    if (result) *result = 0;
    if (!context || !context->GetRouter() || !cls || !header || !signature) return false;
    uint32_t offset = 0;
    int32_t slot = -1;
    int32_t index = -1;
    if (!cls->FindFunction(signature, offset, slot, index)) return false;
    const GSDataRef view = GSClass::CastInstance(cls, header);
    if (!view) return false;
    GSDataRef me = 0;
    const GSFunction* function = GSClass::Dispatch(GSOffsetReference(view, offset), slot, me);
    if (!function || !me || function->argumentSlotCount != argumentCount + 1) return false;

    AddCallCounts(function, me, arguments, argumentCount);
    if (function->flags & kGSThread) {
        GSObjectReference* owner = header->owner;
        GSThread* thread =
            owner && owner->GetType() == kGSRefGameObject ? static_cast<GSObject*>(owner)->CreateThread() : nullptr;
        GSStack* stack = thread && GSGetThreadServices().stack ? GSGetThreadServices().stack(thread) : nullptr;
        if (!stack || !PushCall(stack, me, arguments, argumentCount)) {
            ReleaseCallCounts(function, me, arguments, argumentCount);
            return false;
        }
        if (!stack->PushFrame(function, 0)) {
            // The new thread keeps an empty stack; its first run ends it.
            stack->SetStackPointer(stack->StackPointer() - static_cast<int32_t>(argumentCount) - 1);
            ReleaseCallCounts(function, me, arguments, argumentCount);
            return false;
        }
        return true;
    }

    GSThread* thread = GSMachine::Instance()->GetStaticThread();
    if (!thread || !GSCanRunThreads()) {
        ReleaseCallCounts(function, me, arguments, argumentCount);
        return false;
    }
    const GSThreadServices& services = GSGetThreadServices();
    GSStack* stack = services.stack(thread);
    GSSavedThreadState saved;
    services.saveState(thread, saved);
    if (!PushCall(stack, me, arguments, argumentCount)) {
        ReleaseCallCounts(function, me, arguments, argumentCount);
        services.restoreState(thread, saved);
        return false;
    }
    if (!stack->PushFrame(function, 0)) {
        stack->SetStackPointer(stack->StackPointer() - static_cast<int32_t>(argumentCount) - 1);
        ReleaseCallCounts(function, me, arguments, argumentCount);
        services.restoreState(thread, saved);
        return false;
    }
    const int32_t code = services.execute(thread, 0.0f);
    if (code != ER_Done) {
        // Frames the run left behind are released, not dropped.
        if (stack->CurrentFrame() != GSStack::kNone) stack->Clear();
        services.restoreState(thread, saved);
        return false;
    }
    if (function->resultType != kGSTypeVoid) {
        const uint32_t value = stack->Top();
        if (result) {
            *result = value;
        } else if (IsReferenceType(function->resultType)) {
            GSScriptInstance::ReleaseReference(value);
        }
    }
    services.restoreState(thread, saved);
    return true;
}

}  // namespace GSRuntime
