// Calls and returns: script calls with virtual dispatch, base calls, native
// calls with their results, sleeps, exceptions and failures, thread starts,
// and a nested run that fails while the outer one goes on.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gsruntime/interpreter/GSInterpreter.h"
#include "gsruntime/interpreter/GSInterpreterFixture.h"
#include "gsruntime/interpreter/GSProbeLibrary.h"
#include "gsruntime/interpreter/GSStubGameObjects.h"

namespace {

using namespace GSRuntime;
using GSTest::CodeWriter;
using GSTest::Outcome;
using GSTest::RawFunction;

uint16_t Depth(int n) { return static_cast<uint16_t>(static_cast<int16_t>(-n)); }

class GSCalls : public GSTest::InterpreterTest {
protected:
    void SetUp() override {
        GSTest::RegisterProbeNatives();
        GSTest::InstallStubGameObjects();
        GSTest::Probe() = GSTest::ProbeRecord();
        GSTest::ImageBuilder image = GSTest::ProbeImage(Id(0));
        library = Load(OwnName("probe.gsl"), image);
        ASSERT_NE(library, nullptr);
        t = New(GSTest::kT);
        u = New(GSTest::kU);
    }
    void TearDown() override {
        delete t;
        delete u;
        GSTest::InterpreterTest::TearDown();
    }

    GSClass* Class(uint16_t index) { return library->GetClassImport(index)->cls; }
    GSObject* New(uint16_t index) {
        GSObject* object = new GSObject();
        EXPECT_TRUE(object->BindClass(Class(index), context));
        return object;
    }
    Outcome RunProbe(const std::vector<uint8_t>& code, const std::vector<uint32_t>& arguments = {},
                     std::vector<int32_t> referenceSlots = {}) {
        GSTest::RawShape shape;
        shape.library = library;
        shape.referenceSlots = std::move(referenceSlots);
        return RunCode(code, arguments, shape);
    }

    GSLibrary* library = nullptr;
    GSObject* t = nullptr;
    GSObject* u = nullptr;
};

TEST_F(GSCalls, AScriptCallRunsTheMethodAndReturnsIntoTheCaller) {
    // t.Add(2, 3) + 1
    CodeWriter code;
    code.Op16(OP_LoadLocalRef, 1)
        .Op32(OP_PushConst, 2)
        .Op32(OP_PushConst, 3)
        .Op(OP_Call)
        .U16(Depth(2))
        .U16(GSTest::kAdd);
    code.Op(OP_IncInt).Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(code.Bytes(), {t->GetReference()}, {1}).value, 6u);
    EXPECT_EQ(GSTest::CountOf(t->GetReference()), 1);

    // A null target.
    CodeWriter null;
    null.Op(OP_PushZero).Op(OP_Call).U16(0).U16(GSTest::kGet).Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(null.Bytes()).code, ER_NullReference);
    // A method index outside the table.
    CodeWriter outside;
    outside.Op16(OP_LoadLocalRef, 1).Op(OP_Call).U16(0).U16(40).Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(outside.Bytes(), {t->GetReference()}).code, ER_LinkError);
    // Arguments that do not match the method (Get takes none).
    CodeWriter mismatch;
    mismatch.Op16(OP_LoadLocalRef, 1).Op(OP_PushOne).Op(OP_Call).U16(Depth(1)).U16(GSTest::kGet).Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(mismatch.Bytes(), {t->GetReference()}).code, ER_LinkError);
    // The code after a call was verified for what the call leaves: here a
    // reference (it is released), so Get, which leaves an int, is refused
    // before it runs; with a plain pop it runs.
    CodeWriter released;
    released.Op16(OP_LoadLocalRef, 1).Op(OP_Call).U16(0).U16(GSTest::kGet).Op(OP_PopRef).Op(OP_PushZero)
        .Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(released.Bytes(), {t->GetReference()}, {1}).code, ER_LinkError);
    CodeWriter dropped;
    dropped.Op16(OP_LoadLocalRef, 1).Op(OP_Call).U16(0).U16(GSTest::kGet).Op(OP_Pop).Op(OP_PushZero)
        .Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(dropped.Bytes(), {t->GetReference()}, {1}).code, ER_Done);
}

