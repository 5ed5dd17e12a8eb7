#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "DispatcherTestSupport.h"
#include "engine/Time.h"
#include "foundation/callbacks/CommandGuard.h"
#include "foundation/callbacks/ProgramTime.h"
#include "foundation/callbacks/TCXCallbackCIntPtr.h"
#include "foundation/threads/EngineLock.h"

using namespace DispatcherTest;

namespace {

enum class Caller { Main, Other };
enum class RunsOn { CallingThread, MainThread, Worker };

struct DispatchCase {
    const char* name;
    Caller caller;
    uint32_t flags;
    RunsOn runsOn;
    bool callerWaits;
};

const char* Describe(RunsOn where) {
    switch (where) {
        case RunsOn::CallingThread: return "the calling thread";
        case RunsOn::MainThread: return "the main thread";
        default: return "a worker";
    }
}

}  // namespace

TEST(CallDispatcherTest, EachFlagAndCallerRunsTheCallOnTheRightThread) {
    const DispatchCase cases[] = {
        {"main, 0", Caller::Main, 0, RunsOn::CallingThread, true},
        {"main, 1", Caller::Main, 1, RunsOn::CallingThread, true},
        {"main, 2|4 ignored", Caller::Main, 6, RunsOn::CallingThread, true},
        {"main, 3 (mesh loading)", Caller::Main, 3, RunsOn::CallingThread, true},
        {"main, 16", Caller::Main, 16, RunsOn::Worker, true},
        {"main, 8", Caller::Main, 8, RunsOn::Worker, false},
        {"main, 9", Caller::Main, 9, RunsOn::MainThread, false},
        {"main, 24", Caller::Main, 24, RunsOn::Worker, false},
        {"other, 0", Caller::Other, 0, RunsOn::CallingThread, true},
        {"other, 16", Caller::Other, 16, RunsOn::CallingThread, true},
        {"other, 1", Caller::Other, 1, RunsOn::MainThread, true},
        {"other, 7 (validation)", Caller::Other, 7, RunsOn::MainThread, true},
        {"other, 9 (daemon notice)", Caller::Other, 9, RunsOn::MainThread, false},
        {"other, 8", Caller::Other, 8, RunsOn::Worker, false},
        {"other, 24", Caller::Other, 24, RunsOn::Worker, false},
    };
    const ThreadId mainId = RecordMainThread();
    CallDispatcher& dispatcher = CallDispatcher::Instance();

    for (const DispatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        // A call that is not waited for is held at its gate, so the test sees
        // DispatchCall return before the call ends.
        Probe probe(c.callerWaits);
        std::atomic<bool> returned{false};
        std::atomic<bool> result{false};
        std::atomic<bool> finishedAtReturn{false};
        std::atomic<ThreadId> callerId{0};
        auto dispatch = [&] {
            callerId.store(Vek::Thread::GetCurrentId());
            result.store(dispatcher.DispatchCall(123, c.flags, probe.Callback()));
            finishedAtReturn.store(probe.finished.load());
            returned.store(true);
        };

        const bool mainPumps = c.runsOn == RunsOn::MainThread;
        if (c.caller == Caller::Main) {
            dispatch();
        } else {
            std::thread other(dispatch);
            if (c.callerWaits && mainPumps) {
                // The caller waits until the main thread pumps.
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                EXPECT_FALSE(probe.started.load()) << "ran before the main thread pumped";
                EXPECT_FALSE(returned.load());
            }
            ASSERT_TRUE(WaitUntil([&] { return returned.load(); }, mainPumps));
            other.join();
        }
        EXPECT_TRUE(result.load());
        EXPECT_EQ(finishedAtReturn.load(), c.callerWaits) << "whether the caller waited";

        probe.gate.Set();
        ASSERT_TRUE(WaitUntil([&] { return probe.finished.load(); }, mainPumps));
        ThreadId ranOn = probe.thread.load();
        EXPECT_EQ(probe.received.load(), 123);
        switch (c.runsOn) {
            case RunsOn::CallingThread:
                EXPECT_EQ(ranOn, callerId.load()) << "expected " << Describe(c.runsOn);
                break;
            case RunsOn::MainThread:
                EXPECT_EQ(ranOn, mainId) << "expected " << Describe(c.runsOn);
                break;
            case RunsOn::Worker:
                EXPECT_NE(ranOn, mainId) << "expected " << Describe(c.runsOn);
                EXPECT_NE(ranOn, callerId.load()) << "expected " << Describe(c.runsOn);
                break;
        }
        // Only the main thread may find a worker call still queued if it
        // pumps; nothing is left over between cases.
        ASSERT_TRUE(WaitUntil([&] { return !dispatcher.IsBusy(); }));
    }
}

