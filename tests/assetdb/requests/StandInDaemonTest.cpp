// The request functions against the built stand-in daemon: an asset's life
// through the client's own calls, settings, questions and log lines. The
// two sides were written apart from each other, so a misreading of a
// payload on either side shows here. Skipped when the daemon is not built.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "assetdb/assetinfo/VADAssetInfoAccessors.h"
#include "assetdb/assetinfo/VADGetAssetScriptInfo.h"
#include "assetdb/client/StandInDaemonLinkTest.h"
#include "assetdb/client/VADPromptHandler.h"
#include "assetdb/client/VADSpecRegistryHooks.h"
#include "assetdb/requests/RequestTestSupport.h"
#include "assetdb/requests/VADAssetDependencies.h"
#include "assetdb/requests/VADAssetEdits.h"
#include "assetdb/requests/VADAssetHandle.h"
#include "assetdb/requests/VADAssetLookups.h"
#include "assetdb/requests/VADGenerateKuid.h"
#include "assetdb/requests/VADInstallRequests.h"
#include "assetdb/requests/VADSettings.h"
#include "assetdb/tasks/VADTask.h"
#include "assetdb/tasks/VADTaskRepairDatabase.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/platform/process/TerminateProcesses.h"
#include "foundation/results/ResultsLog.h"