// Get on a U runs U's override, which calls T's Get through a base call
// with T's view of the same instance; a call through T's view dispatches to
// the override too.
TEST_F(GSCalls, VirtualDispatchAndBaseCalls) {
    const GSDataRef tView =
        GSClass::CastInstance(Class(GSTest::kT), GSScriptInstance::FromReference(u->GetReference()));
    ASSERT_EQ(tView, GSOffsetReference(u->GetReference(), 2));
    GSScriptInstance::StoreSlot(tView, GSTest::kV, 5);
    CodeWriter code;
    code.Op16(OP_LoadLocalRef, 1).Op(OP_Call).U16(0).U16(GSTest::kGet).Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(code.Bytes(), {u->GetReference()}, {1}).value, 105u);
    EXPECT_EQ(RunProbe(code.Bytes(), {tView}, {1}).value, 105u);
    GSScriptInstance::StoreSlot(t->GetReference(), GSTest::kV, 9);
    EXPECT_EQ(RunProbe(code.Bytes(), {t->GetReference()}, {1}).value, 9u);
    EXPECT_EQ(GSTest::CountOf(u->GetReference()), 1);

    // A function that overrides nothing has no base to call.
    CodeWriter noBase;
    noBase.Op16(OP_LoadLocalRef, 0).Op(OP_CallBase).U16(0).Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(noBase.Bytes()).code, ER_NullReference);
}

// A call site remembers the record it reached through a class's virtual
// table. Once that record is removed (its library unloaded; a record made
// later may take its address), the site must dispatch again, even though
// the caller, the class and its table are where they were: a remembered
// record would be used after it is freed.
TEST_F(GSCalls, ACallSiteNeverReachesARemovedFunctionRecord) {
    CodeWriter code;
    code.Op16(OP_LoadLocalRef, 1).Op(OP_Call).U16(0).U16(GSTest::kGet).Op(OP_ReturnValue);
    GSTest::RawShape shape;
    shape.library = library;
    shape.referenceSlots = {1};
    shape.arguments = 2;
    RawFunction caller(code.Bytes(), shape);
    ASSERT_GE(caller.Get()->maxStackDepth, 0) << "the caller runs as verified code";
    GSScriptInstance::StoreSlot(t->GetReference(), GSTest::kV, 9);

    // T's Get, as its virtual-table entry links it.
    GSLibrary::FunctionImport* import = nullptr;
    const GSClass* cls = Class(GSTest::kT);
    for (uint32_t i = 0; i < cls->VirtualCount() && !import; ++i) {
        GSLibrary::FunctionImport* entry = cls->GetVirtualEntry(i).import;
        if (entry && entry->function && std::string(entry->function->signature) == "$int@T::Get()") import = entry;
    }
    ASSERT_NE(import, nullptr);
    GSFunction* get = import->function;

    // The entry links another record for a while: the site learns it on
    // its first runs.
    GSTest::RawShape stand;
    stand.library = library;
    auto replacement = std::make_unique<RawFunction>(
        std::vector<uint8_t>{OP_PushConst, 42, 0, 0, 0, OP_ReturnValue}, stand);
    import->function = replacement->Get();
    for (int run = 0; run < 3; ++run) EXPECT_EQ(Run(caller.Get(), AnyMe(), {t->GetReference()}).value, 42u) << run;

    // The record goes (as with its library) and the entry links Get again.
    import->function = get;
    replacement.reset();
    for (int run = 0; run < 2; ++run) {
        const Outcome outcome = Run(caller.Get(), AnyMe(), {t->GetReference()});
        EXPECT_EQ(outcome.code, ER_Done);
        EXPECT_EQ(outcome.value, 9u) << run;
    }
    EXPECT_EQ(GSTest::CountOf(t->GetReference()), 1);
}

TEST_F(GSCalls, EndlessRecursionOverflowsTheStack) {
    CodeWriter code;
    code.Op16(OP_LoadLocalRef, 1).Op(OP_Call).U16(0).U16(GSTest::kRecurse).Op(OP_ReturnValue);
    log.Clear();
    EXPECT_EQ(RunProbe(code.Bytes(), {t->GetReference()}, {1}).code, ER_StackOverflow);
    EXPECT_EQ(log.Count("GSStack overflow..."), 1);
    EXPECT_EQ(log.Count("Thread Exception: ER_StackOverflow, line -1, file probe.gs"), 1);
    EXPECT_GT(log.Count("function $int@T::Recurse(), line -1"), 100);
    // Every frame's `me` is released; the target of the call that did not
    // fit stays counted on its operand stack, which an error end leaves.
    EXPECT_EQ(GSTest::CountOf(t->GetReference()), 2);
}

