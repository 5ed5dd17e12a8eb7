#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assetdb/filters/FilterElementIO.h"
#include "assetdb/filters/VADFilterElementAssetID.h"
#include "assetdb/filters/VADFilterElementBool.h"
#include "assetdb/filters/VADFilterElementGroup.h"
#include "assetdb/filters/VADFilterElementInt.h"
#include "assetdb/filters/VADFilterElementString.h"
#include "assetdb/filters/VADFilterElementTimestamp.h"
#include "foundation/kuid/KUID.h"
#include "foundation/streams/BufferStream.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Written(const VADFilterElement* element) {
    TBuffer stream;
    WriteTaggedFilterElement(stream, element);
    return Bytes(stream.GetData(), stream.GetData() + stream.GetDataSize());
}

// A stream holding `bytes`, positioned at the start.
std::unique_ptr<TBuffer> StreamOf(const Bytes& bytes) {
    auto stream = std::make_unique<TBuffer>();
    stream->Write(bytes.data(), static_cast<int32_t>(bytes.size()));
    stream->Rewind();
    return stream;
}

std::unique_ptr<VADFilterElement> ReadBack(const Bytes& bytes) {
    auto stream = StreamOf(bytes);
    return ReadTaggedFilterElement(*stream);
}

void Append(Bytes& bytes, std::initializer_list<uint8_t> more) { bytes.insert(bytes.end(), more); }

std::unique_ptr<VADFilterElementString> Text(int32_t field, const char* value) {
    return std::make_unique<VADFilterElementString>(field, Vek::PString(value));
}

