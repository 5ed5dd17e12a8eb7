// The texture manager: images found, missing and unreadable, in a resource
// database and on the plain file system; names kept inside the database.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/ResourceDatabase.h"
#include "engine/bitmap/Bitmap.h"
#include "engine/display/DisplayTexture.h"
#include "engine/meshfile/MeshFileSupport.h"
#include "engine/textures/AsciiTextureResource.h"
#include "engine/textures/CompiledTexture.h"
#include "engine/textures/TextureManager.h"
#include "engine/textures/TextureResource.h"
#include "support/TempDir.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

using namespace Vek;

namespace {

// A 2 x 2 picture: red, green / blue, half-transparent white (RGBA bytes).
const unsigned char kPixels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 128};

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TextureFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        std::filesystem::create_directories(dir / "art");
        ASSERT_TRUE(stbi_write_png((dir / "art/Red.png").c_str(), 2, 2, 4, kPixels, 8));
        ASSERT_TRUE(stbi_write_bmp((dir / "art/blue.bmp").c_str(), 2, 2, 4, kPixels));
        ASSERT_TRUE(stbi_write_tga((dir / "art/green.tga").c_str(), 2, 2, 4, kPixels));
        ASSERT_TRUE(stbi_write_jpg((dir / "art/photo.jpg").c_str(), 2, 2, 3, kPixels, 90));
        WriteBytes(dir / "art/noise.png", "this is no picture at all");
        std::string png = ReadBytes(dir / "art/Red.png");
        WriteBytes(dir / "art/cut.png", png.substr(0, png.size() / 2));
        WriteBytes(dir / "art/empty.tga", "");
        WriteBytes(dir / "outside.png", png);
        ASSERT_TRUE(File::Subst(PString("texdb"), (dir.Path() + "/art/").c_str(), true));
    }
    void TearDown() override { File::Subst(PString("texdb"), nullptr, false); }

    VorlexTest::TempDir dir;
};

}  // namespace