// P.Mark(7), P.Nothing() + 1: natives run on the static instance, and a
// native that pushes nothing gives 0.
TEST_F(GSCalls, NativeCallsAndTheirResults) {
    CodeWriter code;
    code.Op16(OP_PushStatic, GSTest::kP).Op32(OP_PushConst, 7).Op(OP_CallNative).U16(Depth(1)).U16(GSTest::kMark);
    code.Op16(OP_PushStatic, GSTest::kP)
        .Op(OP_CallNative)
        .U16(0)
        .U16(GSTest::kNothing)
        .Op(OP_IncInt)
        .Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(code.Bytes()).value, 1u);
    EXPECT_EQ(GSTest::Probe().marks, std::vector<int32_t>{7});

    const struct {
        uint16_t method;
        int32_t code;
    } failures[] = {{GSTest::kPushAnyway, ER_StackReturnError}, {GSTest::kUnbound, ER_NativeCallError}};
    for (const auto& failure : failures) {
        CodeWriter call;
        call.Op16(OP_PushStatic, GSTest::kP)
            .Op(OP_CallNative)
            .U16(0)
            .U16(failure.method)
            .Op(OP_PushZero)
            .Op(OP_ReturnValue);
        EXPECT_EQ(RunProbe(call.Bytes()).code, failure.code) << failure.method;
    }
    // A native called on an object without a native owner of its kind (a
    // string) has no receiver.
    CodeWriter onString;
    onString.Op16(OP_LoadLocalRef, 0).Op(OP_CallNative).U16(0).U16(GSTest::kNothing).Op(OP_ReturnValue);
    EXPECT_NE(RunProbe(onString.Bytes()).code, ER_Done);
}

TEST_F(GSCalls, ANativeExceptionEndsTheThreadUnlessItLetsItGoOn) {
    const GSDataRef text = NewString("went wrong");
    // P.Warn(text) goes on; P.Fail(text) ends the thread.
    for (const auto& [method, expected] : {std::pair{GSTest::kWarn, ER_Done}, std::pair{GSTest::kFail, ER_Exception}}) {
        CodeWriter code;
        code.Op16(OP_PushStatic, GSTest::kP).Op16(OP_LoadLocalRef, 1).Op(OP_CallNative).U16(Depth(1)).U16(method);
        code.Op(OP_PushZero).Op(OP_ReturnValue);
        log.Clear();
        EXPECT_EQ(RunProbe(code.Bytes(), {text}, {1}).code, expected);
        EXPECT_EQ(log.Count("went wrong (file probe.gs)"), 1);
        EXPECT_EQ(GSTest::CountOf(text), 1);
    }
    // An argument fetcher raises the same way.
    CodeWriter nullText;
    nullText.Op16(OP_PushStatic, GSTest::kP).Op(OP_PushZero).Op(OP_CallNative).U16(Depth(1)).U16(GSTest::kFail);
    nullText.Op(OP_PushZero).Op(OP_ReturnValue);
    log.Clear();
    EXPECT_EQ(RunProbe(nullText.Bytes()).code, ER_Exception);
    EXPECT_EQ(log.Count("null string at parameter 1 (file probe.gs)"), 1);
    GSScriptInstance::ReleaseReference(text);
}

