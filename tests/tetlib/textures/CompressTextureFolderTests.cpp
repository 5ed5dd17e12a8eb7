#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assetdb/resources/ResourceDatabaseCache.h"
#include "engine/resources/ResourceTypeBase.h"
#include "engine/resources/ResourceTypeRegistry.h"
#include "engine/textures/TextureManager.h"
#include "engine/textures/TextureResource.h"
#include "foundation/callbacks/MainThread.h"
#include "engine/textures/CompiledTexture.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/results/ResultsLog.h"
#include "support/TempDir.h"
#include "tetlib/textures/CompressAsciiResource.h"
#include "tetlib/textures/CompressTextureFolder.h"
#include "tetlib/textures/VADTextureConvertFileRPC.h"
#include "engine/bitmap/PictureBudget.h"

namespace fs = std::filesystem;

namespace {

// An uncompressed 32-bit TGA, top row first.
void WriteTga(const fs::path& path, int width, int height, uint32_t colour) {
    std::ofstream out(path, std::ios::binary);
    uint8_t header[18] = {};
    header[2] = 2;
    header[12] = static_cast<uint8_t>(width), header[13] = static_cast<uint8_t>(width >> 8);
    header[14] = static_cast<uint8_t>(height), header[15] = static_cast<uint8_t>(height >> 8);
    header[16] = 32;
    header[17] = 0x28;
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    for (int i = 0; i < width * height; ++i) out.write(reinterpret_cast<const char*>(&colour), 4);
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

std::vector<std::string> FilesEndingWith(const fs::path& root, const std::string& ending) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
            found.push_back(entry.path().string());
    }
    return found;
}

class CompressTextureFolderTest : public testing::Test {
protected:
    void SetUp() override {
        RecordMainThread();
        Vek::File::Path root(m_dir.Path());
        root.ToLower();
        root.Normalise();
        SetInstallationFolders(root.c_str());
        m_folder = fs::path(m_dir.Path()) / "UserData" / "local" / "asset";
        fs::create_directories(m_folder);
        // As start-up hands it to the engine with the product's resource types.
        Vek::AutoReference<Vek::ResourceTypeBase> type(TETLib::MakeCompressAsciiResourceType());
        Vek::ResourceTypeRegistry::Register(type.Get());
    }
    void TearDown() override {
        Vek::ResourceTypeRegistry::Clear();
        PurgeResourceDatabaseCache();
        SetInstallationFolders("");
    }

    int Run(const fs::path& folder) { return TETLib::CompressTextureFolder(Vek::PString(), folder.string().c_str(), &m_log); }

    std::string LogText() {
        std::string text;
        for (size_t i = 0; i < m_log.GetEntryCount(); ++i) {
            const ResultsLogEntry entry = m_log.GetEntry(i);
            text += std::to_string(entry.severity) + " " + entry.text.c_str() + "\n";
        }
        return text;
    }

    VorlexTest::TempDir m_dir;
    fs::path m_folder;
    ResultsLog m_log;
};

Vek::CompiledTexture ReadCompiled(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Vek::CompiledTexture compiled;
    std::string error;
    EXPECT_TRUE(compiled.Read(bytes.data(), bytes.size(), error)) << error;
    return compiled;
}

}  // namespace

