#include "gsnatives/OnlineMessageList.h"

#include "gsnatives/GSOSoup.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/natives/GSParamFetch.h"

namespace GSNatives {

void CollectMessageNative(OnlineAccessMessageListInterface& list, GSRuntime::GSStack* stack) {
    GSRuntime::GSString* text = nullptr;
    GSOSoup* soup = nullptr;
    if (!GSRuntime::GetParam<GSRuntime::GSString>(stack, 1, text) || !GSRuntime::GetParam<GSOSoup>(stack, 2, soup))
        return;
    Vek::String name;
    SoupHandle collected = soup->GetSoup();
    const int32_t result = list.CollectMessage(name, collected);
    static_cast<Vek::String&>(*text) = name;
    soup->SetSoup(collected);
    stack->Push(static_cast<uint32_t>(result));
}

}  // namespace GSNatives
