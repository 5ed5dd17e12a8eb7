// KUID: text forms, parsing in both modes, packing, stream form and ordering.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "foundation/kuid/KUID.h"
#include "foundation/streams/BufferStream.h"

namespace {

std::string Describe(const KUID& k) {
    return "(" + std::to_string(k.GetUserID()) + ", " + std::to_string(k.GetContentID()) + ", " +
           std::to_string(k.GetVersion()) + ")";
}

TEST(KUIDText, FourFormsOfEachKind) {
    struct Case {
        KUID kuid;
        const char* tag;
        const char* base;
        const char* folder;
        const char* shortForm;
    };
    const Case cases[] = {
        {KUID(-1, -1, 127), "<NULL>", "<NULL>", "NULLKUID", "NULLKUID"},
        {KUID(3, 100, 0), "<kuid:3:100>", "<kuid:3:100>", "kuid 3 100", "3:100"},
        {KUID(3, 100, 2), "<kuid2:3:100:2>", "<kuid:3:100>", "kuid2 3 100 2", "3:100:2"},
        {KUID(-5, 100, 127), "<kuid:-5:100>", "<kuid:-5:100>", "kuid -5 100", "-5:100"},
        {KUID(-5, 100, 0), "<kuid2:-5:100:0>", "<kuid:-5:100>", "kuid2 -5 100 0", "-5:100:0"},
        {KUID(7, -1, 127), "<kuid2:7:-1:127>", "<kuid:7:-1>", "kuid2 7 -1 127", "7:-1:127"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.kuid));
        EXPECT_STREQ(c.kuid.ToTagString().c_str(), c.tag);
        EXPECT_STREQ(c.kuid.ToBaseTagString().c_str(), c.base);
        EXPECT_STREQ(c.kuid.ToFolderName().c_str(), c.folder);
        EXPECT_STREQ(c.kuid.ToShortString().c_str(), c.shortForm);
        EXPECT_EQ(KUID::ToTagString(c.kuid), c.kuid.ToTagString());
    }
}

