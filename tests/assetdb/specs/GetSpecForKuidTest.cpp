#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assetdb/client/VADConnection.h"
#include "assetdb/layout/AssetFolders.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "assetdb/specs/GetSpecForKuid.h"
#include "assetdb/specs/SpecKuidRedirectMap.h"
#include "assetdb/specs/SpecRegistry.h"
#include "engine/File.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/network/NetworkStart.h"
#include "foundation/platform/process/TerminateProcesses.h"
#include "foundation/soups/SoupFiles.h"
#include "support/TempDir.h"

namespace {

bool RefuseAll(AssetSpec*) { return false; }

// An installation with the built stand-in daemon as bin/vaddaemon, driven by
// a scenario that answers requests 26 and 23, with its transcript counting
// the frames it receives. The database is open for the test's body.
class GetSpecForKuidTest : public ::testing::Test {
protected:
    void Open(const std::string& scenario) {
        const char* build = std::getenv("VORLEX_BUILD_DIR");
        ASSERT_TRUE(build && *build) << "VORLEX_BUILD_DIR names the build tree";
        const std::string daemon = std::string(build) + "/tools/vaddaemon/vaddaemon";
        ASSERT_EQ(::access(daemon.c_str(), X_OK), 0) << "the stand-in daemon is built: " << daemon;
        std::filesystem::create_directories(m_dir / "bin");
        std::filesystem::create_directories(m_dir / "UserData");
        std::filesystem::copy_file(daemon, DaemonProgram());
        ::chmod(DaemonProgram().c_str(), 0755);

        std::ofstream(m_dir / "scenario.txt") << scenario;
        ::setenv("XDG_RUNTIME_DIR", (m_dir / "run").c_str(), 1);
        ::setenv("VORLEX_OPEN_RETRY_MS", "200", 1);
        ::setenv("VADDAEMON_TRANSCRIPT", (m_dir / "transcript.txt").c_str(), 1);
        ::setenv("VADDAEMON_SCENARIO", (m_dir / "scenario.txt").c_str(), 1);
        ::setenv("VADDAEMON_IDLE_S", "20", 1);

        Vek::File::Path root(m_dir.Path());
        root.ToLower();
        root.Normalise();
        SetInstallationFolders(root.c_str());
        InitializeAssetFolders();
        InitializeNetwork();  // the link resolves its host through the resolver
        InstallSpecRegistryHooks();
        VADOpenDatabaseArgs args;
        args.reconnect = 0;
        ASSERT_TRUE(VADOpenDatabase(args));
        ASSERT_NE(SpecRegistry::Instance(), nullptr);
    }
    void TearDown() override {
        VADCloseDatabase();
        TerminateProcessesByPath(DaemonProgram().c_str(), 200);
        ReleaseAssetFolderDatabases();
        ShutdownNetwork();
        PurgeResourceDatabaseCache();
    }

    std::string DaemonProgram() const { return m_dir / "bin/vaddaemon"; }
    // An asset folder of the location "local" with a configuration.
    void LocalAsset(const std::string& name) {
        const std::string folder = m_dir / ("UserData/local/" + name);
        std::filesystem::create_directories(folder);
        SoupHandle soup;
        soup.SetString("kind", "scenery");
        ASSERT_TRUE(SaveSoupFile(soup, Vek::PString(), (folder + "/config.txt").c_str()));
    }
    // How many frames of the operation the daemon received.
    int Frames(int op) const {
        std::ifstream in(m_dir / "transcript.txt");
        std::string line, key = " frame op=" + std::to_string(op) + " ";
        int count = 0;
        while (std::getline(in, line))
            if (line.find(key) != std::string::npos) ++count;
        return count;
    }
    // One rule answering `op` `times` times with the reply items, each item
    // on a line of its own (the text soup reads one tag per line).
    static std::string Rule(int index, int op, int times, const std::vector<std::string>& reply) {
        std::string text = std::to_string(index) + "\n{\nop " + std::to_string(op) + "\ntimes " +
                           std::to_string(times) + "\nreply\n{\n";
        for (std::size_t i = 0; i < reply.size(); ++i) text += std::to_string(i) + " \"" + reply[i] + "\"\n";
        return text + "}\n}\n";
    }
    static std::string Scenario(const std::string& rules) { return "rules\n{\n" + rules + "}\n"; }

