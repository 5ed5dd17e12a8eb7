#include "gsruntime/router/GSRouterNatives.h"

#include <cmath>

#include "gscompiler/GSTypes.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSCoreClasses.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/natives/GSBuiltinNatives.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/GSParamFetch.h"
#include "gsruntime/router/FindForeignGameObject.h"
#include "gsruntime/router/GSGameObject.h"
#include "gsruntime/router/GSRouter.h"

namespace GSRuntime {

namespace {

GSRouter* RouterOf(GSContext* context) { return context ? context->GetRouter() : nullptr; }

// Pushes the game object as a "GameObject" reference, or null.
void PushGameObject(GSStack* stack, GSGameObject* object) {
    if (!object || !object->GetReference()) {
        stack->Push(0);
        return;
    }
    stack->PushObject(object, GetGameObjectClass());
}

GSGameObject* AsBoundGameObject(GSNode* node) {
    if (!node || !node->IsGameObject()) return nullptr;
    GSGameObject* object = static_cast<GSGameObject*>(node);
    return object->GetReference() ? object : nullptr;
}

void GetGameObjectById(GSContext* context, GSStack* stack) {
    GSRouter* router = RouterOf(context);
    GSGameObject* object = router ? AsBoundGameObject(router->GetNode(static_cast<int32_t>(stack->Local(1)))) : nullptr;
    if (object && (!object->GetClass() || (object->GetClass()->Flags() & kGSSecured) != 0)) object = nullptr;
    PushGameObject(stack, object);
}

void GetForeignGameObject(GSContext* context, GSStack* stack) {
    if (!RouterOf(context)) {
        stack->Push(0);
        return;
    }
    PushGameObject(stack, FindForeignGameObject(static_cast<int32_t>(stack->Local(1)), false));
}

void GetGameObjectByName(GSContext* context, GSStack* stack) {
    GSRouter* router = RouterOf(context);
    const GSObjectReference* owner = GSParamOwner(stack, 1);
    const char* name = nullptr;
    Vek::String text;
    if (owner && owner->GetType() == kGSRefString) {
        text = Vek::String(*static_cast<const GSString*>(owner));
        name = text.c_str();
    }
    PushGameObject(stack, router ? AsBoundGameObject(router->FindNodeByName(name)) : nullptr);
}

void Info(GSContext* context, GSStack*) {
    if (GSRouter* router = RouterOf(context)) router->Info();
}

void PostMessage(GSContext* context, GSStack* stack) {
    GSRouter* router = RouterOf(context);
    if (!router) return;
    const GSObjectReference* majorOwner = GSParamOwner(stack, 3);
    const GSObjectReference* minorOwner = GSParamOwner(stack, 4);
    if (!majorOwner || majorOwner->GetType() != kGSRefString || !minorOwner ||
        minorOwner->GetType() != kGSRefString) {
        return;
    }
    const Vek::String major(*static_cast<const GSString*>(majorOwner));
    const Vek::String minor(*static_cast<const GSString*>(minorOwner));
    float seconds = 0.0f;
    GetFloatParam(stack, 5, seconds);
    const double ms = static_cast<double>(seconds) * 1000.0;
    const uint32_t delay = (!std::isfinite(ms) || std::fabs(ms) >= 9.0e18)
                               ? 0
                               : static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(ms)));
    const uint16_t minorId = router->GetMessageTypeId(minor.c_str());
    const uint16_t majorId = router->GetMessageTypeId(major.c_str());
    GSMessage* message = GSMessage::Create();
    message->Init(delay, majorId, minorId, static_cast<int32_t>(stack->Local(1)),
                  static_cast<int32_t>(stack->Local(2)));
    router->PostMessage(message);
    message->ReleaseReference();
}

}  // namespace

void RegisterRouterNatives(GSMachine& machine) {
    static constexpr GSCNativeFunction::Function kFunctions[] = {
        &GetGameObjectById, &GetForeignGameObject, &GetGameObjectByName, &Info, &PostMessage,
    };
    static_assert(sizeof(kFunctions) / sizeof(kFunctions[0]) == kGSBuiltinNativeCount - kGSBuiltinRouterFirst);
    for (uint32_t i = 0; i < sizeof(kFunctions) / sizeof(kFunctions[0]); ++i) {
        const GSBuiltinNative& row = kGSBuiltinNatives[kGSBuiltinRouterFirst + i];
        machine.AddNative(
            new GSCNativeFunction(Vek::PString(row.className), Vek::PString(row.signature), kFunctions[i]));
    }
}

}  // namespace GSRuntime
