// Growth the script memory budget refuses fails as a refused index or range
// does: false, the array or string unchanged, nothing charged; and what
// values take is given back when they go.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gsruntime/GSArray.h"
#include "gsruntime/GSScriptArena.h"
#include "gsruntime/GSScriptMemoryBudget.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/scriptsupport/GSScriptFixture.h"

namespace {

using GSRuntime::GSArray;
using GSRuntime::GSScriptMemoryBudget;
using GSRuntime::GSString;

class GSBudgetRefusal : public GSTest::ScriptTest {
protected:
    void TearDown() override {
        GSScriptMemoryBudget::SetLimit(GSScriptMemoryBudget::kDefaultLimit);
        GSTest::ScriptTest::TearDown();
    }
    static void Drop(GSRuntime::GSObjectReference* value) {
        if (value) GSRuntime::GSScriptInstance::ReleaseReference(value->GetReference());
    }
};

TEST_F(GSBudgetRefusal, RefusedGrowthChangesNothing) {
    // What the values hold beside the heap's committed memory, which the
    // heap keeps.
    const auto held = [] { return GSScriptMemoryBudget::Used() - GSRuntime::GSScriptArena::Instance().CommittedBytes(); };
    const uint64_t baseline = held();
    GSArray* array = new GSArray(context, false);
    GSArray* other = new GSArray(context, false);
    for (int32_t i = 0; i < 4; ++i) ASSERT_TRUE(array->SetElementValue(i, uint32_t(10 + i)));
    ASSERT_TRUE(other->SetElementValue(1, 99));
    GSString* text = NewString("abcdefghijklmnopqrst");  // beyond the inline room
    GSString* source = NewString("xyz");
    const std::vector<uint32_t> elements(array->Elements(), array->Elements() + array->GetCount());

    struct Case {
        const char* name;
        std::function<bool()> grow;
    };
    const Case cases[] = {
        {"array set beyond the count", [&] { return array->SetElementValue(4, 1); }},
        {"array resize", [&] { return array->Resize(8); }},
        {"array splice", [&] { return array->Splice(1, 2, other); }},
        {"array copy into", [&] { return GSArray::CopyRange(other, -1, array, 0); }},
        {"string set beyond the length", [&] { return text->SetByte(22, 'q'); }},
        {"string splice", [&] { return text->Splice(1, 2, source); }},
        {"string copy into", [&] { return GSString::CopyRange(text, -1, 0, source); }},
        {"string append", [&] { return text->AppendText("!", 1); }},
        {"string assign", [&] { return source->AssignText("a text beyond the inline room", 29); }},
    };
    const uint64_t used = GSScriptMemoryBudget::Used();
    GSScriptMemoryBudget::SetLimit(used);
    log.Clear();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(c.grow());
        EXPECT_EQ(std::vector<uint32_t>(array->Elements(), array->Elements() + array->GetCount()), elements);
        EXPECT_EQ(other->GetCount(), 2);
        EXPECT_EQ(other->Elements()[1], 99u);
        EXPECT_EQ(text->Std(), "abcdefghijklmnopqrst");
        EXPECT_EQ(source->Std(), "xyz");
        EXPECT_EQ(GSScriptMemoryBudget::Used(), used);
    }
    // The heap refuses a block it would have to commit memory for; the
    // refusals log one line between them.
    EXPECT_EQ(GSRuntime::ScriptHeapAlloc(std::size_t(8) << 20), nullptr);
    EXPECT_EQ(GSTest::LogCapture::Lines().size(), 1u);

    // Writes within what is charged, and shrinking, still work.
    EXPECT_TRUE(array->SetElementValue(3, 7));
    EXPECT_TRUE(text->SetByte(0, 'A'));
    EXPECT_TRUE(text->Splice(0, 2, nullptr));
    EXPECT_EQ(text->Std(), "cdefghijklmnopqrst");
    EXPECT_TRUE(text->AppendText("uv", 2));  // back to the room charged before
    EXPECT_TRUE(source->AppendText("0123456789", 10));  // within the inline room
    EXPECT_EQ(GSScriptMemoryBudget::Used(), used);

    // With room, every growth succeeds; dropping the values gives it all back.
    GSScriptMemoryBudget::SetLimit(GSScriptMemoryBudget::kDefaultLimit);
    for (const Case& c : cases) EXPECT_TRUE(c.grow()) << c.name;
    EXPECT_GT(GSScriptMemoryBudget::Used(), used);
    Drop(array);
    Drop(other);
    Drop(text);
    Drop(source);
    EXPECT_EQ(held(), baseline);
}

// A text a native hands to a script that the budget has no room for
// arrives as null, as when the heap is full; with room it arrives whole.
TEST_F(GSBudgetRefusal, NativeTextsBeyondTheLimitArriveAsNull) {
    const std::string text(64, 't');
    GSRuntime::GSStack stack;
    GSScriptMemoryBudget::SetLimit(GSScriptMemoryBudget::Used() + 16);
    ASSERT_TRUE(stack.PushString(context, Vek::String(text.c_str())));
    ASSERT_TRUE(stack.PushPString(context, Vek::PString(text.c_str())));
    EXPECT_EQ(stack.Slot(stack.StackPointer()), 0u);
    EXPECT_EQ(stack.Slot(stack.StackPointer() - 1), 0u);
    GSScriptMemoryBudget::SetLimit(GSScriptMemoryBudget::kDefaultLimit);
    ASSERT_TRUE(stack.PushString(context, Vek::String(text.c_str())));
    const GSString* made = GSString::FromReference(stack.Slot(stack.StackPointer()));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Std(), text);
    GSRuntime::GSScriptInstance::ReleaseReference(stack.Top());
    stack.SetStackPointer(stack.StackPointer() - 3);
}

}  // namespace
