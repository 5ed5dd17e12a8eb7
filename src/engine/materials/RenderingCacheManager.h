#pragma once
// The render kernel's rendering caches by id (engine/materials/
// RenderingCache.h). AddCache takes a reference of its own; a later cache
// of an id already held is kept too, but FindCache gives the first one.
#include <vector>

namespace Vek {

class RenderingCache;

class RenderingCacheManager {
public:
    RenderingCacheManager() = default;
    ~RenderingCacheManager();
    RenderingCacheManager(const RenderingCacheManager&) = delete;
    RenderingCacheManager& operator=(const RenderingCacheManager&) = delete;

    bool AddCache(RenderingCache* cache);
    bool RemoveCache(RenderingCache* cache);
    // The first cache of that id with one reference for the caller, or null.
    RenderingCache* FindCache(int id) const;
    std::size_t GetCacheCount() const { return m_caches.size(); }
    RenderingCache* GetCache(std::size_t i) const { return i < m_caches.size() ? m_caches[i] : nullptr; }

private:
    std::vector<RenderingCache*> m_caches;  // each with a reference
};

}  // namespace Vek
