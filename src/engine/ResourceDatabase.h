#pragma once
// A resource database: a named place that resources are read from. The name
// is the file-system root (engine/File.h) under which the database's files
// are found; a derived class decides what the root stands for (the program's
// asset locations map it to a folder or a ".va" archive) and sets it up and
// takes it down.
//
// Resources (engine/Resource.h) name the database they came from, and the
// resource system keeps resources of different databases apart.
#include <cstdint>

#include "engine/File.h"
#include "engine/PString.h"

namespace Vek {

class Resource;

class ResourceDatabase {
public:
    // Lookup modes of GetResource: only a cached resource, or also a new one.
    enum : int { kLookupCached = 0, kLookupCreate = 2 };

    explicit ResourceDatabase(const PString& name) : m_name(name) {}
    virtual ~ResourceDatabase() = default;
    ResourceDatabase(const ResourceDatabase&) = delete;
    ResourceDatabase& operator=(const ResourceDatabase&) = delete;

    const PString& GetName() const { return m_name; }

    // Opens a file of the database: `path` inside the root of the
    // database's name (read mode by default).
    bool OpenFile(File& file, const char* path, uint32_t mode = File::kModeRead) const {
        return !m_name.IsEmpty() && file.Open(m_name, path, mode);
    }
    bool FileExists(const char* path) const { return !m_name.IsEmpty() && File::Exists(m_name, path); }

    // The resource `name` of this database, with one reference for the
    // caller: the cached one (the current resource system's cache), else
    // with kLookupCreate a new, unloaded one made by the resource type of
    // the name (engine/resources/ResourceTypeRegistry.h), cached when there
    // is a current resource system. Null
    // for a name that would leave the database (engine/resources/
    // ResourceName.h), a name of no type, or nothing cached in
    // kLookupCached mode. Names compare without case.
    Resource* GetResource(const char* name, int mode = kLookupCreate);

protected:
    PString m_name;
};

}  // namespace Vek
