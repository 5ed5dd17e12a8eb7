#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tetlib/textures/TextureCompress.h"

using TETLib::TextureCompress;
using TETLib::TextureCompressOptions;

namespace {

Vek::Bitmap SolidImage(int width, int height, int format, uint32_t color) {
    Vek::Bitmap bitmap;
    EXPECT_TRUE(bitmap.Init(width, height, format));
    bitmap.Clear(color);
    return bitmap;
}

// An independent decoder of the DXT colour block: the two RGB565 end
// points and the 2-bit indices. Gives 0xAARRGGBB with alpha 255.
uint32_t Expand565(uint16_t c) {
    const uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

uint32_t Mix(uint32_t a, uint32_t b, int wa, int wb, int d) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t ca = (a >> shift) & 255, cb = (b >> shift) & 255;
        out |= ((ca * wa + cb * wb) / d) << shift;
    }
    return out;
}

void DecodeColourBlock(const uint8_t* block, bool fourColour, uint32_t out[16]) {
    const uint16_t c0 = static_cast<uint16_t>(block[0] | block[1] << 8);
    const uint16_t c1 = static_cast<uint16_t>(block[2] | block[3] << 8);
    uint32_t palette[4] = {Expand565(c0), Expand565(c1), 0, 0};
    if (fourColour || c0 > c1) {
        palette[2] = Mix(palette[0], palette[1], 2, 1, 3);
        palette[3] = Mix(palette[0], palette[1], 1, 2, 3);
    } else {
        palette[2] = Mix(palette[0], palette[1], 1, 1, 2);
        palette[3] = 0;
    }
    const uint32_t indices = block[4] | block[5] << 8 | block[6] << 16 | static_cast<uint32_t>(block[7]) << 24;
    for (int i = 0; i < 16; ++i) out[i] = palette[(indices >> (2 * i)) & 3] | 0xFF000000u;
}

int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 255); }

void ExpectNear(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift : {0, 8, 16})
        EXPECT_LE(std::abs(Channel(actual, shift) - Channel(expected, shift)), tolerance)
            << std::hex << actual << " vs " << expected;
}

}  // namespace

TEST(TextureCompressTest, UncompressedChainsGoDownToOneByOne) {
    struct Case {
        int width, height, target;
        std::vector<std::pair<int, int>> sizes;
        int format;
    } cases[] = {
        {1, 1, 1, {{1, 1}}, Vek::Bitmap::kARGB32},
        {4, 1, 1, {{4, 1}, {2, 1}, {1, 1}}, Vek::Bitmap::kARGB32},
        {1, 4, 5, {{1, 4}, {1, 2}, {1, 1}}, Vek::Bitmap::kRGB24},
        {256, 64, 3, {{256, 64}, {128, 32}, {64, 16}, {32, 8}, {16, 4}, {8, 2}, {4, 1}, {2, 1}, {1, 1}},
         Vek::Bitmap::kXRGB32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " target " << c.target);
        Vek::Bitmap source = SolidImage(c.width, c.height, Vek::Bitmap::kARGB32, 0x40112233u);
        TextureCompress result;
        TextureCompressOptions options;
        options.target = c.target;
        options.mipmaps = false;  // ignored by the uncompressed targets
        ASSERT_TRUE(TextureCompress::Compress(source, result, options));
        ASSERT_EQ(result.GetNumLevels(), static_cast<int>(c.sizes.size()));
        for (int i = 0; i < result.GetNumLevels(); ++i) {
            const Vek::Bitmap* level = result.GetLevel(i);
            EXPECT_EQ(level->GetWidth(), c.sizes[i].first);
            EXPECT_EQ(level->GetHeight(), c.sizes[i].second);
            EXPECT_EQ(level->GetFormat(), c.format);
            EXPECT_FALSE(level->IsAlias());
            const uint32_t pixel = level->GetPixel(level->GetWidth() - 1, level->GetHeight() - 1);
            EXPECT_EQ(pixel & 0xFFFFFFu, 0x112233u);
            if (c.target == 3) {
                EXPECT_EQ(pixel >> 24, 0xFFu);  // opaque at every level
            } else if (c.target == 1) {
                EXPECT_EQ(pixel >> 24, 0x40u);
            }
        }
    }
}

TEST(TextureCompressTest, RejectsOtherSourceFormatsAndTargetsLeavingTheResultAlone) {
    TextureCompress result;
    Vek::Bitmap grey = SolidImage(4, 4, Vek::Bitmap::kGrey8, 0xFF808080u);
    TextureCompressOptions options;
    EXPECT_FALSE(TextureCompress::Compress(grey, result, options));
    Vek::Bitmap rgb = SolidImage(4, 4, Vek::Bitmap::kRGB24, 0xFF808080u);
    EXPECT_FALSE(TextureCompress::Compress(rgb, result, options));
    Vek::Bitmap colour = SolidImage(4, 4, Vek::Bitmap::kARGB32, 0xFF808080u);
    options.target = 7;
    EXPECT_FALSE(TextureCompress::Compress(colour, result, options));
    EXPECT_EQ(result.GetNumLevels(), 0);
}

