// The typed read and write helpers: byte layout, round trips on memory and
// file streams, the string length limits and sized chunks.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/kuid/KUID.h"
#include "foundation/streams/BufferStream.h"
#include "foundation/streams/FileStream.h"
#include "StreamTestSupport.h"
#include "support/TempDir.h"

using StreamTest::Contents;

namespace {

struct LayoutCase {
    const char* name;
    std::function<void(TStream&)> write;
    std::vector<uint8_t> bytes;
};

TEST(StreamHelpers, WriteTheirDocumentedByteLayout) {
    const std::vector<LayoutCase> cases = {
        {"byte", [](TStream& s) { s.WriteByte(0xAB); }, {0xAB}},
        {"int32", [](TStream& s) { s.WriteInt32(-2); }, {0xFE, 0xFF, 0xFF, 0xFF}},
        {"float", [](TStream& s) { s.WriteFloat(1.0f); }, {0x00, 0x00, 0x80, 0x3F}},
        {"int64 low word first", [](TStream& s) { s.WriteInt64(0x0000000100000002LL); },
         {0x02, 0, 0, 0, 0x01, 0, 0, 0}},
        {"bool true", [](TStream& s) { s.WriteBool(true); }, {0x01}},
        {"bool false", [](TStream& s) { s.WriteBool(false); }, {0x00}},
        {"int32 array", [](TStream& s) { const int32_t v[] = {1, 2}; s.WriteInt32Array(v, 2); },
         {1, 0, 0, 0, 2, 0, 0, 0}},
        {"int32 array of count 0", [](TStream& s) { const int32_t v[] = {1}; s.WriteInt32Array(v, 0); }, {}},
        {"interned string", [](TStream& s) { s.WritePString(Vek::PString("ab")); }, {3, 0, 0, 0, 'a', 'b', 0}},
        {"empty interned string", [](TStream& s) { s.WritePString(Vek::PString()); }, {0, 0, 0, 0}},
        {"plain string", [](TStream& s) { s.WriteString(Vek::String("ab")); }, {2, 0, 0, 0, 'a', 'b'}},
        {"empty plain string", [](TStream& s) { s.WriteString(Vek::String()); }, {0, 0, 0, 0}},
        {"two-part KUID", [](TStream& s) { s.WriteKUID(KUID(3, 100, 0)); }, {100, 0, 0, 0, 3, 0, 0, 0}},
        {"KUID with version", [](TStream& s) { s.WriteKUID(KUID(3, 100, 2)); }, {100, 0, 0, 0, 3, 0, 0, 0x04}},
        {"null KUID", [](TStream& s) { s.WriteKUID(KUID()); }, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        TBuffer buffer;
        c.write(buffer);
        EXPECT_EQ(Contents(buffer), c.bytes);
        EXPECT_EQ(buffer.GetError(), 0);
    }
}

// One value written and read back; `check` reads it and compares.
struct RoundTripCase {
    const char* name;
    std::function<void(TStream&)> write;
    std::function<void(TStream&)> check;
};

std::vector<RoundTripCase> RoundTripCases() {
    static const std::string longest(65534, 'p');
    static const std::string plainLongest(65535, 's');
    return {
        {"byte", [](TStream& s) { s.WriteByte(0x9C); },
         [](TStream& s) { uint8_t v = 0; EXPECT_TRUE(s.ReadByte(v)); EXPECT_EQ(v, 0x9C); }},
        {"negative int32", [](TStream& s) { s.WriteInt32(-123456789); },
         [](TStream& s) { int32_t v = 0; EXPECT_TRUE(s.ReadInt32(v, 5)); EXPECT_EQ(v, -123456789); }},
        {"uint32", [](TStream& s) { s.WriteUInt32(0xFEEDCEEB); },
         [](TStream& s) { uint32_t v = 0; EXPECT_TRUE(s.ReadUInt32(v)); EXPECT_EQ(v, 0xFEEDCEEBu); }},
        {"float", [](TStream& s) { s.WriteFloat(-2.75f); },
         [](TStream& s) { float v = 0; EXPECT_TRUE(s.ReadFloat(v, 1.0f)); EXPECT_EQ(v, -2.75f); }},
        {"int64", [](TStream& s) { s.WriteInt64(-0x123456789ALL); },
         [](TStream& s) { int64_t v = 0; EXPECT_TRUE(s.ReadInt64(v, 1)); EXPECT_EQ(v, -0x123456789ALL); }},
        {"bool", [](TStream& s) { s.WriteByte(7); },  // any nonzero byte reads as true
         [](TStream& s) { bool v = false; EXPECT_TRUE(s.ReadBool(v, false)); EXPECT_TRUE(v); }},
        {"int32 array", [](TStream& s) { const int32_t v[] = {-1, 0, 70000}; s.WriteInt32Array(v, 3); },
         [](TStream& s) {
             int32_t v[3] = {};
             EXPECT_EQ(s.ReadInt32Array(v, 3), 3);
             EXPECT_EQ(v[0], -1);
             EXPECT_EQ(v[1], 0);
             EXPECT_EQ(v[2], 70000);
         }},
        {"interned string", [](TStream& s) { s.WritePString("track"); },
         [](TStream& s) { Vek::PString v; EXPECT_TRUE(s.ReadPString(v)); EXPECT_EQ(v, Vek::PString("track")); }},
        {"empty interned string", [](TStream& s) { s.WritePString(""); },
         [](TStream& s) { Vek::PString v("x"); EXPECT_TRUE(s.ReadPString(v)); EXPECT_TRUE(v.IsEmpty()); }},
        {"interned string of 65534 characters", [](TStream& s) { s.WritePString(longest.c_str()); },
         [](TStream& s) {
             Vek::PString v;
             EXPECT_TRUE(s.ReadPString(v));
             EXPECT_EQ(std::string(v.c_str()), longest);
         }},
        {"interned string of 65535 characters is dropped",
         [](TStream& s) { s.WritePString(std::string(65535, 'q').c_str()); },
         [](TStream& s) { Vek::PString v("x"); EXPECT_TRUE(s.ReadPString(v)); EXPECT_TRUE(v.IsEmpty()); }},
        {"plain string", [](TStream& s) { s.WriteString(Vek::String("a b\tc")); },
         [](TStream& s) { Vek::String v; EXPECT_TRUE(s.ReadString(v)); EXPECT_EQ(v.Std(), "a b\tc"); }},
        {"plain string of 65535 bytes", [](TStream& s) { s.WriteString(Vek::String(plainLongest)); },
         [](TStream& s) { Vek::String v; EXPECT_TRUE(s.ReadString(v)); EXPECT_EQ(v.Std(), plainLongest); }},
        {"plain string of 65536 bytes is dropped", [](TStream& s) { s.WriteString(Vek::String(std::string(65536, 't'))); },
         [](TStream& s) { Vek::String v("x"); EXPECT_TRUE(s.ReadString(v)); EXPECT_TRUE(v.IsEmpty()); }},
        {"KUID", [](TStream& s) { s.WriteKUID(KUID(-5, 100, 127)); },
         [](TStream& s) { KUID v(1, 1, 1); EXPECT_TRUE(s.ReadKUID(v)); EXPECT_EQ(v, KUID(-5, 100, 127)); }},
        {"raw bytes", [](TStream& s) { s.Write("\x01\x02\x03", 3); },
         [](TStream& s) {
             uint8_t v[3] = {};
             EXPECT_EQ(s.Read(v, 3), 3);
             EXPECT_EQ(v[2], 3);
         }},
    };
}

enum class Kind { kMemory, kFile };

class StreamRoundTrip : public testing::TestWithParam<Kind> {
protected:
    std::unique_ptr<TStream> MakeStream() {
        if (GetParam() == Kind::kMemory) return std::make_unique<TBuffer>();
        auto file = std::make_unique<TFile>();
        EXPECT_TRUE(file->Open((m_dir / "values.bin").c_str(), StreamTest::kModeReadWriteNew));
        return file;
    }

    VorlexTest::TempDir m_dir;
};

TEST_P(StreamRoundTrip, EveryValueKindReadsBackAsWritten) {
    // All kinds in one stream, so values straddle buffer refills and the
    // long strings go through the direct-read path.
    std::unique_ptr<TStream> stream = MakeStream();
    const std::vector<RoundTripCase> cases = RoundTripCases();
    for (const RoundTripCase& c : cases) c.write(*stream);
    stream->WriteInt32(0x5AFE);  // end marker
    ASSERT_EQ(stream->GetError(), 0);

    stream->Rewind();
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.name);
        c.check(*stream);
    }
    int32_t marker = 0;
    EXPECT_TRUE(stream->ReadInt32(marker));
    EXPECT_EQ(marker, 0x5AFE);
    if (GetParam() == Kind::kMemory) {
        EXPECT_EQ(stream->GetError(), 0);
    }
}

