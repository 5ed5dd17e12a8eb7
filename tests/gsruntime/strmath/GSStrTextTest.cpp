// The text rules of the Str natives and the Math generator, as plain
// functions.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <ctime>
#include <limits>
#include <string>

#include "gsruntime/natives/strmath/GSMathGenerator.h"
#include "gsruntime/natives/strmath/GSMathNatives.h"
#include "gsruntime/natives/strmath/GSStrText.h"

namespace {

namespace T = GSRuntime::GSStrText;

TEST(GSStrText, TrimByASetOrByWhitespace) {
    const struct {
        const char* text;
        const char* set;
        const char* left;
        const char* right;
    } cases[] = {
        {"  abc ", nullptr, "abc ", "  abc"},
        {"\t\r\n", nullptr, "", ""},
        {"\v x \v", "", "x \v", "\v x"},
        {"xxaxx", "x", "axx", "xxa"},
        {"xyxbyx", "xy", "byx", "xyxb"},
        {"\f a", nullptr, "\f a", "\f a"},  // form feed is not in the set
        {"", nullptr, "", ""},
    };
    for (const auto& c : cases) {
        std::string left = c.text;
        T::TrimLeft(left, c.set);
        EXPECT_EQ(left, c.left) << '"' << c.text << '"';
        std::string right = c.text;
        T::TrimRight(right, c.set);
        EXPECT_EQ(right, c.right) << '"' << c.text << '"';
    }
}

TEST(GSStrText, DecimalConversionsStopAtTheFirstOtherCharacter) {
    const struct {
        const char* text;
        int32_t value;
    } ints[] = {
        {"42", 42},
        {"  -17xyz", -17},
        {"+8", 8},
        {"\f\t 12", 12},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},
        {"0x1F", 0},
    };
    for (const auto& c : ints) EXPECT_EQ(T::ToInt(c.text), c.value) << '"' << c.text << '"';

    const struct {
        const char* text;
        float value;
    } floats[] = {
        {"1.5", 1.5f}, {"  -2.25e2x", -225.0f}, {".5", 0.5f},   {"5.", 5.0f},
        {"1e", 1.0f},  {"1e+", 1.0f},           {"abc", 0.0f},  {".", 0.0f},
        {"inf", 0.0f}, {"nan", 0.0f},           {"0x10", 0.0f}, {"+3", 3.0f},
    };
    for (const auto& c : floats) EXPECT_EQ(T::ToFloat(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(T::ToFloat("1e39"), std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::signbit(T::ToFloat("-0")));
}

TEST(GSStrText, UnpackTakesTheFirstTokenAndKeepsWhatEndedIt) {
    std::string text = " 12 34";
    EXPECT_EQ(T::Unpack(text), "12");
    EXPECT_EQ(text, " 34");
    EXPECT_EQ(T::Unpack(text), "34");
    EXPECT_EQ(text, "");
    text = "word";
    EXPECT_EQ(T::Unpack(text), "word");
    EXPECT_EQ(text, "");
    text = " \t\r\n\v";
    EXPECT_EQ(T::Unpack(text), "");
    EXPECT_EQ(text, "");
    text = "a\tb";
    EXPECT_EQ(T::Unpack(text), "a");
    EXPECT_EQ(text, "\tb");
}

// The generator against the same recurrence worked with C's truncating
// division: 1, then 31415822, 40519863, 62952524; a negative state stays
// negative.
TEST(GSMathGenerator, FollowsTheRecurrenceForAnyState) {
    namespace G = GSRuntime::GSMathGenerator;
    G::SetState(1);
    EXPECT_EQ(G::Next(), 31415822);
    EXPECT_EQ(G::Next(), 40519863);
    EXPECT_EQ(G::Next(), 62952524);
    G::SetState(-123456789);
    EXPECT_EQ(G::Next(), -84458768);
    EXPECT_EQ(G::Next(), -37368527);
    G::SetState(INT_MIN);
    EXPECT_EQ(G::Next(), -85995007);
    // For a state that is not negative it is (a * 31415821 + 1) mod 10^8.
    G::SetState(987654321);
    EXPECT_EQ(G::Next(), static_cast<int32_t>((987654321ll * 31415821 + 1) % 100000000));
    // A draw is the absolute value modulo 65535.
    G::SetState(-123456789);
    EXPECT_EQ(G::Draw(), 84458768 % 65535);
}

TEST(GSMathGenerator, SeedsFromTheClockSoThatOneSecondGivesOneSequence) {
    namespace G = GSRuntime::GSMathGenerator;
    const std::time_t before = std::time(nullptr);
    G::SeedFromClock();
    const int32_t seeded = G::State();
    const std::time_t after = std::time(nullptr);
    EXPECT_TRUE(seeded == static_cast<int32_t>(before) || seeded == static_cast<int32_t>(after));
    if (before == after) {
        const int32_t first = G::Next();
        G::SeedFromClock();
        if (std::time(nullptr) == before) {
            EXPECT_EQ(G::Next(), first);
        }
    }
}

TEST(GSMathNatives, RandomValuesStayInTheirRange) {
    using GSRuntime::GSMathRandFloatValue;
    using GSRuntime::GSMathRandIntValue;
    for (int32_t r : {0, 1, 32767, 65534}) {
        EXPECT_EQ(GSMathRandIntValue(5, 5, r), 5);
        EXPECT_EQ(GSMathRandFloatValue(2.5f, 2.5f, r), 2.5f);
        EXPECT_LT(GSMathRandFloatValue(0.0f, 1.0f, r), 1.0f);
    }
    EXPECT_EQ(GSMathRandIntValue(0, 10, 0), 0);
    EXPECT_EQ(GSMathRandIntValue(0, 10, 65534), 9);
    EXPECT_EQ(GSMathRandIntValue(10, 0, 65534), 1);
    EXPECT_EQ(GSMathRandIntValue(-10, 10, 65534), 9);
    EXPECT_EQ(GSMathRandFloatValue(0.0f, 1.0f, 0), 0.0f);
    EXPECT_FLOAT_EQ(GSMathRandFloatValue(0.0f, 1.0f, 32767), 32767.0f / 65535.0f);
    // hi - lo wraps over the whole int range to -1: every draw gives lo.
    EXPECT_EQ(GSMathRandIntValue(INT_MIN, INT_MAX, 65534), INT_MIN);
}

}  // namespace
