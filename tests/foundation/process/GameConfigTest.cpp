#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "foundation/platform/process/GameConfig.h"
#include "support/TempDir.h"

namespace {

void WriteWords(const std::string& path, const std::vector<uint32_t>& words) {
    std::ofstream out(path, std::ios::binary);
    for (uint32_t w : words) {
        uint8_t b[4] = {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w >> 16),
                        static_cast<uint8_t>(w >> 24)};
        out.write(reinterpret_cast<const char*>(b), 4);
    }
}

std::vector<uint32_t> Magic(uint32_t version) {
    return {kGameConfigMagic[0], kGameConfigMagic[1], kGameConfigMagic[2], kGameConfigMagic[3], version};
}

std::vector<uint32_t> Words(uint32_t first, int count) {
    std::vector<uint32_t> words;
    for (int i = 0; i < count; ++i) words.push_back(first + static_cast<uint32_t>(i));
    return words;
}

std::vector<uint32_t> Join(std::vector<uint32_t> a, const std::vector<uint32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(GameConfigTest, ReadsEveryVersion) {
    VorlexTest::TempDir dir;
    const GameDisplayOptions defaults;
    struct Case {
        const char* name;
        std::vector<uint32_t> file;
        std::vector<uint32_t> expected;  // the fifteen words
    };
    // Words 100..113 for words 0 to 13 in every case.
    std::vector<uint32_t> body = Words(100, 14);
    std::vector<uint32_t> expectedBody = body;
    const Case cases[] = {
        {"no magic: version 0, word 14 keeps 4", body, Join(expectedBody, {4})},
        {"version 1 drops the word after word 7",
         Join(Join(Join(Magic(1), Words(100, 8)), {999}), Join(Words(108, 6), {2})), Join(expectedBody, {4})},
        {"version 2 sets word 14 to 4", Join(Join(Magic(2), body), {2}), Join(expectedBody, {4})},
        {"version 3 keeps 2", Join(Join(Magic(3), body), {2}), Join(expectedBody, {2})},
        {"version 3 turns 3 into 4", Join(Join(Magic(3), body), {3}), Join(expectedBody, {4})},
        {"version 4 keeps the defaults", Join(Magic(4), Join(body, {2})),
         std::vector<uint32_t>(defaults.words, defaults.words + 15)},
        {"a short file leaves zeros", Join(Magic(3), Words(100, 3)),
         Join(Join(Words(100, 3), std::vector<uint32_t>(11, 0)), {4})},
    };
    for (const Case& c : cases) {
        WriteWords(dir / "Vorlex.cfg", c.file);
        GameDisplayOptions options;
        options.words[0] = 12345;
        EXPECT_TRUE(ReadGameConfig(dir.Path().c_str(), options)) << c.name;
        EXPECT_EQ(std::vector<uint32_t>(options.words, options.words + 15), c.expected) << c.name;
    }
}

TEST(GameConfigTest, MissingFileGivesDefaultsAndRoundTrips) {
    VorlexTest::TempDir dir;
    GameDisplayOptions options;
    options.words[0] = 1;
    EXPECT_FALSE(ReadGameConfig(dir.Path().c_str(), options));
    EXPECT_EQ(options.words[GameDisplayOptions::kWidth], 1024u);
    EXPECT_EQ(options.words[GameDisplayOptions::kHeight], 768u);
    EXPECT_FLOAT_EQ(options.GetFloat(GameDisplayOptions::kVertexOffset), 0.5f);

    options.words[GameDisplayOptions::kWidth] = 1920;
    options.words[GameDisplayOptions::kMultiSample] = 2;
    options.SetFloat(GameDisplayOptions::kScreenRatio, 1.25f);
    ASSERT_TRUE(WriteGameConfig(dir.Path().c_str(), options));
    EXPECT_EQ(std::filesystem::file_size(dir / "Vorlex.cfg"), 80u);
    GameDisplayOptions back;
    EXPECT_TRUE(ReadGameConfig(dir.Path().c_str(), back));
    EXPECT_EQ(0, std::memcmp(back.words, options.words, sizeof options.words));
}

TEST(GameConfigTest, CommandLineOptions) {
    GameDisplayOptions options;
    EXPECT_EQ(options.CommandLineOptions(),
              " -Width=1024 -Height=768 -ColorBits=32 -fullscreen -multiSample=4 -Render=OpenGL");
    options.words[GameDisplayOptions::kFullScreen] = 0;
    options.SetFloat(GameDisplayOptions::kScreenRatio, 1.5f);
    options.words[GameDisplayOptions::kMultiSample] = 0;
    options.words[GameDisplayOptions::kRenderer] = 0;
    options.words[GameDisplayOptions::kStencil] = 0;
    options.words[GameDisplayOptions::kNoHwTnL] = 1;
    options.words[GameDisplayOptions::kGroundPolyOffset] = 1;
    options.words[GameDisplayOptions::kVsync] = 2;
    options.words[GameDisplayOptions::kFrequency] = 7;
    options.words[GameDisplayOptions::kOffsetVertices] = 1;
    EXPECT_EQ(options.CommandLineOptions(),
              " -Width=1024 -Height=768 -ColorBits=32 -windowed -PhysicalScreenRatio=1.500000 -Render=DirectX9"
              " -DisableStencil -nohwtnl -groundpolyoffset -Vsync=2 -Frequency=100 -offsetvertices=0.5");
}

}  // namespace