TEST_P(StreamRoundTrip, SizedChunksNestAndPatchTheirLengths) {
    std::unique_ptr<TStream> stream = MakeStream();
    stream->Write("0123456789", 10);
    const int32_t outer = stream->BeginSizedBlock();
    EXPECT_EQ(outer, 10);
    stream->WriteInt32(1);
    const int32_t inner = stream->BeginSizedBlock();
    stream->WritePString("abc");
    stream->EndSizedBlock(inner);
    stream->WriteByte(9);
    stream->EndSizedBlock(outer);
    const int32_t unended = stream->BeginSizedBlock();
    stream->WriteInt32(2);
    EXPECT_EQ(stream->Tell(), unended + 8) << "ending a chunk returns to its end";

    stream->SetPosition(outer);
    int32_t outerLength = 0, first = 0, innerLength = 0, unendedWord = 0;
    Vek::PString text;
    uint8_t last = 0;
    stream->ReadInt32(outerLength);
    stream->ReadInt32(first);
    stream->ReadInt32(innerLength);
    stream->ReadPString(text);
    stream->ReadByte(last);
    stream->ReadInt32(unendedWord);
    EXPECT_EQ(outerLength, 4 + 4 + 8 + 1);
    EXPECT_EQ(innerLength, 8);
    EXPECT_EQ(text, Vek::PString("abc"));
    EXPECT_EQ(last, 9);
    EXPECT_EQ(static_cast<uint32_t>(unendedWord), TStream::kSizedBlockPlaceholder);
}

