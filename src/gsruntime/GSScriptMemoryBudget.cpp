#include "gsruntime/GSScriptMemoryBudget.h"

#include "gsruntime/GSLog.h"
#include "gsruntime/GSScriptMemoryAccount.h"

namespace GSRuntime {

namespace {

bool Open(const GSScriptMemoryAccount* account) { return account && !account->IsClosed(); }

}  // namespace

uint64_t GSScriptMemoryBudget::SetLimit(uint64_t bytes) {
    s_reported.store(false, std::memory_order_relaxed);
    return s_limit.exchange(bytes, std::memory_order_relaxed);
}

uint64_t GSScriptMemoryBudget::SetContextLimit(uint64_t bytes) {
    s_reported.store(false, std::memory_order_relaxed);
    return s_contextLimit.exchange(bytes, std::memory_order_relaxed);
}

bool GSScriptMemoryBudget::AccountFits(const GSScriptMemoryAccount* account, uint64_t bytes) {
    return !Open(account) || account->Used() + bytes <= ContextLimit();
}

bool GSScriptMemoryBudget::Take(GSScriptMemoryAccount* account, uint64_t bytes) {
    if (!account) return Take(bytes);
    if (!Open(account)) {
        account->Add(bytes);
        return true;
    }
    if (!AccountFits(account, bytes)) {
        Refused(bytes, account);
        return false;
    }
    const uint64_t used = s_used.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    if (used > Limit()) {
        s_used.fetch_sub(bytes, std::memory_order_relaxed);
        Refused(bytes, account);
        return false;
    }
    account->Add(bytes);
    if (s_reported.load(std::memory_order_relaxed)) s_reported.store(false, std::memory_order_relaxed);
    return true;
}

bool GSScriptMemoryBudget::Fits(GSScriptMemoryAccount* account, uint64_t bytes) {
    if (!Open(account)) return account || Fits(bytes);
    if (AccountFits(account, bytes) && Used() + bytes <= Limit()) return true;
    Refused(bytes, account);
    return false;
}

void GSScriptMemoryBudget::Force(GSScriptMemoryAccount* account, uint64_t bytes) {
    if (account) account->Add(bytes);
    if (!account || Open(account)) Force(bytes);
}

void GSScriptMemoryBudget::Give(GSScriptMemoryAccount* account, uint64_t bytes) {
    const bool toProcess = !account || Open(account);
    if (account) account->Sub(bytes);
    if (toProcess) Give(bytes);
}

void GSScriptMemoryBudget::Refused(uint64_t bytes, const GSScriptMemoryAccount* account) {
    if (s_reported.exchange(true, std::memory_order_relaxed)) return;
    if (!account) {
        GSLog("Script memory limit of %llu bytes reached: %llu more bytes refused (%llu in use)",
              static_cast<unsigned long long>(Limit()), static_cast<unsigned long long>(bytes),
              static_cast<unsigned long long>(Used()));
        return;
    }
    const bool ownLimit = account->Used() + bytes > ContextLimit();
    GSLog("Script memory limit of %llu bytes reached%s by %s: %llu more bytes refused (%llu in use, %llu by %s)",
          static_cast<unsigned long long>(ownLimit ? ContextLimit() : Limit()), ownLimit ? " for one context" : "",
          account->Name().c_str(), static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(Used()),
          static_cast<unsigned long long>(account->Used()), account->Name().c_str());
}

}  // namespace GSRuntime
