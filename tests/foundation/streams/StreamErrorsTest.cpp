// Sticky errors, short reads with their defaults, and damaged string lengths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/streams/BufferStream.h"
#include "foundation/streams/FileStream.h"
#include "StreamTestSupport.h"
#include "support/TempDir.h"

namespace {

TEST(StreamErrors, ShortReadOnMemoryGivesDefaultAndStickyError4) {
    TBuffer buffer;
    buffer.Write("\x01\x02", 2);
    buffer.Rewind();
    int32_t value = 0;
    EXPECT_FALSE(buffer.ReadInt32(value, 77));
    EXPECT_EQ(value, 77);
    EXPECT_EQ(buffer.GetError(), TStream::kErrorPastEnd);
    EXPECT_FALSE(buffer.ReadInt32(value, 78));
    EXPECT_EQ(value, 78);
    EXPECT_EQ(buffer.GetError(), TStream::kErrorPastEnd);
}

TEST(StreamErrors, ShortReadOnFileKeepsTheRefillsError1) {
    VorlexTest::TempDir dir;
    StreamTest::WriteFileBytes(dir / "two.bin", {1, 2});
    TFile file;
    ASSERT_TRUE(file.Open((dir / "two.bin").c_str(), Vek::File::kModeRead));
    int32_t value = 0;
    EXPECT_FALSE(file.ReadInt32(value, 77));
    EXPECT_EQ(value, 77);
    EXPECT_EQ(file.GetError(), TStream::kErrorIO);
    EXPECT_FALSE(file.ReadInt32(value, 78));
    EXPECT_EQ(value, 78);
    EXPECT_EQ(file.GetError(), TStream::kErrorIO);
}

TEST(StreamErrors, FileConsumedToItsEndReportsError1EvenWhenEveryReadWasWhole) {
    VorlexTest::TempDir dir;
    StreamTest::WriteFileBytes(dir / "eight.bin", {1, 0, 0, 0, 2, 0, 0, 0});
    TFile file;
    ASSERT_TRUE(file.Open((dir / "eight.bin").c_str(), Vek::File::kModeRead));
    int32_t a = 0, b = 0;
    EXPECT_TRUE(file.ReadInt32(a));
    EXPECT_TRUE(file.ReadInt32(b));
    EXPECT_EQ(a + b, 3);
    EXPECT_EQ(file.GetError(), TStream::kErrorIO);
    EXPECT_TRUE(file.Eof());
}

TEST(StreamErrors, ShortReadsOfEveryHelperStoreTheirDefaults) {
    TBuffer buffer;  // empty
    uint8_t byte = 0;
    float number = 0;
    int64_t wide = 0;
    bool flag = false;
    int32_t items[2] = {5, 5};
    Vek::PString interned("x");
    Vek::String plain("x");
    EXPECT_FALSE(buffer.ReadByte(byte, 9));
    EXPECT_FALSE(buffer.ReadFloat(number, 1.5f));
    EXPECT_FALSE(buffer.ReadInt64(wide, -3));
    EXPECT_FALSE(buffer.ReadBool(flag, true));
    EXPECT_EQ(buffer.ReadInt32Array(items, 2), 0);
    EXPECT_FALSE(buffer.ReadPString(interned));
    EXPECT_FALSE(buffer.ReadString(plain));
    EXPECT_EQ(byte, 9);
    EXPECT_EQ(number, 1.5f);
    EXPECT_EQ(wide, -3);
    EXPECT_TRUE(flag);
    EXPECT_EQ(items[0], 0);
    EXPECT_EQ(items[1], 0);
    EXPECT_TRUE(interned.IsEmpty());
    EXPECT_TRUE(plain.IsEmpty());
    EXPECT_EQ(buffer.GetError(), TStream::kErrorPastEnd);
}

TEST(StreamErrors, FirstErrorIsKept) {
    TBuffer buffer;
    buffer.SetError(TStream::kErrorMemory);
    buffer.SetError(TStream::kErrorPastEnd);
    EXPECT_EQ(buffer.GetError(), TStream::kErrorMemory);
    buffer.Reset();  // a memory stream's reset keeps the error
    EXPECT_EQ(buffer.GetError(), TStream::kErrorMemory);
}

// A length field of 0x10000 followed by that many bytes and the int32 7.
void WriteOverlongString(TStream& stream) {
    stream.WriteInt32(0x10000);
    const std::string body(0x10000, 'z');
    stream.Write(body.data(), 0x10000);
    stream.WriteInt32(7);
    stream.Rewind();
}

TEST(StreamErrors, OverlongStringsAreSkippedWithError3) {
    VorlexTest::TempDir dir;
    TBuffer memory1, memory2;
    TFile file;
    ASSERT_TRUE(file.Open((dir / "long.bin").c_str(), StreamTest::kModeReadWriteNew));
    struct Case {
        const char* name;
        TStream* stream;
        bool interned;
    };
    const Case cases[] = {{"interned, memory", &memory1, true},
                          {"plain, memory", &memory2, false},
                          {"interned, file", &file, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteOverlongString(*c.stream);
        if (c.interned) {
            Vek::PString text("x");
            EXPECT_FALSE(c.stream->ReadPString(text));
            EXPECT_TRUE(text.IsEmpty());
        } else {
            Vek::String text("x");
            EXPECT_FALSE(c.stream->ReadString(text));
            EXPECT_TRUE(text.IsEmpty());
        }
        EXPECT_EQ(c.stream->GetError(), TStream::kErrorMemory);
        int32_t next = 0;
        EXPECT_TRUE(c.stream->ReadInt32(next));
        EXPECT_EQ(next, 7);
    }
}

TEST(StreamErrors, NegativeStringLengthIsRefusedWithoutMoving) {
    TBuffer buffer;
    buffer.WriteInt32(-8);
    buffer.WriteInt32(7);
    buffer.Rewind();
    Vek::PString text("x");
    EXPECT_FALSE(buffer.ReadPString(text));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(buffer.GetError(), TStream::kErrorMemory);
    EXPECT_EQ(buffer.Tell(), 4);
}

TEST(StreamErrors, StringBodyCutShortKeepsItsTextAndReportsTheShortRead) {
    TBuffer buffer;
    buffer.WriteInt32(10);
    buffer.Write("abc", 3);
    buffer.Rewind();
    Vek::String text;
    EXPECT_FALSE(buffer.ReadString(text));
    EXPECT_EQ(text.Std(), "abc");
    EXPECT_EQ(buffer.GetError(), TStream::kErrorPastEnd);
}

TEST(StreamErrors, StringBodyStopsAtItsFirstNul) {
    TBuffer buffer;
    buffer.WriteInt32(5);
    buffer.Write("ab\0cd", 5);
    buffer.Rewind();
    Vek::PString text;
    EXPECT_TRUE(buffer.ReadPString(text));
    EXPECT_EQ(text, Vek::PString("ab"));
    EXPECT_EQ(buffer.Tell(), 9);
    EXPECT_EQ(buffer.GetError(), 0);
}

}  // namespace