TEST(CallDispatcherTest, TwoMainThreadPostsBeforeAPumpGiveOneWake) {
    RecordMainThread();
    CallDispatcher& dispatcher = CallDispatcher::Instance();
    Probe first, second, third;
    const uint32_t before = MainThreadWakeMessages();
    EXPECT_FALSE(WaitForMainThreadWake(0));

    std::thread([&] {
        dispatcher.DispatchCall(0, CallFlagMainThread | CallFlagNoWait, first.Callback());
        dispatcher.DispatchCall(0, CallFlagMainThread | CallFlagNoWait, second.Callback());
    }).join();
    EXPECT_EQ(MainThreadWakeMessages(), before + 1);
    EXPECT_TRUE(WaitForMainThreadWake(0));
    EXPECT_FALSE(first.started.load());

    dispatcher.PumpMainThread();
    EXPECT_TRUE(first.finished.load());
    EXPECT_TRUE(second.finished.load());
    EXPECT_FALSE(WaitForMainThreadWake(0)) << "the pump clears the wake";

    std::thread([&] { dispatcher.DispatchCall(0, CallFlagMainThread | CallFlagNoWait, third.Callback()); }).join();
    EXPECT_EQ(MainThreadWakeMessages(), before + 2);
    dispatcher.PumpMainThread();
    EXPECT_TRUE(third.finished.load());
}

TEST(CallDispatcherTest, WithoutPumpingWorkerCallsQueueBehindASingleWorker) {
    RecordMainThread();
    CallDispatcher& dispatcher = CallDispatcher::Instance();
    Probe blocker(false);
    Probe a, b;
    const uint32_t forWorker = CallFlagWorkerThread | CallFlagNoWait;
    dispatcher.DispatchCall(1, forWorker, blocker.Callback());
    ASSERT_TRUE(WaitUntil([&] { return blocker.started.load(); }));
    dispatcher.DispatchCall(2, forWorker, a.Callback());
    dispatcher.DispatchCall(3, forWorker, b.Callback());

    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(a.started.load()) << "a second worker started";
    EXPECT_EQ(dispatcher.WorkerCount(), 1u);
    // The main thread may not run flag-16 calls: it runs none and returns 0.
    EXPECT_EQ(dispatcher.RunPendingCall(0), 0);
    EXPECT_FALSE(a.started.load());
    EXPECT_TRUE(dispatcher.IsBusy());

    blocker.gate.Set();
    ASSERT_TRUE(WaitUntil([&] { return a.finished.load() && b.finished.load(); }));
    EXPECT_EQ(a.thread.load(), blocker.thread.load());
    EXPECT_EQ(b.thread.load(), blocker.thread.load());
    EXPECT_EQ(dispatcher.WorkerCount(), 1u);
}

TEST(CallDispatcherTest, ASecondWorkerStartsOnceProgramTimeHasMovedFiveSeconds) {
    RecordMainThread();
    CallDispatcher& dispatcher = CallDispatcher::Instance();
    dispatcher.PumpMainThread();
    Probe blocker(false);
    Probe next;
    const uint32_t forWorker = CallFlagWorkerThread | CallFlagNoWait;
    dispatcher.DispatchCall(1, forWorker, blocker.Callback());
    ASSERT_TRUE(WaitUntil([&] { return blocker.started.load(); }));

    Vek::Time::AdvanceForTesting(6.0);
    dispatcher.PumpMainThread();
    EXPECT_GT(GetProgramTime(), 5.9);
    dispatcher.DispatchCall(2, forWorker, next.Callback());
    ASSERT_TRUE(WaitUntil([&] { return next.finished.load(); }));
    EXPECT_NE(next.thread.load(), blocker.thread.load());
    EXPECT_EQ(dispatcher.WorkerCount(), 2u);
    blocker.gate.Set();
    ASSERT_TRUE(WaitUntil([&] { return blocker.finished.load(); }));
}

