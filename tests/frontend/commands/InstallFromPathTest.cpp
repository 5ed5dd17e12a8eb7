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
    EXPECT_EQ(Installed(), std::vector<std::string>{start + "/box"});
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

TEST_F(InstallFromPathTest, TheWordFailsWhenNoAssetFolderIsFound) {
    std::filesystem::create_directories(m_dir / "nothing/here");
    Outcome run = Command({"installfrompath", m_dir / "nothing"});
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log, kNoEntries);
    EXPECT_TRUE(Daemon().FramesOf(39).empty());
}

}  // namespace
