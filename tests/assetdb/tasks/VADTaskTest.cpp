// Database tasks: the repair's requests and polling, its registration, the
// kept log, and task threads.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>

#include "assetdb/client/FrameDaemon.h"
#include "assetdb/client/LinkTestFixture.h"
#include "assetdb/tasks/VADTask.h"
#include "assetdb/tasks/VADTaskRepairDatabase.h"
#include "assetdb/tasks/VADTaskThread.h"
#include "engine/File.h"
#include "support/SourceTree.h"

namespace {

using namespace VorlexTest;
using Clock = std::chrono::steady_clock;

// An observer that records what the job reports.
class RecordingTask : public VADTask {
public:
    void OnProgress(float progress) override {
        std::lock_guard<std::mutex> hold(lock);
        progresses.push_back(progress);
    }
    void OnStatusText(const Vek::String& text) override {
        std::lock_guard<std::mutex> hold(lock);
        texts.push_back(text.Std());
    }
    void OnFinished() override { finished = true; }

    std::mutex lock;
    std::vector<float> progresses;
    std::vector<std::string> texts;
    std::atomic<bool> finished{false};
};

// Operation 4's reply: running, progress, status text.
Bytes Progress(uint8_t running, float progress, const std::string& text) {
    return Bytes().U8(running).F32(progress).Str(text);
}

class VADTaskTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        Vek::File::Subst(Vek::PString("data"), SourceTreePath("data/Data").c_str(), true);
    }
    // The daemon reports running `m_runs` times, then done. With the last
    // answer it sends a log line for the repair's transaction.
    int m_runs = 3;
    std::atomic<int32_t> m_repairId{0};
    // When set, the log line goes to this id instead.
    std::atomic<int32_t> m_lineTo{0};
    std::mutex m_timesLock;
    std::vector<Clock::time_point> m_times;
    FrameDaemon m_fake{[this](const Frame& frame, FrameLink& link) {
        {
            std::lock_guard<std::mutex> hold(m_timesLock);
            m_times.push_back(Clock::now());
        }
        if (frame.op == 3) {
            m_repairId = frame.id;
            return link.Reply(frame.id, {});
        }
        if (frame.op == 4) {
            const int asked = static_cast<int>(m_fake.FramesOf(4).size());
            if (asked <= m_runs) return link.Reply(frame.id, Progress(1, 0.25f * asked, "step " + std::to_string(asked)));
            const int32_t to = m_lineTo ? m_lineTo.load() : m_repairId.load();
            link.Notice(3, Bytes().I32(to).I32(0).I32(1).I32(1).Str("repaired").I32(0));
            return link.Reply(frame.id, Progress(0, 1.0f, "done"));
        }
        return FrameDaemon::ReplyEmpty(frame, link);
    }};
};

TEST_F(VADTaskTest, TheRepairPollsWhileTheDaemonReportsRunning) {
    ASSERT_TRUE(Open());
    auto observer = std::make_unique<RecordingTask>();
    {
        VADTaskRepairDatabase repair(150, nullptr);
        EXPECT_TRUE(IsRepairRunning());
        repair.RunInline(observer.get());
        EXPECT_FALSE(IsRepairRunning()) << "the registration ends with the run";
    }
    ASSERT_EQ(m_fake.FramesOf(3).size(), 1u);
    EXPECT_EQ(m_fake.FramesOf(3)[0].payload, Bytes("96 00 00 00").Vec());
    ASSERT_EQ(m_fake.FramesOf(4).size(), 4u);
    EXPECT_TRUE(m_fake.FramesOf(4)[0].payload.empty());
    EXPECT_EQ(observer->texts, (std::vector<std::string>{"step 1", "step 2", "step 3"}));
    EXPECT_EQ(observer->progresses, (std::vector<float>{0.25f, 0.5f, 0.75f}));
    EXPECT_FALSE(observer->finished) << "an inline run does not finish the observer";
    // 1 s before the first poll, 250 ms between polls.
    ASSERT_EQ(m_times.size(), 5u);
    EXPECT_GE(m_times[1] - m_times[0], std::chrono::milliseconds(1000));
    for (int i = 2; i < 5; ++i) EXPECT_GE(m_times[i] - m_times[i - 1], std::chrono::milliseconds(250));
    // The log line sent after the repair's own reply reached the observer.
    ASSERT_EQ(observer->GetEntryCount(), 1u);
    EXPECT_STREQ(observer->GetEntry(0).text.c_str(), "repaired");

    // Once the observer is gone, further lines for its id are dropped.
    observer.reset();
    m_runs = 0;
    m_lineTo = m_repairId.load();
    m_fake.ClearFrames();
    VADTaskRepairDatabase again(100, nullptr);
    RecordingTask second;
    again.RunInline(&second);
    EXPECT_EQ(m_fake.FramesOf(4).size(), 1u);
    EXPECT_EQ(second.GetEntryCount(), 0u);
}

