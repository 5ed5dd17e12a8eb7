#include <gtest/gtest.h>

#include <cstdint>

#include "foundation/console/DecodeUTF8Char.h"

namespace {

struct DecodeCase {
    const char* bytes;
    uint32_t codePoint;
    int length;
};

TEST(DecodeUTF8Char, DecodesAsTheReferenceConverterDoes) {
    const DecodeCase cases[] = {
        {"A", 0x41, 1},
        {"", 0, 1},
        {"\xC3\xA9", 0xE9, 2},
        {"\xE2\x82\xAC", 0x20AC, 3},
        {"\xF0\x9F\x98\x80", 0x1F600, 4},
        {"\x80", 0x80, 1},                           // a stray trailing byte stands for itself
        {"\xC3\x41", ((0xC3u << 6) + 0x41u) - 0x3080u, 2},  // trailing bytes are not checked
        {"\xF8\x88\x80\x80\x80", 0u - 0xFA082080u, 5},
        {"\xFC\x84\x80\x80\x80\x80", 0u - 0x82082080u, 6},
    };
    for (const DecodeCase& c : cases) {
        int length = -1;
        EXPECT_EQ(DecodeUTF8Char(c.bytes, &length), c.codePoint) << c.bytes;
        EXPECT_EQ(length, c.length) << c.bytes;
    }
    EXPECT_EQ(DecodeUTF8Char("\xE2\x82\xAC"), 0x20ACu);  // the length is optional
}

TEST(DecodeUTF8Char, StopsAtTheTerminatorOfASequenceCutShort) {
    const DecodeCase cases[] = {
        {"\xC3", 0xFFFD, 1},
        {"\xE2\x82", 0xFFFD, 2},
        {"\xF0\x9F\x98", 0xFFFD, 3},
        {"\xFC\x84", 0xFFFD, 2},
    };
    for (const DecodeCase& c : cases) {
        int length = -1;
        EXPECT_EQ(DecodeUTF8Char(c.bytes, &length), c.codePoint) << c.bytes;
        EXPECT_EQ(length, c.length) << c.bytes;
    }
    int length = -1;
    EXPECT_EQ(DecodeUTF8Char(nullptr, &length), 0u);
    EXPECT_EQ(length, 0);
}

}  // namespace
