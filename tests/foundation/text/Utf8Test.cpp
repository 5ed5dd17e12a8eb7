#include "foundation/text/Utf8.h"

#include <gtest/gtest.h>

TEST(Utf8, DecodesWellFormedAndMarksBrokenSequences) {
    const struct {
        const char* bytes;
        char32_t codePoint;
        std::size_t length;
        bool valid;
    } cases[] = {
        {"A", U'A', 1, true},
        {"\xC3\xA9", 0xE9, 2, true},
        {"\xE2\x82\xAC", 0x20AC, 3, true},
        {"\xF0\x9F\x98\x80", 0x1F600, 4, true},
        {"\xC0\xAF", 0xFFFD, 1, false},          // overlong lead
        {"\xE0\x80\xAF", 0xFFFD, 3, false},      // overlong three-byte form
        {"\xED\xA0\x80", 0xFFFD, 3, false},      // surrogate
        {"\xE2\x82", 0xFFFD, 2, false},          // cut short at the end
        {"\xE2\x41\x41", 0xFFFD, 1, false},      // a non-continuation byte ends it
        {"\xFF", 0xFFFD, 1, false},
    };
    for (const auto& c : cases) {
        Utf8::Decoded d = Utf8::DecodeAt(c.bytes, 0);
        EXPECT_EQ(d.codePoint, c.codePoint) << c.bytes;
        EXPECT_EQ(d.length, c.length) << c.bytes;
        EXPECT_EQ(d.valid, c.valid) << c.bytes;
    }
}

TEST(Utf8, AppendRoundTripsThroughDecode) {
    for (char32_t cp : {U'\x01', U'\x7F', U'\x80', U'\x7FF', U'\x800', U'\xFFFD', U'\x10000', U'\x10FFFF'}) {
        std::string out;
        Utf8::Append(out, cp);
        Utf8::Decoded d = Utf8::DecodeAt(out, 0);
        EXPECT_TRUE(d.valid);
        EXPECT_EQ(d.codePoint, cp);
        EXPECT_EQ(d.length, out.size());
    }
}