TEST(TextureCompressTest, DxtLevelsHoldOneBlockPerFourByFourPixels) {
    struct Case {
        int target;
        bool alpha;
        size_t blockBytes;
    } cases[] = {{10, false, 8}, {10, true, 8}, {11, false, 16}, {12, false, 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "target " << c.target);
        Vek::Bitmap source = SolidImage(64, 16, Vek::Bitmap::kARGB32, 0x80336699u);
        TextureCompress result;
        TextureCompressOptions options;
        options.target = c.target;
        options.alpha = c.alpha;
        std::string error;
        ASSERT_TRUE(TextureCompress::Compress(source, result, options, &error)) << error;
        ASSERT_EQ(result.GetNumLevels(), 7);  // 64x16 down to 1x1
        int width = 64, height = 16;
        for (int i = 0; i < result.GetNumLevels(); ++i) {
            const Vek::Bitmap* level = result.GetLevel(i);
            EXPECT_EQ(level->GetFormat(), Vek::Bitmap::kRaw);
            EXPECT_EQ(level->GetWidth(), width);
            EXPECT_EQ(level->GetHeight(), height);
            const size_t blocks = static_cast<size_t>((width + 3) / 4) * static_cast<size_t>((height + 3) / 4);
            EXPECT_EQ(level->GetByteSize(), blocks * c.blockBytes);
            width = std::max(width / 2, 1);
            height = std::max(height / 2, 1);
        }
    }
}

TEST(TextureCompressTest, WithoutMipmapsOnlyTheTopLevelIsWritten) {
    Vek::Bitmap source = SolidImage(32, 32, Vek::Bitmap::kXRGB32, 0xFF000000u);
    TextureCompress result;
    TextureCompressOptions options;
    options.target = 12;
    options.mipmaps = false;
    ASSERT_TRUE(TextureCompress::Compress(source, result, options));
    ASSERT_EQ(result.GetNumLevels(), 1);
    EXPECT_EQ(result.GetLevel(0)->GetByteSize(), 64u * 16u);
}

// The DXT compressor is a module loaded on first use: without it the DXT
// targets fail with the reason, and the uncompressed ones still work.
TEST(TextureCompressTest, WithoutTheCompressorModuleDxtFailsWithTheReason) {
    ASSERT_EQ(::setenv("VORLEX_MODULE_DIR", "/nonexistent-module-folder", 1), 0);
    Vek::Bitmap source = SolidImage(8, 8, Vek::Bitmap::kXRGB32, 0xFF102030u);
    TextureCompress result;
    TextureCompressOptions options;
    options.target = 10;
    std::string error;
    EXPECT_FALSE(TextureCompress::Compress(source, result, options, &error));
    EXPECT_EQ(result.GetNumLevels(), 0);
    EXPECT_NE(error.find("Texture compression is not available: "), std::string::npos) << error;
    EXPECT_NE(error.find("vorlexdxt.so"), std::string::npos) << error;

    options.target = 1;
    EXPECT_TRUE(TextureCompress::Compress(source, result, options));
}

TEST(TextureCompressTest, SolidColourDecodesBackWithinTolerance) {
    const uint32_t colour = 0xFF4080C0u;
    struct Case {
        int target;
        size_t colourOffset;  // where the colour block sits in a block
        size_t blockBytes;
    } cases[] = {{10, 0, 8}, {11, 8, 16}, {12, 8, 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "target " << c.target);
        Vek::Bitmap source = SolidImage(16, 16, Vek::Bitmap::kARGB32, colour);
        TextureCompress result;
        TextureCompressOptions options;
        options.target = c.target;
        options.wrap = true;
        ASSERT_TRUE(TextureCompress::Compress(source, result, options));
        for (int i = 0; i < result.GetNumLevels(); ++i) {
            const Vek::Bitmap* level = result.GetLevel(i);
            for (size_t offset = 0; offset < level->GetByteSize(); offset += c.blockBytes) {
                uint32_t pixels[16];
                DecodeColourBlock(level->GetData() + offset + c.colourOffset, c.target != 10, pixels);
                for (uint32_t pixel : pixels) ExpectNear(pixel, colour, 8);
            }
            if (c.target == 11) {  // explicit 4-bit alpha: all opaque
                for (size_t offset = 0; offset < level->GetByteSize(); offset += 16)
                    for (int b = 0; b < 8; ++b) EXPECT_EQ(level->GetData()[offset + b], 0xFF);
            }
        }
    }
}
