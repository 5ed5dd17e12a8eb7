#include "tetlib/ValidateAssetAtLocation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "assetdb/layout/AssetFolders.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "assetdb/resources/ResourceDatabaseRef.h"
#include "assetdb/specs/SpecRegistry.h"
#include "engine/File.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupFiles.h"
#include "gsnatives/support/ShippedLibraries.h"
#include "support/SourceTree.h"
#include "support/TempDir.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "support/AssetToolsSession.h"

namespace {

// A configuration that the shipped schema accepts without an error.
std::string ExampleConfiguration() {
    std::ifstream in(SourceTreePath("examples/assets/water-tower/config.txt"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Touch(const std::string& path, const std::string& bytes = ExampleConfiguration()) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// An installation with the locations "local", "editing" and a packed
// "original", the shipped interface texts in its "Data", the shipped script
// libraries, the AssetSpec registry of a database link, and the tools'
// singletons over an empty data folder. An asset that passes its checks
// goes on to the script compile step.
class ValidateAssetTest : public ::testing::Test {
protected:
    void SetUp() override {
        RecordMainThread();
        ASSERT_EQ(m_libraries.CompileAll(), "");
        CreateSpecRegistry();
        m_install = m_dir / "install";
        const std::string user = m_install + "/UserData";
        Touch(user + "/local/both/config.txt", "kind \"not-the-chosen-file\"\n");
        Touch(user + "/local/text/config.txt");
        std::filesystem::create_directories(user + "/local/neither");
        Touch(user + "/editing/text/config.txt");
        Touch(user + "/original.va", "not looked into");
        CopyShippedData(m_install);
        SetInstallationFolders(m_install.c_str());
        // The roots of "data" and the user locations, as start-up makes them.
        AcquireAssetFolderDatabases();
        // The binary configuration of "both" (the one chosen) holds the
        // example asset.
        SoupHandle example;
        ASSERT_TRUE(LoadSoupFile(example, Vek::PString(), (user + "/local/text/config.txt").c_str()));
        ASSERT_TRUE(SaveSoupFile(example, Vek::PString(), (user + "/local/both/config.chump").c_str()));
        InterfaceTextDB::Invalidate();
        TETLib::ErrorHandler::CreateInstance();
        TETLib::DataManager::Create((m_install + "/bin/ZIROzod/").c_str());
    }
    void TearDown() override {
        VorlexTest::TearDownAssetTools();
        DestroySpecRegistry();
    }

    GSNativesTest::ShippedLibraries m_libraries;
    VorlexTest::TempDir m_dir;
    std::string m_install;
};

TEST_F(ValidateAssetTest, FixtureFolders) {
    struct Case {
        const char* name;
        const char* location;
        std::string path;
        bool result;
        bool missingConfiguration;  // one error entry naming the folder
        bool installed;             // the data manager's flag afterwards
    };
    const std::vector<Case> cases = {
        {"both configuration files", "local", "both", true, false, true},
        {"text only", "local", "text", true, false, true},
        {"neither", "local", "neither", false, true, true},
        {"a folder that is not there", "local", "gone", false, true, true},
        {"the editing location is no installed one", "editing", "text", true, false, false},
        {"absolute folder, location worked out", "", m_install + "/UserData/local/text", true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResultsLog log;
        EXPECT_EQ(TETLib::ValidateAssetAtLocation(c.location, Vek::File::Path(c.path.c_str()), &log), c.result);
        if (c.missingConfiguration) {
            ASSERT_EQ(log.GetEntryCount(), 1u);
            EXPECT_EQ(log.GetEntry(0).severity, 3);
            // The shipped text with the folder in place of its placeholder.
            const std::string text = log.GetEntry(0).text.c_str();
            EXPECT_NE(text.find("'" + c.path + "'"), std::string::npos) << text;
            EXPECT_EQ(text.find("$("), std::string::npos) << text;
        } else {
            EXPECT_EQ(log.GetEntryCount(), 0u) << (log.GetEntryCount() ? log.GetEntry(0).text.c_str() : "");
        }
        EXPECT_EQ(TETLib::DataManager::Instance()->IsInstalledLocation(), c.installed);
    }
}

TEST_F(ValidateAssetTest, APackedLocationIsNotChecked) {
    // "original" has its ".va" twin: true at once, nothing logged, even for
    // a folder without a configuration; the data manager is not touched.
    TETLib::DataManager::Instance()->SetInstalledLocation(false);
    ResultsLog log;
    EXPECT_TRUE(TETLib::ValidateAssetAtLocation("original", Vek::File::Path("nothing-here"), &log));
    EXPECT_EQ(log.GetEntryCount(), 0u);
    EXPECT_FALSE(TETLib::DataManager::Instance()->IsInstalledLocation());
}

TEST_F(ValidateAssetTest, ConfigurationChoicePrefersTheBinaryFile) {
    const Vek::PString local("local");
    ResourceDatabaseRef root = ResourceDatabaseRef::Open(local);
    ASSERT_TRUE(root.ok);
    Vek::File::Path chosen;
    ASSERT_TRUE(TETLib::ChooseAssetConfigFile(local, Vek::File::Path("both"), chosen));
    EXPECT_STREQ(chosen.GetName(), "config.chump");
    ASSERT_TRUE(TETLib::ChooseAssetConfigFile(local, Vek::File::Path("text"), chosen));
    EXPECT_STREQ(chosen.GetName(), "config.txt");
    EXPECT_FALSE(TETLib::ChooseAssetConfigFile(local, Vek::File::Path("neither"), chosen));
    EXPECT_TRUE(chosen.IsEmpty());
    root.Release();
}

TEST_F(ValidateAssetTest, UnplaceableFoldersAreNotValidated) {
    // No installation folder, or an empty location with a relative path:
    // false with nothing logged.
    ResultsLog log;
    EXPECT_FALSE(TETLib::ValidateAssetAtLocation("", Vek::File::Path("text"), &log));
    ReleaseAssetFolderDatabases();
    SetInstallationFolders("");
    EXPECT_FALSE(TETLib::ValidateAssetAtLocation("local", Vek::File::Path("text"), &log));
    EXPECT_EQ(log.GetEntryCount(), 0u);
}

TEST_F(ValidateAssetTest, TheExampleAssetValidatesWithoutErrors) {
    // The example asset installed in "local", checked with the shipped
    // schema.
    TETLib::DataManager::Destroy();
    const std::string tools = m_install + "/bin/ZIROzod";
    std::filesystem::remove_all(tools);
    std::filesystem::copy(SourceTreePath("data/ZIROzod"), tools, std::filesystem::copy_options::recursive);
    std::filesystem::copy(SourceTreePath("examples/assets/water-tower"), m_install + "/UserData/local/water-tower",
                          std::filesystem::copy_options::recursive);
    TETLib::DataManager::Create((tools + "/").c_str());

    ResultsLog log;
    EXPECT_TRUE(TETLib::ValidateAssetAtLocation("local", Vek::File::Path("water-tower"), &log));
    EXPECT_EQ(log.GetErrorCount(), 0);
    EXPECT_TRUE(TETLib::DataManager::Instance()->GetDefinitions().Count() > 0);
}

TEST_F(ValidateAssetTest, ACallFromAnotherThreadRunsOnTheMainThread) {
    std::atomic<bool> done{false};
    bool result = false;
    ResultsLog log;
    std::thread caller([&] {
        result = TETLib::ValidateAssetAtLocation("local", Vek::File::Path("neither"), &log);
        done = true;
    });
    // The main thread pumps its queue until the caller is answered.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        if (CallDispatcher::Instance().RunPendingCall() == 0) WaitForMainThreadWake(10);
    }
    caller.join();
    EXPECT_FALSE(result);
    EXPECT_EQ(log.GetEntryCount(), 1u);
}

}  // namespace

namespace {

// What the check step logs for whole-asset cases: the entries' severities
// and texts, each with the asset's KUID.
TEST_F(ValidateAssetTest, AssetLevelChecksReachTheLogWithTheAssetsKUID) {
    const std::string example = ExampleConfiguration();
    struct Case {
        const char* name;
        std::string configuration;
        bool result;
        std::vector<std::pair<int, std::string>> entries;  // severity, text (or a part of it after '~')
        const char* kuid;
    };
    auto text = [](const char* key) { return std::string(GetLocalisedText(key).c_str()); };
    const std::vector<Case> cases = {
        {"future water asset: only the future-asset error",
         "kuid <kuid:523401:7>\nkind \"water\"\nvorlex-build 3.51\n", false, {{3, text("$tet_future_asset")}},
         "<kuid:523401:7>"},
        {"kind WATER", "kuid <kuid:523401:8>\nkind \"WATER\"\nvorlex-build 3.5\n", true,
         {{2, text("$tet_obsolete_water")}}, "<kuid:523401:8>"},
        {"kind coatworks-skin", "kuid <kuid:523401:9>\nkind \"Coatworks-Skin\"\nvorlex-build 3.5\n", true,
         {{2, text("$tet_obsolete_coatworks")}}, "<kuid:523401:9>"},
        {"no kind: the null KUID", "vorlex-build 3.5\n", false, {{3, text("$tet_container_nokindtag")}},
         "<NULL>"},
        {"a tag the schema does not know", example + "\nmystery 1\n", false, {{3, "~'mystery'"}},
         "<kuid:523401:1001>"},
        {"the example asset", example, true, {}, "<kuid:523401:1001>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = m_install + "/UserData/local/case/";
        std::filesystem::remove_all(folder);
        Touch(folder + "config.txt", c.configuration);
        ResultsLog log;
        EXPECT_EQ(TETLib::ValidateAssetAtLocation("local", Vek::File::Path("case"), &log), c.result);
        ASSERT_EQ(log.GetEntryCount(), c.entries.size());
        for (std::size_t i = 0; i < c.entries.size(); ++i) {
            const ResultsLogEntry entry = log.GetEntry(i);
            EXPECT_EQ(entry.severity, c.entries[i].first);
            const std::string& expected = c.entries[i].second;
            if (expected[0] == '~')
                EXPECT_NE(std::string(entry.text.c_str()).find(expected.substr(1)), std::string::npos) << entry.text.c_str();
            else
                EXPECT_EQ(std::string(entry.text.c_str()), expected);
            const auto* asset = dynamic_cast<const VorlexPropertyAssetID*>(entry.property.Get());
            ASSERT_NE(asset, nullptr);
            EXPECT_EQ(std::string(asset->GetKUID().ToTagString().c_str()), c.kuid);
        }
    }
}

}  // namespace
