// Ranges of arrays and strings: splices, copies, growth by index, and the
// bounds that keep a huge index from wrapping a size.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "gsruntime/GSArray.h"
#include "gsruntime/GSString.h"
#include "gsruntime/scriptsupport/GSFamilyLibrary.h"
#include "gsruntime/scriptsupport/GSScriptFixture.h"

namespace {

using GSRuntime::GSArray;
using GSRuntime::GSDataRef;
using GSRuntime::GSScriptInstance;
using GSRuntime::GSString;
using GSTest::CountOf;

class GSRange : public GSTest::ScriptTest {
protected:
    GSArray* Values(const std::vector<int>& values) {
        GSArray* array = new GSArray(context, false);
        for (std::size_t i = 0; i < values.size(); ++i)
            EXPECT_TRUE(array->SetElementValue(static_cast<int32_t>(i), static_cast<uint32_t>(values[i])));
        return array;
    }
    static std::vector<int> Contents(const GSArray* array) {
        return std::vector<int>(array->Elements(), array->Elements() + array->GetCount());
    }
    static void Drop(GSRuntime::GSObjectReference* value) {
        if (value) GSRuntime::GSScriptInstance::ReleaseReference(value->GetReference());
    }
};

TEST_F(GSRange, SpliceAndCopyRangeTable) {
    enum Op { ArraySplice, ArrayCopy, StringSplice, StringCopy };
    struct Case {
        Op op;
        std::vector<int> array;  // the array operated on (copies: the source)
        std::string text;        // the string operated on (copies: the source)
        int32_t start;
        int32_t end;
        std::optional<std::vector<int>> arraySource;  // splices: inserted elements, none = null
        std::optional<std::string> textSource;
        bool ok;
        std::vector<int> arrayResult;  // splices: the array; copies: the destination
        std::string textResult;
    };
    const std::vector<Case> cases = {
        // A start beyond the count is reached with zero elements.
        {ArraySplice, {1, 2}, "", 5, 5, std::vector<int>{9}, {}, true, {1, 2, 0, 0, 0, 9}, ""},
        {ArraySplice, {1, 2, 3, 4}, "", 1, 3, std::nullopt, {}, true, {1, 4}, ""},
        {ArraySplice, {1, 2, 3, 4}, "", 1, -1, std::nullopt, {}, true, {1}, ""},
        {ArraySplice, {1, 2}, "", -3, 1, std::vector<int>{7, 8}, {}, true, {7, 8, 2}, ""},
        {ArraySplice, {1, 2}, "", 1, 10, std::vector<int>{5}, {}, true, {1, 5}, ""},
        {ArraySplice, {1, 2, 3}, "", 2, 1, std::vector<int>{5}, {}, false, {1, 2, 3}, ""},
        // Sizes are computed in 64 bits and bounded: nothing wraps, nothing changes.
        {ArraySplice, {1, 2}, "", INT_MAX, INT_MAX, std::vector<int>{9}, {}, false, {1, 2}, ""},
        {ArrayCopy, {1, 2, 3, 4}, "", 1, 100, {}, {}, true, {2, 3, 4}, ""},
        {ArrayCopy, {1, 2, 3, 4}, "", -4, 2, {}, {}, true, {1, 2}, ""},
        {ArrayCopy, {1, 2, 3, 4}, "", 3, 1, {}, {}, false, {42}, ""},
        {ArrayCopy, {}, "", 0, -1, {}, {}, true, {}, ""},
        {StringSplice, {}, "abcdef", 1, 3, {}, std::string("XY"), true, {}, "aXYdef"},
        {StringSplice, {}, "abcdef", 1, 3, {}, std::nullopt, true, {}, "adef"},
        {StringSplice, {}, "abcdef", 4, 100, {}, std::string("!"), true, {}, "abcd!"},
        {StringSplice, {}, "", 0, 9, {}, std::string("XY"), true, {}, "XY"},
        {StringSplice, {}, "", 3, 9, {}, std::string("XY"), false, {}, ""},
        {StringSplice, {}, "abcdef", 3, 1, {}, std::string("XY"), false, {}, "abcdef"},
        {StringCopy, {}, "abcdef", -4, 2, {}, {}, true, {}, "ab"},
        {StringCopy, {}, "abcdef", 2, -1, {}, {}, true, {}, "cdef"},
        {StringCopy, {}, "abcdef", 0, -1, {}, {}, true, {}, "abcdef"},
        {StringCopy, {}, "abcdef", 4, 2, {}, {}, false, {}, "old"},
        {StringCopy, {}, "", 0, 5, {}, {}, true, {}, ""},
    };
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("row " + std::to_string(row++));
        switch (c.op) {
            case ArraySplice: {
                GSArray* array = Values(c.array);
                GSArray* source = c.arraySource ? Values(*c.arraySource) : nullptr;
                EXPECT_EQ(array->Splice(c.start, c.end, source), c.ok);
                EXPECT_EQ(Contents(array), c.arrayResult);
                Drop(source);
                Drop(array);
                break;
            }
            case ArrayCopy: {
                GSArray* source = Values(c.array);
                GSArray* destination = Values({42});
                EXPECT_EQ(GSArray::CopyRange(destination, c.end, source, c.start), c.ok);
                EXPECT_EQ(Contents(destination), c.arrayResult);
                Drop(source);
                Drop(destination);
                break;
            }
            case StringSplice: {
                GSString* string = NewString(c.text.c_str());
                GSString* source = c.textSource ? NewString(c.textSource->c_str()) : nullptr;
                EXPECT_EQ(string->Splice(c.start, c.end, source), c.ok);
                EXPECT_EQ(string->Std(), c.textResult);
                Drop(source);
                Drop(string);
                break;
            }
            case StringCopy: {
                GSString* source = NewString(c.text.c_str());
                GSString* destination = NewString("old");
                EXPECT_EQ(GSString::CopyRange(source, c.end, c.start, destination), c.ok);
                EXPECT_EQ(destination->Std(), c.textResult);
                Drop(source);
                Drop(destination);
                break;
            }
        }
    }
}

