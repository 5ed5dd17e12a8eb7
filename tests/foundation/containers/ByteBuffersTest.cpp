#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/containers/CharBuffer.h"
#include "foundation/containers/GSLibraryBuffer.h"

namespace {

TEST(GSLibraryBuffer, GrowsByItsStepAndStoresLittleEndian) {
    GSLibraryBuffer buffer;
    buffer.Init(8);
    EXPECT_EQ(buffer.Capacity(), 8u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer.Data()) % 4, 0u);
    buffer.WriteUInt32(0x04030201);
    buffer.WriteUInt16(0x0605);
    buffer.WriteUInt8(7);
    EXPECT_EQ(buffer.Capacity(), 8u);
    buffer.WriteUInt32(0x0B0A0908);  // needs 11 >= 8: capacity 11 + 8
    EXPECT_EQ(buffer.Capacity(), 19u);
    EXPECT_EQ(buffer.Length(), 11u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer.Data()) % 4, 0u);
    const uint8_t expected[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    EXPECT_EQ(std::memcmp(buffer.Data(), expected, sizeof expected), 0);

    // Patching a chunk length: jump back, write, jump forward.
    buffer.SetPosition(0);
    buffer.WriteUInt32(0xAABBCCDD);
    buffer.SetPosition(11);
    EXPECT_EQ(buffer.Length(), 11u);
    buffer.Skip(5);
    EXPECT_EQ(buffer.Length(), 16u);
    EXPECT_EQ(buffer.Flags(), 0u);

    buffer.SetPosition(0);
    uint32_t word = 0;
    buffer.ReadUInt32(word);
    EXPECT_EQ(word, 0xAABBCCDDu);
    uint16_t half = 0;
    buffer.ReadUInt16(half);
    EXPECT_EQ(half, 0x0605);
}

TEST(GSLibraryBuffer, ReadPastTheLengthSetsBit1AndReadsNothing) {
    GSLibraryBuffer buffer;
    buffer.Init(16);
    buffer.WriteUInt32(1);
    buffer.WriteUInt32(2);
    buffer.SetPosition(buffer.Length() - 2);
    uint32_t out = 0x55;
    buffer.ReadUInt32(out);
    EXPECT_EQ(out, 0x55u);
    EXPECT_EQ(buffer.Flags(), GSLibraryBuffer::kPastEnd);
    EXPECT_EQ(buffer.Position(), 6u);

    buffer.Reset();
    EXPECT_EQ(buffer.Flags(), 0u);
    buffer.SetPosition(1);  // beyond the empty length
    EXPECT_EQ(buffer.Flags(), GSLibraryBuffer::kPastEnd);
    EXPECT_EQ(buffer.Position(), 0u);
}

TEST(GSLibraryBuffer, WritesWithoutABlockAreSkippedAndFlagged) {
    GSLibraryBuffer buffer;  // never initialised
    buffer.WriteUInt32(1);
    EXPECT_EQ(buffer.Flags() & GSLibraryBuffer::kOutOfMemory, GSLibraryBuffer::kOutOfMemory);
    EXPECT_EQ(buffer.Position(), 0u);
    EXPECT_EQ(buffer.Length(), 0u);

    // Sizes past the 32-bit range fail without any allocation.
    buffer.Init(4);
    buffer.Skip(UINT32_MAX);  // capacity UINT32_MAX + 4
    EXPECT_EQ(buffer.Flags(), GSLibraryBuffer::kOutOfMemory);
    EXPECT_EQ(buffer.Position(), 0u);
    buffer.Reset();
    buffer.WriteUInt32(1);
    buffer.Skip(UINT32_MAX - 2);  // position + n would wrap around
    EXPECT_EQ(buffer.Flags(), GSLibraryBuffer::kOutOfMemory);
    EXPECT_EQ(buffer.Position(), 4u);
    buffer.WriteUInt32(2);  // skipped while the flag is set
    EXPECT_EQ(buffer.Position(), 4u);
    buffer.Free();
    EXPECT_EQ(buffer.Flags(), 0u);
    EXPECT_EQ(buffer.Data(), nullptr);
}

// Bytes put in front keep every byte after them, whether the block has room
// or must grow (a large block across several growths), and move the
// position with its byte.
TEST(GSLibraryBuffer, PrependKeepsTheBytesAfterIt) {
    for (const uint32_t length : {3u, 100u, 300000u}) {
        GSLibraryBuffer buffer;
        buffer.Init(64);
        std::string bytes;
        for (uint32_t i = 0; i < length; ++i) bytes += static_cast<char>('a' + i % 26);
        buffer.Write(bytes.data(), length);
        buffer.SetPosition(1);
        buffer.Prepend("XYZ!", 4);
        EXPECT_EQ(buffer.Flags(), 0u) << length;
        EXPECT_EQ(buffer.Position(), 5u) << length;
        ASSERT_EQ(buffer.Length(), length + 4) << length;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Length()), "XYZ!" + bytes)
            << length;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer.Data()) % 4, 0u);
    }
    GSLibraryBuffer empty;  // never initialised: flagged, nothing written
    empty.Prepend("ab", 2);
    EXPECT_EQ(empty.Flags(), GSLibraryBuffer::kOutOfMemory);
    EXPECT_EQ(empty.Length(), 0u);
}

TEST(CharBuffer, GrowsInWholeBlocksAndKeepsItsBytes) {
    CharBuffer buffer;
    ASSERT_TRUE(buffer.Reserve(1));
    EXPECT_EQ(buffer.Capacity(), 4096u);
    ASSERT_TRUE(buffer.Append("abc", 3));
    ASSERT_TRUE(buffer.Reserve(4097));
    EXPECT_EQ(buffer.Capacity(), 8192u);
    EXPECT_EQ(std::string(buffer.Data(), buffer.Length()), "abc");

    std::string expected = "abc";
    for (int i = 0; i < 9000; ++i) {
        const char c = static_cast<char>('a' + i % 26);
        ASSERT_TRUE(buffer.Append(c));
        expected += c;
    }
    EXPECT_EQ(buffer.Capacity(), 12288u);
    EXPECT_EQ(std::string(buffer.CStr()), expected);

    ASSERT_TRUE(buffer.Resize(2));
    EXPECT_STREQ(buffer.CStr(), "ab");
    ASSERT_TRUE(buffer.Resize(4));
    EXPECT_EQ(std::string(buffer.Data(), 4), std::string("ab\0\0", 4));
}

}  // namespace