TEST_F(VADTaskTest, ARepairThatIsNotRunningPollsOnce) {
    m_runs = 0;
    ASSERT_TRUE(Open());
    RecordingTask log;
    RecordingTask observer;
    VADTaskRepairDatabase repair(20, &log);
    repair.RunInline(&observer);
    EXPECT_EQ(m_fake.FramesOf(3).size(), 1u);
    EXPECT_EQ(m_fake.FramesOf(4).size(), 1u);
    EXPECT_TRUE(observer.texts.empty());
    EXPECT_EQ(log.GetEntryCount(), 1u) << "the construction log takes the lines";
    EXPECT_EQ(observer.GetEntryCount(), 0u);
}

TEST_F(VADTaskTest, ASecondRepairReportsTheDuplicateAndSendsNothing) {
    ASSERT_TRUE(Open());
    VADTaskRepairDatabase first(100, nullptr);
    VADTaskRepairDatabase second(100, nullptr);
    RecordingTask observer;
    second.RunInline(&observer);
    EXPECT_EQ(observer.texts, (std::vector<std::string>{"A database repair is already running."}));
    EXPECT_TRUE(m_fake.Frames().empty());
    EXPECT_TRUE(IsRepairRunning()) << "the first stays registered";
}

TEST_F(VADTaskTest, WithTheLinkDownTheRepairEndsAtOnce) {
    RecordingTask observer;
    VADTaskRepairDatabase repair(100, nullptr);
    const auto start = Clock::now();
    repair.RunInline(&observer);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3000));
    EXPECT_TRUE(observer.texts.empty());
    EXPECT_FALSE(IsRepairRunning());
}

// A job run on a thread of its own, watched by a task that is deleted.
class CountingJob : public VADTaskThread {
public:
    ~CountingJob() override { WaitForEnd(); }
    std::atomic<int> runs{0};
    std::atomic<uint64_t> threadId{0};

protected:
    void Run() override {
        threadId = RunningThreadId();
        ++runs;
    }
};

TEST(VADTaskThreadTest, AStartedJobFinishesItsObserverWhichOwnsIt) {
    auto observer = std::make_unique<RecordingTask>();
    auto* job = new CountingJob;
    ASSERT_TRUE(job->Start(observer.get()));
    ASSERT_TRUE(WaitUntil([&] { return observer->finished.load(); }));
    EXPECT_TRUE(WaitUntil([&] { return !observer->IsRunning(); }));
    EXPECT_EQ(job->runs, 1);
    EXPECT_NE(job->threadId, 0u);
    EXPECT_NE(job->threadId, Vek::Thread::GetCurrentId());
    EXPECT_EQ(job->RunningThreadId(), 0u) << "reset after the run";
    observer.reset();  // deletes the job
}

TEST(VADTaskThreadTest, DiskSpaceNeeds100MiB) {
    EXPECT_FALSE(VADTaskThread::IsEnoughDiskSpace(104857599));
    EXPECT_TRUE(VADTaskThread::IsEnoughDiskSpace(104857600));
    VADTaskThread thread;
    EXPECT_FALSE(thread.HasDiskSpace("/no/such/folder/anywhere"));
}

}  // namespace
