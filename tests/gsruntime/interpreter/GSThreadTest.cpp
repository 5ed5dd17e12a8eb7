// Script threads: the early returns and the error end of Execute, sleeping,
// script exceptions raised by native code, saved states, and waiting for
// messages: delivery, queueing, the queue's overflow and the offer of
// queued messages to a new wait.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gsruntime/GSClass.h"
#include "gsruntime/interpreter/GSInterpreter.h"
#include "gsruntime/interpreter/GSInterpreterFixture.h"
#include "gsruntime/interpreter/GSStubGameObjects.h"
#include "gsruntime/interpreter/GSThreadStateGuard.h"

namespace {

using namespace GSRuntime;
using GSTest::Outcome;
using GSTest::RawFunction;
using GSTest::StubMessage;

struct Report {
    std::string message;
    GSStack* stack = nullptr;
    GSObject* gameObject = nullptr;
    bool continued = true;
    int calls = 0;
};
Report& LastReport() {
    static Report report;
    return report;
}
void RecordReport(const char* message, GSStack* stack, GSObject* gameObject, bool continued) {
    Report& report = LastReport();
    report.message = message;
    report.stack = stack;
    report.gameObject = gameObject;
    report.continued = continued;
    report.calls += 1;
}

class GSThreads : public GSTest::InterpreterTest {
protected:
    void SetUp() override {
        LastReport() = Report();
        GSThread::SetHostExceptionCallback(&RecordReport);
        GSTest::InstallStubGameObjects();
        GSTest::ImageBuilder image("actor.gs", Id(0).a, Id(0).b);
        image.ClassImport(0, "Actor");
        image.Class("Actor");
        a = image.String("A");
        b = image.String("B");
        c = image.String("C");
        empty = image.String("");
        library = Load(OwnName("actor.gsl"), image);
        ASSERT_NE(library, nullptr);
        actor = new GSTest::StubGameObject();
        ASSERT_TRUE(actor->BindClass(library->FindClass("Actor"), context));
    }
    void TearDown() override {
        actor->threads.clear();
        delete actor;
        GSTest::InterpreterTest::TearDown();
    }

    GSTest::RawShape Shape() {
        GSTest::RawShape shape;
        shape.library = library;
        return shape;
    }
    // A thread of the stand-in game object.
    GSThread& NewActorThread() { return *actor->CreateThread(); }

    // OP_Wait over {major, minor} string pairs with one handler offset each.
    static void Wait(GSTest::CodeWriter& code, const std::vector<std::pair<uint32_t, uint32_t>>& pairs,
                     const std::vector<uint32_t>& handlers) {
        code.Op(OP_Wait).U16(static_cast<uint32_t>(pairs.size()));
        for (auto& pair : pairs) code.U16(pair.first).U16(pair.second);
        for (uint32_t handler : handlers) code.I32(handler);
    }

