#include "assetdb/client/CollectGarbageOnMainThread.h"

#include "engine/PString.h"
#include "foundation/callbacks/MainThread.h"

std::size_t CollectGarbageOnMainThread() {
    if (!IsMainThread()) return 0;
    return Vek::PStringCache::Instance().CollectGarbage();
}