// P.Sleep(0.5); return 3: the thread blocks after the native and resumes
// after the call once its time has run out.
TEST_F(GSCalls, ASleepingNativeBlocksAndResumesAfterItsCall) {
    CodeWriter code;
    code.Op16(OP_PushStatic, GSTest::kP).Op32(OP_PushConst, GSTest::FloatBits(0.5f));
    const uint32_t call = code.Position();
    code.Op(OP_CallNative).U16(Depth(1)).U16(GSTest::kSleep).Op32(OP_PushConst, 3).Op(OP_ReturnValue);
    GSTest::RawShape shape;
    shape.library = library;
    RawFunction function(code.Bytes(), shape);
    GSThread thread(nullptr, 0);
    EXPECT_EQ(RunOn(thread, function.Get(), AnyMe(), {}).code, ER_Blocked);
    EXPECT_EQ(thread.State(), GSThread::kWaiting);
    EXPECT_EQ(thread.ResumeOffset(), static_cast<int32_t>(call + 5));
    EXPECT_EQ(thread.Execute(0.3f), ER_Blocked);
    EXPECT_EQ(thread.Execute(0.3f), ER_Done);
    EXPECT_EQ(thread.Stack().Slot(0), 3u);
    // The static thread may not sleep: the call goes straight on.
    GSThread& staticThread = *machine->GetStaticThread();
    EXPECT_EQ(RunOn(staticThread, function.Get(), AnyMe(), {}).code, ER_Done);
    EXPECT_EQ(staticThread.Stack().Slot(0), 3u);
    staticThread.Stack().SetStackPointer(-1);
}

// A nested run that fails (here a script function called by a native on
// the static thread) is reported and ends that run only; the outer run goes
// on with its own thread and context.
TEST_F(GSCalls, AFailingNestedRunLeavesTheOuterRunIntact) {
    CodeWriter code;
    code.Op16(OP_PushStatic, GSTest::kP).Op16(OP_LoadLocalRef, 1).Op(OP_CallNative).U16(Depth(1)).U16(GSTest::kNested);
    code.Op(OP_ReturnValue);
    GSTest::RawShape shape;
    shape.library = library;
    shape.referenceSlots = {1};
    shape.arguments = 2;
    RawFunction function(code.Bytes(), shape);
    GSThread thread(nullptr, 0);
    log.Clear();
    const Outcome outcome = RunOn(thread, function.Get(), AnyMe(), {t->GetReference()});
    EXPECT_EQ(outcome.code, ER_Done);
    EXPECT_EQ(outcome.value, 5u);
    EXPECT_FALSE(GSTest::Probe().nestedResult);
    EXPECT_EQ(GSTest::Probe().threadBeforeNested, &thread);
    EXPECT_EQ(GSTest::Probe().threadAfterNested, &thread);
    EXPECT_EQ(GSTest::Probe().contextAfterNested, context);
    EXPECT_EQ(log.Count("Thread Exception: ER_DivideByZero, line 40, file probe.gs"), 1);
    EXPECT_EQ(machine->GetStaticThread()->Stack().StackPointer(), -1);
    EXPECT_EQ(GSTest::CountOf(t->GetReference()), 1);
    EXPECT_EQ(GSExecutionDepth(), 0);
}

// A thread start moves the target and the arguments to a new thread of the
// target's game object, which runs the method on its next run.
TEST_F(GSCalls, AThreadStartNeedsARoutedGameObject) {
    GSTest::StubGameObject* actor = new GSTest::StubGameObject();
    ASSERT_TRUE(actor->BindClass(Class(GSTest::kT), context));
    CodeWriter code;
    code.Op16(OP_LoadLocalRef, 1).Op32(OP_PushConst, 20).Op32(OP_PushConst, 22);
    code.Op(OP_CallThread).U16(Depth(2)).U16(GSTest::kAdd).Op32(OP_PushConst, 1).Op(OP_ReturnValue);
    EXPECT_EQ(RunProbe(code.Bytes(), {actor->GetReference()}, {1}).value, 1u);
    ASSERT_EQ(actor->threads.size(), 1u);
    GSThread& started = *actor->threads[0];
    EXPECT_EQ(GSTest::CountOf(actor->GetReference()), 2);  // the new frame's `me`
    EXPECT_EQ(started.Execute(0.0f), ER_Done);
    EXPECT_EQ(started.Stack().Slot(0), 42u);
    EXPECT_EQ(GSTest::CountOf(actor->GetReference()), 1);

    actor->threadLimit = 1;
    EXPECT_EQ(RunProbe(code.Bytes(), {actor->GetReference()}, {1}).code, ER_ThreadError);
    actor->threadLimit = 64;
    actor->inRouter = false;
    EXPECT_EQ(RunProbe(code.Bytes(), {actor->GetReference()}, {1}).code, ER_ThreadError);
    // A plain object owns no threads.
    EXPECT_EQ(RunProbe(code.Bytes(), {t->GetReference()}, {1}).code, ER_ThreadError);
    actor->threads.clear();
    delete actor;
}

}  // namespace
