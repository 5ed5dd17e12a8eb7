// The overlapped loader with a worker held inside a job and a clock the
// test sets. Built twice: in the test build, and alone under
// ThreadSanitizer (tests/meshes/CMakeLists.txt).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "meshes/collision/Overlapped.h"
#include "meshes/collision/OverlappedResource.h"
#include "meshes/collision/OverlappedResourceSystem.h"

namespace {

using namespace std::chrono_literals;

// Waits, at most 20 s, until `done` holds.
template <typename Condition>
bool WaitUntil(Condition done) {
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::yield();
    }
    return true;
}

// What the jobs did, in order.
struct Journal {
    std::mutex lock;
    std::vector<int> loads;
    std::vector<std::thread::id> loadThreads;
    std::atomic<int> completes{0};
    void Loaded(int tag) {
        std::lock_guard<std::mutex> hold(lock);
        loads.push_back(tag);
        loadThreads.push_back(std::this_thread::get_id());
    }
    std::vector<int> Loads() {
        std::lock_guard<std::mutex> hold(lock);
        return loads;
    }
};

// A job that can hold whoever loads it until the test opens it.
class TestJob : public OverlappedResource {
public:
    TestJob(float created, Journal& journal, int tag, bool gated = false)
        : OverlappedResource(created), m_journal(journal), m_tag(tag), m_gated(gated) {}
    bool Load() override {
        std::unique_lock<std::mutex> hold(m_lock);
        m_started = true;
        m_changed.notify_all();
        m_changed.wait(hold, [this] { return !m_gated; });
        m_journal.Loaded(m_tag);
        return true;
    }
    bool Complete() override {
        ++m_journal.completes;
        return true;
    }
    void Open() {
        std::lock_guard<std::mutex> hold(m_lock);
        m_gated = false;
        m_changed.notify_all();
    }
    bool WaitStarted() {
        std::unique_lock<std::mutex> hold(m_lock);
        return m_changed.wait_for(hold, 20s, [this] { return m_started; });
    }

private:
    Journal& m_journal;
    int m_tag;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_gated;
    bool m_started = false;
};

class OverlappedLoaderTest : public ::testing::Test {
protected:
    OverlappedResourceSystem::Clock FakeClock() {
        return [this] { return now.load(); };
    }
    // A loader whose worker is held inside a gated job.
    void StartHeld() {
        loader = std::make_unique<OverlappedResourceSystem>(FakeClock());
        gate = new TestJob(0.0f, journal, 0, true);
        loader->Submit(&gateHandle, gate);
        ASSERT_TRUE(gate->WaitStarted());
        ASSERT_EQ(gate->GetState(), OverlappedResource::kLoading);
    }
    void TearDown() override {
        if (gate) gate->Open();
        gateHandle.Cancel();
        loader.reset();
    }

    std::atomic<float> now{100.0f};
    Journal journal;
    std::unique_ptr<OverlappedResourceSystem> loader;
    Overlapped gateHandle;
    TestJob* gate = nullptr;
};

TEST_F(OverlappedLoaderTest, TheLongestWaitingJobIsLoadedFirst) {
    StartHeld();
    EXPECT_EQ(OverlappedResourceSystem::Instance(), loader.get());
    Overlapped younger, older;
    // The older one is queued later: its age, not its place, decides.
    loader->Submit(&younger, new TestJob(50.0f, journal, 2));
    loader->Submit(&older, new TestJob(10.0f, journal, 1));
    EXPECT_EQ(loader->QueuedCount(), 2);
    gate->Open();
    ASSERT_TRUE(WaitUntil([&] { return loader->LoadedCount() == 3; }));
    EXPECT_EQ(journal.Loads(), (std::vector<int>{0, 1, 2}));
    // Loaded is not done: the job stays until something finishes it.
    EXPECT_FALSE(older.IsDone());
    EXPECT_EQ(older.GetStatus(), 1);
    EXPECT_EQ(older.job->GetState(), OverlappedResource::kLoaded);
    EXPECT_TRUE(loader->Finish(older.job));
    EXPECT_EQ(journal.completes.load(), 1);
    EXPECT_TRUE(older.IsDone());
    EXPECT_EQ(older.GetStatus(), 2);
    EXPECT_EQ(older.job, nullptr);
}

