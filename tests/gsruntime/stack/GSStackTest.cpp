// The script stack: frames that fit or not, popping and returning, the
// native against the script form of a return, clearing, the traceback, the
// context of the frames, and the pushes natives use.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gsruntime/GSString.h"
#include "gsruntime/scriptsupport/GSFamilyLibrary.h"
#include "gsruntime/scriptsupport/GSScriptFixture.h"

namespace {

using GSRuntime::GSDataRef;
using GSRuntime::GSFunction;
using GSRuntime::GSObject;
using GSRuntime::GSScriptInstance;
using GSRuntime::GSStack;
using GSTest::CountOf;

class GSStackTest : public GSTest::ScriptTest {
protected:
    void SetUp() override {
        GSTest::ImageBuilder image("frames.gs", Id(0).a, Id(0).b);
        image.ClassImport(0, "F");
        GSTest::ClassSpec& cls = image.Class("F");
        GSTest::FunctionSpec zero;  // a = 1, L = 0, D = 0: 4 slots
        zero.signature = "$void@F::Zero()";
        GSTest::FunctionSpec wide;  // a = 3, L = 2, D = 5: 11 slots; references: argument 1, local 3
        wide.signature = "$void@F::Wide(string,int)";
        wide.arguments = 3;
        wide.locals = 2;
        wide.depth = 5;
        wide.localCount = 2;
        wide.referenceSlots = {1, 3};
        GSTest::FunctionSpec value;
        value.signature = "$int@F::Value()";
        value.resultType = 2;
        value.depth = 1;
        value.code = {OP_PushZero, OP_ReturnValue};
        GSTest::FunctionSpec outer;
        outer.signature = "$void@F::Outer()";
        outer.lines = {{0, 10}, {6, 11}, {20, 14}};
        cls.functions = {zero, wide, value, outer};
        GSRuntime::GSLibrary* library = Load(OwnName("frames.gsl"), image);
        ASSERT_NE(library, nullptr);
        F = library->FindClass("F");
        ASSERT_NE(F, nullptr);
        zeroFn = F->GetFunction(0);
        wideFn = F->GetFunction(1);
        valueFn = F->GetFunction(2);
        outerFn = F->GetFunction(3);
    }

