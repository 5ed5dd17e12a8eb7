#pragma once
// A resource: an object loaded once and shared, such as a mesh, a texture or
// a material, known to the resource system's cache by its type, its name and
// the database it came from. Resources are counted (engine/ReferenceCount.h):
// the cache holds one reference of its own while the resource is cached, and
// every user holds one more.
//
// Loading is synchronous, on the calling thread. Lock loads the resource the
// first time (engine/resources/ResourceLock.cpp): it looks for the file of
// the resource's name in its database (on the plain file system without
// one) and calls Load with that name, or LoadTxt when the name ends in
// ".txt" or only its text form "<name>.txt" exists; then LoadComplete. Each
// successful Lock counts, Unlock counts down; the data stays until the
// resource goes. Results: 0 success, 1 failure, 2 no file found (the
// engine's resource results).
#include <cstdint>
#include <string>

#include "engine/PString.h"
#include "engine/ReferenceCount.h"

namespace Vek {

class ResourceDatabase;

class Resource : public ReferenceCount {
public:
    enum class LoadState { Unloaded, Loaded, Failed };
    enum Result : int { kOk = 0, kFailed = 1, kNotFound = 2 };

    Resource(const PString& typeName, const PString& name, ResourceDatabase* database)
        : m_typeName(typeName), m_name(name), m_database(database) {}
    Resource(const PString& name, ResourceDatabase* database) : m_name(name), m_database(database) {}

    const PString& GetTypeName() const { return m_typeName; }
    // Set once by the resource type that makes the resource.
    void SetTypeName(const PString& typeName) { m_typeName = typeName; }
    const PString& GetName() const { return m_name; }
    // The database the resource came from; null for one made in memory.
    ResourceDatabase* GetDatabase() const { return m_database; }
    // The name of the database (empty without one).
    PString GetOwnerName() const;
    // The folder part of the name, without a trailing separator.
    std::string GetFolder() const;

    int Lock();
    void Unlock();
    int GetLockCount() const { return m_locks; }
    LoadState GetLoadState() const { return m_state; }
    bool IsLoaded() const { return m_state == LoadState::Loaded; }

    void SetPriority(float priority) { m_priority = priority; }
    float GetPriority() const { return m_priority; }

    // Lock's load without a lock: true when the resource is loaded after it.
    virtual bool LoadAll();
    // 0 when loaded, 4 while not (the engine's "not loaded").
    virtual int IsAllLoaded() const { return IsLoaded() ? 0 : 4; }
    // The memory the resource object holds, and the data it loaded.
    virtual uint32_t CalculateSize() const { return sizeof(Resource); }
    virtual uint32_t CalculateDataSize() const { return 0; }

    // The loaders; the base loads nothing (1). LoadComplete runs after a
    // successful Load or LoadTxt; the base's marks the resource loaded and
    // returns 0.
    virtual int Load(const char* fileName);
    virtual int LoadTxt(const char* fileName);
    virtual int LoadComplete();

protected:
    ~Resource() override = default;

private:
    PString m_typeName;
    PString m_name;
    ResourceDatabase* m_database;
    LoadState m_state = LoadState::Unloaded;
    int m_locks = 0;
    float m_priority = 0.0f;
};

}  // namespace Vek
