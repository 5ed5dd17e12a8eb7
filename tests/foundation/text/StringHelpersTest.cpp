#include "foundation/text/StringHelpers.h"

#include <gtest/gtest.h>

namespace {

TEST(StringHelpers, MakeBoundedPStringTakesAtMostNCharacters) {
    struct Case {
        const char* text;
        std::size_t n;
        const char* expected;
    };
    const Case cases[] = {
        {"locomotive", 4, "loco"}, {"loco", 10, "loco"}, {"loco", 4, "loco"}, {"loco", 0, ""}, {nullptr, 5, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        Vek::PString s = MakeBoundedPString(c.text, c.n);
        EXPECT_STREQ(s.c_str(), c.expected);
        EXPECT_EQ(s.GetNode(), Vek::PString(c.expected).GetNode());
    }
    // A field without a terminating NUL is not read past its n bytes.
    const char field[4] = {'c', 'a', 'b', 's'};
    EXPECT_STREQ(MakeBoundedPString(field, sizeof(field)).c_str(), "cabs");
}

TEST(StringHelpers, PlainStringsAreIndependentCopies) {
    Vek::String made = StringFromText("consist");
    EXPECT_STREQ(made.c_str(), "consist");
    EXPECT_TRUE(StringFromText(nullptr).IsEmpty());
    Vek::String copy = StringCopy(made);
    copy += "-list";
    EXPECT_STREQ(made.c_str(), "consist");
    EXPECT_STREQ(copy.c_str(), "consist-list");
}

}  // namespace