INSTANTIATE_TEST_SUITE_P(MemoryAndFile, StreamRoundTrip, testing::Values(Kind::kMemory, Kind::kFile),
                         [](const testing::TestParamInfo<Kind>& info) {
                             return info.param == Kind::kMemory ? std::string("Memory") : std::string("File");
                         });

TEST(StreamHelpers, ChunkFromTenToThirtyHoldsSixteen) {
    TBuffer buffer;
    buffer.Write(std::string(10, 'x').data(), 10);
    const int32_t start = buffer.BeginSizedBlock();
    buffer.Write(std::string(16, 'y').data(), 16);
    ASSERT_EQ(buffer.Tell(), 30);
    buffer.EndSizedBlock(start);
    const std::vector<uint8_t> bytes = Contents(buffer);
    EXPECT_EQ(bytes[10], 16);
    EXPECT_EQ(bytes[11], 0);
    EXPECT_EQ(buffer.Tell(), 30);
}

TEST(StreamHelpers, WriteInt32AtPatchesAndReturns) {
    TBuffer buffer;
    buffer.WriteInt32(0);
    buffer.WriteInt32(0);
    buffer.WriteInt32At(4, 0x01020304);
    EXPECT_EQ(buffer.Tell(), 8);
    EXPECT_EQ(Contents(buffer), (std::vector<uint8_t>{0, 0, 0, 0, 4, 3, 2, 1}));
}

}  // namespace
