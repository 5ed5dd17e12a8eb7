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
    // The first four: SendMessage and PostMessage, with and without a soup.
    constexpr uint32_t kSendAndPostNatives = 4;
    for (uint32_t i = 0; i < sizeof(kMembers) / sizeof(kMembers[0]); ++i) {
        const GSBuiltinNative& row = kGSBuiltinNatives[kGSBuiltinGameObjectFirst + i];
        auto* native = new GSCPPNativeFunction<GSGameObject>(Vek::PString(row.className), Vek::PString(row.signature),
                                                             kMembers[i]);
        // Sending and posting read the major and minor texts and nothing
        // more of their string arguments.
        native->SetBorrowsStringArguments(i < kSendAndPostNatives);
        machine.AddNative(native);
    }
}

}  // namespace GSRuntime