TEST(KUIDParse, StrictAndLenientModes) {
    const KUID null;
    struct Case {
        const char* text;
        KUID strict;
        KUID lenient;
    };
    const Case cases[] = {
        {"<NULL>", null, null},
        {"<null>", null, null},
        {"<kuid:3:100>", KUID(3, 100, 0), KUID(3, 100, 0)},
        {"<KUID:3:100>", KUID(3, 100, 0), KUID(3, 100, 0)},
        {"<kuid:-5:100>", KUID(-5, 100, 127), KUID(-5, 100, 127)},
        {"<KUID2:3:100:2>", KUID(3, 100, 2), KUID(3, 100, 2)},
        {"<kuid2:-5:100:2>", null, null},
        {"<kuid2:-5:100:0>", null, null},
        {"<kuid:3:100>trailing", KUID(3, 100, 0), KUID(3, 100, 0)},
        {"<kuid:3:100", null, KUID(3, 100, 0)},
        {"<kuid: 3:100>", null, KUID(3, 100, 0)},
        {"<kuid:3:x>", null, KUID(3, -1, 0)},
        {"kuid:3:100", KUID(3, 100, 0), KUID(3, 100, 0)},
        {"KUID2:3:100:5", KUID(3, 100, 5), KUID(3, 100, 5)},
        {"kuid:3:100 and more", KUID(3, 100, 0), KUID(3, 100, 0)},
        {"kuid:3;100", null, KUID(3, -1, 0)},
        {"3:100", null, KUID(3, 100, 0)},
        {"<3:100>", null, KUID(3, 100, 0)},
        {"<3:100", null, KUID(3, 100, 0)},
        {"-5:100", null, KUID(-5, 100, 127)},
        {"100", null, KUID(-1, 100, 127)},
        {"", null, null},
        {"3:100:2", null, null},
        {"kuid 3 100", null, null},
        {"<kuid2:3:100:128>", null, null},
        {"<kuid2:33554432:1:0>", null, null},
        {"<kuid2:33554431:1:0>", KUID(0x1FFFFFF, 1, 0), KUID(0x1FFFFFF, 1, 0)},
        {"<kuid:16777216:5>", KUID(16777216, 5, 0), KUID(16777216, 5, 0)},
        {"<kuid:-33554432:1>", KUID(-0x2000000, 1, 127), KUID(-0x2000000, 1, 127)},
        {"<kuid:-33554433:1>", null, null},
        {"<kuid:1:4294967297>", KUID(1, 1, 0), KUID(1, 1, 0)},  // digits past int32 wrap around
        {"hello", null, null},
        // A negative content id, as the tag texts print it, in every tag form.
        {"<kuid:3:-5>", KUID(3, -5, 0), KUID(3, -5, 0)},
        {"<kuid2:3:-5:2>", KUID(3, -5, 2), KUID(3, -5, 2)},
        {"<kuid:-3:-5>", KUID(-3, -5, 127), KUID(-3, -5, 127)},
        {"kuid:3:-5", KUID(3, -5, 0), KUID(3, -5, 0)},
        {"kuid2:3:-5:2", KUID(3, -5, 2), KUID(3, -5, 2)},
        // Only the content id may carry a sign in the three-field form.
        {"<kuid2:3:5:-2>", null, null},
        {"<kuid2:3:--5:2>", null, KUID(3, -1, 127)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        const KUID strict = KUID::Parse(c.text, true);
        const KUID lenient = KUID::Parse(c.text, false);
        EXPECT_EQ(strict, c.strict) << "strict gave " << Describe(strict);
        EXPECT_EQ(lenient, c.lenient) << "lenient gave " << Describe(lenient);
    }
    EXPECT_EQ(KUID::Parse(nullptr, true), null);
    EXPECT_EQ(KUID::Parse(nullptr, false), null);
}

TEST(KUIDParse, TagFormsReadBackInBothModes) {
    const KUID kuids[] = {KUID(3, 100, 0),  KUID(3, 100, 2),  KUID(-5, 100, 127), KUID(0x1FFFFFF, 7, 127),
                          KUID(3, -5, 0),   KUID(3, -5, 2),   KUID(-5, -100, 127), KUID(7, INT32_MIN, 3),
                          KUID()};
    for (const KUID& k : kuids) {
        SCOPED_TRACE(Describe(k));
        EXPECT_EQ(KUID::Parse(k.ToTagString(), true), k);
        EXPECT_EQ(KUID::Parse(k.ToTagString(), false), k);
        EXPECT_EQ(KUID::Parse(k.ToShortString().c_str(), true), KUID());
        EXPECT_EQ(KUID::Parse(k.ToFolderName().c_str(), false), KUID());
    }
    EXPECT_EQ(KUID::Parse(KUID(3, 100, 0).ToShortString().c_str(), false), KUID(3, 100, 0));
}

TEST(KUIDPacking, PackedWordAndSignedUserIds) {
    struct Case {
        KUID kuid;
        uint32_t packed;
        KUID unpacked;
    };
    const Case cases[] = {
        {KUID(-1, 9, 127), 0xFFFFFFFFu, KUID(-1, 9, 127)},
        {KUID(3, 9, 2), 0x04000003u, KUID(3, 9, 2)},
        {KUID(0xFFFFFF, 9, 0), 0x00FFFFFFu, KUID(0xFFFFFF, 9, 0)},
        {KUID(0x1000000, 9, 0), 0x01000000u, KUID(-0x1000000, 9, 0)},
        {KUID(0x1FFFFFF, 9, 1), 0x03FFFFFFu, KUID(-1, 9, 1)},
        {KUID(-0x1000000, 9, 127), 0xFF000000u, KUID(-0x1000000, 9, 127)},
        {KUID(-0x2000000, 9, 127), 0xFE000000u, KUID(0, 9, 127)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.kuid));
        EXPECT_EQ(c.kuid.GetPacked(), c.packed);
        EXPECT_EQ(KUID::FromPackedWord(c.packed, 9), c.unpacked);
        uint32_t packed = 0;
        int32_t content = 0;
        c.kuid.ToPacked(packed, content);
        EXPECT_EQ(packed, c.packed);
        EXPECT_EQ(content, 9);
    }
}