    VorlexTest::TempDir m_dir;
};

TEST_F(GetSpecForKuidTest, TheResolvedAssetIsMadeOnceAndLaterRequestsAskNothing) {
    LocalAsset("asset1");
    ASSERT_NO_FATAL_FAILURE(Open(Scenario(Rule(0, 26, 1, {"kuid <kuid2:10:20:1>"}) + Rule(1, 23, 1, {"pstring local", "string asset1"}))));

    SpecHandle spec = GetSpecForKuid(KUID(10, 20, 0), nullptr, 0);
    ASSERT_TRUE(spec);
    EXPECT_EQ(spec->GetKuid(), KUID(10, 20, 1));
    EXPECT_STREQ(spec->GetKind().c_str(), "scenery");
    EXPECT_EQ(spec->GetReferenceCount(), 1);
    EXPECT_EQ(Frames(26), 1);
    EXPECT_EQ(Frames(23), 1);
    KUID target;
    ASSERT_TRUE(SpecKuidRedirectMap::Find(KUID(10, 20, 0), target));
    EXPECT_EQ(target, KUID(10, 20, 1));

    SpecHandle again = GetVorlexBaseSpec(KUID(10, 20, 0), 0);
    EXPECT_EQ(again.Get(), spec.Get());
    EXPECT_EQ(spec->GetReferenceCount(), 2);
    EXPECT_EQ(Frames(26), 1);
    EXPECT_EQ(Frames(23), 1);
}

TEST_F(GetSpecForKuidTest, AnAssetWithoutAFolderIsRefusedForTheRestOfTheRun) {
    ASSERT_NO_FATAL_FAILURE(Open(Scenario(Rule(0, 26, 1, {"kuid <kuid:11:1>"}) + Rule(1, 23, 1, {"pstring local", "string"}))));
    EXPECT_FALSE(GetSpecForKuid(KUID(11, 1, 0), nullptr, 1));
    EXPECT_FALSE(GetSpecForKuid(KUID(11, 1, 0), nullptr, 1));
    EXPECT_EQ(Frames(26), 1);
    EXPECT_EQ(Frames(23), 1);
    // The include flag went out as the byte after the KUID.
    std::ifstream in(m_dir / "transcript.txt");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("length=9 payload=010000000b00000001"), std::string::npos)
        << text.str();
}

TEST_F(GetSpecForKuidTest, AFailedConfigurationLoadRecordsNothing) {
    ASSERT_NO_FATAL_FAILURE(Open(
        Scenario(Rule(0, 26, 2, {"kuid <kuid:12:1>"}) + Rule(1, 23, 2, {"pstring local", "string nosuchasset"}))));
    EXPECT_FALSE(GetSpecForKuid(KUID(12, 1, 0), nullptr, 0));
    EXPECT_FALSE(GetSpecForKuid(KUID(12, 1, 0), nullptr, 0));
    EXPECT_EQ(Frames(26), 2);
    EXPECT_EQ(Frames(23), 2);
    KUID target;
    EXPECT_FALSE(SpecKuidRedirectMap::Find(KUID(12, 1, 0), target));
}

// A refused spec stays registered. The next request finds it, meets the
// filter again and records the resolved KUID, so that later requests skip
// the resolution but never the filter.
TEST_F(GetSpecForKuidTest, ARefusingFilterSkipsResolutionLaterButMeetsTheFilterAgain) {
    LocalAsset("asset13");
    ASSERT_NO_FATAL_FAILURE(Open(
        Scenario(Rule(0, 26, 2, {"kuid <kuid:13:1>"}) + Rule(1, 23, 1, {"pstring local", "string asset13"}))));
    EXPECT_FALSE(GetSpecForKuid(KUID(13, 1, 0), RefuseAll, 0));
    EXPECT_EQ(Frames(26), 1);
    EXPECT_EQ(Frames(23), 1);
    EXPECT_FALSE(GetSpecForKuid(KUID(13, 1, 0), RefuseAll, 0));
    EXPECT_EQ(Frames(26), 2);
    EXPECT_FALSE(GetSpecForKuid(KUID(13, 1, 0), RefuseAll, 0));
    EXPECT_EQ(Frames(26), 2);
    EXPECT_EQ(Frames(23), 1);
    // Without the filter the registered spec is the answer.
    EXPECT_TRUE(GetSpecForKuid(KUID(13, 1, 0), nullptr, 0));
}

TEST(GetSpecForKuid, TheNullKuidAndAClosedDatabaseGiveNothing) {
    EXPECT_FALSE(GetSpecForKuid(KUID(), nullptr, 0));
    EXPECT_EQ(SpecRegistry::Instance(), nullptr);
    EXPECT_FALSE(GetSpecForKuid(KUID(1, 1, 0), nullptr, 0));
    EXPECT_EQ(SpecKuidRedirectMap::Count(), 0u);
}

}  // namespace
