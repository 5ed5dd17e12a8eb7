#include "engine/AnsiString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Vek::AnsiString;

TEST(AnsiString, AddAppendsFormattedTextInTheCLocale) {
    AnsiString s("x=");
    s.Add("%d", 42).Add(", %s", "y").Add(" %.2f", 1.5);
    EXPECT_STREQ(s.c_str(), "x=42, y 1.50");
    s.Add("%s", "");
    EXPECT_STREQ(s.c_str(), "x=42, y 1.50");
    s.Add("%s", "100%");  // a '%' inside an argument is not read again
    EXPECT_STREQ(s.c_str(), "x=42, y 1.50100%");
    std::string longText(5000, 'q');
    s.Format("%s|", longText.c_str());
    EXPECT_EQ(s.Length(), 5001u);
    EXPECT_EQ(s.Std().back(), '|');
}

TEST(AnsiString, TokenTakesLeadingFieldsOff) {
    struct Case {
        const char* text;
        const char* delimiters;
        std::vector<std::string> tokens;
        const char* rest;  // what is left after taking the tokens
    };
    const Case cases[] = {
        {"255,128,0", ",", {"255", "128", "0"}, ""},
        {"a,,b", ",", {"a", "b"}, ""},
        {"  lead and trail  ", " ", {"lead", "and", "trail"}, ""},
        {"one\ttwo three", " \t", {"one", "two"}, "three"},
        {",,,", ",", {}, ""},
        {"", ",", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        AnsiString s(c.text);
        for (const std::string& expected : c.tokens) EXPECT_STREQ(s.Token(c.delimiters).c_str(), expected.c_str());
        if (*c.rest) {
            EXPECT_STREQ(s.c_str(), c.rest);
        } else {
            EXPECT_TRUE(s.Token(c.delimiters).IsEmpty());
            EXPECT_TRUE(s.IsEmpty());
        }
    }
}

TEST(AnsiString, CompareAndCompareWith) {
    struct Case {
        const char* a;
        const char* b;
        int order;        // sign of Compare
        int equalNoCase;  // CompareWith
    };
    const Case cases[] = {
        {"abc", "abc", 0, 1},      {"abc", "ABC", 1, 1},  {"abc", "abd", -1, 0}, {"ab", "abc", -1, 0},
        {"", "", 0, 1},            {"", nullptr, 0, 1},   {"a", nullptr, 1, 0},  {"\xE9", "\xC9", 1, 0},
        {"Route 66", "route 66", -1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + (c.b ? c.b : "(null)"));
        int order = AnsiString(c.a).Compare(c.b);
        EXPECT_EQ((order > 0) - (order < 0), c.order);
        EXPECT_EQ(AnsiString(c.a).CompareWith(c.b), c.equalNoCase);
    }
}

TEST(AnsiString, Find) {
    struct Case {
        const char* text;
        const char* what;
        std::size_t start;
        int expected;
    };
    const Case cases[] = {
        {"abcabc", "bc", 0, 1}, {"abcabc", "bc", 2, 4}, {"abcabc", "bc", 5, -1}, {"abcabc", "", 6, 6},
        {"abcabc", "x", 0, -1}, {"abc", "abc", 7, -1},  {"abc", nullptr, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + (c.what ? c.what : "(null)") + " @" + std::to_string(c.start));
        EXPECT_EQ(AnsiString(c.text).Find(c.what, c.start), c.expected);
    }
}

TEST(AnsiString, ConcatenationCopiesTheLeftOperand) {
    AnsiString left("left");
    AnsiString sum = left + "-right";
    EXPECT_STREQ(sum.c_str(), "left-right");
    EXPECT_STREQ((left + AnsiString("+")).c_str(), "left+");
    EXPECT_STREQ((left + static_cast<const char*>(nullptr)).c_str(), "left");
    EXPECT_STREQ(left.c_str(), "left");
}

}  // namespace
