#include "assetdb/categories/AssetNameText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(UnderscoresToSpaces, ReplacesEveryUnderscore) {
    EXPECT_EQ(UnderscoresToSpaces("Big_Boy__4014_").Std(), "Big Boy  4014 ");
    EXPECT_EQ(UnderscoresToSpaces("plain").Std(), "plain");
    EXPECT_EQ(UnderscoresToSpaces(nullptr).Std(), "");
}

TEST(QuoteLengthAt, RecognisesQuotesAtEitherEnd) {
    struct Case {
        std::string text;
        bool atEnd;  // measure at the last byte (negative count)
        int expected;
    };
    const Case cases[] = {
        {"\"abc\"", false, 1},
        {"\"abc\"", true, 1},
        {"'x'", true, 1},
        {"abc", false, 0},
        {"\x93word\x94", false, 1},  // 1252 curly quotes beside ASCII
        {"\x93word\x94", true, 1},
        {"\x93\xe9", false, 0},  // beside a non-ASCII byte
        {"\xe9\x94", true, 0},
        {"\x93", false, 0},  // a lone curly quote is not taken
        {"\x93", true, 0},
        {"\xe2\x80\x9cword\xe2\x80\x9d", false, 3},
        {"\xe2\x80\x9cword\xe2\x80\x9d", true, 3},
        {"\xe2\x80\x98word\xe2\x80\x99", false, 3},
        {"\xe2\x80\x98word\xe2\x80\x99", true, 3},
        {"word\xe2\x80\x9c", true, 0},   // a left mark at the end
        {"\xe2\x80\x9dword", false, 0},  // a right mark at the start
        {"\xe2\x80", false, 0},          // too short for a three-byte mark
    };
    for (const Case& c : cases) {
        const int n = static_cast<int>(c.text.size());
        const int got = c.atEnd ? QuoteLengthAt(c.text.data() + n - 1, -n) : QuoteLengthAt(c.text.data(), n);
        EXPECT_EQ(got, c.expected) << c.text << (c.atEnd ? " (end)" : " (start)");
    }
    EXPECT_EQ(QuoteLengthAt("\"", 0), 0);
}

}  // namespace