TEST(FilterWireForm, MatchesHandWrittenBytes) {
    VADFilterElementGroup empty;
    EXPECT_EQ(Written(&empty), (Bytes{0x70, 0x75, 0x72, 0x67, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(empty.GetValueString(), Vek::PString(""));

    // The category search: local, not obsolete, category-list "CN".
    VADFilterElementGroup tree(std::make_unique<VADFilterElementBool>(VADFilterElementBool::kLocal));
    tree.AddNegatedElement(std::make_unique<VADFilterElementBool>(VADFilterElementBool::kObsolete));
    tree.AddElement(Text(VADFilterElementString::kCategoryList, "CN"));
    Bytes expected;
    Append(expected, {0x70, 0x75, 0x72, 0x67, 0x01, 0x00, 0x03, 0x00, 0x00, 0x00});  // grup, all, 3 children
    Append(expected, {0x6C, 0x6F, 0x6F, 0x62, 0x00, 0x00, 0x00, 0x00});              // bool local
    Append(expected, {0x70, 0x75, 0x72, 0x67, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00});  // grup, negated, 1 child
    Append(expected, {0x6C, 0x6F, 0x6F, 0x62, 0x05, 0x00, 0x00, 0x00});              // bool obsolete
    Append(expected, {0x6E, 0x72, 0x74, 0x73, 0x01, 0x00, 0x00, 0x00,                // strn category-list
                      0x03, 0x00, 0x00, 0x00, 'C', 'N', 0x00, 0x00});                // "CN\0", not quoted
    EXPECT_EQ(Written(&tree), expected);

    VADFilterElementInt range(VADFilterElementInt::kVersion, -2, 0x01020304, true, false);
    EXPECT_EQ(Written(&range), (Bytes{0x65, 0x74, 0x6E, 0x69, 0x02, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF,
                                      0x04, 0x03, 0x02, 0x01, 0x01, 0x00}));

    VADFilterElementTimestamp times(VADFilterElementTimestamp::kModificationTimestamp, 0x0000000500000001LL, -1, false,
                                    true);
    EXPECT_EQ(Written(&times), (Bytes{0x65, 0x6D, 0x69, 0x74, 0x01, 0x00, 0x00, 0x00,  // time, field 1
                                      0x01, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00,  // low word first
                                      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01}));

    // The same KUID twice is one member. Packed word: version 3 << 25 | 100.
    VADFilterElementAssetID ids;
    ids.AddKUID(KUID(100, 7, 3));
    ids.AddKUID(KUID(100, 7, 3));
    EXPECT_EQ(Written(&ids), (Bytes{0x74, 0x73, 0x73, 0x61, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                                    0x07, 0x00, 0x00, 0x00, 0x64, 0x00, 0x00, 0x06}));

    // A null element is a bare 0; a group holding one fails its write.
    EXPECT_EQ(Written(nullptr), (Bytes{0, 0, 0, 0}));
    VADFilterElementGroup withNull;
    withNull.AddElement(nullptr);
    TBuffer stream;
    EXPECT_FALSE(WriteTaggedFilterElement(stream, &withNull));
    EXPECT_EQ(stream.GetDataSize(), 14);
}

TEST(FilterWireForm, EveryKindRoundTrips) {
    auto ids = std::make_unique<VADFilterElementAssetID>(VADFilterElementAssetID::kProfileMap);
    ids.get()->AddKUID(KUID(-5, 2, 127));
    ids.get()->AddKUID(KUID(30, 1, 0));
    ids.get()->AddKUID(KUID(30, 1, 2));

    auto inner = std::make_unique<VADFilterElementGroup>(Text(VADFilterElementString::kAssetName, "\"quoted name\""));
    inner->SetNegated(true);
    inner->SetMatchAll(false);

    VADFilterElementGroup tree;
    tree.AddElement(Text(VADFilterElementString::kKeywordList, "a(b)\tc\\"));
    tree.AddElement(std::make_unique<VADFilterElementBool>(VADFilterElementBool::kInBaseContentSet));
    tree.AddElement(std::make_unique<VADFilterElementInt>(VADFilterElementInt::kLocalRating, INT32_MIN, INT32_MAX, false, true));
    tree.AddElement(std::make_unique<VADFilterElementTimestamp>(VADFilterElementTimestamp::kInstallationTimestamp,
                                                                INT64_MIN, INT64_MAX, true, true));
    tree.AddElement(std::move(ids));
    tree.AddElement(std::move(inner));
    tree.AddElement(std::make_unique<VADFilterElementBool>(99));  // unknown field, written unchanged

    const Bytes bytes = Written(&tree);
    auto stream = StreamOf(bytes);
    std::unique_ptr<VADFilterElement> back = ReadTaggedFilterElement(*stream);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(stream->GetError(), 0);
    EXPECT_TRUE(stream->Eof());
    EXPECT_TRUE(FilterElementsEqual(&tree, back.get()));
    EXPECT_EQ(Written(back.get()), bytes);
    EXPECT_EQ(back->GetValueString(), tree.GetValueString());

    // Each kind alone, read back into the kind its tag names.
    for (std::size_t i = 0; i < tree.ChildCount(); ++i) {
        const VADFilterElement* child = tree.Child(i);
        std::unique_ptr<VADFilterElement> single = ReadBack(Written(child));
        ASSERT_NE(single, nullptr) << i;
        EXPECT_EQ(single->GetTag(), child->GetTag());
        EXPECT_EQ(typeid(*single), typeid(*child));
        EXPECT_EQ(Written(single.get()), Written(child)) << i;
    }
}

TEST(FilterTextForm, RendersValuesAndEscapes) {
    VADFilterElementGroup parent;
    parent.AddNegatedElement(std::make_unique<VADFilterElementBool>(VADFilterElementBool::kObsolete));
    EXPECT_EQ(std::string(parent.GetValueString().c_str()), "group:(obsolete:(true))");

    parent.AddElement(Text(VADFilterElementString::kEraList, "1950s (late)\t\\x\x01"));
    parent.AddElement(std::make_unique<VADFilterElementInt>(VADFilterElementInt::kAuthor, 2, 5, true, false));
    parent.AddElement(std::make_unique<VADFilterElementTimestamp>(1, 0x100000005LL, -0x100000001LL, false, true));
    auto ids = std::make_unique<VADFilterElementAssetID>();
    ids->AddKUID(KUID(200, 1, 0));
    ids->AddKUID(KUID(100, 9, 4));
    parent.AddElement(std::move(ids));
    parent.AddElement(std::make_unique<VADFilterElementInt>(-1));
    EXPECT_EQ(std::string(parent.GetValueString().c_str()),
              "group:(obsolete:(true)), era-list:(1950s \\(late\\)\\I\\\\x\\A), author:([2,5)), "
              "modification-timestamp:((5,-1]), asset-id:(<kuid2:100:9:4>, <kuid:200:1>), unknown:((0,0))");
}

TEST(FilterStringElement, StripsQuotesOnlyFromAssetNames) {
    struct Case {
        int32_t field;
        const char* value;
        const char* stored;
        bool quoted;
    };
    const Case cases[] = {
        {VADFilterElementString::kAssetName, "\"Big Boy\"", "Big Boy", true},
        {VADFilterElementString::kAssetName, "\"\"", "", true},
        {VADFilterElementString::kAssetName, "\"", "\"", false},
        {VADFilterElementString::kAssetName, "\"open", "\"open", false},
        {VADFilterElementString::kCategoryList, "\"TR\"", "\"TR\"", false},
    };
    for (const Case& c : cases) {
        VADFilterElementString element(c.field, Vek::PString(c.value));
        EXPECT_STREQ(element.GetValue().c_str(), c.stored) << c.value;
        EXPECT_EQ(element.IsQuoted(), c.quoted) << c.value;
    }
    // Reading keeps the value as it is.
    VADFilterElementString quoted(VADFilterElementString::kAssetName, Vek::PString("\"x\""));
    auto back = ReadBack(Written(&quoted));
    ASSERT_NE(back, nullptr);
    auto* text = dynamic_cast<VADFilterElementString*>(back.get());
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text->GetValue().c_str(), "x");
    EXPECT_TRUE(text->IsQuoted());
}

TEST(FilterEquality, ComparesKeywordsAndTextsAndGroupShape) {
    auto group = [](bool negated, std::vector<int32_t> boolFields) {
        auto g = std::make_unique<VADFilterElementGroup>();
        g->SetNegated(negated);
        for (int32_t field : boolFields) g->AddElement(std::make_unique<VADFilterElementBool>(field));
        return g;
    };
    EXPECT_TRUE(FilterElementsEqual(group(false, {0, 5}).get(), group(false, {0, 5}).get()));
    EXPECT_FALSE(FilterElementsEqual(group(false, {0, 5}).get(), group(false, {5, 0}).get()));
    EXPECT_FALSE(FilterElementsEqual(group(false, {0, 5}).get(), group(true, {0, 5}).get()));
    EXPECT_FALSE(FilterElementsEqual(group(false, {0}).get(), group(false, {0, 5}).get()));
    auto all = group(false, {0});
    auto any = group(false, {0});
    any->SetMatchAll(false);
    EXPECT_FALSE(FilterElementsEqual(all.get(), any.get()));

    // What the text does not show plays no part.
    VADFilterElementString quoted(0, Vek::PString("\"x\"")), plain(0, Vek::PString("x"));
    EXPECT_TRUE(FilterElementsEqual(&quoted, &plain));
    VADFilterElementTimestamp low(0, 7, 9), high(0, 0x500000007LL, 0x300000009LL);
    EXPECT_TRUE(FilterElementsEqual(&low, &high));
    VADFilterElementInt a(1, 1, 2, true, true), b(1, 1, 2, true, false);
    EXPECT_FALSE(FilterElementsEqual(&a, &b));

    // A group never equals a condition, in either direction.
    VADFilterElementBool flag(0);
    VADFilterElementGroup emptyGroup;
    EXPECT_FALSE(FilterElementsEqual(&emptyGroup, &flag));
    EXPECT_FALSE(FilterElementsEqual(&flag, &emptyGroup));
    EXPECT_TRUE(FilterElementsEqual(nullptr, nullptr));
    EXPECT_FALSE(FilterElementsEqual(&flag, nullptr));
}

Bytes NestedGroups(int levels) {
    Bytes bytes;
    for (int i = 0; i < levels; ++i) Append(bytes, {0x70, 0x75, 0x72, 0x67, 0x01, 0x00, i + 1 < levels ? uint8_t{1} : uint8_t{0}, 0, 0, 0});
    return bytes;
}

TEST(FilterReading, FailsOnBadChildrenAndBeyondItsBounds) {
    struct Case {
        const char* name;
        Bytes bytes;
        bool readable;
    };
    Bytes badTag = {0x70, 0x75, 0x72, 0x67, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00,
                    0x6C, 0x6F, 0x6F, 0x62, 0x00, 0x00, 0x00, 0x00,  // a good child
                    'x', 'x', 'x', 'x'};                              // not one of the six tags
    Bytes nullChild = {0x70, 0x75, 0x72, 0x67, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0, 0, 0, 0};
    Bytes shortGroup = {0x70, 0x75, 0x72, 0x67, 0x01, 0x00, 0xFF, 0xFF, 0x00, 0x00};  // 65535 children, none there
    Bytes tooMany = {0x70, 0x75, 0x72, 0x67, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00};     // 65537 children
    Bytes manyKUIDs = {0x74, 0x73, 0x73, 0x61, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x10, 0x00};
    Bytes truncatedKUIDs = {0x74, 0x73, 0x73, 0x61, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x0F, 0x00, 7, 0, 0, 0};
    const Case cases[] = {
        {"bad child tag", badTag, false},
        {"null child", nullChild, false},
        {"children missing", shortGroup, false},
        {"more children than a tree may hold", tooMany, false},
        {"64 nested groups", NestedGroups(kMaxFilterDepth), true},
        {"65 nested groups", NestedGroups(kMaxFilterDepth + 1), false},
        {"more KUIDs than an element may hold", manyKUIDs, false},
        {"KUIDs cut short", truncatedKUIDs, true},
        {"tag 0", Bytes{0, 0, 0, 0}, false},
        {"unknown tag", Bytes{'a', 'b', 'c', 'd'}, false},
        {"no tag at all", Bytes{0x70, 0x75}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadBack(c.bytes) != nullptr, c.readable) << c.name;

    // The group's own Read keeps the children read before the bad one.
    VADFilterElementGroup group;
    auto stream = StreamOf(badTag);
    uint32_t tag = 0;
    stream->ReadUInt32(tag);
    EXPECT_FALSE(group.Read(*stream));
    EXPECT_EQ(group.ChildCount(), 1u);

    // A cut-short KUID list ends with the KUID cut short: its content id
    // came through, its packed word kept the null KUID's.
    auto ids = ReadBack(truncatedKUIDs);
    ASSERT_NE(ids, nullptr);
    const auto& kuids = static_cast<VADFilterElementAssetID*>(ids.get())->GetKUIDs();
    ASSERT_EQ(kuids.size(), 1u);
    EXPECT_EQ(*kuids.begin(), KUID(-1, 7, 127));
}

TEST(FilterReading, CreateFilterElementGivesDefaults) {
    auto text = CreateFilterElement(kFilterTagString);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text->GetFieldName().c_str()), "asset-name");
    auto flag = CreateFilterElement(kFilterTagBool);
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(std::string(flag->GetFieldName().c_str()), "locally-available");
    auto range = CreateFilterElement(kFilterTagInt);
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(std::string(range->GetFieldName().c_str()), "author");
    EXPECT_EQ(std::string(range->GetValueString().c_str()), "(0,0)");
    EXPECT_EQ(CreateFilterElement(0), nullptr);
    EXPECT_EQ(CreateFilterElement(0x6772757), nullptr);
    EXPECT_EQ(kFilterTagGroup, 0x67727570u);
    EXPECT_EQ(kFilterTagAssetID, 0x61737374u);
}

}  // namespace
