#include "gsruntime/router/GSGameObjectNatives.h"

#include "gsruntime/GSMachine.h"
#include "gsruntime/natives/GSBuiltinNatives.h"
#include "gsruntime/natives/GSCPPNativeFunction.h"
#include "gsruntime/router/GSGameObject.h"

namespace GSRuntime {

void RegisterGameObjectNatives(GSMachine& machine) {
    using Member = GSCPPNativeFunction<GSGameObject>::Member;
    static constexpr Member kMembers[] = {
        &GSGameObject::NativeSendMessage,  &GSGameObject::NativeSendMessageSoup, &GSGameObject::NativePostMessage,
        &GSGameObject::NativePostMessageSoup, &GSGameObject::NativeClearMessages, &GSGameObject::NativeAddHandler,
        &GSGameObject::NativeSniff,        &GSGameObject::NativeSleep,           &GSGameObject::NativeGetId,
        &GSGameObject::NativeGetName,      &GSGameObject::NativeException,
    };
    static_assert(sizeof(kMembers) / sizeof(kMembers[0]) == kGSBuiltinRouterFirst - kGSBuiltinGameObjectFirst);
    for (uint32_t i = 0; i < sizeof(kMembers) / sizeof(kMembers[0]); ++i) {
        const GSBuiltinNative& row = kGSBuiltinNatives[kGSBuiltinGameObjectFirst + i];
        machine.AddNative(new GSCPPNativeFunction<GSGameObject>(Vek::PString(row.className),
                                                                Vek::PString(row.signature), kMembers[i]));
    }
}

}  // namespace GSRuntime
