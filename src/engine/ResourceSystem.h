#pragma once
// The resource system: the cache of loaded resources (engine/Resource.h) and
// the engine's own plug-in types.
//
// The cache keeps each resource once, under its type name, name and
// database, with a reference of its own. DumpUnusedResourcesFromCache drops
// every resource that nobody but the cache holds; the engine lock's long
// waits and the main thread's garbage collection call it on the resource
// system that start-up made current (SetCurrent).
//
// Init registers the engine's built-in plug-in types: the bitmap reader
// kBitmapPluginTypeName / kBitmapPluginId, which start-up looks up and holds
// for the whole run. The destructor empties the cache and withdraws them.
// Safe for concurrent use, apart from construction and destruction.
#include <cstddef>
#include <mutex>
#include <vector>

#include "engine/PString.h"

namespace Vek {

class PluginType;
class Resource;
class ResourceDatabase;

class ResourceSystem {
public:
    static constexpr const char* kBitmapPluginTypeName = "bmp";
    static constexpr const char* kBitmapPluginId = "4C414E80-BBDA-11d4-9AD7-0001025364B8";

    ResourceSystem();
    ~ResourceSystem();
    ResourceSystem(const ResourceSystem&) = delete;
    ResourceSystem& operator=(const ResourceSystem&) = delete;

    // Registers the built-in plug-in types. `options` is the engine option
    // text; no switch of it concerns the resource system yet. True on
    // success; a second call does nothing and returns true.
    bool Init(const char* options);
    bool IsInitialised() const { return m_initialised; }

    // Caches `resource` with a reference of the cache's own. False, nothing
    // taken, for null or when a resource of the same type, name and database
    // is cached already.
    bool AddToCache(Resource* resource);
    // The cached resource of that type, name and database, with one more
    // reference for the caller; null when there is none.
    Resource* FindInCache(const PString& typeName, const PString& name, const ResourceDatabase* database);
    // Takes `resource` out of the cache and drops the cache's reference;
    // false when it is not cached. A resource whose file changes between
    // uses (a description converted again) is loaded afresh next time.
    bool RemoveFromCache(Resource* resource);
    // Drops, from the cache, every resource that only the cache holds, and
    // again for those that the dropped ones were holding, until none is
    // left. Returns how many were dropped.
    std::size_t DumpUnusedResourcesFromCache();
    std::size_t CachedCount() const;

    // The resource system that start-up made and the rest of the program
    // reaches; null before start-up and after shutdown.
    static ResourceSystem* GetCurrent();
    static void SetCurrent(ResourceSystem* system);

private:
    mutable std::mutex m_lock;
    std::vector<Resource*> m_cache;  // each with the cache's reference
    std::vector<PluginType*> m_builtIn;
    bool m_initialised = false;
};

}  // namespace Vek
