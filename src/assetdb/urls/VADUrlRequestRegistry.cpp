#include "assetdb/urls/VADUrlRequestRegistry.h"

#include <atomic>
#include <deque>
#include <map>
#include <utility>
#include <vector>

#include "assetdb/urls/VADUrlRequest.h"
#include "foundation/streams/BufferStream.h"

namespace {

// How many statuses of handles not registered yet are kept.
constexpr std::size_t kMaxEarlyStatuses = 64;

struct Registry {
    Vek::CriticalSection lock;
    std::map<int64_t, VADUrlRequest*> requests;
    // Statuses that came before their request was registered (the daemon
    // may send one right behind the start's reply), oldest first.
    std::deque<std::pair<int64_t, std::vector<uint8_t>>> early;
};

Registry& TheRegistry() {
    // Never destroyed: notices may arrive while the process exits.
    static Registry* registry = new Registry();
    return *registry;
}

std::atomic<int32_t> g_services{0};

}  // namespace

Vek::CriticalSection& VADUrlRequestLock() { return TheRegistry().lock; }

void RegisterVADUrlRequest(VADUrlRequest* request) {
    Registry& registry = TheRegistry();
    Vek::SingleLock hold(registry.lock);
    const int64_t handle = request->GetHandle();
    registry.requests[handle] = request;
    if (handle == -1) return;
    for (auto it = registry.early.begin(); it != registry.early.end();) {
        if (it->first != handle) {
            ++it;
            continue;
        }
        TBuffer status;
        status.Write(it->second.data(), static_cast<int32_t>(it->second.size()));
        status.Rewind();
        ReadUrlRequestStatus(status, *request);
        it = registry.early.erase(it);
    }
}

void UnregisterVADUrlRequest(VADUrlRequest* request) {
    Registry& registry = TheRegistry();
    Vek::SingleLock hold(registry.lock);
    auto it = registry.requests.find(request->GetHandle());
    if (it != registry.requests.end() && it->second == request) registry.requests.erase(it);
}

VADUrlRequest* FindVADUrlRequestLocked(int64_t handle) {
    Registry& registry = TheRegistry();
    auto it = registry.requests.find(handle);
    return it == registry.requests.end() ? nullptr : it->second;
}

void OnUrlRequestStatusNotice(int64_t handle, TStream& stream) {
    if (!VADUrlRequestNoticesAccepted()) return;
    Registry& registry = TheRegistry();
    Vek::SingleLock hold(registry.lock);
    if (VADUrlRequest* request = FindVADUrlRequestLocked(handle)) {
        ReadUrlRequestStatus(stream, *request);
        return;
    }
    // Kept for a request that is being registered (bounded).
    const int32_t left = stream.Length() - stream.Tell();
    if (handle == -1 || left < 0) return;
    std::vector<uint8_t> bytes(static_cast<std::size_t>(left));
    if (left > 0 && stream.Read(bytes.data(), left) != left) return;
    if (registry.early.size() >= kMaxEarlyStatuses) registry.early.pop_front();
    registry.early.emplace_back(handle, std::move(bytes));
}

bool VADUrlRequestNoticesAccepted() { return g_services.load() > 0; }

VADUrlRequestService::VADUrlRequestService() { ++g_services; }

VADUrlRequestService::~VADUrlRequestService() { --g_services; }