TEST_F(TextureFiles, FoundMissingAndUnreadable) {
    ResourceDatabase database(PString("texdb"));
    TextureManager manager;
    using C = TextureManager::Check;
    struct Case {
        const char* name;
        C check;
        int width;
    } cases[] = {
        {"Red.png", C::kReadable, 2},      {"red.PNG", C::kReadable, 2},   {"blue.bmp", C::kReadable, 2},
        {"green.tga", C::kReadable, 2},    {"photo.jpg", C::kReadable, 2}, {"sub\\..\\green.tga", C::kMissing, 0},
        {"missing.png", C::kMissing, 0},   {"noise.png", C::kUnreadable, 0}, {"cut.png", C::kUnreadable, 0},
        {"empty.tga", C::kUnreadable, 0},  {"../outside.png", C::kMissing, 0}, {"/etc/passwd", C::kMissing, 0},
        {"", C::kMissing, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(manager.CheckTexture(&database, c.name), c.check) << c.name;
        AutoReference<TextureResource> texture(manager.GetTexture(&database, c.name));
        EXPECT_EQ(static_cast<bool>(texture), c.check == C::kReadable) << c.name;
        if (texture) {
            EXPECT_TRUE(texture->IsLoaded()) << c.name;
            EXPECT_EQ(texture->GetWidth(), c.width) << c.name;
            EXPECT_EQ(texture->GetDatabase(), &database);
        }
    }
    // Names differing in case are one texture.
    AutoReference<TextureResource> a(manager.GetTexture(&database, "Red.png"));
    AutoReference<TextureResource> b(manager.GetTexture(&database, "RED.png"));
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_EQ(manager.GetLoadedCount(), 4u);
}

TEST_F(TextureFiles, ThePlainFileSystemServesWithoutADatabase) {
    TextureManager manager;
    AutoReference<TextureResource> texture(manager.GetTexture(nullptr, (dir / "outside.png").c_str()));
    ASSERT_TRUE(texture);
    ASSERT_NE(texture->GetImage(), nullptr);
    EXPECT_EQ(texture->GetImage()->GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(texture->GetImage()->GetPixel(1, 1), 0x80FFFFFFu);
    EXPECT_EQ(manager.CheckTexture(nullptr, (dir / "art/noise.png").c_str()), TextureManager::Check::kUnreadable);
    texture.Release();
    EXPECT_EQ(manager.DumpUnused(), 1u);
}

TEST_F(TextureFiles, CompiledTexturesAndDescriptions) {
    // A compiled texture of 4 x 4 and 2 x 2 (uncompressed, target 1), and a
    // copy cut short.
    CompiledTexture compiled;
    compiled.target = 1;
    auto top = std::make_shared<Bitmap>();
    auto next = std::make_shared<Bitmap>();
    ASSERT_TRUE(top->Init(4, 4, Bitmap::kARGB32));
    ASSERT_TRUE(next->Init(2, 2, Bitmap::kARGB32));
    top->Clear(0xFF112233u);
    compiled.images.push_back({top, next});
    {
        File file;
        ASSERT_TRUE(file.Open((dir / "art/wall.texture").c_str(), 257));
        ASSERT_TRUE(compiled.Write(file));
    }
    const std::string bytes = ReadBytes(dir / "art/wall.texture");
    WriteBytes(dir / "art/cut.texture", bytes.substr(0, bytes.size() - 3));
    WriteBytes(dir / "art/desc.texture.txt", "Primary=Red.png\nTile=none\n");
    WriteBytes(dir / "art/nopicture.texture.txt", "Primary=missing.png\n");

    ResourceDatabase database(PString("texdb"));
    TextureManager manager;
    using C = TextureManager::Check;
    struct Case {
        const char* name;
        C check;
        int width;
        int levels;
    } cases[] = {
        {"wall.texture", C::kReadable, 4, 2},     {"cut.texture", C::kUnreadable, 0, 0},
        {"desc.texture.txt", C::kReadable, 2, 2}, {"desc.texture", C::kReadable, 2, 2},  // found as "<name>.txt"
        {"nopicture.texture.txt", C::kUnreadable, 0, 0}, {"none.texture", C::kMissing, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(manager.CheckTexture(&database, c.name), c.check) << c.name;
        AutoReference<TextureResource> texture(manager.GetTexture(&database, c.name));
        ASSERT_EQ(static_cast<bool>(texture), c.check == C::kReadable) << c.name;
        if (!texture) continue;
        EXPECT_EQ(texture->GetWidth(), c.width) << c.name;
        EXPECT_EQ(texture->GetNumMipLevels(), c.levels) << c.name;
    }
    AutoReference<TextureResource> wall(manager.GetTexture(&database, "wall.texture"));
    ASSERT_NE(wall->GetCompiled(), nullptr);
    EXPECT_EQ(wall->GetImage()->GetPixel(3, 3), 0xFF112233u);
    EXPECT_EQ(wall->GetCompressedMip(1, 0)->GetWidth(), 2);
    EXPECT_EQ(wall->GetCompressedMip(2, 0), nullptr);
    EXPECT_EQ(wall->GetCompressedMip(0, 1), nullptr);

    // A picture given to the loaded texture replaces its compiled levels too.
    auto replacement = std::make_unique<Bitmap>();
    ASSERT_TRUE(replacement->Init(8, 8, Bitmap::kXRGB32));
    wall->SetImage(std::move(replacement));
    EXPECT_EQ(wall->GetCompiled(), nullptr);
    EXPECT_EQ(wall->GetNumMipLevels(), 4);
    EXPECT_EQ(wall->GetTargetFormat(), 3);
    auto level = wall->GetCompressedMip(0, 0);
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->GetWidth(), 8);
}

TEST_F(TextureFiles, ACompiledHeaderTooSmallForItselfIsRefused) {
    // A sound one-level texture, then copies whose envelope size is smaller
    // than the type tag it already counts, or larger than the file.
    CompiledTexture compiled;
    auto top = std::make_shared<Bitmap>();
    ASSERT_TRUE(top->Init(2, 2, Bitmap::kARGB32));
    compiled.images.push_back({top});
    {
        File file;
        ASSERT_TRUE(file.Open((dir / "art/sound.texture").c_str(), 257));
        ASSERT_TRUE(compiled.Write(file));
    }
    const std::string sound = ReadBytes(dir / "art/sound.texture");
    auto withEnvelope = [&](uint32_t envelope, size_t keep) {
        std::string bytes = sound.substr(0, keep);
        std::memcpy(bytes.data() + 4, &envelope, 4);
        return bytes;
    };
    const uint32_t full = static_cast<uint32_t>(sound.size() - 8);
    struct Case {
        const char* name;
        std::string bytes;
        bool readable;
    } cases[] = {
        {"sound.texture", sound, true},
        {"envelope0.texture", withEnvelope(0, 12), false},
        {"envelope0long.texture", withEnvelope(0, sound.size()), false},
        {"envelope3.texture", withEnvelope(3, sound.size()), false},
        {"envelope4.texture", withEnvelope(4, sound.size()), false},
        {"envelope8.texture", withEnvelope(8, sound.size()), false},
        {"pastend.texture", withEnvelope(full + 1, sound.size()), false},
        {"header.texture", sound.substr(0, 12), false},
    };
    for (const Case& c : cases) {
        CompiledTexture read;
        std::string error;
        EXPECT_EQ(read.Read(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), error), c.readable)
            << c.name;
        EXPECT_EQ(error.empty(), c.readable) << c.name << ": " << error;
        // The same bytes through the texture manager.
        WriteBytes(dir / (std::string("art/") + c.name), c.bytes);
        ResourceDatabase database(PString("texdb"));
        TextureManager manager;
        AutoReference<TextureResource> texture(manager.GetTexture(&database, c.name));
        EXPECT_EQ(static_cast<bool>(texture), c.readable) << c.name;
    }
}

TEST_F(TextureFiles, ADescriptionsMipsAndItsCompiledBody) {
    WriteBytes(dir / "art/desc.texture.txt", "Primary=Red.png\nTile=none\n");
    ResourceDatabase database(PString("texdb"));
    TextureManager manager;
    AutoReference<TextureResource> found(manager.GetTexture(&database, "desc.texture.txt"));
    auto* texture = dynamic_cast<AsciiTextureResource*>(found.Get());
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetSettings().wrapS, 0);

    // The mips are there only while locked.
    EXPECT_EQ(texture->GetMip(0, 0), nullptr);
    EXPECT_EQ(texture->GetMipUnlock(), Resource::kFailed);
    ASSERT_EQ(texture->GetMipLock(), Resource::kOk);
    auto mip = texture->GetMip(1, 0);
    ASSERT_NE(mip, nullptr);
    EXPECT_EQ(mip->GetWidth(), 1);
    EXPECT_EQ(texture->GetMip(0, 1), nullptr) << "one image";

    // The body the texture writes reads back as a compiled texture.
    {
        File file;
        ASSERT_TRUE(file.Open((dir / "art/out.texture").c_str(), 257));
        const int64_t mark = VIRFWriteHeader(file, "MMTF");
        ASSERT_TRUE(texture->SaveLockedInternal(file, nullptr));
        ASSERT_TRUE(MeshFileSupport::WriteSizeAtMark(file, mark));
    }
    EXPECT_EQ(texture->GetMipUnlock(), Resource::kOk);
    const std::string bytes = ReadBytes(dir / "art/out.texture");
    CompiledTexture read;
    std::string error;
    ASSERT_TRUE(read.Read(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), error)) << error;
    EXPECT_EQ(read.target, 1u);
    ASSERT_EQ(read.images[0].size(), 2u);
    EXPECT_EQ(read.images[0][0]->GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(read.flags & CompiledTexture::kFlagWrap, 0u);
}

