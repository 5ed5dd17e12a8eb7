// The script compile step on its own: its messages, and that the AssetSpec it
// used is discarded afterwards.
#include "tetlib/VADCompileAsset.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "assetdb/layout/AssetFolders.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "assetdb/specs/AssetSpec.h"
#include "assetdb/specs/SpecRegistry.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/results/ResultsLog.h"
#include "gsnatives/support/ShippedLibraries.h"
#include "support/TempDir.h"

namespace {

const KUID kAsset(523401, 88, 0);

class VADCompileAssetTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string local = m_dir / "install/UserData/local";
        std::filesystem::create_directories(local + "/plain");
        std::filesystem::create_directories(local + "/nokuid");
        std::ofstream(local + "/plain/config.txt") << "kuid <kuid:523401:88>\nkind \"scenery\"\n";
        std::ofstream(local + "/nokuid/config.txt") << "kind \"scenery\"\n";
        SetInstallationFolders((m_dir / "install").c_str());
        AcquireAssetFolderDatabases();
        CreateSpecRegistry();
    }
    void TearDown() override {
        DestroySpecRegistry();
        ReleaseAssetFolderDatabases();
        SetInstallationFolders("");
        PurgeResourceDatabaseCache();
    }
    static std::string Only(ResultsLog& log) {
        if (log.GetEntryCount() != 1) return "entries: " + std::to_string(log.GetEntryCount());
        return std::string(log.GetEntry(0).severity == 3 ? "" : "not an error: ") + log.GetEntry(0).text.c_str();
    }

    GSNativesTest::ShippedLibraries m_libraries;
    VorlexTest::TempDir m_dir;
};

TEST_F(VADCompileAssetTest, WithoutTheLibrariesTheScriptSystemCannotBeSetUp) {
    ResultsLog log;
    EXPECT_FALSE(TETLib::VADCompileAsset("local", Vek::File::Path("plain"), &log));
    EXPECT_EQ(Only(log), "VADCompileAsset unable to initialise script system");
    // The set-up answers its first result again: still no script system.
    ASSERT_EQ(m_libraries.CompileAll(), "");
    ResultsLog again;
    EXPECT_FALSE(TETLib::VADCompileAsset("local", Vek::File::Path("plain"), &again));
    EXPECT_EQ(Only(again), "VADCompileAsset unable to initialise script system");
}

TEST_F(VADCompileAssetTest, MessagesOfTheStepsBeforeTheCompile) {
    ASSERT_EQ(m_libraries.CompileAll(), "");
    struct Case {
        const char* folder;
        bool otherSpec;  // an AssetSpec of another class registered under the KUID
        const char* error;
    };
    const Case cases[] = {
        {"gone", false, "VADCompileAsset unable to load asset config"},
        {"nokuid", false, "VADCompileAsset unable to determine asset KUID"},
        {"plain", true, "Asset of wrong spec type for compilation"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        AssetSpec* other = nullptr;
        if (c.otherSpec) {
            other = new AssetSpec(kAsset, Vek::PString(), "", "plain");
            SpecRegistry::Instance()->RegisterSpec(other);
        }
        ResultsLog log;
        EXPECT_FALSE(TETLib::VADCompileAsset("local", Vek::File::Path(c.folder), &log));
        EXPECT_EQ(Only(log), c.error);
        EXPECT_EQ(SpecRegistry::Instance()->GetDefaultFactory(), nullptr);
        if (other) SpecRegistry::Instance()->ForgetKuid(kAsset);
    }
}

TEST_F(VADCompileAssetTest, AnAssetWithoutScriptsPassesAndItsSpecIsDiscarded) {
    ASSERT_EQ(m_libraries.CompileAll(), "");
    for (int round = 0; round < 2; ++round) {
        ResultsLog log;
        EXPECT_TRUE(TETLib::VADCompileAsset("local", Vek::File::Path("plain"), &log));
        EXPECT_EQ(log.GetEntryCount(), 0u);
        EXPECT_FALSE(SpecRegistry::Instance()->FindSpec(kAsset));
        EXPECT_EQ(SpecRegistry::Instance()->GetDefaultFactory(), nullptr);
    }
}

}  // namespace