TEST_F(CompressTextureFolderTest, ConvertsEveryDescriptionInTheTreeAndGivesEachItsNameBack) {
    WriteTga(m_folder / "wall.tga", 64, 64, 0xFF808040u);
    WriteText(m_folder / "wall.texture.txt", "Primary=wall.tga\n");
    fs::create_directories(m_folder / "SUB");
    WriteTga(m_folder / "SUB" / "glass.tga", 64, 64, 0x80FFFFFFu);
    WriteText(m_folder / "SUB" / "GLASS.TEXTURE.TXT", "Primary=glass.tga\nTile=none\n");
    WriteText(m_folder / "texture.txt", "Primary=missing.tga\n");

    EXPECT_EQ(Run(m_folder), 2) << LogText();
    EXPECT_EQ(m_log.GetErrorCount(), 0) << LogText();

    EXPECT_TRUE(fs::exists(m_folder / "wall.texture.txt"));
    EXPECT_TRUE(fs::exists(m_folder / "SUB" / "GLASS.TEXTURE.TXT"));
    EXPECT_TRUE(fs::exists(m_folder / "texture.txt"));
    EXPECT_FALSE(fs::exists(m_folder / "texture"));
    EXPECT_TRUE(FilesEndingWith(m_folder, "convert-tex.txt").empty());
    EXPECT_TRUE(FilesEndingWith(m_folder, ".tmp").empty());

    const Vek::CompiledTexture wall = ReadCompiled(m_folder / "wall.texture");
    EXPECT_EQ(wall.target, 10u);  // opaque, "auto": DXT1
    ASSERT_EQ(wall.images.size(), 1u);
    EXPECT_EQ(wall.images[0].size(), 7u);
    EXPECT_EQ(wall.flags & Vek::CompiledTexture::kFlagWrap, Vek::CompiledTexture::kFlagWrap);
    const Vek::CompiledTexture glass = ReadCompiled(m_folder / "SUB" / "GLASS.TEXTURE");
    EXPECT_EQ(glass.target, 12u);  // smooth alpha, "auto": DXT5
    EXPECT_EQ(glass.flags & Vek::CompiledTexture::kFlagWrap, 0u);
}

TEST_F(CompressTextureFolderTest, EmptyAndMissingFolders) {
    EXPECT_EQ(Run(m_folder), 2);
    EXPECT_EQ(m_log.GetEntryCount(), 0u);
    const fs::path missing = m_folder / "nothere";
    EXPECT_EQ(Run(missing), 0);
    ASSERT_EQ(m_log.GetEntryCount(), 1u);
    EXPECT_EQ(std::string(m_log.GetEntry(0).text.c_str()), "Unable to search path: '" + missing.string() + "'");
}

TEST_F(CompressTextureFolderTest, AnUnloadableImageFailsTheWalkAndRestoresTheName) {
    WriteTga(m_folder / "good.tga", 64, 64, 0xFF102030u);
    WriteText(m_folder / "good.texture.txt", "Primary=good.tga\n");
    fs::create_directories(m_folder / "sub");
    WriteText(m_folder / "sub" / "bad.texture.txt", "Primary=missing.tga\n");
    WriteText(m_folder / "sub" / "ugly.texture.txt", "Primary\n");

    EXPECT_EQ(Run(m_folder), 0) << "a failed subfolder fails its parent";
    const std::string log = LogText();
    EXPECT_NE(log.find("3 $vadtexture_load_error"), std::string::npos) << log;
    EXPECT_EQ(m_log.GetErrorCount(), 2) << log;
    EXPECT_TRUE(fs::exists(m_folder / "good.texture"));
    EXPECT_TRUE(fs::exists(m_folder / "sub" / "bad.texture.txt"));
    EXPECT_TRUE(fs::exists(m_folder / "sub" / "ugly.texture.txt"));
    EXPECT_FALSE(fs::exists(m_folder / "sub" / "bad.texture"));
    EXPECT_TRUE(FilesEndingWith(m_folder, "convert-tex.txt").empty());
}

