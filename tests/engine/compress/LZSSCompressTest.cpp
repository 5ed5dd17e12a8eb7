#include "engine/Compress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/DynamicBuffer.h"
#include "engine/File.h"
#include "engine/IOSlave.h"
#include "support/TempDir.h"

namespace {

using Vek::LZSSCompress;

// Holds one codec reference for a test and drops it at the end.
struct Codec {
    LZSSCompress* codec = new LZSSCompress();
    ~Codec() { codec->ReleaseReference(); }
    LZSSCompress* operator->() { return codec; }
};

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> RandomBytes(std::size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(n);
    for (auto& b : out) b = uint8_t(rng());
    return out;
}

std::vector<uint8_t> EncodeBlock(Codec& codec, const std::vector<uint8_t>& input, int level) {
    std::vector<uint8_t> out(LZSSCompress::MaxCompressedSize(input.size()));
    const int64_t n = codec->CompressBlock(out.data(), out.size(), input.data(), input.size(), level);
    EXPECT_GE(n, 0);
    out.resize(n < 0 ? 0 : std::size_t(n));
    return out;
}

struct RoundTripCase {
    const char* name;
    std::vector<uint8_t> input;
};

std::vector<RoundTripCase> RoundTripCases() {
    std::string repetitive;
    for (int i = 0; i < 5000; ++i) repetitive += "abcabcabd";
    std::string text;
    for (int i = 0; i < 300; ++i) text += "class Counter { int n; void Tick(void) { n = n + " + std::to_string(i) + "; } };\n";
    return {
        {"empty", {}},
        {"three bytes", Bytes("abc")},
        {"four bytes", Bytes("aaaa")},
        {"one byte", Bytes("z")},
        {"incompressible", RandomBytes(20000, 7)},
        {"one byte repeated", std::vector<uint8_t>(100000, 0x41)},
        {"highly repetitive", Bytes(repetitive)},
        {"source text", Bytes(text)},
        {"zeros and random", [] {
             auto v = RandomBytes(9000, 3);
             v.insert(v.begin() + 4000, 10000, 0);
             return v;
         }()},
    };
}

TEST(LZSSCompress, BlocksRoundTripAtEveryLevel) {
    Codec codec;
    for (const auto& c : RoundTripCases()) {
        for (int level : {-3, 0, 1, 5, 9, 42}) {
            SCOPED_TRACE(std::string(c.name) + " level " + std::to_string(level));
            const auto packed = EncodeBlock(codec, c.input, level);
            EXPECT_LE(packed.size(), LZSSCompress::MaxCompressedSize(c.input.size()));
            std::vector<uint8_t> back(c.input.size() + 1);
            const int64_t n = codec->DecompressBlock(back.data(), c.input.size(), packed.data(), packed.size());
            ASSERT_EQ(n, int64_t(c.input.size()));
            back.resize(c.input.size());
            EXPECT_EQ(back, c.input);
        }
    }
}

TEST(LZSSCompress, RepetitiveDataShrinksAndRandomDataStaysWithinTheBound) {
    Codec codec;
    const std::vector<uint8_t> runs(100000, 0x41);
    EXPECT_LT(EncodeBlock(codec, runs, 9).size(), runs.size() / 8);
    const auto noise = RandomBytes(4096, 11);
    EXPECT_EQ(EncodeBlock(codec, noise, 9).size(), LZSSCompress::MaxCompressedSize(noise.size()));
    // Level 0 stores literals only: the worst case exactly.
    EXPECT_EQ(EncodeBlock(codec, runs, 0).size(), LZSSCompress::MaxCompressedSize(runs.size()));
}

TEST(LZSSCompress, CompressBlockNeverWritesPastItsCapacity) {
    Codec codec;
    const auto input = RandomBytes(1000, 5);
    const std::size_t worst = LZSSCompress::MaxCompressedSize(input.size());
    std::vector<uint8_t> out(worst + 16, 0xEE);
    EXPECT_EQ(codec->CompressBlock(out.data(), worst - 1, input.data(), input.size(), 9), -1);
    for (std::size_t i = worst - 1; i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE) << i;
    EXPECT_EQ(codec->CompressBlock(out.data(), 0, input.data(), 3, 9), -1);
}

TEST(LZSSCompress, DamagedBlocksFailCleanly) {
    Codec codec;
    std::string text;
    for (int i = 0; i < 200; ++i) text += "repeat me please ";
    const auto input = Bytes(text);
    const auto packed = EncodeBlock(codec, input, 9);
    ASSERT_GT(packed.size(), 8u);

    std::vector<uint8_t> out(input.size());
    struct Case {
        const char* name;
        std::vector<uint8_t> block;
        std::size_t capacity;
        int64_t expected;
    };
    const std::vector<uint8_t> cutMatch(packed.begin(), packed.end() - 1);
    const std::vector<Case> cases = {
        {"match before the start", {0x00, 0x05, 0x00}, 64, -1},
        {"flag byte alone", {0xFF}, 64, -1},
        {"match cut in half", {0x02, 'a', 0x00}, 64, -1},
        {"literal past the capacity", {0xFF, 'a', 'b', 'c'}, 2, -1},
        {"run past the capacity", {0x02, 'a', 0x00, 0x0F}, 10, -1},
        {"whole block in too little room", packed, input.size() - 1, -1},
        {"trailing flag byte", [&] {
             auto v = packed;
             v.push_back(0x00);
             return v;
         }(), input.size(), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> room(c.capacity + 32);
        EXPECT_EQ(codec->DecompressBlock(room.data(), c.capacity, c.block.data(), c.block.size()), c.expected);
    }
    // A truncated block that ends on an item boundary decodes to fewer bytes:
    // callers that know the length see the difference.
    const int64_t shortLength = codec->DecompressBlock(out.data(), out.size(), cutMatch.data(), cutMatch.size());
    EXPECT_NE(shortLength, int64_t(input.size()));

    // Random damage never reads or writes out of bounds (the sanitizers watch).
    std::mt19937 rng(99);
    for (int round = 0; round < 2000; ++round) {
        auto damaged = packed;
        for (int k = 0; k < 3; ++k) damaged[rng() % damaged.size()] = uint8_t(rng());
        damaged.resize(1 + rng() % damaged.size());
        const int64_t n = codec->DecompressBlock(out.data(), out.size(), damaged.data(), damaged.size());
        EXPECT_LE(n, int64_t(out.size()));
    }
}

std::vector<uint8_t> EncodeStream(Codec& codec, const std::vector<uint8_t>& input, int level) {
    Vek::IOSlaveMemory source(input.data(), input.size());
    Vek::DynamicBuffer buffer;
    Vek::IOSlaveMemory sink(&buffer);
    EXPECT_TRUE(codec->Encode(sink, source, input.size(), level));
    return std::vector<uint8_t>(buffer.Data(), buffer.Data() + buffer.DataSize());
}

bool DecodeStream(Codec& codec, const std::vector<uint8_t>& stream, std::vector<uint8_t>& out) {
    Vek::IOSlaveMemory source(stream.data(), stream.size());
    Vek::DynamicBuffer buffer;
    Vek::IOSlaveMemory sink(&buffer);
    const bool ok = codec->Decode(sink, source, stream.size());
    out.assign(buffer.Data(), buffer.Data() + buffer.DataSize());
    return ok;
}

TEST(LZSSCompress, StreamsRoundTripAcrossChunks) {
    Codec codec;
    auto cases = RoundTripCases();
    cases.push_back({"three chunks and a bit", RandomBytes(3 * LZSSCompress::kStreamChunkSize + 17, 1)});
    cases.push_back({"exactly one chunk", std::vector<uint8_t>(LZSSCompress::kStreamChunkSize, 'q')});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto stream = EncodeStream(codec, c.input, 9);
        std::vector<uint8_t> back;
        ASSERT_TRUE(DecodeStream(codec, stream, back));
        EXPECT_EQ(back, c.input);
    }
    EXPECT_EQ(EncodeStream(codec, {}, 9).size(), 12u);
}

TEST(LZSSCompress, DamagedStreamsFailCleanly) {
    Codec codec;
    std::string text;
    for (int i = 0; i < 500; ++i) text += "stream data " + std::to_string(i % 7);
    const auto input = Bytes(text);
    const auto stream = EncodeStream(codec, input, 9);
    std::vector<uint8_t> out;

    struct Case {
        const char* name;
        std::vector<uint8_t> stream;
    };
    auto withByte = [&](std::size_t at, uint8_t value) {
        auto v = stream;
        v[at] ^= value;
        return v;
    };
    const std::vector<Case> cases = {
        {"no bytes", {}},
        {"three bytes", {1, 2, 3}},
        {"header only", std::vector<uint8_t>(stream.begin(), stream.begin() + 12)},
        {"end chunk missing", std::vector<uint8_t>(stream.begin(), stream.end() - 12)},
        {"one byte short", std::vector<uint8_t>(stream.begin(), stream.end() - 1)},
        {"bytes after the end", [&] {
             auto v = stream;
             v.push_back(0);
             return v;
         }()},
        {"length word too large", withByte(2, 0x10)},
        {"encoded length damaged", withByte(4, 0x01)},
        {"checksum damaged", withByte(8, 0x01)},
        {"data damaged", withByte(20, 0x40)},
        {"stored length disagrees", [&] {
             auto v = stream;
             v[7] |= 0x80;
             return v;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(DecodeStream(codec, c.stream, out));
    }
    std::mt19937 rng(4);
    for (int round = 0; round < 500; ++round) {
        auto damaged = stream;
        damaged[rng() % damaged.size()] ^= uint8_t(1 + rng() % 255);
        EXPECT_FALSE(DecodeStream(codec, damaged, out));
    }
}

TEST(LZSSCompress, DecodesFromMemoryIntoAFile) {
    VorlexTest::TempDir dir;
    Codec codec;
    const auto input = Bytes(std::string(70000, 'x') + "tail");
    const auto stream = EncodeStream(codec, input, 5);

    const std::string path = dir / "out.bin";
    {
        Vek::File file;
        ASSERT_TRUE(file.Open(path.c_str(), Vek::File::kModeWrite | Vek::File::kModeCreate));
        Vek::IOSlaveFile sink(&file);
        Vek::IOSlaveMemory source(stream.data(), stream.size());
        ASSERT_TRUE(codec->Decode(sink, source, stream.size()));
    }
    Vek::File file;
    ASSERT_TRUE(file.Open(path.c_str(), Vek::File::kModeRead));
    std::vector<uint8_t> back(std::size_t(file.Length()));
    ASSERT_EQ(file.Read(back.data(), back.size()), back.size());
    EXPECT_EQ(back, input);

    // A sink that refuses bytes makes the decode fail.
    Vek::File readOnly;
    ASSERT_TRUE(readOnly.Open(path.c_str(), Vek::File::kModeRead));
    Vek::IOSlaveFile refusing(&readOnly);
    Vek::IOSlaveMemory source(stream.data(), stream.size());
    EXPECT_FALSE(codec->Decode(refusing, source, stream.size()));
}

TEST(LZSSCompress, Adler32MatchesKnownValues) {
    EXPECT_EQ(LZSSCompress::Adler32("", 0), 1u);
    EXPECT_EQ(LZSSCompress::Adler32("Wikipedia", 9), 0x11E60398u);
    const std::vector<uint8_t> big(100000, 0xFF);
    EXPECT_EQ(LZSSCompress::Adler32(big.data(), big.size()), 0x149A302Cu);
}

}  // namespace