TEST_F(TextureFiles, APicturesCompiledBodyIsWrittenInItsOwnFormatOrNotAtAll) {
    // A body whose levels are not in its target's format is one its reader
    // refuses: the writer must fail rather than report it written.
    struct Case {
        int format;
        bool written;
        uint32_t target;
    } cases[] = {
        {Bitmap::kARGB32, true, 1}, {Bitmap::kXRGB32, true, 3}, {Bitmap::kRGB24, true, 5}, {Bitmap::kGrey8, false, 0},
    };
    for (const Case& c : cases) {
        AutoReference<TextureResource> texture(new TextureResource(PString("picture"), nullptr));
        auto image = std::make_unique<Bitmap>();
        ASSERT_TRUE(image->Init(4, 2, c.format));
        image->Clear(0xFF336699u);
        texture->SetImage(std::move(image));
        const std::string path = dir / "art/picture.texture";
        bool written = false;
        {
            File file;
            ASSERT_TRUE(file.Open(path.c_str(), 257));
            const int64_t mark = VIRFWriteHeader(file, "MMTF");
            written = texture->SaveLockedInternal(file, nullptr) && MeshFileSupport::WriteSizeAtMark(file, mark);
        }
        EXPECT_EQ(written, c.written) << c.format;
        if (!written) continue;
        const std::string bytes = ReadBytes(path);
        CompiledTexture read;
        std::string error;
        ASSERT_TRUE(read.Read(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), error)) << c.format << error;
        EXPECT_EQ(read.target, c.target);
        ASSERT_EQ(read.images[0].size(), 3u);
        EXPECT_EQ(read.images[0][0]->GetFormat(), c.format);
        EXPECT_EQ(read.images[0][2]->GetPixel(0, 0), 0xFF336699u) << c.format;
    }
}

