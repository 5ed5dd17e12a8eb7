#include <gtest/gtest.h>

#include "tetlib/textures/TextureTarget.h"

using namespace TETLib;

TEST(TextureTargetTest, ParseCompressionList) {
    using P = std::array<CompressionChoice, 3>;
    const CompressionChoice none{1, true};
    struct Case {
        const char* value;
        P expected;
    } cases[] = {
        {nullptr, {none, none, none}},
        {"auto", {CompressionChoice{10, false}, {10, true}, {12, true}}},
        {"AUTO,dxt3", {CompressionChoice{10, false}, {10, true}, {12, true}}},
        {"dxt1,dxt1a,dxt5", {CompressionChoice{10, false}, {10, true}, {12, true}}},
        {"DXT5,Dxt3", {CompressionChoice{12, true}, {11, true}, none}},
        {"none,bogus,dxt1", {none, none, {10, false}}},
        {"dxt3,auto", {CompressionChoice{11, true}, none, none}},
        {"dxt1,dxt1,dxt1,dxt5", {CompressionChoice{10, false}, {10, false}, {10, false}}},
        {"", {none, none, none}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(null)");
        EXPECT_EQ(ParseCompressionList(c.value), c.expected);
    }
}

TEST(TextureTargetTest, LimitTextureSizeKeepsTheAspectRatio) {
    struct Case {
        uint32_t w, h, maxW, maxH, outW, outH;
    } cases[] = {
        {2048, 1024, 512, 2048, 512, 256}, {2048, 1024, 512, 128, 256, 128}, {256, 256, 2048, 2048, 256, 256},
        {4096, 2, 1024, 2048, 1024, 1},    {2, 4096, 2048, 1024, 1, 1024},
    };
    for (const Case& c : cases) {
        uint32_t w = 0, h = 0;
        LimitTextureSize(c.w, c.h, c.maxW, c.maxH, w, h);
        EXPECT_EQ(w, c.outW) << c.w << "x" << c.h;
        EXPECT_EQ(h, c.outH) << c.w << "x" << c.h;
    }
}

TEST(TextureTargetTest, ChooseTarget) {
    struct Case {
        const char* name;
        bool hasOptions;
        const char* compression;
        bool forced;
        int alphaClass, code;
        bool normalMap;
        uint32_t w, h;
        int target;
        bool alpha;
    } cases[] = {
        {"no options", false, "auto", false, 0, 5, false, 512, 512, 1, true},
        {"class not set", true, "auto", false, -1, 5, false, 512, 512, 1, true},
        {"auto opaque", true, "auto", false, 0, 5, false, 512, 512, 10, false},
        {"auto class 1", true, "auto", false, 1, 5, false, 512, 512, 12, true},
        {"auto class 2", true, "auto", false, 2, 5, false, 512, 512, 10, true},
        {"auto class 2 normal map", true, "auto", false, 2, 5, true, 512, 512, 12, true},
        {"dxt5,dxt3 class 0", true, "dxt5,dxt3", false, 0, 5, false, 512, 512, 12, true},
        {"dxt5,dxt3 class 2", true, "dxt5,dxt3", false, 2, 5, false, 512, 512, 11, true},
        {"dxt5,dxt3 class 1", true, "dxt5,dxt3", false, 1, 5, false, 512, 512, 1, true},
        {"code 3 on 512x40", true, "auto", false, 0, 3, false, 512, 40, 12, true},
        {"code 3 on 512x30", true, "auto", false, 0, 3, false, 512, 30, 1, true},
        {"code 1 opaque", true, "auto", false, 0, 1, false, 512, 512, 10, false},
        {"code 2", true, "auto", false, 0, 2, false, 512, 512, 11, true},
        {"small opaque", true, "auto", false, 0, 5, false, 32, 32, 3, false},
        {"small alpha", true, "auto", false, 1, 5, false, 32, 32, 1, true},
        {"thin", true, "auto", false, 0, 5, false, 512, 4, 3, false},
        {"small forced", true, "dxt5", true, 0, 5, false, 32, 32, 12, true},
        {"forced over code", true, "dxt1", true, 1, 3, false, 512, 512, 1, true},
        {"no list, code 9", true, nullptr, false, 0, 9, false, 512, 512, 1, true},
        {"dxt1 on 6x64", true, "dxt1", true, 0, 5, false, 64, 6, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextureTargetInput input;
        input.hasOptions = c.hasOptions;
        input.compression = c.compression;
        input.forced = c.forced;
        input.alphaClass = c.alphaClass;
        input.compressionCode = c.code;
        input.normalMapHint = c.normalMap;
        input.width = c.w;
        input.height = c.h;
        bool alpha = false;
        EXPECT_EQ(ChooseTextureTarget(input, alpha), c.target);
        EXPECT_EQ(alpha, c.alpha);
    }
}
