// The read buffer: refill sizes, the 16 bytes kept across a refill, moves
// inside the buffer without a seek, and writes after reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/streams/BufferStream.h"
#include "foundation/streams/FileStream.h"
#include "StreamTestSupport.h"
#include "support/TempDir.h"

using StreamTest::CountingBytes;
using StreamTest::ReadFileBytes;
using StreamTest::RecordingBuffer;
using StreamTest::RecordingFile;
using StreamTest::WriteFileBytes;

namespace {

uint8_t ReadOneByte(TStream& stream) {
    uint8_t value = 0xEE;
    EXPECT_TRUE(stream.ReadByte(value));
    return value;
}

class BufferingOnFile : public testing::Test {
protected:
    void SetUp() override {
        m_path = m_dir / "long.bin";
        WriteFileBytes(m_path, CountingBytes(10000));
        ASSERT_TRUE(m_stream.Open(m_path.c_str(), Vek::File::kModeRead));
    }

    VorlexTest::TempDir m_dir;
    std::string m_path;
    RecordingFile m_stream;
};

TEST_F(BufferingOnFile, ByteReadsRefillWith4096Then4080) {
    for (int i = 0; i < 4097; ++i) ASSERT_EQ(ReadOneByte(m_stream), static_cast<uint8_t>(i));
    EXPECT_EQ(m_stream.readRequests, (std::vector<int32_t>{4096, 4080}));
    EXPECT_EQ(m_stream.Tell(), 4097);
    EXPECT_EQ(m_stream.GetError(), 0);
}

TEST_F(BufferingOnFile, KeptBytesReachBackTo4080WithoutSeeking) {
    for (int i = 0; i < 4097; ++i) ReadOneByte(m_stream);
    ASSERT_EQ(m_stream.seeks, 0);

    m_stream.SetPosition(4080);
    EXPECT_EQ(m_stream.seeks, 0) << "position 4080 is still in the buffer";
    EXPECT_EQ(m_stream.Tell(), 4080);
    EXPECT_EQ(ReadOneByte(m_stream), static_cast<uint8_t>(4080));

    m_stream.SetPosition(4079);
    EXPECT_EQ(m_stream.seeks, 1) << "position 4079 is not";
    EXPECT_EQ(m_stream.Tell(), 4079);
    EXPECT_EQ(ReadOneByte(m_stream), static_cast<uint8_t>(4079));
}

TEST_F(BufferingOnFile, ForwardMovesInsideTheBufferDoNotSeek) {
    ReadOneByte(m_stream);
    m_stream.SetPosition(4000);
    m_stream.StepBack(3000);
    EXPECT_EQ(m_stream.seeks, 0);
    EXPECT_EQ(ReadOneByte(m_stream), static_cast<uint8_t>(1000));
    m_stream.SetPosition(4096);  // the end of the buffered data
    EXPECT_EQ(m_stream.seeks, 0);
    m_stream.SetPosition(4097);  // past it
    EXPECT_EQ(m_stream.seeks, 1);
    EXPECT_EQ(ReadOneByte(m_stream), static_cast<uint8_t>(4097));
}

TEST_F(BufferingOnFile, LargeReadsBypassTheBuffer) {
    ReadOneByte(m_stream);
    // 4095 bytes come from the buffer; the remaining 4405 are at least 4080,
    // so they are read straight into the caller's memory.
    std::vector<uint8_t> data(8500);
    ASSERT_EQ(m_stream.Read(data.data(), 8500), 8500);
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(data[8499], static_cast<uint8_t>(8500));
    EXPECT_EQ(m_stream.readRequests, (std::vector<int32_t>{4096, 4405}));
    EXPECT_EQ(m_stream.BufferedCount(), 0);
    EXPECT_EQ(m_stream.Tell(), 8501);

    // Nothing was kept in front, so the next refill fills the buffer from its start.
    EXPECT_EQ(ReadOneByte(m_stream), static_cast<uint8_t>(8501));
    EXPECT_EQ(m_stream.readRequests, (std::vector<int32_t>{4096, 4405, 4096}));
}

TEST(Buffering, StepBackAfterAShortReadGetsTheRealBytes) {
    // A read that runs into the end of a short buffer must not leave the
    // stale back of the buffer standing in for the bytes before the end.
    RecordingBuffer buffer;
    const std::vector<uint8_t> bytes = CountingBytes(10);
    buffer.Write(bytes.data(), 10);
    buffer.Rewind();
    uint8_t head[4];
    ASSERT_EQ(buffer.Read(head, 4), 4);
    uint8_t tail[8] = {};
    ASSERT_EQ(buffer.Read(tail, 8), 6);
    EXPECT_EQ(buffer.Tell(), 10);

    buffer.SetPosition(6);
    uint8_t again[4] = {};
    ASSERT_EQ(buffer.Read(again, 4), 4);
    EXPECT_EQ(std::vector<uint8_t>(again, again + 4), (std::vector<uint8_t>{6, 7, 8, 9}));
}

TEST(Buffering, ReadAfterWritingPastConsumedDataSeesTheNewBytes) {
    // The buffer is consumed to its end (nothing buffered, bytes before the
    // read offset); the write must drop those bytes as well.
    TBuffer buffer;
    const std::vector<uint8_t> bytes = CountingBytes(100);
    buffer.Write(bytes.data(), 100);
    buffer.Rewind();
    int32_t word;
    for (int i = 0; i < 25; ++i) buffer.ReadInt32(word);
    ASSERT_EQ(buffer.Tell(), 100);
    buffer.WriteInt32(0x0A0B0C0D);
    buffer.SetPosition(100);
    int32_t back = 0;
    EXPECT_TRUE(buffer.ReadInt32(back));
    EXPECT_EQ(back, 0x0A0B0C0D);
}

TEST(Buffering, WriteAfterAPartialReadLandsAtTheLogicalPositionInMemory) {
    TBuffer buffer;
    const std::vector<uint8_t> bytes = CountingBytes(100);
    buffer.Write(bytes.data(), 100);
    buffer.Rewind();
    int32_t word;
    buffer.ReadInt32(word);
    ASSERT_GT(buffer.BufferedCount(), 0);
    buffer.WriteInt32(-1);
    EXPECT_EQ(buffer.Tell(), 8);
    std::vector<uint8_t> expected = bytes;
    for (int i = 4; i < 8; ++i) expected[i] = 0xFF;
    EXPECT_EQ(StreamTest::Contents(buffer), expected);
    uint8_t next = 0;
    buffer.ReadByte(next);
    EXPECT_EQ(next, 8);
}

TEST(Buffering, WriteAfterAPartialReadLandsAtTheLogicalPositionInAFile) {
    VorlexTest::TempDir dir;
    const std::string path = dir / "rw.bin";
    const std::vector<uint8_t> bytes = CountingBytes(100);
    WriteFileBytes(path, bytes);
    {
        TFile stream;
        ASSERT_TRUE(stream.Open(path.c_str(), StreamTest::kModeReadWrite));
        int32_t word;
        stream.ReadInt32(word);
        stream.WriteInt32(-1);
        EXPECT_EQ(stream.Tell(), 8);
    }
    std::vector<uint8_t> expected = bytes;
    for (int i = 4; i < 8; ++i) expected[i] = 0xFF;
    EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST(Buffering, LengthKeepsTheLogicalPosition) {
    VorlexTest::TempDir dir;
    const std::string path = dir / "len.bin";
    WriteFileBytes(path, CountingBytes(300));
    TFile file;
    ASSERT_TRUE(file.Open(path.c_str(), Vek::File::kModeRead));
    TBuffer memory;
    memory.Write(CountingBytes(300).data(), 300);
    memory.Rewind();
    for (TStream* stream : {static_cast<TStream*>(&file), static_cast<TStream*>(&memory)}) {
        ReadOneByte(*stream);
        ReadOneByte(*stream);
        EXPECT_EQ(stream->Length(), 300);
        EXPECT_EQ(stream->Tell(), 2);
        EXPECT_EQ(ReadOneByte(*stream), 2);
    }
}

}  // namespace