TEST_F(GSRange, MixedElementKindsAreRefused) {
    GSArray* values = Values({1, 2});
    GSArray* references = new GSArray(context, true);
    EXPECT_FALSE(values->Splice(0, 1, references));
    EXPECT_FALSE(GSArray::CopyRange(references, -1, values, 0));
    EXPECT_EQ(Contents(values), (std::vector<int>{1, 2}));
    Drop(values);
    Drop(references);
}

// A reference stored into a value array would never be released, and read
// back as a counted reference it would be taken for whatever integer is
// stored over it: both are refused.
TEST_F(GSRange, ElementStoresOfTheOtherKindAreRefused) {
    GSArray* values = Values({1, 2});
    GSArray* references = new GSArray(context, true);
    GSString* text = new GSString(context, "t");
    const GSDataRef reference = text->GetReference();
    EXPECT_TRUE(references->SetElementReference(0, reference, true, nullptr));
    EXPECT_EQ(GSScriptInstance::FromReference(reference)->count, 2);

    EXPECT_FALSE(values->SetElementReference(0, reference, true, nullptr));
    EXPECT_EQ(Contents(values), (std::vector<int>{1, 2}));
    GSDataRef out = 0;
    EXPECT_FALSE(values->GetElementReference(1, out, true));
    EXPECT_EQ(out, 0u);
    EXPECT_EQ(GSScriptInstance::FromReference(reference)->count, 2);

    GSScriptInstance::ReleaseReference(reference);
    Drop(values);
    Drop(references);
}

// An array spliced into itself copies its elements before it lets the
// replaced range go: every element of the result is alive and counted.
TEST_F(GSRange, SpliceIntoItselfKeepsTheElements) {
    GSArray* array = new GSArray(context, true);
    std::vector<GSString*> strings;
    for (const char* text : {"x", "y", "z"}) {
        strings.push_back(NewString(text));
        ASSERT_TRUE(array->SetElementReference(static_cast<int32_t>(strings.size() - 1), strings.back()->GetReference(),
                                               false, nullptr));
    }
    ASSERT_TRUE(array->Splice(1, 2, array));
    ASSERT_EQ(array->GetCount(), 5);
    std::vector<std::string> texts;
    for (int32_t i = 0; i < array->GetCount(); ++i) {
        ASSERT_NE(array->Elements()[i], 0u) << i;
        texts.push_back(GSString::FromReference(array->Elements()[i])->Std());
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"x", "x", "y", "z", "z"}));
    EXPECT_EQ(CountOf(strings[0]), 2);
    EXPECT_EQ(CountOf(strings[1]), 1);
    EXPECT_EQ(CountOf(strings[2]), 2);

    // Copied onto itself: [x, y] stay, the z that only the array held goes.
    const int64_t before = GSTest::LiveBlocks();
    ASSERT_TRUE(GSArray::CopyRange(array, 3, array, 1));
    EXPECT_EQ(array->GetCount(), 2);
    EXPECT_EQ(CountOf(strings[0]), 1);
    EXPECT_EQ(CountOf(strings[1]), 1);
    EXPECT_EQ(GSTest::LiveBlocks(), before - 1);
    Drop(array);
}

