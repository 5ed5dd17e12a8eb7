#pragma once
// The asset tools' process-wide state over an installation folder, for the
// tests and benchmarks of checked configurations: the installation with its
// location roots, fresh interface texts, the error handler, and the data
// manager with the schema of `data` loaded and the asset `path` of
// `location` current. The destructor takes it all down in reverse order.
#include <string>

#include "assetdb/layout/AssetFolders.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"

namespace VorlexTest {

// Takes down the asset tools' process-wide state in reverse order of its
// set-up: the data manager, the error handler, the location roots, the
// interface texts, the installation and the cached resource databases.
inline void TearDownAssetTools() {
    TETLib::DataManager::Destroy();
    TETLib::ErrorHandler::DestroyInstance();
    ReleaseAssetFolderDatabases();
    InterfaceTextDB::Invalidate();
    SetInstallationFolders("");
    PurgeResourceDatabaseCache();
}

class AssetToolsSession {
public:
    AssetToolsSession(const std::string& install, const std::string& data, const char* location, const char* path) {
        SetInstallationFolders(install.c_str());
        AcquireAssetFolderDatabases();
        InterfaceTextDB::Invalidate();
        TETLib::ErrorHandler::CreateInstance();
        TETLib::DataManager::Create(data.c_str());
        m_loaded = TETLib::DataManager::Instance()->LoadDefinitions();
        TETLib::DataManager::Instance()->SetCurrentAsset(location, path);
    }
    ~AssetToolsSession() { TearDownAssetTools(); }
    AssetToolsSession(const AssetToolsSession&) = delete;
    AssetToolsSession& operator=(const AssetToolsSession&) = delete;

    // Whether the schema loaded.
    bool Loaded() const { return m_loaded; }

private:
    bool m_loaded = false;
};

}  // namespace VorlexTest
