// The kind converters and the numeric test.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "foundation/kuid/KUID.h"
#include "foundation/soups/ACSChunk.h"
#include "foundation/soups/ACSConverter.h"
#include "SoupTestSupport.h"

namespace {

using SoupTest::Bytes;

RawDataRef Block(const Bytes& bytes) {
    return MakeRawDataCopy(static_cast<int32_t>(bytes.size()), bytes.data());
}
RawDataRef TextBlock(const std::string& text, bool nul = true) { return Block(SoupTest::Text(text, nul)); }
RawDataRef IntBlock(std::vector<int32_t> values) {
    return MakeRawDataCopy(static_cast<int32_t>(values.size() * 4), values.data());
}
RawDataRef FloatBlock(std::vector<float> values) {
    return MakeRawDataCopy(static_cast<int32_t>(values.size() * 4), values.data());
}
RawDataRef KuidBlock(const KUID& kuid) {
    uint8_t record[8];
    kuid.ToPackedRecord(record);
    return MakeRawDataCopy(8, record);
}
Bytes BytesOf(const RawDataRef& block) {
    if (!block) return {};
    return Bytes(block->Data(), block->Data() + block->Size());
}
Bytes IntBytes(int32_t v) { return SoupTest::Word(static_cast<uint32_t>(v)); }
Bytes FloatBytes(float f) {
    Bytes out(4);
    std::memcpy(out.data(), &f, 4);
    return out;
}
Bytes KuidBytes(const KUID& kuid) { return BytesOf(KuidBlock(kuid)); }

TEST(IsNumericText, AcceptsOnlyThePlainDecimalForms) {
    struct Case {
        const char* text;
        bool numeric;
    };
    const Case cases[] = {
        {"12", true},   {"-3", true},     {"4.", true},    {".5", true},   {"1.5e+3", true}, {"1.5e-3", true},
        {"7 ", true},   {"7\t ", true},   {".", true},     {"-.", true},   {"+1", false},    {" 1", false},
        {"1e5", false}, {"1E+5", false},  {"1.5e3", false}, {"1,2", false}, {"1.2.3", false}, {"-", false},
        {"", false},    {"- ", false},    {"1.5e+", false}, {"1 2", false}, {"--1", false},   {"1.5e+3e+1", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsNumericText(c.text), c.numeric) << "'" << c.text << "'";
    EXPECT_FALSE(IsNumericText(static_cast<const char*>(nullptr)));
}

TEST(ConvertChunkKind, EveryPairOfKinds) {
    const KUID kuid(12, 34, 0);
    struct Case {
        const char* what;
        int32_t from;
        RawDataRef source;
        int32_t to;
        bool result;
        Bytes expected;
    };
    std::vector<Case> cases = {
        // text to numbers and KUIDs
        {"text 42 to int", 4, TextBlock("42"), 6, true, IntBytes(42)},
        {"text 42 to float", 4, TextBlock("42"), 3, true, FloatBytes(42.0f)},
        {"text -7.9 to int", 4, TextBlock("-7.9"), 6, true, IntBytes(-7)},
        {"text 1.5e+3 to int", 4, TextBlock("1.5e+3"), 6, true, IntBytes(1)},
        {"text 1.5e+3 to float", 4, TextBlock("1.5e+3"), 3, true, FloatBytes(1500.0f)},
        {"text .5 to int", 4, TextBlock(".5"), 6, false, {}},
        {"text . to float", 4, TextBlock("."), 3, false, {}},
        {"text 3,4 to int", 4, TextBlock("3,4"), 6, false, {}},
        {"text abc to float", 4, TextBlock("abc"), 3, false, {}},
        {"text without NUL", 4, TextBlock("17", false), 6, true, IntBytes(17)},
        {"text NUL ends it", 4, Block({'1', 0, '2'}), 6, true, IntBytes(1)},
        {"text to KUID", 4, TextBlock("<kuid:12:34>"), 7, true, KuidBytes(kuid)},
        {"no KUID text to KUID", 4, TextBlock("abc"), 7, true, KuidBytes(KUID::Null())},
        // numbers to text: no NUL
        {"ints to text", 6, IntBlock({1, -2, 3}), 4, true, SoupTest::Text("1,-2,3", false)},
        {"ints with a rest", 6, Block({5, 0, 0, 0, 9}), 4, true, SoupTest::Text("5", false)},
        {"int rest only", 6, Block({5, 0, 0}), 4, false, {}},
        {"floats to text", 3, FloatBlock({0.1f, 1500.0f}), 4, true, SoupTest::Text("0.1,1500", false)},
        {"float 1e20 to text", 3, FloatBlock({1e20f}), 4, true, SoupTest::Text("1e+20", false)},
        {"7 float bytes", 3, Block({0, 0, 0x20, 0x40, 1, 2, 3}), 4, true, SoupTest::Text("2.5", false)},
        // KUID to text keeps its NUL
        {"KUID to text", 7, KuidBlock(kuid), 4, true, SoupTest::Text("<kuid:12:34>", true)},
        {"short KUID", 7, Block({1, 2, 3}), 4, false, {}},
        // two steps through text
        {"float 2.5 to int", 3, FloatBlock({2.5f}), 6, true, IntBytes(2)},
        {"float 1e20 to int", 3, FloatBlock({1e20f}), 6, false, {}},
        {"int 9 to float", 6, IntBlock({9}), 3, true, FloatBytes(9.0f)},
        {"ints 1,2 to float", 6, IntBlock({1, 2}), 3, false, {}},
        {"KUID to int", 7, KuidBlock(kuid), 6, false, {}},
        {"KUID to float", 7, KuidBlock(kuid), 3, false, {}},
        {"int to KUID", 6, IntBlock({5}), 7, true, KuidBytes(KUID(-1, 5, 127))},
        {"float to KUID", 3, FloatBlock({0.5f}), 7, true, KuidBytes(KUID::Null())},
        // kinds without converters, kind 0, and no bytes
        {"raw to text", 2, Block({1, 2}), 4, false, {}},
        {"raw to int", 2, Block({1, 2, 3, 4}), 6, false, {}},
        {"reserved to text", 5, TextBlock("x"), 4, false, {}},
        {"empty kind", 0, TextBlock("1"), 6, false, {}},
        {"no bytes", 4, nullptr, 6, false, {}},
        {"no float bytes", 3, nullptr, 4, false, {}},
    };
    for (const Case& c : cases) {
        RawDataRef out = ConvertChunkKind(c.from, c.source, c.to);
        EXPECT_EQ(static_cast<bool>(out), c.result) << c.what;
        EXPECT_EQ(BytesOf(out), c.expected) << c.what;
    }

    // The same kind gives the very same block.
    RawDataRef text = TextBlock("x");
    EXPECT_EQ(ConvertChunkKind(4, text, 4), text);
    EXPECT_EQ(ConvertChunkKind(2, text, 2), text);
}

// The text forms are what "%d", "%g" and the KUID tag format give: soup
// files written with them are read back by every earlier version, so not
// a byte may differ.
TEST(AppendStandardText, GivesWhatPrintfGives) {
    const auto printed = [](const char* format, auto value) {
        char text[64];
        std::snprintf(text, sizeof text, format, value);
        return std::string(text);
    };
    const auto textOf = [](int32_t kind, const void* data, int32_t size) {
        std::string out = "before:";
        const bool made = AppendStandardText(kind, static_cast<const uint8_t*>(data), size, out);
        EXPECT_EQ(made, out.size() > 7);
        return out.substr(7);
    };

    std::vector<float> floats = {0.0f, -0.0f, 0.1f, 1.5f, 1500.0f, 1e20f, 123456.5f, 999999.5f, 9999995.0f,
                                 0.000123456789f, 1e-5f, 1e-4f, 2.5e-45f, 1.17549435e-38f, 3.40282347e38f,
                                 -7.25f, 100000.0f, 1000000.0f, 0.0001f, 0.00001f,
                                 std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN()};
    std::mt19937 random(11);
    for (int i = 0; i < 200000; ++i) {
        const uint32_t bits = random();
        float value;
        std::memcpy(&value, &bits, 4);
        floats.push_back(value);
    }
    for (float value : floats)
        ASSERT_EQ(textOf(ACSKind::kFloats, &value, 4), printed("%g", static_cast<double>(value))) << value;

    const int32_t ints[] = {0, -1, 7, 2147483647, -2147483647 - 1, 1000000, -42};
    for (int32_t value : ints) EXPECT_EQ(textOf(ACSKind::kIntegers, &value, 4), printed("%d", value));
    // Several values join with ','; a rest shorter than a value is left out.
    const int32_t pair[] = {3, -4};
    EXPECT_EQ(textOf(ACSKind::kIntegers, pair, 8), "3,-4");
    EXPECT_EQ(textOf(ACSKind::kIntegers, pair, 7), "3");
    EXPECT_EQ(textOf(ACSKind::kIntegers, pair, 3), "");

    const KUID kuids[] = {KUID(12, 34, 0), KUID(-3, 5, 127), KUID(7, -8, 3), KUID(-33554432, -2147483647 - 1, 126),
                          KUID::Null()};
    for (const KUID& kuid : kuids) {
        uint8_t record[KUID::kPackedRecordSize];
        kuid.ToPackedRecord(record);
        KUID stored;
        stored.FromPackedRecord(record);
        const std::string expected =
            stored.IsNull()       ? std::string("<NULL>")
            : stored.IsTwoPart() ? printed("<kuid:%d:", stored.GetUserID()) + printed("%d>", stored.GetContentID())
                                 : printed("<kuid2:%d:", stored.GetUserID()) + printed("%d:", stored.GetContentID()) +
                                       printed("%d>", stored.GetVersion());
        EXPECT_EQ(textOf(ACSKind::kKUID, record, 8), expected);
        EXPECT_STREQ(stored.ToTagString().c_str(), expected.c_str());
    }
    EXPECT_EQ(textOf(ACSKind::kKUID, "1234567", 7), "");
    EXPECT_EQ(textOf(ACSKind::kText, "abc", 4), "");
    EXPECT_EQ(textOf(ACSKind::kRaw, "abcd", 4), "");
}

TEST(ConvertChunkKind, ListIsSearchedNewestFirst) {
    // A converter made later takes precedence over the standard one.
    RegisterStandardConverters();
    struct Shouting : ACSConverter {
        Shouting() : ACSConverter(ACSKind::kIntegers, ACSKind::kText) {}
        void Convert(const RawDataRef&, RawDataRef& out) const override { out = MakeRawDataCopy(4, "LOUD"); }
    };
    {
        Shouting shouting;
        EXPECT_EQ(BytesOf(ConvertChunkKind(6, IntBlock({1}), 4)), SoupTest::Text("LOUD", false));
    }
    // Destroyed: unlinked again.
    EXPECT_EQ(BytesOf(ConvertChunkKind(6, IntBlock({1}), 4)), SoupTest::Text("1", false));
}

}  // namespace
