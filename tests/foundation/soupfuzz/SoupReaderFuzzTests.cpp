// A bounded random-mutation run of both soup readers: thousands of mutated
// copies of valid files (fixed seed, so a failure repeats) must read without
// a crash, a sanitizer report or a hang, and whatever they give must walk,
// convert, copy and write again.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/soups/TextSoupReader.h"
#include "foundation/soups/TextSoupWriter.h"
#include "foundation/streams/BufferStream.h"

namespace {

using Bytes = std::vector<uint8_t>;

SoupHandle Seed() {
    SoupHandle soup, box, inner;
    soup.SetString("kind", "traincar");
    soup.SetKUID("kuid", KUID(-3, 1012, 127));
    soup.SetInt("count", 12);
    soup.SetFloat("scale", 1.5f);
    SoupHandle::FloatArray floats;
    floats.Add(1.0f), floats.Add(-2.5f), floats.Add(3.0f);
    soup.SetFloatArray("camera", floats);
    soup.SetString("description", "two words\r\nand a line");
    soup.SetEmpty("nothing");
    inner.SetKUID("0", KUID(1, 2, 3));
    inner.SetString("1", "<kuid:4:5>");
    box.SetContainer("inner", inner);
    box.SetInt("n", -1);
    soup.SetContainer("box", box);
    ChunkRef root = soup.GetRoot();
    root->AppendChild("raw", root->CreateChunk(ACSKind::kRaw, MakeRawDataCopy(5, "\x01\x02\x03\x04\x05")));
    return soup;
}

Bytes BinaryOf(const SoupHandle& soup) {
    TBuffer out;
    WriteBinarySoup(out, soup);
    return Bytes(out.GetData(), out.GetData() + out.GetDataSize());
}

Bytes TextOf(const SoupHandle& soup) {
    TBuffer out;
    WriteTextSoup(soup, out);
    return Bytes(out.GetData(), out.GetData() + out.GetDataSize());
}

// Bytes that matter to the formats, so mutations hit interesting cases.
const uint8_t kInteresting[] = {0x00, 0x01, 0x03, 0x05, 0x0C, 0x0D, 0xFF, 0x7F, 0x80, 0xFE, '{', '}', '"',
                                ' ',  '\r', '\n', '-', '.', ',', '<', '\\', 0xEF, 0xBB, 0xBF, 0xE9};

Bytes Mutate(Bytes data, std::mt19937& random) {
    int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
        std::size_t size = data.size();
        std::size_t at = size ? random() % size : 0;
        switch (random() % 7) {
            case 0:  // flip a bit
                if (size) data[at] ^= static_cast<uint8_t>(1u << (random() % 8));
                break;
            case 1:  // an interesting byte
                if (size) data[at] = kInteresting[random() % sizeof kInteresting];
                break;
            case 2:  // a random byte
                if (size) data[at] = static_cast<uint8_t>(random());
                break;
            case 3:  // cut the end off
                data.resize(at);
                break;
            case 4:  // delete a run
                if (size) data.erase(data.begin() + at, data.begin() + std::min(size, at + 1 + random() % 8));
                break;
            case 5:  // duplicate a run
                if (size) {
                    std::size_t n = std::min<std::size_t>(size - at, 1 + random() % 32);
                    Bytes run(data.begin() + at, data.begin() + at + n);
                    data.insert(data.begin() + at, run.begin(), run.end());
                }
                break;
            case 6:  // a 32-bit word that is large, small or negative
                if (size >= 4) {
                    static const uint32_t words[] = {0, 1, 5, 6, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x10000};
                    uint32_t w = words[random() % 8];
                    std::size_t p = random() % (size - 3);
                    for (int i = 0; i < 4; ++i) data[p + i] = static_cast<uint8_t>(w >> (8 * i));
                }
                break;
        }
    }
    return data;
}

// Uses what a reader gave the way callers do.
void Exercise(const SoupHandle& soup, int depth = 0) {
    if (depth > 8) return;
    for (int32_t i = 0; i < soup.Count() && i < 64; ++i) {
        Vek::PString name = soup.GetTagName(i);
        soup.GetInt(name, 0);
        soup.GetFloat(name, 0);
        soup.GetString(name);
        soup.GetKUID(name, KUID());
        Exercise(soup.GetContainerAt(i), depth + 1);
    }
}

void Use(SoupHandle& soup) {
    Exercise(soup);
    SoupHandle copy;
    copy.CopyFrom(soup);
    soup.SetInt("added", 1);
    soup.RemoveTag("count");
    TBuffer binary;
    WriteBinarySoup(binary, soup);
    TBuffer text;
    WriteTextSoup(soup, text);
}

constexpr int kRounds = 10000;

TEST(SoupReaderFuzz, BinaryReaderSurvivesMutations) {
    const Bytes seeds[] = {BinaryOf(Seed()), BinaryOf(SoupHandle())};
    std::mt19937 random(20240611);
    int readable = 0;
    for (int round = 0; round < kRounds; ++round) {
        Bytes data = Mutate(seeds[round % 10 == 0 ? 1 : 0], random);
        TBuffer in;
        if (!data.empty()) in.Write(data.data(), static_cast<int32_t>(data.size()));
        in.Rewind();
        SoupHandle soup;
        ReadBinarySoup(soup, in);
        if (!soup.IsEmpty()) ++readable;
        Use(soup);
    }
    // The mutations reach past the structure checks often enough to matter.
    EXPECT_GT(readable, kRounds / 10);
}

TEST(SoupReaderFuzz, TextReaderSurvivesMutations) {
    Bytes withMark = TextOf(Seed());
    Bytes withoutMark(withMark.begin() + 3, withMark.end());
    const Bytes seeds[] = {withMark, withoutMark};
    std::mt19937 random(20240612);
    int readable = 0;
    for (int round = 0; round < kRounds; ++round) {
        Bytes data = Mutate(seeds[round % 2], random);
        TBuffer in;
        if (!data.empty()) in.Write(data.data(), static_cast<int32_t>(data.size()));
        in.Rewind();
        SoupHandle soup;
        ParseTextSoup(soup, in);
        if (!soup.IsEmpty()) ++readable;
        Use(soup);
    }
    // The mutations reach past the structure checks often enough to matter.
    EXPECT_GT(readable, kRounds / 10);
}

}  // namespace
