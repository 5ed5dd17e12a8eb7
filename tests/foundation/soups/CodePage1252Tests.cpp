// Windows-1252 to and from UTF-8 with our own table.
#include <gtest/gtest.h>

#include <string>

#include "foundation/soups/CodePage1252.h"

namespace {

TEST(CodePage1252, TableAndRoundTrip) {
    struct Case {
        uint8_t byte;
        char32_t codePoint;
    };
    const Case cases[] = {
        {0x00, 0x0000}, {0x41, 0x0041}, {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0x0081}, {0x8D, 0x008D},
        {0x8F, 0x008F}, {0x90, 0x0090}, {0x9D, 0x009D}, {0x85, 0x2026}, {0x96, 0x2013}, {0x9F, 0x0178},
        {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodePage1252::ToCodePoint(c.byte), c.codePoint) << int(c.byte);
        EXPECT_EQ(CodePage1252::FromCodePoint(c.codePoint), c.byte) << int(c.byte);
    }
    EXPECT_EQ(CodePage1252::FromCodePoint(0x0100), -1);
    EXPECT_EQ(CodePage1252::FromCodePoint(0x65E5), -1);

    // Every byte goes to UTF-8 and back unchanged.
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(CodePage1252::FromUtf8(CodePage1252::ToUtf8(all)), all);
    EXPECT_EQ(CodePage1252::ToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(CodePage1252::ToUtf8("\x80"), "\xE2\x82\xAC");
}

TEST(CodePage1252, UnmappableAndMalformedBecomeQuestionMarks) {
    struct Case {
        const char* what;
        std::string utf8;
        std::string expected;
    };
    const Case cases[] = {
        {"euro", "\xE2\x82\xAC", "\x80"},
        {"no byte for it", "x\xE6\x97\xA5y", "x?y"},
        {"four bytes", "\xF0\x9F\x98\x80", "?"},
        {"overlong", "\xC0\xAF", "??"},
        {"surrogate", "\xED\xA0\x80", "???"},
        {"cut short", "a\xE2\x82", "a??"},
        {"stray continuation", "\x80z", "?z"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", "????"},
    };
    for (const Case& c : cases) EXPECT_EQ(CodePage1252::FromUtf8(c.utf8), c.expected) << c.what;
    EXPECT_FALSE(CodePage1252::HasHighBytes("plain"));
    EXPECT_TRUE(CodePage1252::HasHighBytes("caf\xE9"));
}

}  // namespace
