#include "foundation/results/TransactionLogRegistry.h"

#include <map>

#include "engine/Sync.h"

namespace {

struct Registry {
    Vek::CriticalSection lock;
    std::map<int32_t, ResultsLog*> logs;
};

Registry& TheRegistry() {
    // Never destroyed: logs may go during static destruction.
    static Registry* registry = new Registry();
    return *registry;
}

}  // namespace

void RegisterTransactionLog(int32_t transactionId, ResultsLog* log) {
    Registry& r = TheRegistry();
    Vek::SingleLock hold(r.lock);
    r.logs[transactionId] = log;
}

ResultsLog* FindTransactionLog(int32_t transactionId) {
    Registry& r = TheRegistry();
    Vek::SingleLock hold(r.lock);
    auto it = r.logs.find(transactionId);
    return it == r.logs.end() ? nullptr : it->second;
}

void UnregisterTransactionLog(int32_t transactionId) {
    Registry& r = TheRegistry();
    Vek::SingleLock hold(r.lock);
    r.logs.erase(transactionId);
}

void UnregisterTransactionLogsOf(const ResultsLog* log) {
    Registry& r = TheRegistry();
    Vek::SingleLock hold(r.lock);
    for (auto it = r.logs.begin(); it != r.logs.end();) {
        if (it->second == log)
            it = r.logs.erase(it);
        else
            ++it;
    }
}
