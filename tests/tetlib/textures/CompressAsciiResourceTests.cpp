#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "engine/File.h"
#include "engine/textures/CompiledTexture.h"
#include "support/TempDir.h"
#include "tetlib/textures/CompressAsciiResource.h"

namespace fs = std::filesystem;

namespace {

void WriteTga(const fs::path& path, int width, int height, uint32_t pixel) {
    std::ofstream out(path, std::ios::binary);
    const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
                                static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8), 32, 0x28};
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    for (int i = 0; i < width * height; ++i) out.write(reinterpret_cast<const char*>(&pixel), 4);
}

}  // namespace

TEST(CompressAsciiResourceTest, LoadNeedsOptionsAndTheDescriptionWinsUnlessForced) {
    TETLib::CompressAsciiResource resource;
    std::string error;
    EXPECT_FALSE(resource.LoadTxt("Primary=a.tga\n", error));
    EXPECT_EQ(resource.ChooseTarget(), 1);

    Vek::Options options("-Tile=none -MaxTextureSize=512,128 -Compression=auto");
    resource.SetOptions(&options);
    ASSERT_TRUE(resource.LoadTxt("Primary=a.tga\nTile=st\n", error)) << error;
    EXPECT_EQ(resource.GetDescription().wrapS, 2);

    Vek::Options forced("-forceOptions -Tile=none");
    resource.SetOptions(&forced);
    ASSERT_TRUE(resource.LoadTxt("Primary=a.tga\nTile=st\n", error)) << error;
    EXPECT_EQ(resource.GetDescription().wrapS, 0);

    EXPECT_FALSE(resource.LoadTxt("Tile=st\n", error)) << "no primary image";
}

TEST(CompressAsciiResourceTest, SaveLimitsTheSizeAndFailsWhenTheFileCannotBeWritten) {
    VorlexTest::TempDir dir;
    const fs::path folder(dir.Path());
    WriteTga(folder / "big.tga", 256, 128, 0xFF336699u);
    Vek::Options options("-MaxTextureSize=64 -Compression=auto");
    TETLib::CompressAsciiResource resource;
    resource.SetOptions(&options);
    std::string error;
    ASSERT_TRUE(resource.LoadTxt("Primary=big.tga\n", error)) << error;
    ASSERT_TRUE(resource.LoadImage(folder.string().c_str(), Vek::PString(), error)) << error;
    uint32_t width = 0, height = 0;
    resource.GetSize(width, height);
    EXPECT_EQ(width, 64u);
    EXPECT_EQ(height, 32u);

    // An output folder that does not exist: false, nothing written.
    const fs::path nowhere = folder / "missing" / "big.texture";
    EXPECT_FALSE(resource.SaveTo(Vek::PString(), nowhere.string().c_str(), false, error));
    EXPECT_FALSE(fs::exists(folder / "missing"));

    const fs::path output = folder / "big.texture";
    ASSERT_TRUE(resource.SaveTo(Vek::PString(), output.string().c_str(), false, error)) << error;
    std::ifstream in(output, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Vek::CompiledTexture compiled;
    ASSERT_TRUE(compiled.Read(bytes.data(), bytes.size(), error)) << error;
    EXPECT_EQ(compiled.target, 10u);
    EXPECT_EQ(compiled.images[0][0]->GetWidth(), 64);
    EXPECT_EQ(compiled.images[0][0]->GetHeight(), 32);
}

TEST(CompiledTextureTest, MalformedFilesAreRefused) {
    // A valid two-level DXT1 file of one 4x4 image, then damaged copies.
    Vek::CompiledTexture texture;
    texture.target = 10;
    auto level0 = std::make_shared<Vek::Bitmap>();
    auto level1 = std::make_shared<Vek::Bitmap>();
    ASSERT_TRUE(level0->Init(4, 4, Vek::Bitmap::kRaw, nullptr, 8));
    ASSERT_TRUE(level1->Init(2, 2, Vek::Bitmap::kRaw, nullptr, 8));
    texture.images.push_back({level0, level1});
    VorlexTest::TempDir dir;
    const std::string path = std::string(dir.Path()) + "/t.texture";
    {
        Vek::File file;
        ASSERT_TRUE(file.Open(path.c_str(), 257));
        ASSERT_TRUE(texture.Write(file));
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(good.size(), 12u + 20u + 2 * (16u + 8u));
    std::string error;
    Vek::CompiledTexture read;
    ASSERT_TRUE(read.Read(good.data(), good.size(), error)) << error;
    EXPECT_EQ(read.images[0].size(), 2u);

    auto patched = [&](size_t offset, uint32_t value) {
        std::vector<uint8_t> bytes = good;
        std::memcpy(bytes.data() + offset, &value, 4);
        return bytes;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"truncated", std::vector<uint8_t>(good.begin(), good.end() - 1)},
        {"envelope larger than the file", patched(4, 1000)},
        {"version", patched(12, 2)},
        {"target", patched(16, 7)},
        {"no images", patched(24, 0)},
        {"huge image count", patched(24, 0x7FFFFFFF)},
        {"too many levels", patched(28, 33)},
        {"level byte size", patched(32 + 12, 16)},
        {"level format", patched(32 + 8, 2)},
        {"empty", {}},
    };
    for (const Case& c : cases) {
        Vek::CompiledTexture bad;
        EXPECT_FALSE(bad.Read(c.bytes.data(), c.bytes.size(), error)) << c.name;
    }
}
