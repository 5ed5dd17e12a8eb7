#include "assetdb/client/VADTransactionIds.h"

#include <mutex>

namespace {

std::mutex g_lock;
uint32_t g_next = 1;

}  // namespace

int32_t NextVADTransactionId() {
    std::lock_guard<std::mutex> hold(g_lock);
    int32_t id = static_cast<int32_t>(g_next);
    ++g_next;  // unsigned: -1 wraps to 0 without overflow
    if (g_next == 0) g_next = 1;
    return id;
}

void SetNextVADTransactionIdForTesting(int32_t id) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_next = id == 0 ? 1u : static_cast<uint32_t>(id);
}