TEST(KUIDPacking, EightByteRecordIsPackedWordThenContent) {
    uint8_t record[KUID::kPackedRecordSize];
    KUID(3, 0x0A0B0C0D, 2).ToPackedRecord(record);
    EXPECT_EQ(std::vector<uint8_t>(record, record + 8),
              (std::vector<uint8_t>{0x03, 0x00, 0x00, 0x04, 0x0D, 0x0C, 0x0B, 0x0A}));
    KUID back;
    back.FromPackedRecord(record);
    EXPECT_EQ(back, KUID(3, 0x0A0B0C0D, 2));
}

TEST(KUIDStream, RoundTripAndTheSignedUserRule) {
    TBuffer buffer;
    KUID(3, 100, 2).Write(buffer);
    KUID(16777216, 5, 0).Write(buffer);
    KUID().Write(buffer);
    buffer.Rewind();
    KUID a, b, c(1, 1, 1);
    EXPECT_TRUE(a.Read(buffer));
    EXPECT_TRUE(b.Read(buffer));
    EXPECT_TRUE(c.Read(buffer));
    EXPECT_EQ(a, KUID(3, 100, 2));
    EXPECT_EQ(b, KUID(-16777216, 5, 0));
    EXPECT_TRUE(c.IsNull());
    EXPECT_EQ(buffer.GetError(), 0);
}

TEST(KUIDStream, ShortStreamsGiveTheNullKUIDsWords) {
    struct Case {
        std::vector<uint8_t> bytes;
        KUID expected;
    };
    const Case cases[] = {
        {{}, KUID()},
        {{100, 0}, KUID()},
        {{100, 0, 0, 0}, KUID(-1, 100, 127)},
        {{100, 0, 0, 0, 3, 0, 0}, KUID(-1, 100, 127)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        TBuffer buffer;
        buffer.Write(c.bytes.data(), static_cast<int32_t>(c.bytes.size()));
        buffer.Rewind();
        KUID k(3, 3, 3);
        EXPECT_FALSE(k.Read(buffer));
        EXPECT_EQ(k, c.expected) << Describe(k);
        EXPECT_EQ(buffer.GetError(), TStream::kErrorPastEnd);
    }
}

TEST(KUIDOrder, UnsignedFieldOrder) {
    const KUIDLess less;
    EXPECT_TRUE(less(KUID(7, 5, 0), KUID(-1, 5, 127)));
    EXPECT_FALSE(less(KUID(-1, 5, 127), KUID(7, 5, 0)));
    EXPECT_TRUE(less(KUID(7, 5, 0), KUID(7, -5, 0)));
    EXPECT_TRUE(less(KUID(7, 5, 0), KUID(7, 5, 1)));
    EXPECT_FALSE(less(KUID(7, 5, 1), KUID(7, 5, 1)));

    std::set<KUID, KUIDLess> sorted = {KUID(-1, 5, 127), KUID(7, 5, 0), KUID(7, 5, 0), KUID(2, 9, 0)};
    EXPECT_EQ(std::vector<KUID>(sorted.begin(), sorted.end()),
              (std::vector<KUID>{KUID(2, 9, 0), KUID(7, 5, 0), KUID(-1, 5, 127)}));

    const KUIDKeyLess keyLess;
    EXPECT_TRUE(keyLess(KUIDKey{KUID(7, 5, 0), 0xFFFFFFFFu}, KUIDKey{KUID(-1, 5, 127), 0}));
    EXPECT_TRUE(keyLess(KUIDKey{KUID(7, 5, 0), 1}, KUIDKey{KUID(7, 5, 0), 0x80000000u}));
    EXPECT_FALSE(keyLess(KUIDKey{KUID(7, 5, 0), 2}, KUIDKey{KUID(7, 5, 0), 2}));
}

TEST(KUIDValue, NullAndValidity) {
    EXPECT_TRUE(KUID::Null().IsNull());
    EXPECT_EQ(&KUID::Null(), &KUID::Null());
    EXPECT_EQ(KUID(), KUID::Null());
    EXPECT_NE(KUID(-1, -1, 126), KUID::Null());
    EXPECT_TRUE(KUID(0x1FFFFFF, 0, 127).IsValid());
    EXPECT_FALSE(KUID(0x2000000, 0, 0).IsValid());
    EXPECT_FALSE(KUID(-5, 0, 0).IsValid());
    EXPECT_FALSE(KUID(1, 0, -1).IsValid());
    EXPECT_FALSE(KUID(1, 0, 128).IsValid());
}

}  // namespace
