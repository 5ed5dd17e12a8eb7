#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "frontend/commands/CommandTestDaemon.h"
#include "frontend/commands/InstallFromPath.h"

namespace {

using namespace CommandTest;

class InstallFromPathTest : public CommandFixture {
protected:
    void SetUp() override {
        CommandFixture::SetUp();
        Daemon().On(39, [](const Frame&) { return Answer{Bytes().Kuid(3, 100, 0).U8(0), {{4, "Installed."}}, false}; });
    }
    void MakeAsset(const std::string& folder, const char* config = "config.txt") {
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/" + config) << "kind \"scenery\"\n";
    }
    // The folder paths of the install requests, in order.
    std::vector<std::string> Installed() {
        std::vector<std::string> paths;
        for (const Frame& frame : Daemon().FramesOf(39)) {
            const std::vector<uint8_t>& p = frame.payload;
            const uint32_t length = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
            paths.emplace_back(p.begin() + 4, p.begin() + 4 + length);
            // Then the flags 0 and no prompt handler.
            EXPECT_EQ(std::vector<uint8_t>(p.begin() + 4 + length, p.end()), Bytes().I32(0).U8(0).Get());
        }
        return paths;
    }
};

TEST_F(InstallFromPathTest, AnAssetFolderIsInstalledWithoutLookingIntoItsSubfolders) {
    const std::string start = m_dir / "Start";
    MakeAsset(start + "/Box");
    MakeAsset(start + "/Box/textures");  // part of the asset, not an asset of its own

    Outcome run = Command({"installfrompath", "Box"}, start);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log, "+ <NULL> : Installed.\nOK (0 Errors, 0 Warnings)\n");
    // The path goes as typed.
    EXPECT_EQ(Installed(), std::vector<std::string>{start + "/Box"});
}

TEST_F(InstallFromPathTest, AFolderOfAssetsInstallsEachInNameOrderAndCountsThem) {
    const std::string pack = m_dir / "pack";
    MakeAsset(pack + "/c");
    MakeAsset(pack + "/a", "config.chump");
    MakeAsset(pack + "/deeper/b");
    std::ofstream(pack + "/readme.txt") << "not an asset\n";
    std::filesystem::create_directories(pack + "/empty");
    // A link back up the tree is not followed round for ever.
    ASSERT_EQ(::symlink(pack.c_str(), (pack + "/deeper/loop").c_str()), 0);

    ResultsLog log;
    uint8_t out = 0;
    EXPECT_EQ(InstallFromPath(Vek::File::Path(pack), &log, 0, out, nullptr), 3);
    EXPECT_EQ(Installed(), (std::vector<std::string>{pack + "/a", pack + "/c", pack + "/deeper/b"}));

    EXPECT_EQ(InstallFromPath(Vek::File::Path(pack + "/empty"), &log, 0, out, nullptr), 0);
    EXPECT_EQ(InstallFromPath(Vek::File::Path(""), &log, 0, out, nullptr), 0);
}

// The word is done only when every asset folder found gave an asset: a
// refusal, an empty reply or a dropped link (the null KUID) fails it, and
// the count says how many did not.
TEST_F(InstallFromPathTest, TheWordFailsWhenAnInstallGivesNoAsset) {
    const std::string pack = m_dir / "pack";
    MakeAsset(pack + "/a");
    MakeAsset(pack + "/b");
    struct Case {
        const char* name;
        Answer second;  // the answer to the install of b
        int32_t result;
    };
    const Case cases[] = {
        {"installed", {Bytes().Kuid(3, 101, 0).U8(0), {}, false}, 0},
        {"refused", {Bytes().NullKuid().U8(0), {{3, "The asset is already in the database."}}, false}, -1},
        {"empty reply", {{}, {}, false}, -1},
        {"link dropped", {{}, {}, true}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int calls = 0;
        Daemon().On(39, [&](const Frame&) {
            return ++calls == 1 ? Answer{Bytes().Kuid(3, 100, 0).U8(0), {}, false} : c.second;
        });
        Outcome run = Command({"installfrompath", pack});
        EXPECT_EQ(run.result, c.result);
        EXPECT_EQ(calls, 2);

        calls = 0;
        ResultsLog log;
        uint8_t out = 0;
        int32_t failed = -1;
        EXPECT_EQ(InstallFromPath(Vek::File::Path(pack), &log, 0, out, nullptr, &failed), 2);
        EXPECT_EQ(failed, c.result == 0 ? 0 : 1);
    }
}

TEST_F(InstallFromPathTest, TheWordFailsWhenNoAssetFolderIsFound) {
    std::filesystem::create_directories(m_dir / "nothing/here");
    Outcome run = Command({"installfrompath", m_dir / "nothing"});
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log,
              "- <NULL> : No asset was found in the input folder: neither it nor a folder below it holds "
              "\"config.txt\" or \"config.chump\".\nOK (1 Errors, 0 Warnings)\n");
    EXPECT_TRUE(Daemon().FramesOf(39).empty());
}

}  // namespace