    GSLibrary* library = nullptr;
    GSTest::StubGameObject* actor = nullptr;
    uint32_t a = 0, b = 0, c = 0, empty = 0;
};

TEST_F(GSThreads, AThreadWithoutAFrameEndsWithNoStackFrame) {
    GSThread thread(nullptr, 0);
    EXPECT_EQ(thread.Execute(0.0f), ER_NoStackFrame);
    EXPECT_EQ(log.Count("Thread Exception: ER_NoStackFrame, line -1, file "), 1);
    EXPECT_EQ(thread.State(), GSThread::kDead);
    // A dead thread runs like a runnable one, and so ends the same way.
    EXPECT_EQ(thread.Execute(0.0f), ER_NoStackFrame);
    EXPECT_EQ(LastReport().calls, 2);
}

TEST_F(GSThreads, TheErrorEndReportsKillsAndClears) {
    GSTest::RawShape shape = Shape();
    shape.lines = {{0, 10}, {2, 11}, {5, 12}};
    // 0: PushOne; 1: PushZero; 2: DivInt; 3: ReturnValue
    RawFunction function({OP_PushOne, OP_PushZero, OP_DivInt, OP_ReturnValue}, shape);
    GSThread thread(nullptr, 0);
    log.Clear();
    EXPECT_EQ(RunOn(thread, function.Get(), AnyMe(), {}).code, ER_DivideByZero);
    const std::string expected = "Thread Exception: ER_DivideByZero, line 11, file actor.gs";
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{expected, "Stack Dump...", "function $int@Raw::Run(), line -1"}));
    EXPECT_EQ(LastReport().message, expected);
    EXPECT_EQ(LastReport().stack, &thread.Stack());
    EXPECT_EQ(LastReport().gameObject, nullptr);
    EXPECT_FALSE(LastReport().continued);
    EXPECT_EQ(thread.State(), GSThread::kDead);
    EXPECT_EQ(thread.Stack().StackPointer(), -1);
    EXPECT_EQ(thread.Stack().CurrentFrame(), -1);
    EXPECT_EQ(GSTest::CountOf(AnyMe()), 1);  // the frame's `me` released
    EXPECT_EQ(GSCurrentThread(), nullptr);

    // A thread of a game object names it to the host.
    GSThread& owned = NewActorThread();
    EXPECT_EQ(RunOn(owned, function.Get(), AnyMe(), {}).code, ER_DivideByZero);
    EXPECT_EQ(LastReport().gameObject, actor);
}

TEST_F(GSThreads, AWaitingThreadAnswersBlockedAndTouchesNothing) {
    RawFunction function({OP_PushConst, 1, 0, 0, 0, OP_ReturnValue, OP_PushConst, 2, 0, 0, 0, OP_ReturnValue}, Shape());
    GSThread thread(nullptr, 0);
    EXPECT_EQ(RunOn(thread, function.Get(), AnyMe(), {}).value, 1u);
    const uint64_t bytes = GSExecutedBytes();
    thread.Stack().Push(AnyMe());
    GSScriptInstance::AddRef(AnyMe());
    ASSERT_TRUE(thread.Stack().PushFrame(function.Get(), 0));
    thread.SetState(GSThread::kWaiting);
    EXPECT_EQ(thread.Execute(5.0f), ER_Blocked);
    EXPECT_EQ(GSExecutedBytes(), bytes);
    EXPECT_EQ(GSExecutionDepth(), 0);
    EXPECT_EQ(GSCurrentThread(), nullptr);

    // Sleeping: 0.5 s with 0.3 s runs; the run that ends the sleep goes on
    // at the resume offset at once.
    thread.SetSleepTime(0.5f);
    thread.SetResumeOffset(6);
    EXPECT_EQ(thread.Execute(0.3f), ER_Blocked);
    EXPECT_NEAR(thread.SleepTime(), 0.2f, 1e-6f);
    EXPECT_EQ(thread.State(), GSThread::kWaiting);
    EXPECT_EQ(thread.Execute(0.3f), ER_Done);
    EXPECT_EQ(thread.Stack().Top(), 2u);
    EXPECT_EQ(thread.SleepTime(), 0.0f);
}

TEST_F(GSThreads, SleepSuspendsOnlyAThreadThatMaySleep) {
    GSThread thread(nullptr, 0);
    GSSetCurrentThread(&thread);
    GSThread::SleepCurrentThread(0.000001f);  // not above the minimum
    EXPECT_EQ(thread.State(), GSThread::kRunnable);
    GSThread::SleepCurrentThread(0.25f);
    EXPECT_EQ(thread.State(), GSThread::kWaiting);
    EXPECT_EQ(thread.SleepTime(), 0.25f);
    GSThread* staticThread = machine->GetStaticThread();
    ASSERT_NE(staticThread, nullptr);
    EXPECT_TRUE(staticThread->IsStatic());
    GSSetCurrentThread(staticThread);
    const int32_t state = staticThread->State();
    GSThread::SleepCurrentThread(1.0f);
    EXPECT_EQ(staticThread->State(), state);
    EXPECT_EQ(staticThread->SleepTime(), 0.0f);
    GSSetCurrentThread(nullptr);
}

