#include "assetdb/urls/VADUrlRequestRegistry.h"

#include <atomic>
#include <map>

#include "assetdb/urls/VADUrlRequest.h"

namespace {

struct Registry {
    Vek::CriticalSection lock;
    std::map<int64_t, VADUrlRequest*> requests;
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
    registry.requests[request->GetHandle()] = request;
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
    Vek::SingleLock hold(TheRegistry().lock);
    if (VADUrlRequest* request = FindVADUrlRequestLocked(handle)) ReadUrlRequestStatus(stream, *request);
}

bool VADUrlRequestNoticesAccepted() { return g_services.load() > 0; }

VADUrlRequestService::VADUrlRequestService() { ++g_services; }

VADUrlRequestService::~VADUrlRequestService() { --g_services; }
