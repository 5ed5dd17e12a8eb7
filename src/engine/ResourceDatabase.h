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

class ResourceDatabase {
public:
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

protected:
    PString m_name;
};

}  // namespace Vek