// A conversion decodes within the picture budget: a picture that cannot
// have room, or whose file is shorter than its header's pixels, fails its
// job with a message naming the image, and the others are converted.
TEST_F(CompressTextureFolderTest, PicturesPastTheBudgetOrCutShortFailTheirJobs) {
    Vek::PictureBudget::SetLimit(64 * 64 * 4 * 2);
    WriteTga(m_folder / "small.tga", 64, 64, 0xFF102030u);
    WriteText(m_folder / "small.texture.txt", "Primary=small.tga\n");
    WriteTga(m_folder / "large.tga", 128, 64, 0xFF102030u);
    WriteText(m_folder / "large.texture.txt", "Primary=large.tga\n");
    WriteTga(m_folder / "cut.tga", 64, 64, 0xFF102030u);
    fs::resize_file(m_folder / "cut.tga", 100);
    WriteText(m_folder / "cut.texture.txt", "Primary=cut.tga\n");

    EXPECT_EQ(Run(m_folder), 0);
    Vek::PictureBudget::SetLimit(0);
    const std::string log = LogText();
    EXPECT_NE(log.find("cannot read the image 'large.tga': no room to decode it within the picture budget"),
              std::string::npos) << log;
    EXPECT_NE(log.find("cannot read the image 'cut.tga': the file is shorter than the pixels its header declares"),
              std::string::npos) << log;
    EXPECT_EQ(m_log.GetErrorCount(), 2) << log;
    EXPECT_TRUE(fs::exists(m_folder / "small.texture"));
    EXPECT_FALSE(fs::exists(m_folder / "large.texture"));
    EXPECT_FALSE(fs::exists(m_folder / "cut.texture"));
    EXPECT_EQ(Vek::PictureBudget::InUse(), 0u) << "every job gave its picture back";
}

TEST_F(CompressTextureFolderTest, AStaleCompiledTextureIsReplaced) {
    WriteTga(m_folder / "a.tga", 16, 16, 0xFF102030u);
    WriteText(m_folder / "a.texture.txt", "Primary=a.tga\nCompression=none\n");
    WriteText(m_folder / "a.texture", "stale");
    EXPECT_EQ(Run(m_folder), 2) << LogText();
    const Vek::CompiledTexture compiled = ReadCompiled(m_folder / "a.texture");
    EXPECT_EQ(compiled.target, 3u);  // small and opaque: uncompressed
    EXPECT_EQ(compiled.images[0].size(), 5u);
}

TEST_F(CompressTextureFolderTest, AFileOutsideEveryLocationIsReported) {
    VorlexTest::TempDir outside;
    WriteTga(fs::path(outside.Path()) / "a.tga", 16, 16, 0xFF102030u);
    WriteText(fs::path(outside.Path()) / "a.texture.txt", "Primary=a.tga\n");
    EXPECT_EQ(Run(outside.Path()), 0);
    EXPECT_NE(LogText().find("Unable to determine relative path for"), std::string::npos) << LogText();
    EXPECT_TRUE(fs::exists(fs::path(outside.Path()) / "a.texture.txt"));
}

TEST_F(CompressTextureFolderTest, TheTextureManagerReadsTheCompiledTextureAndTheDescription) {
    WriteTga(m_folder / "brick.tga", 128, 64, 0xFF804020u);
    WriteText(m_folder / "brick.texture.txt", "Primary=brick.tga\n");
    ASSERT_EQ(Run(m_folder), 2) << LogText();

    Vek::TextureManager manager;
    Vek::AutoReference<Vek::TextureResource> compiled(
        manager.GetTexture(nullptr, (m_folder / "brick.texture").string().c_str()));
    ASSERT_TRUE(compiled);
    ASSERT_NE(compiled->GetCompiled(), nullptr);
    EXPECT_EQ(compiled->GetTargetFormat(), 10);
    EXPECT_EQ(compiled->GetWidth(), 128);
    EXPECT_EQ(compiled->GetHeight(), 64);
    EXPECT_EQ(compiled->GetNumMipLevels(), 8);

    // The description itself, as the text form of the texture.
    Vek::AutoReference<Vek::TextureResource> described(
        manager.GetTexture(nullptr, (m_folder / "brick.texture.txt").string().c_str()));
    ASSERT_TRUE(described);
    EXPECT_EQ(described->GetCompiled(), nullptr);
    ASSERT_NE(described->GetImage(), nullptr);
    EXPECT_EQ(described->GetImage()->GetPixel(0, 0), 0xFF804020u);
}

