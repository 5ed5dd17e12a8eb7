// Content signatures, bit for bit: stored values are compared as text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "assetdb/signatures/ContentSignature.h"

TEST(ContentSignature, BlockSignatures) {
    struct Case {
        const char* bytes;
        std::size_t length;
        uint32_t checksum;
        uint32_t size;
        const char* text;
    } cases[] = {
        {"", 0, 0, 0, "0:0"},
        {"a", 1, 0, 0, "0:0"},
        {"abc", 3, 0, 0, "0:0"},
        {"abcd", 4, 0, 0, "0:0"},  // four bytes are not summed
        {"abcdefgh", 8, 1650218576u, 8, "8:1650218576"},
        {"abcdefghij", 10, 1650218576u, 8, "8:1650218576"},  // the last two bytes take no part
        {"abcde", 5, 0xC8C6C4C3u, 4, "4:-926497597"},         // a top bit prints negative
        // One word of 0xFFFFFFFF: c = 0xFFFFFFFF, then (c << 1) | (c >> 30) =
        // 0xFFFFFFFF (a rotation would give the same); a second word of 1
        // wraps c to 0, which the shift keeps at 0, and 0 becomes 1.
        {"\xFF\xFF\xFF\xFF\x01\x00\x00\x00", 8, 1, 8, "8:1"},
        // (c >> 30), not (c >> 31): 0x80000000 gives 0x00000002, where a
        // one-bit rotation would give 0x00000001.
        {"\x00\x00\x00\x80\x00", 5, 2, 4, "4:2"},
    };
    for (const Case& c : cases) {
        const ContentSignature s = ContentSignature::OfBlock(c.bytes, c.length);
        EXPECT_EQ(s.checksum, c.checksum) << c.length << " " << c.text;
        EXPECT_EQ(s.size, c.size) << c.text;
        EXPECT_STREQ(s.ToText().c_str(), c.text);
    }
    EXPECT_EQ(ContentSignature::OfBlock(nullptr, 100), ContentSignature());
}

TEST(ContentSignature, WordsAreLittleEndianAndNeedNoAlignment) {
    char buffer[16] = {};
    std::memcpy(buffer + 1, "abcdefgh", 8);
    EXPECT_EQ(ContentSignature::OfBlock(buffer + 1, 8).checksum, 1650218576u);
}

TEST(ContentSignature, AddingWrapsAndNeverGivesChecksumZero) {
    ContentSignature s{1, 4};
    const ContentSignature result = s.Add(ContentSignature{0xFFFFFFFFu, 4});
    EXPECT_EQ(s, (ContentSignature{1, 8}));
    EXPECT_EQ(result, s);

    ContentSignature big{0x80000000u, 0xFFFFFFF0u};
    big.Add(ContentSignature{0x10u, 0x20u});
    EXPECT_EQ(big, (ContentSignature{0x80000010u, 0x10u}));
    EXPECT_STREQ(big.ToText().c_str(), "16:-2147483632");

    ContentSignature empty;
    empty.Add(ContentSignature());
    EXPECT_EQ(empty, (ContentSignature{1, 0}));
    empty.Clear();
    EXPECT_EQ(empty, ContentSignature());
}
