// The array instructions: creation, size, element access with growth and
// bounds, copies, slices and range replacement, value and reference arrays,
// and the counts of every reference they take, store and hand out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gsruntime/GSArray.h"
#include "gsruntime/interpreter/GSInterpreterFixture.h"

namespace {

using namespace GSRuntime;
using GSTest::Outcome;

uint32_t I(int64_t value) { return static_cast<uint32_t>(static_cast<int32_t>(value)); }

enum Kind { Ref, Val };

class GSArrayInstructions : public GSTest::InterpreterTest {
protected:
    // Loads the arguments by kind (references counted, as the frame's
    // reference slots), runs `ops` and returns the top.
    Outcome RunOps(const std::vector<Kind>& kinds, const std::vector<uint32_t>& arguments,
                   std::initializer_list<uint8_t> ops, bool referenceResult) {
        std::vector<uint8_t> code;
        GSTest::RawShape shape;
        for (uint32_t i = 0; i < kinds.size(); ++i) {
            code.insert(code.end(), {kinds[i] == Ref ? OP_LoadLocalRef : OP_LoadLocal, static_cast<uint8_t>(i + 1), 0});
            if (kinds[i] == Ref) shape.referenceSlots.push_back(static_cast<int32_t>(i + 1));
        }
        code.insert(code.end(), ops);
        code.push_back(referenceResult ? OP_ReturnRef : OP_ReturnValue);
        return RunCode(code, arguments, shape);
    }

    // A value array the test holds.
    GSArray* Values(const std::vector<int32_t>& values) {
        GSArray* array = new GSArray(context, false);
        for (size_t i = 0; i < values.size(); ++i) array->SetElementValue(static_cast<int32_t>(i), I(values[i]));
        m_held.push_back(array->GetReference());
        return array;
    }
    // A reference array of new strings the test holds.
    GSArray* Strings(const std::vector<const char*>& texts) {
        GSArray* array = new GSArray(context, true);
        for (size_t i = 0; i < texts.size(); ++i)
            array->SetElementReference(static_cast<int32_t>(i), NewString(texts[i]), false, nullptr);
        m_held.push_back(array->GetReference());
        return array;
    }
    static std::vector<int32_t> ValuesOf(const GSArray* array) {
        std::vector<int32_t> out;
        for (int32_t i = 0; i < array->GetCount(); ++i) out.push_back(static_cast<int32_t>(array->Elements()[i]));
        return out;
    }
    static std::vector<std::string> TextsOf(const GSArray* array) {
        std::vector<std::string> out;
        for (int32_t i = 0; i < array->GetCount(); ++i) out.push_back(TextOf(array->Elements()[i]));
        return out;
    }
    // Takes a returned array: its elements' texts or values; released.
    std::vector<int32_t> TakeValues(const Outcome& outcome) {
        EXPECT_EQ(outcome.code, ER_Done);
        const GSArray* array = GSArray::FromReference(outcome.value);
        std::vector<int32_t> out = array ? ValuesOf(array) : std::vector<int32_t>{-999};
        GSScriptInstance::ReleaseReference(outcome.value);
        return out;
    }