namespace {

using namespace VorlexTest;

std::string g_discarded;
void RecordDiscard(const KUID& asset) { g_discarded += KuidText(asset) + ";"; }

class StandInDaemonTest : public StandInDaemonLinkTest {
protected:
    void SetUp() override {
        StandInDaemonLinkTest::SetUp();
        if (IsSkipped()) return;
        VADSpecRegistryHooks hooks;
        hooks.discardSpec = RecordDiscard;
        SetVADSpecRegistryHooks(hooks);
    }
    void TearDown() override {
        SetVADSpecRegistryHooks(VADSpecRegistryHooks());
        StandInDaemonLinkTest::TearDown();
    }
};

TEST_F(StandInDaemonTest, AnAssetsLifeThroughTheRequestFunctions) {
    ASSERT_TRUE(Open());
    EXPECT_TRUE(VADGenerateKuid().IsNull()) << "no user id known yet";
    // The daemon takes new KUIDs from the user's range in the settings.
    SoupHandle internet;
    internet.SetInt(Vek::PString("user-id"), 3);
    VADWriteSettings(Vek::PString("internet"), internet);
    const KUID asset = VADGenerateKuid();
    ASSERT_FALSE(asset.IsNull());
    EXPECT_EQ(asset.GetUserID(), 3);

    VADAssetHandle handle = VADCreateAsset(asset, 1, Vek::String("Tester"));
    ASSERT_TRUE(handle.IsValid());
    EXPECT_TRUE(handle.IsEditable());
    EXPECT_EQ(handle.GetKUID(), asset);
    Vek::PString location;
    Vek::File::Path folder;
    ASSERT_TRUE(handle.GetLocation(location, folder));
    EXPECT_STREQ(location.c_str(), "editing");
    EXPECT_TRUE(VADIsAssetLocallyModified(asset));
    EXPECT_FALSE(VADIsAssetInstalled(asset));

    // The client writes the working copy, then commits it.
    Vek::File::Path working = GetLocationPath(location);
    working.AddPath(folder.c_str());
    const std::string config = "kuid " + KuidText(asset) +
                               "\nusername \"Test Loco\"\ncategory-era \"1990s\"\nvorlex-build 3.5\n"
                               "kuid-table\n{\n  0 <kuid:3:200>\n}\n";
    std::ofstream(Vek::File::ResolveOsPath(working.c_str()) + "/config.txt") << config;
    uint8_t second = 9;
    ResultsLog log;
    EXPECT_EQ(VADCommitAsset(handle, 0, &log, second), 1);
    EXPECT_FALSE(handle.IsEditable());
    EXPECT_EQ(g_discarded, KuidText(asset) + ";");

    EXPECT_TRUE(VADIsAssetInstalled(asset));
    EXPECT_EQ(VADGetAssetUsername(asset).Std(), "Test Loco");
    EXPECT_EQ(VADGetAssetCategoryEra(asset).Std(), "1990s");
    EXPECT_TRUE(VADHasMissingDependencies(asset, false)) << "<kuid:3:200> is not there";
    EXPECT_EQ(SoupText(VADGetAssetConfig(asset)).find("username=Test Loco") != std::string::npos, true);
    VADKuidList dependencies;
    VADGetAssetDependencies(asset, dependencies);
    EXPECT_EQ(ListText(dependencies), "<kuid:3:200>");
    Vek::PString className;
    Vek::File::Path script;
    EXPECT_FALSE(VADGetAssetScriptInfo(className, script, asset));
    handle.Release();

    // Opened again for editing, then reverted.
    VADAssetHandle edit = VADOpenAsset(asset, true, &log);
    ASSERT_TRUE(edit.IsValid());
    EXPECT_EQ(VADRevertAsset(edit, &log), 1);
    edit.Release();

    g_discarded.clear();
    EXPECT_EQ(VADDeleteAsset(asset, 1, &log), 1);
    EXPECT_EQ(g_discarded, KuidText(asset) + ";");
    EXPECT_TRUE(VADGetAssetUsername(asset).IsEmpty()) << "gone";
    EXPECT_EQ(log.GetErrorCount(), 0);
}

TEST_F(StandInDaemonTest, SettingsAreKeptByName) {
    ASSERT_TRUE(Open());
    SoupHandle internet;
    internet.SetString(Vek::PString("language"), "DE");
    internet.SetString(Vek::PString("username"), "driver");
    VADWriteSettings(Vek::PString("internet"), internet);
    EXPECT_TRUE(internet.IsEmpty());
    EXPECT_STREQ(VADGetSettingValue(Vek::PString("internet"), Vek::PString("language")).c_str(), "DE");
    EXPECT_STREQ(VADGetSettingValue(Vek::PString("internet"), Vek::PString("password")).c_str(), "");
    SoupHandle read;
    VADReadSettings(read, Vek::PString("internet"));
    EXPECT_STREQ(read.GetString(Vek::PString("username")).c_str(), "driver");
}

class Overwrite : public VADPromptHandler {
public:
    int32_t Answer(const Vek::String& question, Vek::String&, const KUID& asset, ResultsLog*) override {
        asked = question.Std() + " " + KuidText(asset);
        return 3;
    }
    std::string asked;
};

TEST_F(StandInDaemonTest, QuestionsAndLogLinesOfAnInstall) {
    UseScenario(
        "rules\n{\n"
        "  0\n  {\n    op 40\n"
        "    notices { 0 { type 3\n payload { 0 \"tid\"\n 1 \"int32 0\"\n 2 \"int32 1\"\n 3 \"int32 2\"\n"
        "                  4 \"string careful\"\n 5 \"int32 0\" } } }\n"
        "    question { text \"Overwrite?\"\n kuid \"<kuid:1:2>\"\n timeout-ms 5000 }\n"
        "    reply { 0 \"int32 1\"\n 1 \"byte 1\" }\n  }\n"
        "}\n");
    ASSERT_TRUE(Open());
    Overwrite handler;
    for (VADPromptHandler* h : {static_cast<VADPromptHandler*>(&handler), static_cast<VADPromptHandler*>(nullptr)}) {
        ResultsLog log;
        int32_t result = 0;
        uint8_t out = 0;
        std::atomic<bool> done{false};
        std::thread requester([&] {
            result = VADInstallArchiveFile("c:\\content\\a.cdp", &log, 2, out, h);
            done = true;
        });
        ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
        requester.join();
        EXPECT_EQ(result, 1);
        EXPECT_EQ(out, 1);
        EXPECT_EQ(log.GetWarningCount(), 1);
    }
    EXPECT_EQ(handler.asked, "Overwrite? <kuid:1:2>");
    const std::string transcript = Transcript();
    EXPECT_NE(transcript.find("op=150 id=0 length=8 payload="), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("03000000\n"), std::string::npos) << "the handler's answer";
    EXPECT_NE(transcript.find("02000000\n"), std::string::npos) << "no handler: 2";
    EXPECT_EQ(transcript.find("unanswered question"), std::string::npos);
}

TEST_F(StandInDaemonTest, TheRepairIsWatchedUntilItEnds) {
    ASSERT_TRUE(Open());
    VADTask observer;
    VADTaskRepairDatabase repair(100, nullptr);
    repair.RunInline(&observer);
    EXPECT_FALSE(IsRepairRunning());
    const std::string transcript = Transcript();
    EXPECT_NE(transcript.find("op=3 "), std::string::npos);
    EXPECT_NE(transcript.find("op=4 "), std::string::npos);
}

}  // namespace
