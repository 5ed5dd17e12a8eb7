#include "engine/materials/RenderingCacheManager.h"

#include <algorithm>

#include "engine/materials/RenderingCache.h"

namespace Vek {

RenderingCacheManager::~RenderingCacheManager() {
    for (RenderingCache* cache : m_caches) cache->ClearAll();
    for (auto it = m_caches.rbegin(); it != m_caches.rend(); ++it) (*it)->ReleaseReference();
}

bool RenderingCacheManager::AddCache(RenderingCache* cache) {
    if (!cache || std::find(m_caches.begin(), m_caches.end(), cache) != m_caches.end()) return false;
    cache->AddReference();
    m_caches.push_back(cache);
    return true;
}

bool RenderingCacheManager::RemoveCache(RenderingCache* cache) {
    auto it = std::find(m_caches.begin(), m_caches.end(), cache);
    if (it == m_caches.end()) return false;
    m_caches.erase(it);
    cache->ReleaseReference();
    return true;
}

RenderingCache* RenderingCacheManager::FindCache(int id) const {
    for (RenderingCache* cache : m_caches) {
        if (cache->GetCacheID() == id) {
            cache->AddReference();
            return cache;
        }
    }
    return nullptr;
}

}  // namespace Vek
