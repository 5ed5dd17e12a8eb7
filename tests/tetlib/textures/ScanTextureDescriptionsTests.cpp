#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "foundation/files/InstallFolders.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "support/TempDir.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/textures/ScanTextureDescriptions.h"

namespace fs = std::filesystem;

namespace {

void WriteTga(const fs::path& path, int width, int height) {
    std::ofstream out(path, std::ios::binary);
    const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
                                static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8), 32, 0x28};
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    const uint32_t pixel = 0xFF808080u;
    for (int i = 0; i < width * height; ++i) out.write(reinterpret_cast<const char*>(&pixel), 4);
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Without the interface-text table every message is its key, so a finding
// reads "<severity> <key>".
class ScanTextureDescriptionsTest : public testing::Test {
protected:
    void SetUp() override {
        m_asset = fs::path(m_dir.Path()) / "asset";
        fs::create_directories(m_asset);
        fs::create_directories(fs::path(m_dir.Path()) / "ZIROzod");
        SetInstallationFolders((std::string(m_dir.Path()) + "/install").c_str());
        InterfaceTextDB::Invalidate();
        TETLib::ErrorHandler::CreateInstance();
        TETLib::DataManager::Create((std::string(m_dir.Path()) + "/ZIROzod/").c_str());
    }
    void TearDown() override {
        TETLib::DataManager::Destroy();
        TETLib::ErrorHandler::DestroyInstance();
        InterfaceTextDB::Invalidate();
        SetInstallationFolders("");
    }

    std::vector<std::string> Scan(bool expected) {
        const std::string root = m_asset.string() + "/";
        EXPECT_EQ(TETLib::ScanTextureDescriptions(root, root), expected);
        std::vector<std::string> findings;
        for (const auto& record : TETLib::ErrorHandler::Instance()->Records())
            findings.push_back(std::to_string(record.severity) + " " + record.text.c_str());
        return findings;
    }

    VorlexTest::TempDir m_dir;
    fs::path m_asset;
};

using Findings = std::vector<std::string>;

}  // namespace

TEST_F(ScanTextureDescriptionsTest, AGoodDescriptionWithItsCompiledTexturePasses) {
    WriteTga(m_asset / "wall.tga", 64, 32);
    WriteText(m_asset / "wall.texture.txt", "Primary=WALL.TGA\r\nAlpha=wall.tga\r\n");
    WriteText(m_asset / "wall.texture", "compiled");
    WriteText(m_asset / "notes.txt", "Primary=missing.tga\n");
    WriteText(m_asset / "other.readme.txt", "\xE9");
    TETLib::DataManager::Instance()->SetInstalledLocation(true);
    EXPECT_EQ(Scan(true), Findings{});
}

TEST_F(ScanTextureDescriptionsTest, ImageFindings) {
    WriteTga(m_asset / "odd.tga", 256, 100);
    WriteTga(m_asset / "small.tga", 32, 32);
    WriteText(m_asset / "a.texture.txt", "Primary=odd.tga\nAlpha=small.tga\n");
    WriteText(m_asset / "sub" / "b.texture.txt", "Primary=gone.tga\nAlpha=../small.tga\n");
    WriteText(m_asset / "c.texture.txt", "Primary=broken.tga\nAlpha=gone.tga\n");
    WriteText(m_asset / "broken.tga", "not an image");
    WriteText(m_asset / "d.texture.txt", "; caf\xE9\nPrimary=small.tga\n");
    const Findings findings = Scan(false);
    const Findings expected = {
        "3 $tet_texture_notpower2",         "3 $tet_primaryalpha_notsamesize",  // a
        "3 $tet_texture_failedload",                                           // c: stops there
        "3 $tet_non_ansi_texture",                                             // d: images still checked
        "3 $tet_texture_missing_primary",                                      // sub/b
    };
    EXPECT_EQ(findings, expected);
}

TEST_F(ScanTextureDescriptionsTest, CompiledAndLeftOverFiles) {
    struct Case {
        float build;
        bool installed;
        Findings expected;
    } cases[] = {
        {2.8f, false, {"3 $tet_texture_failedload", "2 $tet_duplicatetexture"}},
        {2.9f, true, {"3 $tet_texture_failedload", "3 $tet_duplicatetexture", "3 $tet_binary_texture_conversion_failed"}},
        // Builds beyond any int are the newest there are, not the oldest.
        {1e30f, false, {"3 $tet_texture_failedload", "3 $tet_duplicatetexture"}},
        {std::numeric_limits<float>::infinity(), false, {"3 $tet_texture_failedload", "3 $tet_duplicatetexture"}},
    };
    WriteText(m_asset / "a.convert-tex.txt", "Primary=x.tga\n");
    WriteText(m_asset / "lonely.texture", "compiled");
    WriteTga(m_asset / "x.tga", 8, 8);
    WriteText(m_asset / "x.texture.txt", "Primary=x.tga\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.build);
        TETLib::ErrorHandler::Instance()->SetRecords({});
        TETLib::DataManager::Instance()->SetAssetBuild(c.build);
        TETLib::DataManager::Instance()->SetInstalledLocation(c.installed);
        EXPECT_EQ(Scan(false), c.expected);
    }
    // After a failed mesh load the compiled textures are not looked at.
    TETLib::ErrorHandler::Instance()->SetRecords({});
    TETLib::DataManager::Instance()->SetMeshLoadFailed(true);
    TETLib::DataManager::Instance()->SetInstalledLocation(false);
    EXPECT_EQ(Scan(false), Findings{"3 $tet_texture_failedload"});
}
