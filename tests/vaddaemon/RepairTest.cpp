// The database repair: operation 3 starts it and its messages arrive later
// as log lines of that transaction; operation 4 reports its progress until
// it has finished. The store and the folders end in step.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "vaddaemon/AssetInfoReading.h"
#include "vaddaemon/RepairReading.h"
#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

using StoreRepair = StoreTest;

TEST_F(StoreRepair, StartProgressAndMessages) {
    UseScenario("repair-step-ms 150\n");
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    ASSERT_NO_FATAL_FAILURE(Install(link, Kuid(3, 100), "kuid 3 100", "kuid <kuid:3:100>\n"));
    ASSERT_NO_FATAL_FAILURE(Install(link, Kuid(3, 101), "kuid 3 101", "kuid <kuid:3:101>\n"));
    // Lost: the committed folder of 3:100. Unknown: an asset folder and a
    // stray folder in "local". Left behind: a working copy of 3:101.
    std::filesystem::remove_all(Folder("local", "kuid 3 100"));
    WriteFile(Folder("local", "kuid 5 5") + "/config.txt", "kuid <kuid:5:5>\nusername Orphan\n");
    std::filesystem::create_directories(Folder("local", "junk"));
    WriteFile(Folder("editing", "kuid 3 101") + "/config.txt", "kuid <kuid:3:101>\nusername Edited\n");

    // Mode 100; the reply comes at once and is empty.
    EXPECT_EQ(ToHex(link.Request(3, Hex("64000000"))), "");
    const int32_t repairId = link.lastId;
    int running = 0;
    Progress progress;
    for (int i = 0; i < 200; ++i) {
        progress = AskProgress(link);
        if (progress.running != 1) break;
        ++running;
        if (running == 1) {
            EXPECT_EQ(ToHex(link.Request(236, Bytes())), "00") << "not ready while repairing";
            // A second start while one runs is refused.
            link.Request(3, Hex("64000000"));
            const std::vector<Line> refused = LinesOf(link, link.lastId);
            ASSERT_EQ(refused.size(), 1u);
            EXPECT_EQ(refused[0].severity, 3);
            EXPECT_EQ(refused[0].text, "A repair of the asset database is running already.");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_GE(running, 3);
    EXPECT_EQ(progress.running, 0);
    EXPECT_EQ(ToHex(progress.fraction), "0000803f");  // 1.0
    EXPECT_EQ(progress.status, "Finished");
    EXPECT_EQ(ToHex(link.Request(236, Bytes())), "01");

    const std::vector<Line> lines = LinesOf(link, repairId);
    const Line expected[] = {
        {2, "The committed copy of the asset is missing.", "<kuid:3:100>"},
        {2, "The asset has no folder left and was removed from the database.", "<kuid:3:100>"},
        {3, "The folder 'junk' in the location 'local' holds no asset that the database can take up.", ""},
        {1, "The asset's folder was taken up into the database.", "<kuid:5:5>"},
        {1, "The edited copy of the asset was taken up again; it is open for editing.", "<kuid:3:101>"},
        {1, "The asset database was checked (6 items).", ""},
    };
    ASSERT_EQ(lines.size(), std::size(expected));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].severity, expected[i].severity);
        EXPECT_EQ(lines[i].text, expected[i].text);
        EXPECT_EQ(lines[i].asset, expected[i].asset);
    }

    EXPECT_EQ(AskInfo(link, Kuid(3, 100)).found, 0);
    const InfoReply orphan = AskInfo(link, Kuid(5, 5));
    EXPECT_EQ(orphan.found, 1);
    EXPECT_EQ(orphan.a, "10010000") << "installed";
    EXPECT_EQ(orphan.name, "Orphan");
    EXPECT_EQ(AskInfo(link, Kuid(3, 101)).b, "10000000") << "open for editing again";
    EXPECT_TRUE(std::filesystem::is_directory(Folder("local", "junk"))) << "left alone";
}

TEST_F(StoreRepair, ExtendedModeRereadsConfigurationsAndUnknownModesAreRefused) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    ASSERT_NO_FATAL_FAILURE(Install(link, Kuid(3, 100), "kuid 3 100", "kuid <kuid:3:100>\nusername Before\n"));
    ASSERT_NO_FATAL_FAILURE(Install(link, Kuid(3, 101), "kuid 3 101", "kuid <kuid:3:101>\n"));
    WriteFile(Folder("local", "kuid 3 100") + "/config.txt", "kuid <kuid:3:100>\nusername After\n");
    WriteFile(Folder("local", "kuid 3 101") + "/config.txt", "");

    link.Request(3, Le32(7));
    std::vector<Line> lines = LinesOf(link, link.lastId);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "Unknown repair mode 7.");
    EXPECT_EQ(AskProgress(link).running, 0);

    link.Request(3, Le32(150));
    const int32_t repairId = link.lastId;
    ASSERT_TRUE(WaitFor([&] { return AskProgress(link).running == 0; }));
    lines = LinesOf(link, repairId);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].severity, 3);
    EXPECT_EQ(lines[0].text, "The committed configuration of the asset cannot be read.");
    EXPECT_EQ(lines[0].asset, "<kuid:3:101>");
    EXPECT_EQ(AskInfo(link, Kuid(3, 101)).b, "01000000") << "faulty";
    EXPECT_EQ(AskInfo(link, Kuid(3, 100)).name, "After");
}

}  // namespace
