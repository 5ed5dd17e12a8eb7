#pragma once
// The data manager the upgrade reads (its asset build, its definitions and
// the asset's path), over a small schema in a temporary install folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "SoupNotation.h"
#include "assetdb/layout/AssetFolders.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/soups/SoupPrinting.h"
#include "support/TempDir.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"

namespace UpgradeTest {

// "scenery" and "mojunction" are top-level kinds; the tags common to every
// asset live in the base "asset" that both inherit. "part" is no top-level
// definition, and "loop-a"/"loop-b" inherit from each other.
inline const char* kInheritance =
    "asset { subpossibilities { kuid { } kind { } username { } description { } vorlex-build { }"
    " category-class { } category-region { } category-era { } } }"
    " loop-a { inherit { loop-b 1 } subpossibilities { from-loop { } } }"
    " loop-b { inherit { loop-a 1 } }";
inline const char* kKinds =
    "scenery { top-level 1 inherit { asset 1 loop-a 1 } subpossibilities { trackside { } asset-flags { } } }"
    " mojunction { top-level 1 inherit { asset 1 } subpossibilities { mesh-table { } } }";
inline const char* kContainers = "part { subpossibilities { is { } great { } } }";

class UpgradeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string install = m_dir.Path() + "/install";
        const std::string data = install + "/bin/ZIROzod/";
        WriteSchema(data + "inheritance.txt", kInheritance);
        WriteSchema(data + "kind.txt", kKinds);
        WriteSchema(data + "container.txt", kContainers);
        std::filesystem::create_directories(data + "lists");
        std::filesystem::create_directories(install + "/UserData/local/gadget");
        SetInstallationFolders(install.c_str());
        AcquireAssetFolderDatabases();
        TETLib::ErrorHandler::CreateInstance();
        TETLib::DataManager::Create(data.c_str());
        ASSERT_TRUE(TETLib::DataManager::Instance()->LoadDefinitions());
        TETLib::DataManager::Instance()->SetCurrentAsset("local", "gadget");
    }
    void TearDown() override {
        TETLib::DataManager::Destroy();
        TETLib::ErrorHandler::DestroyInstance();
        ReleaseAssetFolderDatabases();
        SetInstallationFolders("");
        PurgeResourceDatabaseCache();
    }

    static void SetBuild(float build) { TETLib::DataManager::Instance()->SetAssetBuild(build); }
    // The error handler's records: the upgrade's rules add none.
    static std::size_t FindingCount() { return TETLib::ErrorHandler::Instance()->Records().size(); }

private:
    static void WriteSchema(const std::string& path, const char* notation) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << SoupAsText(ParseSoup(notation));
    }

    VorlexTest::TempDir m_dir;
};

}  // namespace UpgradeTest