    void TearDown() override {
        for (GSDataRef held : m_held) {
            EXPECT_EQ(GSTest::CountOf(held), 1) << "an array operand kept a count";
            GSScriptInstance::ReleaseReference(held);
        }
        GSTest::InterpreterTest::TearDown();
    }

private:
    std::vector<GSDataRef> m_held;
};

TEST_F(GSArrayInstructions, NewArraysAndTheirSize) {
    EXPECT_EQ(TakeValues(RunOps({Val}, {3}, {OP_NewArray}, true)), (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(TakeValues(RunOps({Val}, {I(-4)}, {OP_NewArray}, true)), std::vector<int32_t>{});
    const Outcome references = RunOps({Val}, {2}, {OP_NewRefArray}, true);
    ASSERT_NE(GSArray::FromReference(references.value), nullptr);
    EXPECT_TRUE(GSArray::FromReference(references.value)->ElementsAreReferences());
    EXPECT_EQ(TakeValues(references), (std::vector<int32_t>{0, 0}));
    // An array that cannot be that large.
    EXPECT_EQ(RunOps({Val}, {I(int64_t(1) << 30)}, {OP_NewArray}, true).code, ER_ArrayOutOfBounds);

    GSArray* three = Values({1, 2, 3});
    EXPECT_EQ(RunOps({Ref}, {three->GetReference()}, {OP_ArraySize}, false).value, 3u);
    EXPECT_EQ(RunOps({Val}, {0}, {OP_ArraySize}, false).code, ER_NullArrayReference);
    // A string is no array.
    const GSDataRef text = NewString("abc");
    EXPECT_EQ(RunOps({Val}, {text}, {OP_ArraySize}, false).code, ER_NullArrayReference);
    GSScriptInstance::ReleaseReference(text);
}

TEST_F(GSArrayInstructions, GetAndSetWithGrowthAndBounds) {
    GSArray* array = Values({10, 20, 30});
    const GSDataRef a = array->GetReference();
    EXPECT_EQ(RunOps({Ref, Val}, {a, 1}, {OP_ArrayGet}, false).value, 20u);
    EXPECT_EQ(RunOps({Val, Val}, {a, 3}, {OP_ArrayGet}, false).code, ER_ArrayOutOfBounds);
    EXPECT_EQ(RunOps({Val, Val}, {a, I(-1)}, {OP_ArrayGet}, false).code, ER_ArrayOutOfBounds);
    EXPECT_EQ(RunOps({Val, Val}, {0, 0}, {OP_ArrayGet}, false).code, ER_NullArrayReference);

    // arr i v: a set beyond the count grows the array with zeros.
    EXPECT_EQ(RunOps({Ref, Val, Val}, {a, 5, 66}, {OP_ArraySet, OP_PushZero}, false).code, ER_Done);
    EXPECT_EQ(ValuesOf(array), (std::vector<int32_t>{10, 20, 30, 0, 0, 66}));
    EXPECT_EQ(RunOps({Ref, Val, Val}, {a, 0, 7}, {OP_ArraySetKeep}, false).value, 7u);
    EXPECT_EQ(ValuesOf(array)[0], 7);
    EXPECT_EQ(RunOps({Val, Val, Val}, {a, I(-1), 7}, {OP_ArraySet, OP_PushZero}, false).code, ER_ArrayOutOfBounds);
    EXPECT_EQ(RunOps({Val, Val, Val}, {a, I(int64_t(1) << 30), 7}, {OP_ArraySet, OP_PushZero}, false).code,
              ER_ArrayOutOfBounds);
    EXPECT_EQ(array->GetCount(), 6);

    // A plain set of an integer into a reference array would have it
    // released as a reference later: refused, the array unchanged.
    GSArray* references = new GSArray(context, true);
    ASSERT_TRUE(references->Resize(2));
    const GSDataRef r = references->GetReference();
    EXPECT_EQ(RunOps({Ref, Val, Val}, {r, 0, 1}, {OP_ArraySet, OP_PushZero}, false).code, ER_ArrayOutOfBounds);
    EXPECT_EQ(RunOps({Ref, Val, Val}, {r, 1, 0}, {OP_ArraySet, OP_PushZero}, false).code, ER_Done);
    EXPECT_EQ(references->Elements()[0], 0u);
    EXPECT_EQ(references->GetCount(), 2);
}

TEST_F(GSArrayInstructions, CopiesSlicesAndRanges) {
    GSArray* five = Values({1, 2, 3, 4, 5});
    const GSDataRef a = five->GetReference();
    const Outcome copy = RunOps({Ref}, {a}, {OP_ArrayCopy}, true);
    EXPECT_NE(copy.value, a);
    EXPECT_EQ(TakeValues(copy), (std::vector<int32_t>{1, 2, 3, 4, 5}));
    // arr end start
    EXPECT_EQ(TakeValues(RunOps({Ref, Val, Val}, {a, I(-1), 1}, {OP_ArraySlice}, true)),
              (std::vector<int32_t>{2, 3, 4, 5}));
    EXPECT_EQ(TakeValues(RunOps({Ref, Val, Val}, {a, 100, 3}, {OP_RefArraySlice}, true)), (std::vector<int32_t>{4, 5}));
    EXPECT_EQ(RunOps({Val, Val, Val}, {a, 1, 3}, {OP_ArraySlice}, true).code, ER_ArrayOutOfBounds);

    // arr end start src: [1, 3) of the array becomes the source's elements.
    GSArray* source = Values({8, 9});
    const GSDataRef src = source->GetReference();
    EXPECT_EQ(RunOps({Ref, Val, Val, Ref}, {a, 3, 1, src}, {OP_ArraySetRange, OP_PushZero}, false).code, ER_Done);
    EXPECT_EQ(ValuesOf(five), (std::vector<int32_t>{1, 8, 9, 4, 5}));
    // A null source removes the range; the Keep form leaves the source.
    EXPECT_EQ(RunOps({Ref, Val, Val, Ref}, {a, 2, 0, 0}, {OP_RefArraySetRange, OP_PushZero}, false).code, ER_Done);
    EXPECT_EQ(ValuesOf(five), (std::vector<int32_t>{9, 4, 5}));
    const Outcome kept = RunOps({Ref, Val, Val, Ref}, {a, 6, 5, src}, {OP_ArraySetRangeKeep}, true);
    EXPECT_EQ(kept.value, src);
    GSScriptInstance::ReleaseReference(kept.value);
    EXPECT_EQ(ValuesOf(five), (std::vector<int32_t>{9, 4, 5, 0, 0, 8, 9}));
    // Mixed element kinds fail.
    GSArray* strings = Strings({"x"});
    EXPECT_EQ(
        RunOps({Val, Val, Val, Val}, {a, 1, 0, strings->GetReference()}, {OP_ArraySetRange, OP_PushZero}, false).code,
        ER_ArrayOutOfBounds);
}

// Reference arrays: the element store takes the stack's count (or, for the
// Keep form, a count of its own), a read adds one, and a reference of
// another, unshared context arrives as null.
TEST_F(GSArrayInstructions, ReferenceElementsKeepTheirCounts) {
    GSArray* array = Strings({"a", "b"});
    const GSDataRef a = array->GetReference();
    const GSDataRef c = NewString("c");

    // arr i r
    EXPECT_EQ(RunOps({Ref, Val, Ref}, {a, 3, c}, {OP_ArraySetRef, OP_PushZero}, false).code, ER_Done);
    EXPECT_EQ(TextsOf(array), (std::vector<std::string>{"a", "b", "<null>", "c"}));
    EXPECT_EQ(GSTest::CountOf(c), 2);  // the test's and the element's
    const Outcome kept = RunOps({Ref, Val, Ref}, {a, 0, c}, {OP_ArraySetRefKeep}, true);
    EXPECT_EQ(kept.value, c);
    EXPECT_EQ(GSTest::CountOf(c), 4);  // the test's, two elements, the result
    GSScriptInstance::ReleaseReference(kept.value);
    // The old element "a" went with its last count; "c" replaced it.
    EXPECT_EQ(TextsOf(array), (std::vector<std::string>{"c", "b", "<null>", "c"}));

    const Outcome read = RunOps({Ref, Val}, {a, 1}, {OP_ArrayGetRef}, true);
    EXPECT_EQ(TextOf(read.value), "b");
    EXPECT_EQ(GSTest::CountOf(read.value), 2);
    GSScriptInstance::ReleaseReference(read.value);
    EXPECT_EQ(RunOps({Val, Val}, {a, 4}, {OP_ArrayGetRef}, true).code, ER_ArrayOutOfBounds);

    GSContext* other = new GSContext(true, false);
    const GSDataRef foreign = (new GSString(other, "foreign"))->GetReference();
    EXPECT_EQ(RunOps({Ref, Val, Ref}, {a, 1, foreign}, {OP_ArraySetRef, OP_PushZero}, false).code, ER_Done);
    EXPECT_EQ(TextsOf(array)[1], "<null>");
    EXPECT_EQ(GSTest::CountOf(foreign), 1);
    GSScriptInstance::ReleaseReference(foreign);
    delete other;

    // A copy holds counts of its own.
    const Outcome copy = RunOps({Ref}, {a}, {OP_ArrayCopy}, true);
    EXPECT_EQ(GSTest::CountOf(c), 5);  // the test's, two elements, two copied elements
    GSScriptInstance::ReleaseReference(copy.value);
    EXPECT_EQ(GSTest::CountOf(c), 3);
    GSScriptInstance::ReleaseReference(c);
}

}  // namespace
