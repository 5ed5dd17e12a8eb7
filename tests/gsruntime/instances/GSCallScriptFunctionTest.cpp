// Calls of script functions from native code: dispatch, results, lent
// arguments, thread starts, and the counts every failure gives back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSString.h"
#include "gsruntime/scriptsupport/GSFamilyLibrary.h"
#include "gsruntime/scriptsupport/GSScriptFixture.h"

namespace {

using GSRuntime::CallScriptFunction;
using GSRuntime::GSDataRef;
using GSRuntime::GSObject;
using GSRuntime::GSScriptInstance;
using GSTest::CountOf;
using GSTest::HeaderOf;

class GSCallScript : public GSTest::ScriptTest {
protected:
    void SetUp() override {
        GSTest::ImageBuilder image = GSTest::FamilyImage(Id(0));
        family = GSTest::Family(Load(OwnName("family.gsl"), image));
        ASSERT_NE(family.D, nullptr);
        d = new GSObject();
        ASSERT_TRUE(d->BindClass(family.D, context));
    }
    void TearDown() override {
        delete d;
        GSTest::ScriptTest::TearDown();
    }
    GSScriptInstance* Header() { return HeaderOf(d->GetReference()); }
    // The static thread is back as it was before the call.
    static void ExpectStaticThreadIntact() {
        EXPECT_EQ(GSTest::StaticThread().stack.StackPointer(), -1);
        EXPECT_EQ(GSTest::StaticThread().stack.CurrentFrame(), -1);
    }

