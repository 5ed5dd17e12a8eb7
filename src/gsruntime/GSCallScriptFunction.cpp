#include "gsruntime/GSCallScriptFunction.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

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

// Which of the `count` arguments are references, by the parameter list of
// a signature text ("$void@C::M(int,string,Foo)"): every type but int,
// bool and float is one. Used when no function is found to tell by its
// reference slots.
std::vector<bool> ReferenceArgumentsOf(const char* signature, uint32_t count) {
    std::vector<bool> references(count, false);
    if (!signature) return references;
    const char* open = std::strrchr(signature, '(');
    if (!open) return references;
    const char* p = open + 1;
    for (uint32_t i = 0; i < count && *p && *p != ')'; ++i) {
        const char* end = p;
        while (*end && *end != ',' && *end != ')') ++end;
        const std::string_view type(p, static_cast<std::size_t>(end - p));
        references[i] = !(type.empty() || type == "int" || type == "bool" || type == "float" || type == "void");
        p = *end == ',' ? end + 1 : end;
    }
    return references;
}

// Which arguments the function's frame holds as references: its reference
// slots 1 .. count.
std::vector<bool> ReferenceArgumentsOf(const GSFunction* function, uint32_t count) {
    std::vector<bool> references(count, false);
    for (uint32_t i = 0; i < function->referenceSlotCount; ++i) {
        const int32_t slot = function->ReferenceSlot(i);
        if (slot >= 1 && static_cast<uint32_t>(slot) <= count) references[static_cast<uint32_t>(slot) - 1] = true;
    }
    return references;
}

// A call that never got its frame releases the counts it took over from
// the caller (one for each reference argument).
void ReleaseArguments(const std::vector<bool>& references, const uint32_t* arguments) {
    for (std::size_t i = 0; i < references.size(); ++i)
        if (references[i]) GSScriptInstance::ReleaseReference(arguments[i]);
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
    if (!arguments) argumentCount = 0;
    // Refusals before a function is found: the signature tells which
    // arguments are references.
    auto refuse = [&]() {
        ReleaseArguments(ReferenceArgumentsOf(signature, argumentCount), arguments);
        return false;
    };
    if (!context || !context->GetRouter() || !cls || !header || !signature) return refuse();
    uint32_t offset = 0;
    int32_t slot = -1;
    int32_t index = -1;
    if (!cls->FindFunction(signature, offset, slot, index)) return refuse();
    const GSDataRef view = GSClass::CastInstance(cls, header);
    if (!view) return refuse();
    GSDataRef me = 0;
    const GSFunction* function = GSClass::Dispatch(GSOffsetReference(view, offset), slot, me);
    if (!function || !me) return refuse();
    const std::vector<bool> references = ReferenceArgumentsOf(function, argumentCount);
    if (function->argumentSlotCount != argumentCount + 1) {
        ReleaseArguments(references, arguments);
        return false;
    }

    // The frame owns one count on `me` (added here) and the caller's count
    // on every reference argument (taken over).
    auto fail = [&]() {
        GSScriptInstance::ReleaseReference(me);
        ReleaseArguments(references, arguments);
        return false;
    };
    GSScriptInstance::AddRef(me);
    if (function->flags & kGSThread) {
        GSObjectReference* owner = header->owner;
        GSThread* thread =
            owner && owner->GetType() == kGSRefGameObject ? static_cast<GSObject*>(owner)->CreateThread() : nullptr;
        GSStack* stack = thread && GSGetThreadServices().stack ? GSGetThreadServices().stack(thread) : nullptr;
        if (!stack || !PushCall(stack, me, arguments, argumentCount)) return fail();
        if (!stack->PushFrame(function, 0)) {
            // The new thread keeps an empty stack; its first run ends it.
            stack->SetStackPointer(stack->StackPointer() - static_cast<int32_t>(argumentCount) - 1);
            return fail();
        }
        return true;
    }

    GSThread* thread = GSMachine::Instance()->GetStaticThread();
    if (!thread || !GSCanRunThreads()) return fail();
    const GSThreadServices& services = GSGetThreadServices();
    GSStack* stack = services.stack(thread);
    GSSavedThreadState saved;
    services.saveState(thread, saved);
    if (!PushCall(stack, me, arguments, argumentCount)) {
        services.restoreState(thread, saved);
        return fail();
    }
    if (!stack->PushFrame(function, 0)) {
        stack->SetStackPointer(stack->StackPointer() - static_cast<int32_t>(argumentCount) - 1);
        services.restoreState(thread, saved);
        return fail();
    }
    const int32_t code = services.execute(thread, 0.0f);
    if (code != ER_Done) {
        // Frames the run left behind are released, not dropped: that gives
        // back every count the call took.
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