    GSRuntime::GSClass* F = nullptr;
    const GSFunction* zeroFn = nullptr;
    const GSFunction* wideFn = nullptr;
    const GSFunction* valueFn = nullptr;
    const GSFunction* outerFn = nullptr;
};

TEST_F(GSStackTest, FrameFitBoundaryTable) {
    struct Case {
        bool wide;    // Wide (11 slots, a = 3), else Zero (4 slots, a = 1)
        int32_t top;  // index of the top slot before the push
        bool fits;
    };
    const std::vector<Case> cases = {
        {false, 0, true},   {false, 1019, true}, {false, 1020, false}, {false, 1023, false},
        {true, 1012, true}, {true, 1013, false}, {true, 1, false},  // `me` and two arguments need three slots
        {true, 2, true},    {false, -1, false},
    };
    for (const Case& c : cases) {
        const GSFunction* function = c.wide ? wideFn : zeroFn;
        SCOPED_TRACE(std::string(function->signature) + " above " + std::to_string(c.top));
        GSStack stack;
        for (int32_t i = 0; i <= c.top; ++i) ASSERT_TRUE(stack.Push(0));
        log.Clear();
        EXPECT_EQ(stack.PushFrame(function, 9), c.fits);
        if (c.fits) {
            const int32_t header = c.top + static_cast<int32_t>(function->headerOffset);
            EXPECT_EQ(stack.CurrentFrame(), header);
            EXPECT_EQ(stack.StackPointer(), header + 3);
            EXPECT_EQ(stack.FrameFunction(header), function);
            EXPECT_EQ(stack.FrameReturnOffset(header), 9);
            EXPECT_EQ(stack.FramePrevious(header), GSStack::kNone);
            EXPECT_EQ(stack.FrameLocalsBase(header), c.top + function->argumentOffset);
        } else {
            EXPECT_EQ(stack.StackPointer(), c.top);
            EXPECT_EQ(stack.CurrentFrame(), GSStack::kNone);
        }
        stack.SetStackPointer(-1);
        stack.SetCurrentFrame(GSStack::kNone);
    }
}

TEST_F(GSStackTest, OverflowNamesEveryFrameOutward) {
    GSStack stack;
    int frames = 0;
    for (;;) {
        if (!stack.Push(0)) break;
        if (!stack.PushFrame(frames % 2 ? outerFn : zeroFn, 0)) break;
        ++frames;
    }
    EXPECT_EQ(frames, 204);  // 5 slots each; the 205th would reach slot 1024
    EXPECT_EQ(stack.StackPointer(), 204 * 5);
    EXPECT_EQ(GSTest::LogCapture::Count("GSStack overflow..."), 1);
    EXPECT_EQ(GSTest::LogCapture::Count("function $void@F::Zero()"), 102);
    EXPECT_EQ(GSTest::LogCapture::Count("function $void@F::Outer()"), 102);
    EXPECT_EQ(GSTest::LogCapture::Lines()[1], "function $void@F::Outer()");
}

TEST_F(GSStackTest, PopAndReturnReleaseTheFrame) {
    GSObject* object = new GSObject();
    ASSERT_TRUE(object->BindClass(F, context));
    GSRuntime::GSString* argument = NewString("argument");
    GSRuntime::GSString* local = NewString("local");
    GSStack stack;
    ASSERT_TRUE(stack.Push(0));
    GSScriptInstance::AddRef(object->GetReference());
    ASSERT_TRUE(stack.Push(object->GetReference()));
    ASSERT_TRUE(stack.Push(argument->GetReference()));
    ASSERT_TRUE(stack.Push(12));
    ASSERT_TRUE(stack.PushFrame(wideFn, 33));
    EXPECT_EQ(stack.GetContext(), context);
    stack.Slots()[stack.FrameLocalsBase(stack.CurrentFrame()) + 3] = local->GetReference();
    EXPECT_EQ(stack.Local(2), 12u);

    // Not with a value on the operand stack.
    ASSERT_TRUE(stack.Push(5));
    EXPECT_FALSE(stack.PopFrame());
    EXPECT_EQ(stack.StackPointer(), stack.CurrentFrame() + 4);
    stack.SetStackPointer(stack.CurrentFrame() + 3);

    const int64_t before = GSTest::LiveBlocks();
    EXPECT_TRUE(stack.PopFrame());
    EXPECT_EQ(stack.StackPointer(), 0);
    EXPECT_EQ(stack.CurrentFrame(), GSStack::kNone);
    EXPECT_EQ(stack.ReturnOffset(), 33);
    EXPECT_EQ(CountOf(object), 1);
    EXPECT_EQ(GSTest::LiveBlocks(), before - 2);  // both strings went with the frame
    EXPECT_FALSE(stack.PopFrame());
    EXPECT_FALSE(stack.ReturnValue(true));
    delete object;
}

// A native that pushed nothing returns 0; a script function must leave
// exactly its value.
TEST_F(GSStackTest, NativeAgainstScriptReturnValue) {
    struct Case {
        bool native;
        int values;  // values on the operand stack at the return
        bool ok;
        uint32_t result;
        const char* logged;
    };
    const std::vector<Case> cases = {
        {true, 0, true, 0, nullptr},
        {true, 1, true, 77, nullptr},
        {false, 1, true, 77, nullptr},
        {false, 0, false, 0, "GSStack::ReturnValue> diff=3"},
        {false, 2, false, 0, "GSStack::ReturnValue> diff=5"},
        {true, 2, false, 0, "GSStack::ReturnValue> diff=5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.native ? "native " : "script ") + std::to_string(c.values));
        GSStack stack;
        ASSERT_TRUE(stack.Push(0xAA));
        ASSERT_TRUE(stack.Push(0));
        ASSERT_TRUE(stack.PushFrame(valueFn, 4));
        const int32_t frame = stack.CurrentFrame();
        for (int i = 0; i < c.values; ++i) ASSERT_TRUE(stack.Push(77));
        log.Clear();
        EXPECT_EQ(stack.ReturnValue(c.native), c.ok);
        if (c.ok) {
            EXPECT_EQ(stack.StackPointer(), 1);
            EXPECT_EQ(stack.Top(), c.result);
            EXPECT_EQ(stack.CurrentFrame(), GSStack::kNone);
            EXPECT_EQ(stack.ReturnOffset(), 4);
            EXPECT_TRUE(GSTest::LogCapture::Lines().empty());
        } else {
            EXPECT_EQ(stack.CurrentFrame(), frame);
            EXPECT_EQ(stack.StackPointer(), frame + 3 + c.values);
            EXPECT_EQ(GSTest::LogCapture::Count(c.logged), 1);
            stack.SetStackPointer(-1);
            stack.SetCurrentFrame(GSStack::kNone);
        }
    }
}

TEST_F(GSStackTest, ClearReleasesEveryFrameAndDumpWalksThem) {
    GSObject* object = new GSObject();
    ASSERT_TRUE(object->BindClass(F, context));
    GSStack stack;
    GSScriptInstance::AddRef(object->GetReference());
    ASSERT_TRUE(stack.Push(object->GetReference()));
    ASSERT_TRUE(stack.PushFrame(outerFn, 0));
    log.Clear();
    stack.Dump();
    EXPECT_EQ(GSTest::LogCapture::Lines(), (std::vector<std::string>{"function $void@F::Outer(), line -1"}));

    // An inner frame called from offset 6 of Outer, and one called from 5.
    GSScriptInstance::AddRef(object->GetReference());
    ASSERT_TRUE(stack.Push(object->GetReference()));
    ASSERT_TRUE(stack.PushFrame(outerFn, 6));
    ASSERT_TRUE(stack.Push(0));  // a `me` of none
    ASSERT_TRUE(stack.PushFrame(zeroFn, 5));
    log.Clear();
    stack.Dump();
    EXPECT_EQ(GSTest::LogCapture::Lines(),
              (std::vector<std::string>{"function $void@F::Zero(), line -1", "function $void@F::Outer(), line 10",
                                        "function $void@F::Outer(), line 11"}));
    // The innermost frame has no `me`; the next one gives the context.
    EXPECT_EQ(stack.GetContext(), context);
    EXPECT_EQ(CountOf(object), 3);
    stack.Clear();
    EXPECT_EQ(CountOf(object), 1);
    EXPECT_EQ(stack.StackPointer(), -1);
    EXPECT_EQ(stack.CurrentFrame(), GSStack::kNone);
    EXPECT_EQ(stack.ReturnOffset(), 0);
    EXPECT_EQ(stack.GetContext(), nullptr);
    delete object;
}

TEST_F(GSStackTest, PushesForNatives) {
    GSTest::ImageBuilder image = GSTest::FamilyImage(Id(1));
    GSTest::Family family(Load(OwnName("family.gsl"), image));
    ASSERT_NE(family.D, nullptr);
    GSObject* d = new GSObject();
    ASSERT_TRUE(d->BindClass(family.D, context));
    GSStack stack;

    ASSERT_TRUE(stack.PushFloat(1.5f));
    float back = 0;
    std::memcpy(&back, &stack.Slots()[0], sizeof back);
    EXPECT_EQ(back, 1.5f);

    ASSERT_TRUE(stack.PushPString(context, Vek::PString("interned")));
    ASSERT_TRUE(stack.PushString(context, Vek::String("plain")));
    EXPECT_EQ(GSRuntime::GSString::FromReference(stack.Slots()[1])->Std(), "interned");
    EXPECT_EQ(GSRuntime::GSString::FromReference(stack.Slots()[2])->Std(), "plain");
    EXPECT_EQ(CountOf(stack.Slots()[2]), 1);
    EXPECT_EQ(GSTrackedObjectRegistry::GetContext(GSTest::HeaderOf(stack.Slots()[2])), context);

    ASSERT_TRUE(stack.PushObject(d, family.B));  // B's view, a count added
    EXPECT_EQ(stack.Top(), GSRuntime::GSOffsetReference(d->GetReference(), 5));
    EXPECT_EQ(CountOf(d), 2);
    ASSERT_TRUE(stack.PushObject(d, family.C));  // not a C: null
    EXPECT_EQ(stack.Top(), 0u);
    ASSERT_TRUE(stack.PushObject(nullptr, nullptr));
    EXPECT_EQ(stack.Top(), 0u);
    ASSERT_TRUE(stack.PushCast(d->GetReference(), family.A));
    EXPECT_EQ(stack.Top(), GSRuntime::GSOffsetReference(d->GetReference(), 2));
    EXPECT_EQ(CountOf(d), 2);

    // A new object hands its creation count over; one that is not of the
    // class is released.
    GSObject* created = new GSObject();
    ASSERT_TRUE(created->BindClass(family.A, context));
    ASSERT_TRUE(stack.PushNewObject(created, nullptr));
    EXPECT_EQ(CountOf(created), 1);
    GSObject* wrong = new GSObject();
    ASSERT_TRUE(wrong->BindClass(family.A, context));
    const int64_t before = GSTest::LiveBlocks();
    ASSERT_TRUE(stack.PushNewObject(wrong, family.B));
    EXPECT_EQ(stack.Top(), 0u);
    EXPECT_EQ(GSTest::LiveBlocks(), before - 2);

    // A full stack takes nothing more, and releases a count handed over.
    while (stack.StackPointer() < GSStack::kCapacity - 1) ASSERT_TRUE(stack.Push(0));
    EXPECT_FALSE(stack.Push(1));
    EXPECT_FALSE(stack.PushString(context, Vek::String("lost")));
    EXPECT_FALSE(stack.PushObject(d, nullptr));
    EXPECT_EQ(CountOf(d), 2);
    EXPECT_EQ(stack.StackPointer(), GSStack::kCapacity - 1);

    for (int32_t i : {1, 2, 3, 7}) GSScriptInstance::ReleaseReference(stack.Slots()[i]);
    stack.SetStackPointer(-1);
    EXPECT_EQ(CountOf(d), 1);
    delete d;
}

}  // namespace
