#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <thread>
#include <vector>

#include "FakeBlockingDisplay.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/callbacks/TCXCallbackCIntPtr.h"
#include "foundation/threads/BlockingScreen.h"
#include "foundation/threads/EngineLock.h"

using ThreadsTest::FakeBlockingDisplay;

namespace {

constexpr EngineLock::ThreadId A = 101, B = 102, C = 103;

struct Hold {
    EngineLock::ThreadId thread;
    bool exclusive;
};

template <typename Predicate>
bool WaitUntil(Predicate done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A test clock: sleeping moves it forward instead of waiting. It starts
// close to the 32-bit wrap, so the waits also cross it.
std::atomic<uint32_t> g_fakeMs{0};
std::atomic<uint32_t> g_fakeElapsed{0};
// Called from the fake sleep once the wait has lasted this long.
std::atomic<uint32_t> g_releaseAfterMs{0};
EngineLock* g_lockToRelease = nullptr;
EngineLock::ThreadId g_holderToRelease = 0;
std::atomic<bool> g_released{false};

uint32_t FakeMs() { return g_fakeMs.load(); }

void FakeDelay(uint32_t ms) {
    g_fakeMs.fetch_add(ms);
    uint32_t elapsed = g_fakeElapsed.fetch_add(ms) + ms;
    if (!g_released.load() && elapsed >= g_releaseAfterMs.load()) {
        g_released.store(true);
        g_lockToRelease->Release(g_holderToRelease);
    }
    std::this_thread::yield();
}

void UseFakeClock(EngineLock& lock, EngineLock::ThreadId holder, uint32_t releaseAfterMs) {
    g_fakeMs.store(std::numeric_limits<uint32_t>::max() - 20000);
    g_fakeElapsed.store(0);
    g_releaseAfterMs.store(releaseAfterMs);
    g_lockToRelease = &lock;
    g_holderToRelease = holder;
    g_released.store(false);
    EngineLock::SetClock(EngineLock::Clock{FakeMs, FakeDelay});
}

std::atomic<int> g_purges{0};
void CountPurge() { g_purges.fetch_add(1); }

std::atomic<int> g_queuedRuns{0};
int32_t CountQueuedRun(CallArgument) {
    g_queuedRuns.fetch_add(1);
    return 0;
}

}  // namespace

TEST(EngineLockTest, GrantTable) {
    struct GrantCase {
        const char* name;
        std::vector<Hold> held;
        Hold request;
        bool granted;
    };
    const GrantCase cases[] = {
        {"free, exclusive", {}, {A, true}, true},
        {"free, shared", {}, {A, false}, true},
        {"holder adds shared to shared", {{A, false}}, {A, false}, true},
        {"holder adds shared to exclusive", {{A, true}}, {A, false}, true},
        {"holder adds exclusive to exclusive", {{A, true}}, {A, true}, true},
        {"sole holder, exclusive and shared, adds exclusive", {{A, true}, {A, false}}, {A, true}, true},
        {"holder of shared only asks exclusive", {{A, false}}, {A, true}, false},
        {"holder asks exclusive while another shares", {{A, false}, {B, false}}, {A, true}, false},
        {"other thread asks exclusive of a shared lock", {{A, false}}, {B, true}, false},
        {"other thread asks shared of an exclusive lock", {{A, true}}, {B, false}, false},
        {"other thread asks exclusive of an exclusive lock", {{A, true}}, {B, true}, false},
        {"other thread asks shared of a shared lock", {{A, false}, {B, false}}, {C, false}, true},
    };
    for (const GrantCase& c : cases) {
        SCOPED_TRACE(c.name);
        EngineLock lock;
        for (const Hold& hold : c.held) ASSERT_TRUE(lock.TryAcquire(hold.thread, hold.exclusive));
        const int32_t before = lock.HoldCount();
        EXPECT_EQ(lock.TryAcquire(c.request.thread, c.request.exclusive), c.granted);
        EXPECT_EQ(lock.HoldCount(), before + (c.granted ? 1 : 0));
        EXPECT_EQ(lock.IsFreeEventSet(), false);
    }
}

TEST(EngineLockTest, ReentrantHoldsFreeTheLockOnlyAtTheLastRelease) {
    EngineLock lock;
    ASSERT_TRUE(lock.Acquire(A, true));
    ASSERT_TRUE(lock.Acquire(A, true));
    ASSERT_TRUE(lock.Acquire(A, false));
    EXPECT_EQ(lock.HoldCount(), 3);
    EXPECT_EQ(lock.ExclusiveOwner(), A);
    EXPECT_FALSE(lock.TryAcquire(B, false));

    EXPECT_FALSE(lock.Release(A));
    EXPECT_FALSE(lock.Release(A));
    EXPECT_TRUE(lock.IsExclusive()) << "the exclusive flag lasts while holds remain";
    EXPECT_TRUE(lock.Release(A));
    EXPECT_EQ(lock.HoldCount(), 0);
    EXPECT_FALSE(lock.IsExclusive());
    EXPECT_EQ(lock.ExclusiveOwner(), 0u);
    EXPECT_TRUE(lock.IsFreeEventSet());
    EXPECT_TRUE(lock.TryAcquire(B, true));
}

TEST(EngineLockTest, AReleaseByAThreadThatHoldsNothingChangesNothing) {
    EngineLock lock;
    EXPECT_FALSE(lock.Release(A)) << "free lock";
    EXPECT_EQ(lock.HoldCount(), 0);
    ASSERT_TRUE(lock.TryAcquire(A, true));
    EXPECT_FALSE(lock.Release(B));
    EXPECT_EQ(lock.HoldCount(), 1);
    EXPECT_EQ(lock.ExclusiveOwner(), A);
}

TEST(EngineLockTest, AWaitingWriterBlocksNewReadersButNotReentrantOnes) {
    EngineLock lock;
    ASSERT_TRUE(lock.TryAcquire(B, false));
    std::atomic<bool> writerGranted{false};
    std::thread writer([&] {
        lock.Acquire(A, true);
        writerGranted.store(true);
    });
    ASSERT_TRUE(WaitUntil([&] { return lock.WaitingWriters() == 1; }));
    EXPECT_FALSE(lock.TryAcquire(C, false)) << "a new reader waits behind the writer";
    EXPECT_TRUE(lock.TryAcquire(B, false)) << "the reader already holding may add a hold";
    EXPECT_FALSE(writerGranted.load());

    lock.Release(B);
    lock.Release(B);
    writer.join();
    EXPECT_TRUE(writerGranted.load());
    EXPECT_EQ(lock.WaitingWriters(), 0);
    EXPECT_EQ(lock.ExclusiveOwner(), A);
    EXPECT_EQ(lock.HoldCount(), 1);
}

TEST(EngineLockTest, AMainThreadWaiting40SecondsShowsTheScreenAndPurgesEvery15Seconds) {
    RecordMainThread();
    EngineLock lock;
    ASSERT_TRUE(lock.TryAcquire(B, true));
    UseFakeClock(lock, B, 40000);
    g_purges.store(0);
    EngineLock::SetCachePurgeHook(CountPurge);
    FakeBlockingDisplay display;
    BlockingScreen::Instance().SetDisplay(&display);
    // A call queued for the main thread runs while it waits.
    g_queuedRuns.store(0);
    CallDispatcher::Instance().DispatchCall(0, CallFlagMainThread | CallFlagNoWait, MakeFunctionCallback(CountQueuedRun));

    ASSERT_TRUE(lock.Acquire(A, true));

    EXPECT_EQ(lock.ExclusiveOwner(), A);
    EXPECT_GE(g_fakeElapsed.load(), 40000u);
    EXPECT_EQ(g_purges.load(), 2) << "at 15 s and at 30 s";
    EXPECT_EQ(display.loads, 1) << "shown once";
    EXPECT_EQ(display.draws, 2) << "drawn when shown and redrawn once";
    EXPECT_EQ(display.drains, 1);
    EXPECT_EQ(display.frees, 1) << "released when the lock was granted";
    EXPECT_EQ(BlockingScreen::Instance().ShowCount(), 0);
    EXPECT_EQ(g_queuedRuns.load(), 1);

    BlockingScreen::Instance().SetDisplay(nullptr);
    EngineLock::SetCachePurgeHook(nullptr);
    EngineLock::UseEngineClock();
}

TEST(EngineLockTest, AWorkerThreadThatWaitsNeitherRunsQueuedCallsNorShowsTheScreen) {
    RecordMainThread();
    EngineLock lock;
    ASSERT_TRUE(lock.TryAcquire(B, true));
    UseFakeClock(lock, B, 40000);
    g_purges.store(0);
    EngineLock::SetCachePurgeHook(CountPurge);
    FakeBlockingDisplay display;
    BlockingScreen::Instance().SetDisplay(&display);
    g_queuedRuns.store(0);
    CallDispatcher::Instance().DispatchCall(0, CallFlagMainThread | CallFlagNoWait, MakeFunctionCallback(CountQueuedRun));

    std::thread waiter([&] { lock.Acquire(A, false); });
    waiter.join();

    EXPECT_EQ(lock.HoldCount(), 1);
    EXPECT_EQ(g_purges.load(), 0);
    EXPECT_EQ(display.loads, 0);
    EXPECT_EQ(g_queuedRuns.load(), 0);
    EXPECT_TRUE(CallDispatcher::Instance().IsBusy());

    BlockingScreen::Instance().SetDisplay(nullptr);
    EngineLock::SetCachePurgeHook(nullptr);
    EngineLock::UseEngineClock();
}

TEST(EngineLockTest, TheBackOffGrowsToTwentyMillisecondsPerRetry) {
    // Records the sleeps of one wait.
    static std::vector<uint32_t> sleeps;
    static EngineLock* lock = nullptr;
    struct Recorder {
        static uint32_t Ms() { return 0; }
        static void Delay(uint32_t ms) {
            sleeps.push_back(ms);
            if (sleeps.size() == 400) lock->Release(B);
        }
    };
    EngineLock local;
    lock = &local;
    ASSERT_TRUE(local.TryAcquire(B, true));
    EngineLock::SetClock(EngineLock::Clock{Recorder::Ms, Recorder::Delay});
    std::thread([&] { local.Acquire(A, true); }).join();
    EngineLock::UseEngineClock();

    ASSERT_EQ(sleeps.size(), 400u);
    for (std::size_t i = 0; i < 110; ++i) ASSERT_EQ(sleeps[i], 0u) << "retry " << i;
    for (std::size_t i = 110; i < 300; ++i) ASSERT_EQ(sleeps[i], (i - 100) / 10) << "retry " << i;
    for (std::size_t i = 300; i < 400; ++i) ASSERT_EQ(sleeps[i], 20u) << "retry " << i;
}

TEST(EngineLockTest, WaitRegistryFindsCycles) {
    EngineLock& lock = EngineLock::Instance();
    EngineLockWaits& waits = EngineLockWaits::Instance();
    ASSERT_TRUE(lock.TryAcquire(A, true));
    EXPECT_TRUE(waits.WouldDeadlock(A)) << "the owner itself asks";
    EXPECT_FALSE(waits.WouldDeadlock(B)) << "the owner waits for nothing";
    waits.NoteWaiting(A);
    EXPECT_TRUE(waits.WouldDeadlock(B)) << "the owner waits for its own lock: the chain never ends";
    waits.ClearWaiting(A);
    lock.Release(A);

    ASSERT_TRUE(lock.TryAcquire(A, false));
    EXPECT_FALSE(waits.WouldDeadlock(B)) << "a shared lock has no owner";
    lock.Release(A);
}