TEST(CallDispatcherTest, PumpAdvancesProgramTimeAndRunsOnlyTheCallsAlreadyQueued) {
    RecordMainThread();
    CallDispatcher& dispatcher = CallDispatcher::Instance();
    dispatcher.PumpMainThread();
    EXPECT_NEAR(GetProgramTime(), 0.0, 0.05);
    Vek::Time::AdvanceForTesting(2.5);
    dispatcher.PumpMainThread();
    EXPECT_NEAR(GetProgramTime(), 2.5, 0.1);
    EXPECT_NEAR(GetProgramTimeF(), 2.5f, 0.1f);

    // The first call queues one more; the pump ends with that one still queued.
    struct Requeue {
        int32_t Run(CallArgument) {
            ++runs;
            if (runs == 1) CallDispatcher::Instance().DispatchCall(0, 9, MakeMemberCallback(this, &Requeue::Run));
            return 0;
        }
        int runs = 0;
    } requeue;
    for (int i = 0; i < 3; ++i) dispatcher.DispatchCall(0, 9, MakeMemberCallback(&requeue, &Requeue::Run));
    dispatcher.PumpMainThread();
    EXPECT_EQ(requeue.runs, 3);
    EXPECT_TRUE(dispatcher.IsBusy());
    dispatcher.PumpMainThread();
    EXPECT_EQ(requeue.runs, 4);
    EXPECT_FALSE(dispatcher.IsBusy());
}

TEST(CallDispatcherTest, CancellingRemovesOneContextAndKeepsTheOrderOfTheRest) {
    RecordMainThread();
    CallDispatcher& dispatcher = CallDispatcher::Instance();
    std::vector<int> order;
    struct Step {
        std::vector<int>* order;
        int id;
        int32_t Run(CallArgument) {
            order->push_back(id);
            return 0;
        }
    };
    std::vector<Step> steps = {{&order, 1}, {&order, 2}, {&order, 3}, {&order, 4}, {&order, 5}, {&order, 6}};
    const CallContext contexts[] = {0, 1, 0, 2, 0, 1};
    for (std::size_t i = 0; i < steps.size(); ++i)
        dispatcher.DispatchCall(contexts[i], 9, MakeMemberCallback(&steps[i], &Step::Run));

    dispatcher.CancelCalls(0, false);
    dispatcher.PumpMainThread();
    EXPECT_EQ(order, (std::vector<int>{2, 4, 6}));
    EXPECT_FALSE(dispatcher.IsBusy());
}

TEST(CallDispatcherTest, ACancelledWaitingCallerIsReleasedWithFailure) {
    RecordMainThread();
    CallDispatcher& dispatcher = CallDispatcher::Instance();
    Probe probe;
    std::atomic<int> result{-1};
    std::thread caller([&] { result.store(dispatcher.DispatchCall(5, CallFlagMainThread, probe.Callback()) ? 1 : 0); });
    ASSERT_TRUE(WaitUntil([&] { return dispatcher.IsBusy(); }));
    dispatcher.CancelCalls(5, false);
    ASSERT_TRUE(WaitUntil([&] { return result.load() != -1; })) << "the cancelled caller was not released";
    caller.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_FALSE(probe.started.load());
}

TEST(CallDispatcherTest, CancellingARecordThatCarriesAnEngineLockHoldDropsTheHold) {
    RecordMainThread();
    CallDispatcher& dispatcher = CallDispatcher::Instance();
    EngineLock lock;
    ASSERT_TRUE(lock.TryAcquire(77, true));
    Probe probe;
    dispatcher.DispatchCall(3, 9, probe.Callback(), &lock);
    dispatcher.CancelCalls(3, false);
    EXPECT_EQ(lock.HoldCount(), 0);
    EXPECT_FALSE(lock.IsExclusive());
    EXPECT_TRUE(lock.IsFreeEventSet());
}

TEST(CallDispatcherTest, CancelWithWaitReturnsOnlyAfterTheRunningCallOfThatContextEnds) {
    RecordMainThread();
    CallDispatcher& dispatcher = CallDispatcher::Instance();
    Probe running(false);
    Probe queuedBehind;
    dispatcher.DispatchCall(7, 24, running.Callback());
    ASSERT_TRUE(WaitUntil([&] { return running.started.load(); }));
    dispatcher.DispatchCall(7, 24, queuedBehind.Callback());
    EXPECT_TRUE(dispatcher.IsRunningFor(7));

    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        running.gate.Set();
    });
    dispatcher.CancelCalls(7, true);
    EXPECT_TRUE(running.finished.load());
    EXPECT_FALSE(dispatcher.IsRunningFor(7));
    opener.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(queuedBehind.started.load());
}

TEST(CallDispatcherTest, AnIdleWorkerEndsAndTheNextCallStartsAFreshOne) {
    RecordMainThread();
    CallDispatcher& dispatcher = CallDispatcher::Instance();
    dispatcher.SetWorkerIdleTimeout(30);
    Probe first, second;
    ASSERT_TRUE(dispatcher.DispatchCall(1, CallFlagWorkerThread, first.Callback()));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(dispatcher.HasIdleWorker());
    ASSERT_TRUE(dispatcher.DispatchCall(2, CallFlagWorkerThread, second.Callback()));
    EXPECT_NE(first.thread.load(), second.thread.load());
    EXPECT_EQ(dispatcher.WorkerCount(), 1u) << "the ended worker was reaped";
    dispatcher.SetWorkerIdleTimeout(30000);
}

