// Calls of script functions from native code: dispatch, results, reference
// arguments taken over, thread starts, and the counts every failure gives back.
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

// The call takes over the count that comes with a reference argument (the
// frame releases it); a returned reference passes its count to the caller,
// or is released when the caller takes no result.
TEST_F(GSCallScript, ReferenceArgumentsAreTakenOverAndResultsReturned) {
    GSTest::CurrentRunner() = [&](GSTest::FakeThread& thread) {
        GSRuntime::GSStack& stack = thread.stack;
        const GSDataRef argument = stack.Local(1);
        EXPECT_EQ(CountOf(argument), 2);  // ours and the one given to the call
        GSScriptInstance::AddRef(argument);
        stack.Push(argument);
        EXPECT_TRUE(stack.ReturnValue(false));
        return static_cast<int32_t>(GSRuntime::ER_Done);
    };
    GSRuntime::GSString* text = NewString("echo");
    uint32_t result = 0;
    GSScriptInstance::AddRef(text->GetReference());
    ASSERT_TRUE(
        CallScriptFunction(context, family.D, Header(), "$string@D::Echo(string)", &result, {text->GetReference()}));
    EXPECT_EQ(result, text->GetReference());
    EXPECT_EQ(CountOf(text), 2);  // ours and the result's
    GSScriptInstance::ReleaseReference(result);
    GSScriptInstance::AddRef(text->GetReference());
    ASSERT_TRUE(
        CallScriptFunction(context, family.D, Header(), "$string@D::Echo(string)", nullptr, {text->GetReference()}));
    EXPECT_EQ(CountOf(text), 1);
    GSScriptInstance::ReleaseReference(text->GetReference());
    ExpectStaticThreadIntact();
}

// Every failure releases the count each reference argument brought, leaves
// `me` and the static thread as they were, and touches no value argument.
TEST_F(GSCallScript, FailuresReleaseTheCountsTheyTookOver) {
    GSRuntime::GSString* text = NewString("argument");
    const GSDataRef argument = text->GetReference();
    uint32_t result = 5;
    const char* echo = "$string@D::Echo(string)";
    // Gives the call a count, runs it and checks that exactly that count
    // went: the argument is back at our own one.
    auto expectFailure = [&](const char* what, auto&& call) {
        GSScriptInstance::AddRef(argument);
        EXPECT_FALSE(call()) << what;
        EXPECT_EQ(CountOf(d), 1) << what;
        EXPECT_EQ(CountOf(text), 1) << what;
        ExpectStaticThreadIntact();
    };

    expectFailure("no context", [&] { return CallScriptFunction(nullptr, family.D, Header(), echo, &result, {argument}); });
    GSRuntime::GSContext* noRouter = new GSRuntime::GSContext(false, false);
    expectFailure("no router", [&] { return CallScriptFunction(noRouter, family.D, Header(), echo, &result, {argument}); });
    delete noRouter;
    expectFailure("no class", [&] { return CallScriptFunction(context, nullptr, Header(), echo, &result, {argument}); });
    expectFailure("unknown signature", [&] {
        return CallScriptFunction(context, family.D, Header(), "$void@D::Missing(int,string)", &result, {7, argument});
    });
    expectFailure("instance not of the class",
                  [&] { return CallScriptFunction(context, family.C, Header(), echo, &result, {argument}); });
    // A value beyond the function's parameters is not the call's.
    expectFailure("too many arguments",
                  [&] { return CallScriptFunction(context, family.D, Header(), echo, &result, {argument, 9}); });
    EXPECT_EQ(result, 0u);

    // The run fails (the interpreter's error end clears the stack).
    GSTest::CurrentRunner() = [](GSTest::FakeThread&) { return static_cast<int32_t>(GSRuntime::ER_Exception); };
    expectFailure("run failed", [&] { return CallScriptFunction(context, family.D, Header(), echo, &result, {argument}); });

    // The run leaves its frame behind.
    GSTest::CurrentRunner() = [](GSTest::FakeThread&) { return static_cast<int32_t>(GSRuntime::ER_Blocked); };
    expectFailure("frame left", [&] { return CallScriptFunction(context, family.D, Header(), echo, &result, {argument}); });

    // The frame does not fit above what an outer run holds.
    GSRuntime::GSStack& stack = GSTest::StaticThread().stack;
    for (int i = 0; i < GSRuntime::GSStack::kCapacity - 4; ++i) ASSERT_TRUE(stack.Push(0));
    GSScriptInstance::AddRef(argument);
    EXPECT_FALSE(CallScriptFunction(context, family.D, Header(), echo, &result, {argument}));
    EXPECT_EQ(stack.StackPointer(), GSRuntime::GSStack::kCapacity - 5);
    EXPECT_EQ(CountOf(text), 1);
    EXPECT_EQ(CountOf(d), 1);
    stack.SetStackPointer(-1);

    // No interpreter: nothing can run.
    GSRuntime::GSSetThreadServices({});
    expectFailure("no interpreter",
                  [&] { return CallScriptFunction(context, family.D, Header(), echo, &result, {argument}); });
    GSScriptInstance::ReleaseReference(argument);
}

TEST_F(GSCallScript, ThreadFunctionsStartOnTheGameObject) {
    GSTest::FakeGameObject* game = new GSTest::FakeGameObject();
    ASSERT_TRUE(game->BindClass(family.G, context));
    GSRuntime::GSString* text = NewString("run");
    const char* run = "$void@G::Run(string)";
    GSScriptInstance::AddRef(text->GetReference());
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
    GSScriptInstance::AddRef(text->GetReference());
    EXPECT_FALSE(
        CallScriptFunction(context, family.G, HeaderOf(game->GetReference()), run, nullptr, {text->GetReference()}));
    EXPECT_EQ(CountOf(game), 2);
    EXPECT_EQ(CountOf(text), 2);
    GSObject* plain = new GSObject();
    ASSERT_TRUE(plain->BindClass(family.G, context));
    GSScriptInstance::AddRef(text->GetReference());
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