TEST_F(OverlappedLoaderTest, FinishingAQueuedJobLoadsItOnTheCallingThread) {
    StartHeld();
    Overlapped handle;
    loader->Submit(&handle, new TestJob(1.0f, journal, 7));
    EXPECT_TRUE(loader->Finish(handle.job));
    EXPECT_EQ(handle.job->GetState(), OverlappedResource::kCompleted);
    EXPECT_EQ(loader->QueuedCount(), 0);
    gate->Open();
    ASSERT_TRUE(WaitUntil([&] { return gate->GetState() == OverlappedResource::kLoaded; }));
    std::lock_guard<std::mutex> hold(journal.lock);
    ASSERT_EQ(journal.loads, (std::vector<int>{7, 0}));
    EXPECT_EQ(journal.loadThreads[0], std::this_thread::get_id());
}

TEST_F(OverlappedLoaderTest, CancellingAQueuedJobEndsItWithoutLoading) {
    StartHeld();
    auto handle = std::make_unique<Overlapped>();
    loader->Submit(handle.get(), new TestJob(1.0f, journal, 5));
    int freed = 0;
    static int* s_freed = nullptr;
    s_freed = &freed;
    handle->SetResult(&freed, [](void*) { ++*s_freed; });
    EXPECT_FALSE(handle->Cancel());
    EXPECT_EQ(handle->job, nullptr);
    EXPECT_EQ(freed, 1);
    handle.reset();
    EXPECT_EQ(loader->QueuedCount(), 0);
    gate->Open();
    ASSERT_TRUE(WaitUntil([&] { return gate->GetState() == OverlappedResource::kLoaded; }));
    EXPECT_EQ(journal.Loads(), (std::vector<int>{0}));
}

// A job that produces a result its handle holds: a completion that does not
// take it leaves it to the handle, which frees it when it gives the job up.
TEST_F(OverlappedLoaderTest, AResultLeftBehindIsFreedWithTheHandle) {
    loader = std::make_unique<OverlappedResourceSystem>(FakeClock());
    static std::atomic<int> s_freed{0};
    struct Producing : OverlappedResource {
        using OverlappedResource::OverlappedResource;
        bool Load() override {
            handle->SetResult(new int(42), [](void* r) {
                delete static_cast<int*>(r);
                ++s_freed;
            });
            return true;
        }
        bool Complete() override { return !cancelled.load(); }
    };
    for (const bool take : {false, true}) {
        s_freed = 0;
        auto handle = std::make_unique<Overlapped>();
        loader->Submit(handle.get(), new Producing(1.0f));
        ASSERT_TRUE(WaitUntil([&] { return handle->job->GetState() == OverlappedResource::kLoaded; }));
        int* kept = nullptr;
        if (take) {
            EXPECT_TRUE(loader->Finish(handle->job));
            kept = static_cast<int*>(handle->TakeResult());
        }
        handle.reset();
        EXPECT_EQ(s_freed.load(), take ? 0 : 1);
        if (take) {
            ASSERT_NE(kept, nullptr);
            EXPECT_EQ(*kept, 42);
            delete kept;
        }
    }
}

TEST_F(OverlappedLoaderTest, AFullQueueTakesNoMoreJobs) {
    StartHeld();
    std::vector<std::unique_ptr<Overlapped>> handles;
    for (int i = 0; i < OverlappedResourceSystem::kMaxQueued + 1; ++i) {
        handles.push_back(std::make_unique<Overlapped>());
        loader->Submit(handles.back().get(), new OverlappedResource(1.0f));
    }
    EXPECT_EQ(loader->QueuedCount(), OverlappedResourceSystem::kMaxQueued);
    EXPECT_EQ(handles.back()->job->GetState(), OverlappedResource::kIdle);
    EXPECT_EQ(handles[0]->job->GetState(), OverlappedResource::kQueued);
    handles.clear();  // each cancels its job
    EXPECT_EQ(loader->QueuedCount(), 0);
}

