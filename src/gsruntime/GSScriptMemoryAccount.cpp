#include "gsruntime/GSScriptMemoryAccount.h"

#include "gsruntime/GSContext.h"
#include "gsruntime/GSScriptMemoryBudget.h"

namespace GSRuntime {

GSScriptMemoryAccount* GSScriptMemoryAccount::Of(const GSContext* context) {
    return context ? context->MemoryAccount() : nullptr;
}

void GSScriptMemoryAccount::Close() {
    if (m_closed.exchange(true, std::memory_order_acq_rel)) return;
    GSScriptMemoryBudget::Give(Used());
}

void GSScriptMemoryAccount::ForceCharge(uint64_t bytes) { GSScriptMemoryBudget::Force(this, bytes); }

void GSScriptMemoryAccount::GiveCharge(uint64_t bytes) { GSScriptMemoryBudget::Give(this, bytes); }

}  // namespace GSRuntime
