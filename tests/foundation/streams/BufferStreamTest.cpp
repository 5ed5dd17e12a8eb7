// TBuffer: seeks clamped to the block, growth of large blocks, ownership.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/streams/BufferStream.h"
#include "StreamTestSupport.h"

namespace {

TEST(BufferStream, SeeksAreClampedToTheAllocatedSize) {
    TBuffer buffer(new Vek::DynamicBuffer(0, 512), true);
    buffer.Write("0123456789", 10);
    const int32_t allocated = static_cast<int32_t>(buffer.GetBlock()->AllocatedSize());
    ASSERT_EQ(allocated, 512);
    struct Case {
        const char* name;
        int32_t offset;
        int origin;
        int32_t position;
    };
    const Case cases[] = {
        {"from the start", 4, TStream::kSeekSet, 4},
        {"beyond the allocation", 100000, TStream::kSeekSet, allocated},
        {"negative, taken as unsigned", -1, TStream::kSeekSet, allocated},
        {"end", 0, TStream::kSeekEnd, 10},
        {"end counts back", 3, TStream::kSeekEnd, 7},
        {"relative to the logical position", -2, TStream::kSeekCurrent, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.origin == TStream::kSeekCurrent) buffer.SetPosition(7);
        EXPECT_TRUE(buffer.Seek(c.offset, c.origin));
        EXPECT_EQ(buffer.Tell(), c.position);
    }
}

TEST(BufferStream, RelativeSeekCountsFromTheLogicalPositionAfterARead) {
    TBuffer buffer;
    buffer.Write(StreamTest::CountingBytes(50).data(), 50);
    buffer.Rewind();
    uint8_t byte;
    buffer.ReadByte(byte);
    ASSERT_GT(buffer.BufferedCount(), 0);
    buffer.Seek(10, TStream::kSeekCurrent);
    EXPECT_EQ(buffer.Tell(), 11);
    buffer.ReadByte(byte);
    EXPECT_EQ(byte, 11);
}

TEST(BufferStream, EndSeekThenTellGivesTheDataSize) {
    TBuffer buffer;
    buffer.Write(std::string(700, 'a').data(), 700);
    buffer.Rewind();
    buffer.Seek(0, TStream::kSeekEnd);
    EXPECT_EQ(buffer.Tell(), 700);
    EXPECT_TRUE(buffer.Eof());
}

// By the write and 64 KiB, or by the block's own size when that is more,
// so that a block written to its end doubles and its copies stay linear.
TEST(BufferStream, LargeBlocksGrowByTheWriteAnd64KiBOrDouble) {
    struct Case {
        std::size_t first;
        std::size_t grownBy;
    };
    for (const Case c : {Case{17000, 10 + 65536}, Case{1000000, 1000000}}) {
        TBuffer buffer(new Vek::DynamicBuffer(0, 512), true);
        buffer.Write(std::string(c.first, 'a').data(), static_cast<int32_t>(c.first));
        ASSERT_EQ(buffer.GetBlock()->AllocatedSize(), c.first);  // the block's own growth
        buffer.Write("0123456789", 10);
        EXPECT_EQ(buffer.GetBlock()->AllocatedSize(), c.first + c.grownBy);
        EXPECT_EQ(buffer.GetDataSize(), static_cast<int32_t>(c.first + 10));
    }
}

TEST(BufferStream, SmallBlocksKeepTheirOwnGrowth) {
    TBuffer buffer(new Vek::DynamicBuffer(0, 512), true);
    buffer.Write(std::string(600, 'a').data(), 600);
    buffer.Write("x", 1);
    EXPECT_EQ(buffer.GetBlock()->AllocatedSize(), 1112u);  // 600 + the step of 512
}

TEST(BufferStream, WritingAfterASeekPastTheDataFillsTheGapWithZeros) {
    TBuffer buffer;
    const std::vector<uint8_t> dirt(300, 0xFF);
    buffer.Write(dirt.data(), 300);
    buffer.Reset();  // the allocation keeps the old bytes
    buffer.Write("abcd", 4);
    buffer.Seek(100, TStream::kSeekSet);
    buffer.WriteByte('z');
    const std::vector<uint8_t> bytes = StreamTest::Contents(buffer);
    ASSERT_EQ(bytes.size(), 101u);
    for (std::size_t i = 4; i < 100; ++i) ASSERT_EQ(bytes[i], 0) << "at " << i;
    EXPECT_EQ(bytes[100], 'z');
}

TEST(BufferStream, ResetEmptiesTheBlockAndTheReadBuffer) {
    TBuffer buffer;
    buffer.Write("abcdefgh", 8);
    buffer.Rewind();
    uint8_t byte;
    buffer.ReadByte(byte);
    buffer.Reset();
    EXPECT_EQ(buffer.GetDataSize(), 0);
    EXPECT_EQ(buffer.Tell(), 0);
    EXPECT_EQ(buffer.BufferedCount(), 0);
    EXPECT_TRUE(buffer.Eof());
    int32_t value = 0;
    EXPECT_FALSE(buffer.ReadInt32(value, 3));
}

TEST(BufferStream, BorrowedBlockOutlivesTheStream) {
    Vek::DynamicBuffer block(0, 512);
    {
        TBuffer buffer(&block, false);
        buffer.WriteInt32(42);
        EXPECT_TRUE(buffer.IsOpen());
    }
    EXPECT_EQ(block.DataSize(), 4u);
}

}  // namespace
