#include "engine/ResourceSystem.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "engine/PluginBase.h"
#include "engine/PluginType.h"
#include "engine/Resource.h"

namespace Vek {

namespace {

std::atomic<ResourceSystem*> g_current{nullptr};

bool SameKey(const Resource* resource, const PString& typeName, const PString& name,
             const ResourceDatabase* database) {
    return resource->GetTypeName() == typeName && resource->GetName() == name &&
           resource->GetDatabase() == database;
}

}  // namespace

ResourceSystem::ResourceSystem() = default;

ResourceSystem::~ResourceSystem() {
    ResourceSystem* self = this;
    g_current.compare_exchange_strong(self, nullptr);

    std::vector<Resource*> cached;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        cached.swap(m_cache);
    }
    for (Resource* resource : cached) resource->ReleaseReference();
    for (PluginType* type : m_builtIn) {
        PluginBase::UnregisterPluginType(type);
        type->ReleaseReference();
    }
}

bool ResourceSystem::Init(const char* /*options*/) {
    if (m_initialised) return true;
    PluginType* bitmap = new (std::nothrow) PluginType(kBitmapPluginTypeName, kBitmapPluginId);
    if (!bitmap) return false;
    if (!PluginBase::RegisterPluginType(bitmap)) {
        bitmap->ReleaseReference();
        return false;
    }
    try {
        m_builtIn.push_back(bitmap);  // keeps the creator's reference
    } catch (...) {
        PluginBase::UnregisterPluginType(bitmap);
        bitmap->ReleaseReference();
        return false;
    }
    m_initialised = true;
    return true;
}

bool ResourceSystem::AddToCache(Resource* resource) {
    if (!resource) return false;
    std::lock_guard<std::mutex> hold(m_lock);
    for (const Resource* cached : m_cache)
        if (SameKey(cached, resource->GetTypeName(), resource->GetName(), resource->GetDatabase())) return false;
    try {
        m_cache.push_back(resource);
    } catch (...) {
        return false;
    }
    resource->AddReference();
    return true;
}

Resource* ResourceSystem::FindInCache(const PString& typeName, const PString& name,
                                      const ResourceDatabase* database) {
    std::lock_guard<std::mutex> hold(m_lock);
    for (Resource* cached : m_cache) {
        if (SameKey(cached, typeName, name, database)) {
            cached->AddReference();
            return cached;
        }
    }
    return nullptr;
}

bool ResourceSystem::RemoveFromCache(Resource* resource) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        auto found = std::find(m_cache.begin(), m_cache.end(), resource);
        if (!resource || found == m_cache.end()) return false;
        m_cache.erase(found);
    }
    resource->ReleaseReference();
    return true;
}

std::size_t ResourceSystem::DumpUnusedResourcesFromCache() {
    std::size_t dropped = 0;
    for (;;) {
        // A resource with one reference is held by the cache alone; nobody
        // else can reach it but through FindInCache, which takes the lock.
        std::vector<Resource*> unused;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            try {
                unused.reserve(m_cache.size());  // so that the pass below cannot fail half-way
            } catch (...) {
                return dropped;
            }
            std::size_t kept = 0;
            for (Resource* cached : m_cache) {
                if (cached->GetReferenceCount() == 1)
                    unused.push_back(cached);
                else
                    m_cache[kept++] = cached;
            }
            m_cache.resize(kept);
        }
        if (unused.empty()) return dropped;
        // Released outside the lock: a resource's destructor may drop the
        // resources it holds, which then become unused in the next round.
        for (Resource* resource : unused) resource->ReleaseReference();
        dropped += unused.size();
    }
}

std::size_t ResourceSystem::CachedCount() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_cache.size();
}

ResourceSystem* ResourceSystem::GetCurrent() { return g_current.load(); }

void ResourceSystem::SetCurrent(ResourceSystem* system) { g_current.store(system); }

}  // namespace Vek
