#include "assetdb/resources/ResourceDatabaseRef.h"

#include <cstring>

#include "assetdb/resources/ResourceDatabaseCache.h"
#include "assetdb/resources/VorlexResourceDatabase.h"
#include "engine/File.h"
#include "foundation/files/InstallFolders.h"

ResourceDatabaseRef ResourceDatabaseRef::Open(const Vek::PString& location) {
    ResourceDatabaseRef result;
    if (location.IsEmpty()) {
        result.ok = true;
        return result;
    }
    const char* folder = location.c_str();
    if (std::strcmp(folder, "base") == 0)
        folder = "Base";
    else if (std::strcmp(folder, "data") == 0)
        folder = "Data";
    Vek::File::Path path = GetInstallationPath();
    path.AddPath(folder);
    result.database = AcquireResourceDatabase(location, path.c_str());
    result.ok = result.database != nullptr;
    return result;
}

void ResourceDatabaseRef::Release() { ReleaseResourceDatabase(database); }

void ResourceDatabaseRef::Assign(const ResourceDatabaseRef& from) {
    AddResourceDatabaseReference(from.database);
    ReleaseResourceDatabase(database);
    database = from.database;
    ok = from.ok;
}

void ResourceDatabaseRef::Clear() {
    database = nullptr;
    ok = false;
}

Vek::PString ResourceDatabaseRef::GetName() const { return database ? database->GetName() : Vek::PString(); }
