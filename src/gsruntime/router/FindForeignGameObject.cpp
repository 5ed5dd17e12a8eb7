#include "gsruntime/router/FindForeignGameObject.h"

#include "gscompiler/GSTypes.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSContextRegistry.h"
#include "gsruntime/router/GSGameObject.h"
#include "gsruntime/router/GSRouter.h"

namespace GSRuntime {

GSGameObject* FindForeignGameObject(int32_t id, bool includeAll) {
    for (GSContext* context : GSContextRegistry::Contexts()) {
        GSRouter* router = context->GetRouter();
        if (!router || (router->IsClosed() && !includeAll)) continue;
        GSNode* node = router->GetNode(id);
        if (!node || !node->IsGameObject()) continue;
        GSGameObject* object = static_cast<GSGameObject*>(node);
        GSClass* cls = object->GetReference() ? object->GetClass() : nullptr;
        if (!cls) continue;
        if (!includeAll && (cls->Flags() & kGSSecured) != 0) continue;
        return object;
    }
    return nullptr;
}

}  // namespace GSRuntime