TEST_F(CompressTextureFolderTest, WithoutTheResourceTypeTheDescriptionCannotBeOpened) {
    Vek::ResourceTypeRegistry::Clear();
    WriteTga(m_folder / "a.tga", 16, 16, 0xFF102030u);
    WriteText(m_folder / "a.texture.txt", "Primary=a.tga\n");
    EXPECT_EQ(Run(m_folder), 0);
    EXPECT_NE(LogText().find("3 $vadtexture_open_error"), std::string::npos) << LogText();
    EXPECT_TRUE(fs::exists(m_folder / "a.texture.txt"));
    EXPECT_TRUE(FilesEndingWith(m_folder, "convert-tex.txt").empty());
}

TEST_F(CompressTextureFolderTest, AFailedRenameBackIsReported) {
    WriteTga(m_folder / "a.tga", 16, 16, 0xFF102030u);
    WriteText(m_folder / "a.texture.txt", "Primary=a.tga\n");
    VADTextureConvertFileRPC job;
    job.Start(Vek::PString(), (m_folder / "a.texture.txt").string().c_str(), &m_log);
    // The description is set aside until the write step; something now
    // takes its name, so it cannot be given back.
    ASSERT_TRUE(fs::exists(m_folder / "a.convert-tex.txt"));
    fs::create_directories(m_folder / "a.texture.txt");
    job.Wait();
    const std::string log = LogText();
    EXPECT_NE(log.find("2 Unable to rename file 'asset\\a.convert-tex.txt' in subst 'local' back"), std::string::npos) << log;
    EXPECT_TRUE(fs::exists(m_folder / "a.convert-tex.txt")) << "the user's file is still there";
}

// Symbolic links are walked only while they stay in the location: a folder
// or a description that leads out is reported and not converted, so nothing
// is written outside; a link back to a folder inside is walked once.
TEST_F(CompressTextureFolderTest, LinksLeadingOutOfTheLocationAreNotFollowed) {
    const fs::path outside = fs::path(m_dir.Path()) / "outside";
    fs::create_directories(outside / "folder");
    WriteTga(outside / "folder" / "far.tga", 64, 64, 0xFF808040u);
    WriteText(outside / "folder" / "far.texture.txt", "Primary=far.tga\n");
    WriteTga(outside / "single.tga", 64, 64, 0xFF808040u);
    WriteText(outside / "single.texture.txt", "Primary=single.tga\n");
    fs::create_directory_symlink(outside / "folder", m_folder / "away");
    fs::create_symlink(outside / "single.texture.txt", m_folder / "linked.texture.txt");
    // Inside: a description and a link back to the asset's own folder.
    WriteTga(m_folder / "wall.tga", 64, 64, 0xFF808040u);
    WriteText(m_folder / "wall.texture.txt", "Primary=wall.tga\n");
    fs::create_directory_symlink(m_folder, m_folder / "loop");

    EXPECT_EQ(Run(m_folder), 0) << LogText();
    const std::string log = LogText();
    for (const fs::path& refused : {m_folder / "away", m_folder / "linked.texture.txt"})
        EXPECT_NE(log.find("3 Unable to convert '" + refused.string() + "': it leads out of its location"),
                  std::string::npos)
            << log;
    EXPECT_EQ(m_log.GetErrorCount(), 2) << log;
    EXPECT_TRUE(FilesEndingWith(outside, ".texture").empty());
    EXPECT_TRUE(fs::exists(outside / "folder" / "far.texture.txt"));
    EXPECT_TRUE(fs::exists(outside / "single.texture.txt"));
    EXPECT_TRUE(fs::is_symlink(m_folder / "linked.texture.txt"));
    EXPECT_FALSE(fs::exists(m_folder / "linked.texture"));
    EXPECT_TRUE(fs::exists(m_folder / "wall.texture"));
}