TEST_F(GSThreads, ExceptionsNameTheFileAndKillUnlessContinued) {
    GSThread thread(nullptr, 0);
    EXPECT_FALSE(thread.Exception("bare", true));
    EXPECT_EQ(log.Count("bare"), 1);
    EXPECT_EQ(thread.State(), GSThread::kRunnable);

    RawFunction function({OP_Return}, Shape());
    thread.Stack().Push(0);
    ASSERT_TRUE(thread.Stack().PushFrame(function.Get(), 0));
    EXPECT_FALSE(thread.Exception("went on 100%", true));
    EXPECT_EQ(log.Count("went on 100% (file actor.gs)"), 1);
    EXPECT_TRUE(LastReport().continued);
    EXPECT_EQ(thread.State(), GSThread::kRunnable);
    thread.Exception("ended", false);
    EXPECT_EQ(thread.State(), GSThread::kDead);
    EXPECT_FALSE(LastReport().continued);
}

TEST_F(GSThreads, ASavedStateDetachesTheFramesUntilTheGuardEnds) {
    RawFunction function({OP_Return}, Shape());
    GSThread thread(nullptr, 0);
    GSStack& stack = thread.Stack();
    stack.Push(0);
    ASSERT_TRUE(stack.PushFrame(function.Get(), 0));
    stack.Push(42);
    thread.SetResumeOffset(3);
    thread.SetState(GSThread::kWaiting);
    const int32_t frame = stack.CurrentFrame();
    const int32_t top = stack.StackPointer();
    {
        GSThreadStateGuard guard(thread);
        EXPECT_EQ(stack.CurrentFrame(), -1);
        EXPECT_EQ(stack.StackPointer(), top + 1);
        EXPECT_EQ(stack.Top(), 0u);
        EXPECT_EQ(thread.ResumeOffset(), 0);
        // A nested run on this thread builds its own frames above.
        thread.SetState(GSThread::kRunnable);
        GSScriptInstance::AddRef(AnyMe());
        stack.Push(AnyMe());
        ASSERT_TRUE(stack.PushFrame(function.Get(), 0));
        EXPECT_EQ(thread.Execute(0.0f), ER_Done);
    }
    EXPECT_EQ(stack.CurrentFrame(), frame);
    EXPECT_EQ(stack.StackPointer(), top);
    EXPECT_EQ(stack.Top(), 42u);
    EXPECT_EQ(thread.ResumeOffset(), 3);
    EXPECT_EQ(thread.State(), GSThread::kWaiting);
}

// 0: Wait {A, any} -> 11; 11: PopRef; PushConst 1; ReturnValue
TEST_F(GSThreads, AMatchingMessageResumesAWaitingThreadAtItsHandler) {
    GSTest::CodeWriter code;
    Wait(code, {{a, empty}}, {11});
    code.Op(OP_PopRef).Op32(OP_PushConst, 1).Op(OP_ReturnValue);
    RawFunction function(code.Bytes(), Shape());
    GSThread& thread = NewActorThread();
    EXPECT_EQ(RunOn(thread, function.Get(), AnyMe(), {}).code, ER_Blocked);
    EXPECT_EQ(thread.State(), GSThread::kWaiting);
    EXPECT_EQ(thread.BlockCount(), 1);
    const uint16_t major = GSTest::TypeId("A");
    EXPECT_EQ(actor->subscriptions[major], 1);

    // (A, any) takes (A, B); a wrong major does not.
    StubMessage other{GSTest::TypeId("B"), GSTest::TypeId("B")};
    EXPECT_FALSE(thread.QueueMessage(GSTest::AsMessage(other), true));
    StubMessage message{major, GSTest::TypeId("B")};
    EXPECT_TRUE(thread.QueueMessage(GSTest::AsMessage(message), true));
    EXPECT_EQ(thread.State(), GSThread::kRunnable);
    EXPECT_EQ(thread.ResumeOffset(), 11);
    EXPECT_EQ(TextOf(thread.Stack().Top()), "message " + std::to_string(major));
    EXPECT_EQ(message.count, 1);  // delivered, not kept

    EXPECT_EQ(thread.Execute(0.0f), ER_Done);
    EXPECT_EQ(thread.Stack().Slot(0), 1u);
    EXPECT_EQ(actor->subscriptions[major], 0);  // withdrawn by the run
}