TEST(CallDispatcherTest, StopWorkersEndsEveryWorkerAndNothingMoreIsTaken) {
    RecordMainThread();
    CallDispatcher& dispatcher = CallDispatcher::Instance();
    Probe ran, left;
    ASSERT_TRUE(dispatcher.DispatchCall(1, CallFlagWorkerThread, ran.Callback()));
    ASSERT_TRUE(WaitUntil([&] { return dispatcher.HasIdleWorker(); }));
    dispatcher.StopWorkers();
    EXPECT_EQ(dispatcher.WorkerCount(), 0u);
    dispatcher.DispatchCall(0, 9, left.Callback());
    EXPECT_EQ(dispatcher.RunPendingCall(0), 0);
    EXPECT_FALSE(left.started.load());
}

TEST(CallDispatcherTest, AnExceptionFromAnUnguardedCallReleasesItsWaitingCaller) {
    RecordMainThread();
    CallDispatcher& dispatcher = CallDispatcher::Instance();
    struct Thrower {
        int32_t Run(CallArgument) { throw std::runtime_error("bad call"); }
    } thrower;
    std::atomic<int> result{-1};
    std::thread caller([&] {
        result.store(dispatcher.DispatchCall(4, CallFlagMainThread, MakeMemberCallback(&thrower, &Thrower::Run)) ? 1 : 0);
    });
    ASSERT_TRUE(WaitUntil([&] { return dispatcher.IsBusy(); }));
    EXPECT_THROW(dispatcher.RunPendingCall(0), std::runtime_error);
    ASSERT_TRUE(WaitUntil([&] { return result.load() != -1; }));
    caller.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_FALSE(dispatcher.IsRunningFor(4));
}

namespace {

std::atomic<int> g_resultAtExit{-1};
Probe* g_neverRun = nullptr;

// Registered before the dispatcher exists, so it runs after the
// dispatcher's destructor: it reports what the waiting caller got.
void ReportWaitingCallerAtExit() {
    for (int i = 0; i < 5000 && g_resultAtExit.load() == -1; ++i) ::usleep(1000);
    ::_exit(g_resultAtExit.load() == 0 ? 42 : 43);
}

}  // namespace

TEST(CallDispatcherDeathTest, ACallerWaitingOnAQueuedCallGetsFalseAtExit) {
    // The dispatcher must not exist yet in this process (ctest runs each test
    // in a process of its own).
    EXPECT_EXIT(
        {
            std::atexit(ReportWaitingCallerAtExit);
            RecordMainThread();
            CallDispatcher& dispatcher = CallDispatcher::Instance();
            g_neverRun = new Probe();
            std::thread([&dispatcher] {
                g_resultAtExit.store(dispatcher.DispatchCall(1, CallFlagMainThread, g_neverRun->Callback()) ? 1 : 0);
            }).detach();
            while (!dispatcher.IsBusy()) ::usleep(1000);
            std::exit(0);
        },
        ::testing::ExitedWithCode(42), "");
}

TEST(CallDispatcherDeathTest, ACrashInsideAGuardedCallEndsTheProcessWith156) {
    struct CrashCase {
        const char* name;
        uint32_t flags;
    };
    const CrashCase cases[] = {{"immediate, on the main thread", 0}, {"queued for a worker", CallFlagWorkerThread}};
    for (const CrashCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EXIT(
            {
                RecordMainThread();
                SetCommandGuard();
                CallDispatcher::Instance().DispatchCall(0, c.flags, MakeFunctionCallback(WriteToForbiddenPage));
                std::exit(0);
            },
            ::testing::ExitedWithCode(156), "");
    }
}

TEST(CallDispatcherDeathTest, WithoutTheCommandGuardACrashIsNotTurnedIntoMinus100) {
    // The process dies of the crash (by its signal, or by a sanitizer's
    // report), but not through the -100 route.
    auto diedButNotMinus100 = [](int status) {
        return !WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 156);
    };
    EXPECT_EXIT(
        {
            RecordMainThread();
            CallDispatcher::Instance().DispatchCall(0, 0, MakeFunctionCallback(WriteToForbiddenPage));
            std::exit(0);
        },
        diedButNotMinus100, "");
}