// Threads that need the job the worker is loading wait for the worker
// (raising its priority meanwhile) and complete the job once between them.
TEST_F(OverlappedLoaderTest, FinishingTheWorkersJobWaitsForIt) {
    StartHeld();
    std::atomic<int> finished{0};
    std::vector<std::thread> finishers;
    for (int i = 0; i < 3; ++i)
        finishers.emplace_back([&] {
            if (loader->Finish(gate)) ++finished;
        });
    ASSERT_TRUE(WaitUntil([&] { return loader->WorkerPriority() == 2; }));
    EXPECT_EQ(finished.load(), 0);
    gate->Open();
    for (std::thread& t : finishers) t.join();
    EXPECT_EQ(finished.load(), 3);
    EXPECT_EQ(journal.completes.load(), 1);
    EXPECT_EQ(loader->WorkerPriority(), 0);
    EXPECT_TRUE(gateHandle.IsDone());
    gate = nullptr;
}

TEST_F(OverlappedLoaderTest, ManyThreadsFinishManyJobs) {
    loader = std::make_unique<OverlappedResourceSystem>(FakeClock());
    constexpr int kJobs = 200;
    std::vector<std::unique_ptr<Overlapped>> handles;
    for (int i = 0; i < kJobs; ++i) {
        handles.push_back(std::make_unique<Overlapped>());
        now = now + 1.0f;
        loader->Submit(handles.back().get(), new TestJob(now, journal, i));
    }
    std::vector<std::thread> threads;
    std::atomic<int> completed{0};
    for (int t = 0; t < 12; ++t)
        threads.emplace_back([&, t] {
            for (int i = t % 3; i < kJobs; i += 3)
                if (loader->Finish(handles[std::size_t(i)]->job)) ++completed;
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(completed.load(), 4 * kJobs);
    EXPECT_EQ(journal.completes.load(), kJobs);
    EXPECT_EQ(journal.Loads().size(), std::size_t(kJobs));
}

TEST_F(OverlappedLoaderTest, TheLoaderEndsWithJobsStillQueued) {
    StartHeld();
    Overlapped handle;
    loader->Submit(&handle, new TestJob(1.0f, journal, 3));
    gate->Open();
    loader.reset();
    EXPECT_EQ(OverlappedResourceSystem::Instance(), nullptr);
    // Whatever state the job ended in, its handle lets it go without the loader.
    handle.Cancel();
    EXPECT_EQ(handle.job, nullptr);
    gateHandle.Cancel();
    gate = nullptr;
}

}  // namespace

TEST_F(OverlappedLoaderTest, AJobInFlightIsNotQueuedAgain) {
    // Queued again while the worker loads it, the job would sit in the queue
    // and on the loaded list at once, and stay on that list after it was
    // completed and deleted.
    StartHeld();
    loader->Queue(gate);
    EXPECT_EQ(loader->QueuedCount(), 0);
    EXPECT_EQ(gate->GetState(), OverlappedResource::kLoading);
    gate->Open();
    ASSERT_TRUE(WaitUntil([&] { return gate->GetState() == OverlappedResource::kLoaded; }));
    loader->Queue(gate);
    EXPECT_EQ(loader->QueuedCount(), 0);
    EXPECT_EQ(loader->LoadedCount(), 1);
    EXPECT_TRUE(loader->Finish(gate));
    EXPECT_EQ(loader->LoadedCount(), 0);
    EXPECT_EQ(journal.Loads(), std::vector<int>{0});
    EXPECT_EQ(journal.completes.load(), 1);
    EXPECT_TRUE(gateHandle.IsDone());
    gate = nullptr;
}