TEST_F(GSThreads, ABlockWithAMinorTakesOnlyThatMinor) {
    GSTest::CodeWriter code;
    Wait(code, {{a, c}}, {11});
    code.Op(OP_PopRef).Op(OP_Return);
    RawFunction function(code.Bytes(), Shape());
    GSThread& thread = NewActorThread();
    EXPECT_EQ(RunOn(thread, function.Get(), AnyMe(), {}).code, ER_Blocked);
    StubMessage wrongMinor{GSTest::TypeId("A"), GSTest::TypeId("B")};
    EXPECT_FALSE(thread.QueueMessage(GSTest::AsMessage(wrongMinor), true));
    EXPECT_EQ(thread.State(), GSThread::kWaiting);
    StubMessage right{GSTest::TypeId("A"), GSTest::TypeId("C")};
    EXPECT_TRUE(thread.QueueMessage(GSTest::AsMessage(right), true));
    thread.Reset();
    EXPECT_EQ(thread.State(), GSThread::kRunnable);
    EXPECT_EQ(thread.BlockCount(), 0);
    EXPECT_EQ(actor->subscriptions[GSTest::TypeId("A")], 0);
    EXPECT_EQ(GSTest::CountOf(AnyMe()), 1);
}

// While a resumed thread has not run again, its blocks still take
// messages: they are queued, up to 1024; one more empties the queue and
// is reported, and the thread lives on.
TEST_F(GSThreads, ABusyThreadQueuesUpTo1024MessagesAndReportsTheOverflow) {
    GSTest::CodeWriter code;
    Wait(code, {{a, empty}}, {11});
    code.Op(OP_PopRef).Op(OP_Return);
    RawFunction function(code.Bytes(), Shape());
    GSThread& thread = NewActorThread();
    ASSERT_EQ(RunOn(thread, function.Get(), AnyMe(), {}).code, ER_Blocked);
    StubMessage first{GSTest::TypeId("A"), 1};
    ASSERT_TRUE(thread.QueueMessage(GSTest::AsMessage(first), true));
    StubMessage queued{GSTest::TypeId("A"), 1};
    for (int i = 0; i < GSThread::kMaxQueuedMessages; ++i)
        ASSERT_TRUE(thread.QueueMessage(GSTest::AsMessage(queued), true));
    EXPECT_EQ(thread.QueuedCount(), 1024);
    EXPECT_EQ(queued.count, 1025);
    // Offered without queueing, a matching message is taken but not kept.
    StubMessage probe{GSTest::TypeId("A"), 1};
    EXPECT_TRUE(thread.QueueMessage(GSTest::AsMessage(probe), false));
    EXPECT_EQ(probe.count, 1);

    log.Clear();
    StubMessage overflow{GSTest::TypeId("A"), 1};
    EXPECT_TRUE(thread.QueueMessage(GSTest::AsMessage(overflow), true));
    EXPECT_EQ(thread.QueuedCount(), 0);
    EXPECT_EQ(queued.count, 1);
    EXPECT_EQ(overflow.count, 1);
    ASSERT_EQ(log.Lines().size(), 1u);
    const std::string expected = "Message Queue Overflow for node 7 (discarded message follows)\nmessage " +
                                 std::to_string(GSTest::TypeId("A")) +
                                 "/1\n thread state is 0\n messages already in queue follow:\n";
    EXPECT_EQ(log.Lines()[0].substr(0, expected.size()), expected);
    EXPECT_TRUE(LastReport().continued);
    EXPECT_EQ(thread.State(), GSThread::kRunnable);
    EXPECT_EQ(thread.Execute(0.0f), ER_Done);
}

