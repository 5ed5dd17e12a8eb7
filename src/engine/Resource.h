#pragma once
// A resource: an object loaded once and shared, such as a mesh, a texture or
// a material, known to the resource system's cache by its type, its name and
// the database it came from. Resources are counted (engine/ReferenceCount.h):
// the cache holds one reference of its own while the resource is cached, and
// every user holds one more.
#include "engine/PString.h"
#include "engine/ReferenceCount.h"

namespace Vek {

class ResourceDatabase;

class Resource : public ReferenceCount {
public:
    Resource(const PString& typeName, const PString& name, ResourceDatabase* database)
        : m_typeName(typeName), m_name(name), m_database(database) {}

    const PString& GetTypeName() const { return m_typeName; }
    const PString& GetName() const { return m_name; }
    // The database the resource came from; null for one made in memory.
    ResourceDatabase* GetDatabase() const { return m_database; }

protected:
    ~Resource() override = default;

private:
    PString m_typeName;
    PString m_name;
    ResourceDatabase* m_database;
};

}  // namespace Vek
