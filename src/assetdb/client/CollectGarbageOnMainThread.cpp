#include "assetdb/client/CollectGarbageOnMainThread.h"

#include <atomic>

#include "engine/PString.h"
#include "engine/RenderKernel.h"
#include "engine/ResourceSystem.h"
#include "engine/resources/UnusedResources.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/callbacks/TCXCallbackCIntPtr.h"

namespace {

std::atomic<bool> g_pending{false};

std::size_t CollectNow() {
    g_pending.store(false);
    Vek::DumpUnusedResources(Vek::ResourceSystem::GetCurrent(), Vek::RenderKernel::GetCurrent());
    return Vek::PStringCache::Instance().CollectGarbage();
}

// The queued collection: runs on the main thread unless a direct call there
// has done it since.
int32_t CollectPending(CallArgument) {
    if (g_pending.load()) CollectNow();
    return 0;
}

}  // namespace

std::size_t CollectGarbageOnMainThread() {
    if (IsMainThread()) return CollectNow();
    if (!g_pending.exchange(true)) {
        // Queued, not waited for: the calling thread goes on at once.
        if (!CallDispatcher::Instance().DispatchCall(0, CallFlagMainThread | CallFlagNoWait,
                                                     MakeFunctionCallback(CollectPending)))
            g_pending.store(false);
    }
    return 0;
}

bool IsGarbageCollectionPending() { return g_pending.load(); }
