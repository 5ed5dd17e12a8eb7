// An install from a folder stopped after each of its durable steps
// (VADDAEMON_CRASH_AFTER_STEP): after the restart the store and the folders
// agree, and the asset is either installed whole or absent.
#include <gtest/gtest.h>

#include <filesystem>

#include "vaddaemon/AssetInfoReading.h"
#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

using StoreCrashSafety = StoreTest;

TEST_F(StoreCrashSafety, AnInstallStoppedAfterAnyStepIsWholeOrAbsent) {
    const struct {
        int step;
        bool installed;  // after the restart
        bool crashes;
    } cases[] = {
        {1, false, true},  // the files were staged: they go
        {2, true, true},   // the record was committed: the move is completed
        {3, true, true},   // the folder was moved: nothing is left to do
        {4, true, false},  // three steps only: the install finishes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("stopped after step " + std::to_string(c.step));
        const int content = 100 + c.step;
        const std::string name = "kuid 3 " + std::to_string(content);
        const std::string source = m_dir / ("incoming/" + name);
        const std::string config = "kuid <kuid:3:" + std::to_string(content) + ">\nusername \"Step\"\n";
        WriteFile(source + "/config.txt", config);
        WriteFile(source + "/body/mesh.im", "mesh bytes");

        ::setenv("VADDAEMON_CRASH_AFTER_STEP", std::to_string(c.step).c_str(), 1);
        RawLink link;
        ASSERT_NO_FATAL_FAILURE(Connect(link));
        ::unsetenv("VADDAEMON_CRASH_AFTER_STEP");
        bool ok = false;
        const Bytes reply = link.Request(39, Text(source) + Le32(0) + Hex("00"), &ok);
        if (c.crashes) {
            EXPECT_FALSE(ok);
            EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 0; }));
            EXPECT_TRUE(WaitFor([&] { return PublishedPort() == 0; }));
        } else {
            EXPECT_EQ(ToHex(reply), ToHex(Kuid(3, content) + Hex("01")));
        }
        link.Close();

        RawLink again;
        ASSERT_NO_FATAL_FAILURE(Connect(again));
        const InfoReply info = AskInfo(again, Kuid(3, content));
        const std::string folder = Folder("local", name);
        EXPECT_EQ(info.found, c.installed ? 1 : 0);
        EXPECT_EQ(IsFolder(folder), c.installed);
        if (c.installed) {
            EXPECT_EQ(ReadFile(folder + "/config.txt"), config);
            EXPECT_EQ(ReadFile(folder + "/body/mesh.im"), "mesh bytes");
        }
        // No staging folder is left behind.
        EXPECT_FALSE(std::filesystem::exists(UserData() + "/installing/" + name));
        StopDaemon(again);
    }
}

}  // namespace