TEST(DisplayTexture, LevelCounts) {
    EXPECT_EQ(DisplayTexture::GetNumMipLevels(1, 1), 1);
    EXPECT_EQ(DisplayTexture::GetNumMipLevels(4, 1), 3);
    EXPECT_EQ(DisplayTexture::GetNumMipLevels(256, 64), 9);
    EXPECT_EQ(DisplayTexture::GetNumMipLevels(100, 3), 7);
    EXPECT_EQ(DisplayTexture::GetNumMipLevels(0, 8), 0);
}

TEST(SharedTextures, NumberedTexturesAreMadeOnceAndShared) {
    TextureManager manager;
    AutoReference<TextureResource> a(manager.GetSharedTextures().GetTexture(0));
    AutoReference<TextureResource> b(manager.GetSharedTextures().GetTexture(0));
    ASSERT_TRUE(a);
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_TRUE(a->IsLoaded());
    EXPECT_EQ(a->GetImage()->GetPixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(manager.GetSharedTextures().GetTexture(SharedTextureCollection::kCount), nullptr);
    EXPECT_EQ(manager.GetSharedTextures().GetTexture(-1), nullptr);
}

// Materials record "$sharedN" for the slots they start with a shared
// texture in; asked for that name, the manager gives shared texture N from
// any database or none, and loads nothing of the database's.
TEST_F(TextureFiles, SharedTextureNamesGiveTheSharedTexturesFromAnyDatabase) {
    ResourceDatabase database(PString("texdb"));
    TextureManager manager;
    WriteBytes(dir / "art/$shared1", ReadBytes(dir / "art/Red.png"));
    for (int n = 0; n < SharedTextureCollection::kCount; ++n) {
        const std::string name = "$shared" + std::to_string(n);
        AutoReference<TextureResource> shared(manager.GetSharedTextures().GetTexture(n));
        for (ResourceDatabase* asked : {&database, static_cast<ResourceDatabase*>(nullptr)}) {
            AutoReference<TextureResource> found(manager.GetTexture(asked, name.c_str()));
            EXPECT_EQ(found.Get(), shared.Get()) << name;
            EXPECT_EQ(manager.CheckTexture(asked, name.c_str()), TextureManager::Check::kReadable) << name;
        }
    }
    AutoReference<TextureResource> upper(manager.GetTexture(&database, "$SHARED2"));
    AutoReference<TextureResource> flat(manager.GetSharedTextures().GetTexture(2));
    EXPECT_EQ(upper.Get(), flat.Get());
    EXPECT_EQ(manager.GetLoadedCount(), 0u);
    // Other names beginning so are ordinary names.
    for (const char* other : {"$shared4", "$shared", "$shared0.tga"}) {
        EXPECT_FALSE(AutoReference<TextureResource>(manager.GetTexture(&database, other))) << other;
        EXPECT_EQ(manager.CheckTexture(&database, other), TextureManager::Check::kMissing) << other;
    }
}
