#include "gsruntime/GSScriptMemoryBudget.h"

#include "gsruntime/GSLog.h"

namespace GSRuntime {

uint64_t GSScriptMemoryBudget::SetLimit(uint64_t bytes) {
    s_reported.store(false, std::memory_order_relaxed);
    return s_limit.exchange(bytes, std::memory_order_relaxed);
}

void GSScriptMemoryBudget::Refused(uint64_t bytes) {
    if (s_reported.exchange(true, std::memory_order_relaxed)) return;
    GSLog("Script memory limit of %llu bytes reached: %llu more bytes refused (%llu in use)",
          static_cast<unsigned long long>(Limit()), static_cast<unsigned long long>(bytes),
          static_cast<unsigned long long>(Used()));
}

}  // namespace GSRuntime