TEST_F(GSRange, GrowthByIndexIsBounded) {
    GSArray* array = new GSArray(context, false);
    EXPECT_TRUE(array->SetElementValue(10, 7));
    EXPECT_EQ(Contents(array), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7}));
    EXPECT_FALSE(array->SetElementValue(-1, 1));
    // The index one past the bound, and the largest index: refused, and the
    // array keeps its elements.
    EXPECT_FALSE(array->SetElementValue(static_cast<int32_t>(GSArray::kMaxCount), 1));
    EXPECT_FALSE(array->SetElementValue(INT_MAX, 1));
    EXPECT_EQ(array->GetCount(), 11);
    EXPECT_TRUE(array->SetElementValue(static_cast<int32_t>(GSArray::kMaxCount - 1), 5));
    EXPECT_EQ(array->GetCount(), GSArray::kMaxCount);
    EXPECT_TRUE(array->Resize(3));  // never shrinks but to nothing
    EXPECT_EQ(array->GetCount(), GSArray::kMaxCount);
    EXPECT_TRUE(array->Resize(0));
    EXPECT_EQ(array->GetCount(), 0);
    EXPECT_EQ(array->Elements(), nullptr);
    Drop(array);

    GSString* text = NewString("ab");
    EXPECT_TRUE(text->SetByte(4, 'X'));
    EXPECT_EQ(text->Std(), std::string("ab  X"));
    EXPECT_TRUE(text->SetByte(0, 0x141));
    EXPECT_EQ(text->Std(), std::string("Ab  X"));
    EXPECT_FALSE(text->SetByte(-1, 'Y'));
    EXPECT_FALSE(text->SetByte(INT_MAX, 'Y'));
    EXPECT_FALSE(text->SetByte(static_cast<int32_t>(GSString::kMaxLength), 'Y'));
    EXPECT_EQ(text->Std(), std::string("Ab  X"));
    Drop(text);
}

TEST_F(GSRange, ElementReferenceReadsAndCasts) {
    GSTest::ImageBuilder image = GSTest::FamilyImage(Id(0));
    GSTest::Family family(Load(OwnName("family.gsl"), image));
    ASSERT_NE(family.D, nullptr);
    GSRuntime::GSObject* d = new GSRuntime::GSObject();
    ASSERT_TRUE(d->BindClass(family.D, context));
    GSArray* array = new GSArray(context, true);

    // A borrowed value gains a count; cast to a base, the element is that
    // base's view; not of the class, it is stored as null.
    ASSERT_TRUE(array->SetElementReference(0, d->GetReference(), true, family.B));
    EXPECT_EQ(array->Elements()[0], GSRuntime::GSOffsetReference(d->GetReference(), 5));
    EXPECT_EQ(CountOf(d), 2);
    ASSERT_TRUE(array->SetElementReference(1, d->GetReference(), true, family.C));
    EXPECT_EQ(array->Elements()[1], 0u);
    EXPECT_EQ(CountOf(d), 2);
    // Stored over itself, the element stays alive.
    GSRuntime::GSScriptInstance::AddRef(d->GetReference());
    ASSERT_TRUE(array->SetElementReference(0, d->GetReference(), false, nullptr));
    EXPECT_EQ(CountOf(d), 2);
    EXPECT_FALSE(array->SetElementReference(-1, d->GetReference(), true, nullptr));
    EXPECT_EQ(CountOf(d), 2);

    GSRuntime::GSDataRef out = 99;
    EXPECT_FALSE(array->GetElementReference(-1, out, true));
    EXPECT_EQ(out, 99u);
    EXPECT_FALSE(array->GetElementReference(5, out, true));
    EXPECT_EQ(out, 0u);
    EXPECT_TRUE(array->GetElementReference(0, out, true));
    EXPECT_EQ(out, d->GetReference());
    EXPECT_EQ(CountOf(d), 3);
    GSRuntime::GSScriptInstance::ReleaseReference(out);

    Drop(array);
    EXPECT_EQ(CountOf(d), 1);
    delete d;
}

}  // namespace
