#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/File.h"
#include "engine/ReferenceCount.h"
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

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

// A conversion resource over a description of the plain file system.
Vek::AutoReference<TETLib::CompressAsciiResource> MakeResource(const fs::path& description,
                                                              const Vek::Options* options) {
    Vek::AutoReference<TETLib::CompressAsciiResource> resource(
        new TETLib::CompressAsciiResource(Vek::PString(description.string().c_str()), nullptr));
    resource->SetOptions(options);
    return resource;
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(CompressAsciiResourceTest, LoadNeedsOptionsAndTheDescriptionWinsUnlessForced) {
    VorlexTest::TempDir dir;
    const fs::path folder(dir.Path());
    WriteTga(folder / "a.tga", 64, 64, 0xFF336699u);
    WriteText(folder / "a.convert-tex.txt", "Primary=a.tga\nTile=st\n");
    WriteText(folder / "b.convert-tex.txt", "Tile=st\n");

    auto bare = MakeResource(folder / "a.convert-tex.txt", nullptr);
    EXPECT_EQ(bare->Lock(), Vek::Resource::kFailed);
    EXPECT_EQ(bare->ChooseTarget(), 1);

    Vek::Options options("-Tile=none -MaxTextureSize=512,128 -Compression=auto");
    auto plain = MakeResource(folder / "a.convert-tex.txt", &options);
    ASSERT_EQ(plain->Lock(), Vek::Resource::kOk) << plain->GetLoadError();
    EXPECT_EQ(plain->GetSettings().wrapS, 2);

    Vek::Options forced("-forceOptions -Tile=none");
    auto winning = MakeResource(folder / "a.convert-tex.txt", &forced);
    ASSERT_EQ(winning->Lock(), Vek::Resource::kOk) << winning->GetLoadError();
    EXPECT_EQ(winning->GetSettings().wrapS, 0);

    EXPECT_EQ(MakeResource(folder / "b.convert-tex.txt", &options)->Lock(), Vek::Resource::kFailed) << "no primary";
}

TEST(CompressAsciiResourceTest, SaveLimitsTheSizeAndFailsWhenTheFileCannotBeWritten) {
    VorlexTest::TempDir dir;
    const fs::path folder(dir.Path());
    WriteTga(folder / "big.tga", 256, 128, 0xFF336699u);
    WriteText(folder / "big.convert-tex.txt", "Primary=big.tga\n");
    Vek::Options options("-MaxTextureSize=64 -Compression=auto");
    auto resource = MakeResource(folder / "big.convert-tex.txt", &options);
    ASSERT_EQ(resource->Lock(), Vek::Resource::kOk) << resource->GetLoadError();
    uint32_t width = 0, height = 0;
    resource->GetSize(width, height);
    EXPECT_EQ(width, 64u);
    EXPECT_EQ(height, 32u);
    EXPECT_EQ(resource->GetNumMipLevels(), 7) << "the display's count for the limited size";

    // Compressing needs the engine's mip lock.
    EXPECT_FALSE(resource->SaveTo(Vek::PString(), (folder / "early.texture").string().c_str(), false));
    EXPECT_FALSE(fs::exists(folder / "early.texture"));
    ASSERT_EQ(resource->Vek::AsciiTextureResource::GetMipLock(), Vek::Resource::kOk);

    // An output folder that does not exist: false, nothing written.
    const fs::path nowhere = folder / "missing" / "big.texture";
    EXPECT_FALSE(resource->SaveTo(Vek::PString(), nowhere.string().c_str(), false));
    EXPECT_FALSE(resource->GetCompressError().empty());
    EXPECT_FALSE(fs::exists(folder / "missing"));

    const fs::path output = folder / "big.texture";
    ASSERT_TRUE(resource->SaveTo(Vek::PString(), output.string().c_str(), false)) << resource->GetCompressError();
    const std::vector<uint8_t> bytes = ReadBytes(output);
    Vek::CompiledTexture compiled;
    std::string error;
    ASSERT_TRUE(compiled.Read(bytes.data(), bytes.size(), error)) << error;
    EXPECT_EQ(compiled.target, 10u);
    ASSERT_EQ(compiled.images.size(), 1u);
    ASSERT_EQ(compiled.images[0].size(), 7u);
    EXPECT_EQ(compiled.images[0][0]->GetWidth(), 64);
    EXPECT_EQ(compiled.images[0][0]->GetHeight(), 32);
    EXPECT_EQ(compiled.images[0][6]->GetWidth(), 1);

    // The compressed levels are there until the mips are unlocked.
    ASSERT_NE(resource->GetCompressedMip(0, 0), nullptr);
    EXPECT_EQ(resource->GetCompressedMip(0, 1), nullptr);
    EXPECT_EQ(resource->GetCompressedMip(7, 0), nullptr);
    EXPECT_EQ(resource->GetMipUnlock(), Vek::Resource::kOk);
    EXPECT_EQ(resource->GetCompressedMip(0, 0), nullptr);
    EXPECT_EQ(resource->GetMipUnlock(), Vek::Resource::kFailed) << "no lock left";
}

TEST(CompressAsciiResourceTest, SaveLocksCompressesAndUnlocksAndFailsWhenTheFileCannotBeOpened) {
    VorlexTest::TempDir dir;
    const fs::path folder(dir.Path());
    WriteTga(folder / "n.tga", 16, 16, 0xFF8080FFu);
    WriteText(folder / "n.convert-tex.txt", "Primary=n.tga\nCompression=none\nMipmaps=no\nModifyMap=1\n");
    Vek::Options options("-Compression=auto");
    auto resource = MakeResource(folder / "n.convert-tex.txt", &options);
    ASSERT_EQ(resource->Lock(), Vek::Resource::kOk) << resource->GetLoadError();

    EXPECT_FALSE(resource->Save((folder / "missing" / "n.texture").string().c_str(), nullptr));
    EXPECT_EQ(resource->GetMipLockCount(), 0) << "the lock is given back";

    ASSERT_TRUE(resource->Save((folder / "n.texture").string().c_str(), nullptr)) << resource->GetCompressError();
    EXPECT_EQ(resource->GetMipLockCount(), 0);
    const std::vector<uint8_t> bytes = ReadBytes(folder / "n.texture");
    Vek::CompiledTexture compiled;
    std::string error;
    ASSERT_TRUE(compiled.Read(bytes.data(), bytes.size(), error)) << error;
    EXPECT_EQ(compiled.target, 3u);  // small and opaque: uncompressed
    ASSERT_EQ(compiled.images[0].size(), 1u) << "no mipmaps asked for";
    // The modify-map setting inverts green.
    EXPECT_EQ(compiled.images[0][0]->GetPixel(3, 3), 0xFF807FFFu);
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