    GSTest::Family family{nullptr};
    GSObject* d = nullptr;
};

TEST_F(GSCallScript, ResultArgumentsAndTheMostDerivedOverride) {
    std::vector<std::string> ran;
    GSTest::CurrentRunner() = [&](GSTest::FakeThread& thread) {
        GSRuntime::GSStack& stack = thread.stack;
        const std::string function = stack.FrameFunction(stack.CurrentFrame())->signature;
        ran.push_back(function);
        EXPECT_EQ(stack.Local(0), d->GetReference());
        EXPECT_EQ(CountOf(d), 2);  // the frame's own count on `me`
        if (function == "$int@D::Twice(int)") {
            stack.Push(2 * stack.Local(1));
            EXPECT_TRUE(stack.ReturnValue(false));
            return static_cast<int32_t>(GSRuntime::ER_Done);
        }
        return GSTest::FinishFrame(thread);
    };
    uint32_t result = 7;
    EXPECT_TRUE(CallScriptFunction(context, family.D, Header(), "$int@D::Twice(int)", &result, {21}));
    EXPECT_EQ(result, 42u);
    // A's signature runs D's override, with the own view as `me`.
    EXPECT_TRUE(CallScriptFunction(context, family.D, Header(), "$int@A::Value()", &result));
    EXPECT_EQ(result, 0u);
    // The class named may be a base of the instance's class.
    EXPECT_TRUE(CallScriptFunction(context, family.A, Header(), "$int@A::Value()", nullptr));
    EXPECT_EQ(ran, (std::vector<std::string>{"$int@D::Twice(int)", "$int@D::Value()", "$int@D::Value()"}));
    EXPECT_EQ(CountOf(d), 1);
    ExpectStaticThreadIntact();
}

// Reference arguments are lent to the call; a returned reference passes its
// count to the caller, or is released when the caller takes no result.
TEST_F(GSCallScript, ReferencesLentAndReturned) {
    GSTest::CurrentRunner() = [&](GSTest::FakeThread& thread) {
        GSRuntime::GSStack& stack = thread.stack;
        const GSDataRef argument = stack.Local(1);
        EXPECT_EQ(CountOf(argument), 2);
        GSScriptInstance::AddRef(argument);
        stack.Push(argument);
        EXPECT_TRUE(stack.ReturnValue(false));
        return static_cast<int32_t>(GSRuntime::ER_Done);
    };
    GSRuntime::GSString* text = NewString("echo");
    uint32_t result = 0;
    ASSERT_TRUE(
        CallScriptFunction(context, family.D, Header(), "$string@D::Echo(string)", &result, {text->GetReference()}));
    EXPECT_EQ(result, text->GetReference());
    EXPECT_EQ(CountOf(text), 2);
    GSScriptInstance::ReleaseReference(result);
    ASSERT_TRUE(
        CallScriptFunction(context, family.D, Header(), "$string@D::Echo(string)", nullptr, {text->GetReference()}));
    EXPECT_EQ(CountOf(text), 1);
    GSScriptInstance::ReleaseReference(text->GetReference());
    ExpectStaticThreadIntact();
}

// Every failure leaves the counts of `me` and of the arguments, and the
// static thread, as they were.
TEST_F(GSCallScript, FailuresGiveTheirCountsBack) {
    GSRuntime::GSString* text = NewString("argument");
    const GSDataRef argument = text->GetReference();
    auto expectUntouched = [&](const char* what) {
        EXPECT_EQ(CountOf(d), 1) << what;
        EXPECT_EQ(CountOf(text), 1) << what;
        ExpectStaticThreadIntact();
    };
    uint32_t result = 5;
    const char* echo = "$string@D::Echo(string)";

    EXPECT_FALSE(CallScriptFunction(nullptr, family.D, Header(), echo, &result, {argument}));
    GSRuntime::GSContext* noRouter = new GSRuntime::GSContext(false, false);
    EXPECT_FALSE(CallScriptFunction(noRouter, family.D, Header(), echo, &result, {argument}));
    delete noRouter;
    EXPECT_FALSE(CallScriptFunction(context, family.D, Header(), "$void@D::Missing()", &result, {argument}));
    EXPECT_FALSE(CallScriptFunction(context, family.C, Header(), echo, &result, {argument}));
    EXPECT_FALSE(CallScriptFunction(context, family.D, Header(), echo, &result, {argument, argument}));
    EXPECT_EQ(result, 0u);
    expectUntouched("refused");

    // The run fails (the interpreter's error end clears the stack).
    GSTest::CurrentRunner() = [](GSTest::FakeThread&) { return static_cast<int32_t>(GSRuntime::ER_Exception); };
    EXPECT_FALSE(CallScriptFunction(context, family.D, Header(), echo, &result, {argument}));
    expectUntouched("run failed");

    // The run leaves its frame behind.
    GSTest::CurrentRunner() = [](GSTest::FakeThread&) { return static_cast<int32_t>(GSRuntime::ER_Blocked); };
    EXPECT_FALSE(CallScriptFunction(context, family.D, Header(), echo, &result, {argument}));
    expectUntouched("frame left");

    // The frame does not fit above what an outer run holds.
    GSRuntime::GSStack& stack = GSTest::StaticThread().stack;
    for (int i = 0; i < GSRuntime::GSStack::kCapacity - 4; ++i) ASSERT_TRUE(stack.Push(0));
    EXPECT_FALSE(CallScriptFunction(context, family.D, Header(), echo, &result, {argument}));
    EXPECT_EQ(stack.StackPointer(), GSRuntime::GSStack::kCapacity - 5);
    stack.SetStackPointer(-1);
    expectUntouched("no room");

    // No interpreter: nothing can run.
    GSRuntime::GSSetThreadServices({});
    EXPECT_FALSE(CallScriptFunction(context, family.D, Header(), echo, &result, {argument}));
    expectUntouched("no interpreter");
    GSScriptInstance::ReleaseReference(argument);
}

TEST_F(GSCallScript, ThreadFunctionsStartOnTheGameObject) {
    GSTest::FakeGameObject* game = new GSTest::FakeGameObject();
    ASSERT_TRUE(game->BindClass(family.G, context));
    GSRuntime::GSString* text = NewString("run");
    const char* run = "$void@G::Run(string)";
    ASSERT_TRUE(
        CallScriptFunction(context, family.G, HeaderOf(game->GetReference()), run, nullptr, {text->GetReference()}));
    ASSERT_EQ(game->threads.size(), 1u);
    GSRuntime::GSStack& stack = game->threads[0]->stack;
    ASSERT_NE(stack.CurrentFrame(), GSRuntime::GSStack::kNone);
    EXPECT_STREQ(stack.FrameFunction(stack.CurrentFrame())->signature, run);
    EXPECT_EQ(stack.Local(0), game->GetReference());
    EXPECT_EQ(stack.Local(1), text->GetReference());
    EXPECT_EQ(CountOf(game), 2);
    EXPECT_EQ(CountOf(text), 2);

    // No thread left on the game object, or not a game object at all.
    game->threadLimit = 1;
    EXPECT_FALSE(
        CallScriptFunction(context, family.G, HeaderOf(game->GetReference()), run, nullptr, {text->GetReference()}));
    EXPECT_EQ(CountOf(game), 2);
    EXPECT_EQ(CountOf(text), 2);
    GSObject* plain = new GSObject();
    ASSERT_TRUE(plain->BindClass(family.G, context));
    EXPECT_FALSE(
        CallScriptFunction(context, family.G, HeaderOf(plain->GetReference()), run, nullptr, {text->GetReference()}));
    EXPECT_EQ(CountOf(plain), 1);
    EXPECT_EQ(CountOf(text), 2);

    stack.Clear();
    EXPECT_EQ(CountOf(game), 1);
    EXPECT_EQ(CountOf(text), 1);
    GSScriptInstance::ReleaseReference(text->GetReference());
    delete plain;
    delete game;
}

}  // namespace