// A second wait offers the queued messages to its new blocks once: those
// that match none are dropped, the first match resumes the thread, and
// later matches stay queued.
TEST_F(GSThreads, ANewWaitTakesTheFirstQueuedMatchAndDropsTheUnmatched) {
    //  0: Wait {A, any} -> 19, {B, any} -> 19; 19: PopRef;
    // 20: Wait {B, any} -> 31; 31: StringSize; ReturnValue
    GSTest::CodeWriter code;
    Wait(code, {{a, empty}, {b, empty}}, {19, 19});
    code.Op(OP_PopRef);
    Wait(code, {{b, empty}}, {31});
    code.Op(OP_StringSize).Op(OP_ReturnValue);  // the handled message's text length
    RawFunction function(code.Bytes(), Shape());
    GSThread& thread = NewActorThread();
    ASSERT_EQ(RunOn(thread, function.Get(), AnyMe(), {}).code, ER_Blocked);
    StubMessage wake{GSTest::TypeId("A"), 1};
    ASSERT_TRUE(thread.QueueMessage(GSTest::AsMessage(wake), true));
    StubMessage m1{GSTest::TypeId("A"), 1};
    StubMessage m2{GSTest::TypeId("B"), 1};
    StubMessage m3{GSTest::TypeId("B"), 1};
    for (StubMessage* m : {&m1, &m2, &m3}) ASSERT_TRUE(thread.QueueMessage(GSTest::AsMessage(*m), true));
    EXPECT_EQ(thread.QueuedCount(), 3);

    // The handler pops the message and waits for B: m1 is dropped, m2
    // resumes the thread at once, m3 stays.
    EXPECT_EQ(thread.Execute(0.0f), ER_Blocked);
    EXPECT_EQ(thread.State(), GSThread::kRunnable);
    EXPECT_EQ(thread.ResumeOffset(), 31);
    EXPECT_EQ(thread.QueuedCount(), 1);
    EXPECT_EQ(thread.QueuedAt(0), GSTest::AsMessage(m3));
    EXPECT_EQ(m1.count, 1);
    EXPECT_EQ(m2.count, 1);
    EXPECT_EQ(m3.count, 2);
    const Outcome handled{thread.Execute(0.0f), 0};
    EXPECT_EQ(handled.code, ER_Done);
    EXPECT_EQ(thread.Stack().Slot(0), static_cast<uint32_t>(("message " + std::to_string(m2.major)).size()));
    thread.Reset();
    EXPECT_EQ(m3.count, 1);
}

TEST_F(GSThreads, AWaitNeedsAGameObjectInARouterAndNoStaticThread) {
    GSTest::CodeWriter code;
    Wait(code, {{a, empty}}, {11});
    code.Op(OP_PopRef).Op(OP_Return);
    RawFunction function(code.Bytes(), Shape());
    EXPECT_EQ(Run(function.Get(), AnyMe()).code, ER_ThreadError);  // no owner
    GSThread* staticThread = machine->GetStaticThread();
    EXPECT_EQ(RunOn(*staticThread, function.Get(), AnyMe(), {}).code, ER_ThreadError);
    actor->inRouter = false;
    EXPECT_EQ(RunOn(NewActorThread(), function.Get(), AnyMe(), {}).code, ER_ThreadError);
    actor->inRouter = true;

    // A wait for nothing waits until the thread is reset.
    GSTest::CodeWriter none;
    Wait(none, {}, {});
    RawFunction forever(none.Bytes(), Shape());
    GSThread& thread = NewActorThread();
    EXPECT_EQ(RunOn(thread, forever.Get(), AnyMe(), {}).code, ER_Blocked);
    StubMessage message{GSTest::TypeId("A"), 1};
    EXPECT_FALSE(thread.QueueMessage(GSTest::AsMessage(message), true));
    EXPECT_EQ(thread.Execute(1.0f), ER_Blocked);
    thread.Reset();
}

}  // namespace
