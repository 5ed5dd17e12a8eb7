#include "assetdb/layout/AssetFolders.h"

#include "assetdb/layout/InstallLayout.h"
#include "assetdb/layout/ShippedLibraries.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "engine/File.h"
#include "engine/PString.h"
#include "foundation/files/FileCopy.h"
#include "foundation/files/LocationFiles.h"

namespace {

const char* const kUserLocations[] = {"local", "original", "backups", "editing", "cache", "settings"};

// "data" first, then the user locations in the order above.
constexpr int kHeldDatabases = 7;
VorlexResourceDatabase* g_databases[kHeldDatabases] = {};

void ReleaseHeldDatabases() {
    for (VorlexResourceDatabase*& database : g_databases) {
        ReleaseResourceDatabase(database);
        database = nullptr;
    }
}

Vek::File::Path Join(Vek::File::Path base, const char* name) {
    base.AddPath(name);
    return base;
}

void MakeFolder(const Vek::File::Path& path) { MakeDirectoryInRoot(Vek::PString(), path.c_str()); }

}  // namespace

void InitializeAssetFolders() {
    const Vek::File::Path installation = GetInstallationPath();
    const Vek::File::Path userData = GetUserDataPath();
    if (installation.IsEmpty() || userData.IsEmpty()) return;
    const Vek::PString none;

    MakeFolder(Join(userData, "cache"));

    const Vek::File::Path trash = Join(userData, "trash");
    const Vek::File::Path backups = Join(userData, "backups");
    if (ExistsInRoot(none, trash.c_str()) && !ExistsInRoot(none, backups.c_str()))
        RenameInRoot(none, trash.c_str(), backups.c_str());
    MakeFolder(backups);

    for (const char* name : {"bookmarks", "sessions", "water"}) MakeFolder(Join(Join(userData, "cache"), name));
    for (const char* name : {"local", "original", "editing", "settings"}) MakeFolder(Join(userData, name));

    AcquireAssetFolderDatabases();

    Vek::File::Subst(Vek::PString("scripts"), GetScriptsFolderPath().c_str(), true);

    const Vek::File::Path libraries = GetUserLibrariesFolderPath();
    MakeFolder(libraries);
    Vek::File::Subst(Vek::PString("libraries"), libraries.c_str(), true);
    CopyMissingShippedLibraries(GetShippedLibrariesFolderPath(), libraries);

    const Vek::File::Path settings = Join(userData, "settings");
    if (IsDirectoryEmptyInRoot(none, settings.c_str()))
        CopyTreeBetweenRoots(none, Join(Join(installation, "prebuilt"), "settings").c_str(), none, settings.c_str());
}

void AcquireAssetFolderDatabases() {
    const Vek::File::Path installation = GetInstallationPath();
    const Vek::File::Path userData = GetUserDataPath();
    if (installation.IsEmpty() || userData.IsEmpty()) return;
    ReleaseHeldDatabases();
    g_databases[0] = AcquireResourceDatabase(Vek::PString("data"), Join(installation, "Data").c_str());
    int slot = 1;
    for (const char* name : kUserLocations)
        g_databases[slot++] = AcquireResourceDatabase(Vek::PString(name), Join(userData, name).c_str());
}

void ReleaseAssetFolderDatabases() {
    ReleaseHeldDatabases();
    Vek::File::Subst(Vek::PString("scripts"), nullptr, true);
    Vek::File::Subst(Vek::PString("libraries"), nullptr, true);
}
