// The daemon's notices: status, command-host jobs and questions run on the
// main thread; questions are answered on threads of their own with
// operation 150.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "assetdb/client/FrameDaemon.h"
#include "assetdb/client/LinkTestFixture.h"
#include "assetdb/client/VADClientTransaction.h"
#include "assetdb/client/VADNotifications.h"
#include "assetdb/client/VADPromptHandler.h"
#include "assetdb/client/VADQuestionThread.h"
#include "assetdb/client/VADSendRequest.h"
#include "foundation/kuid/KUID.h"
#include "foundation/streams/BufferStream.h"

namespace {

using namespace VorlexTest;

// <kuid2:523:1001:2>: content 1001, then (2 << 25) | 523.
const char* const kAssetBytes = "e9 03 00 00 0b 02 00 04";

// A question notice: transaction id, interned question text, KUID.
Bytes Question(int32_t id, const std::string& text) { return Bytes().I32(id).PStr(text).Hex(kAssetBytes); }

// Sends a one-way message; the fake reacts to it.
void Poke(int32_t op) {
    TBuffer payload;
    VADPostMessage(op, payload);
}

std::atomic<int32_t> g_status{-1};
void RecordStatus(int32_t value) { g_status = value; }

class VADNotificationTest : public LinkTest {};

TEST_F(VADNotificationTest, StatusNoticesRunOnTheMainThread) {
    FrameDaemon fake([](const Frame& frame, FrameLink& link) {
        if (frame.op == 200) link.Notice(0, Bytes().I32(42));
        if (frame.op == 201) link.Notice(0, {});  // a short payload reads 0
        return true;
    });
    VADOpenDatabaseArgs args;
    args.reconnect = 0;
    args.statusCallback = RecordStatus;
    ASSERT_TRUE(VADOpenDatabase(args));
    Poke(200);
    ASSERT_TRUE(WaitUntil([] { return VADQueuedNotificationCount() == 1; }));
    EXPECT_EQ(g_status, -1) << "nothing runs until the main thread pumps";
    ASSERT_TRUE(PumpUntil([] { return g_status == 42; }));
    Poke(201);
    ASSERT_TRUE(PumpUntil([] { return g_status == 0; }));
}

TEST_F(VADNotificationTest, QueuedNoticesAreDroppedAtClose) {
    FrameDaemon fake([](const Frame& frame, FrameLink& link) {
        if (frame.op == 200) link.Notice(0, Bytes().I32(7));
        return true;
    });
    VADOpenDatabaseArgs args;
    args.statusCallback = RecordStatus;
    args.reconnect = 0;
    ASSERT_TRUE(VADOpenDatabase(args));
    Poke(200);
    ASSERT_TRUE(WaitUntil([] { return VADQueuedNotificationCount() == 1; }));
    VADCloseDatabase();
    EXPECT_EQ(VADQueuedNotificationCount(), 0u);
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(g_status, -1) << "the posted call found the queue empty";
}

TEST_F(VADNotificationTest, StatusWithoutCallbackAndUnknownTypesAreConsumed) {
    FrameDaemon fake([](const Frame& frame, FrameLink& link) {
        if (frame.op == 200) {
            link.Notice(0, Bytes().I32(5));
            link.Notice(77, Bytes("01 02 03"));
        }
        return FrameDaemon::ReplyEmpty(frame, link);
    });
    ASSERT_TRUE(Open());
    Poke(200);
    ASSERT_TRUE(WaitUntil([] { return VADQueuedNotificationCount() == 2; }));
    ASSERT_TRUE(PumpUntil([] { return VADQueuedNotificationCount() == 0; }));
    TBuffer request, reply;
    EXPECT_TRUE(VADSendRequest(2, request, reply));
}

void DoubleTheJob(TStream& notice, TStream& output) {
    int32_t value = 0;
    notice.ReadInt32(value);
    output.WriteInt32(value * 2);
}

TEST_F(VADNotificationTest, CommandHostJobsAreAnsweredWithOperation141) {
    FrameDaemon fake([](const Frame& frame, FrameLink& link) {
        if (frame.op == 200) link.Notice(1, Bytes().I32(21));
        return true;
    });
    ASSERT_TRUE(Open());
    Poke(200);  // no handler: dropped
    ASSERT_TRUE(WaitUntil([] { return VADQueuedNotificationCount() == 1; }));
    ASSERT_TRUE(PumpUntil([] { return VADQueuedNotificationCount() == 0; }));
    SetVADCommandHostJobHandler(DoubleTheJob);
    Poke(200);
    ASSERT_TRUE(PumpUntil([&] { return fake.FramesOf(141).size() == 1; }));
    SetVADCommandHostJobHandler(nullptr);
    const Frame reply = fake.FramesOf(141)[0];
    EXPECT_EQ(reply.id, 0);
    EXPECT_EQ(reply.payload, Bytes().I32(42).Vec());
}

// Answers with a fixed value and remembers what it was asked.
class FixedAnswer : public VADPromptHandler {
public:
    explicit FixedAnswer(int32_t answer) : m_answer(answer) {}
    int32_t Answer(const Vek::String& question, Vek::String&, const KUID& asset, ResultsLog* log) override {
        question_ = question.Std();
        asset_ = asset;
        hadLog_ = log != nullptr;
        return m_answer;
    }
    std::string question_;
    KUID asset_;
    bool hadLog_ = true;

private:
    int32_t m_answer;
};

// A daemon that asks a question about request 40 before replying (op 41:
// after replying), and replies once the answer (150) has come.
class AskingDaemon {
public:
    AskingDaemon()
        : fake([this](const Frame& frame, FrameLink& link) {
              if (frame.op == 40) {
                  pending = frame.id;
                  return link.Notice(2, Question(frame.id, "Replace the asset?"));
              }
              if (frame.op == 41) return link.Reply(frame.id, {}) && link.Notice(2, Question(frame.id, "Late?"));
              if (frame.op == 150 && pending) return link.Reply(std::exchange(pending, 0), {});
              return true;
          }) {}
    int32_t pending = 0;
    FrameDaemon fake;
};

TEST_F(VADNotificationTest, QuestionsAreAnsweredFromTheRequestsPromptHandler) {
    AskingDaemon daemon;
    ASSERT_TRUE(Open());
    struct Case {
        VADPromptHandler* handler;
        int32_t expected;
    };
    FixedAnswer overwrite(3);
    for (const Case& c : {Case{&overwrite, 3}, Case{nullptr, 2}}) {
        daemon.fake.ClearFrames();
        std::atomic<bool> done{false};
        bool ok = false;
        std::thread requester([&] {
            TBuffer request, reply;
            ok = VADSendRequest(40, request, reply, c.handler);
            done = true;
        });
        ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
        requester.join();
        EXPECT_TRUE(ok);
        const std::vector<Frame> answers = daemon.fake.FramesOf(150);
        ASSERT_EQ(answers.size(), 1u);
        const int32_t id = daemon.fake.FramesOf(40)[0].id;
        EXPECT_EQ(answers[0].id, 0) << "one-way";
        EXPECT_EQ(answers[0].payload, Bytes().I32(id).I32(c.expected).Vec());
    }
    EXPECT_EQ(overwrite.question_, "Replace the asset?");
    EXPECT_EQ(overwrite.asset_, KUID(523, 1001, 2));
    EXPECT_FALSE(overwrite.hadLog_);
}

TEST_F(VADNotificationTest, AQuestionAboutAFinishedRequestIsAnswered4) {
    AskingDaemon daemon;
    ASSERT_TRUE(Open());
    FixedAnswer never(3);
    TBuffer request, reply;
    ASSERT_TRUE(VADSendRequest(41, request, reply, &never));
    ASSERT_TRUE(PumpUntil([&] { return daemon.fake.FramesOf(150).size() == 1; }));
    const int32_t id = daemon.fake.FramesOf(41)[0].id;
    EXPECT_EQ(daemon.fake.FramesOf(150)[0].payload, Bytes().I32(id).I32(4).Vec());
    EXPECT_TRUE(never.question_.empty());
}

// A prompt handler that waits until the test lets it answer.
class BlockingAnswer : public VADPromptHandler {
public:
    int32_t Answer(const Vek::String&, Vek::String&, const KUID&, ResultsLog*) override {
        entered = true;
        std::unique_lock<std::mutex> hold(lock);
        released.wait(hold, [this] { return free; });
        answered = true;
        return 1;
    }
    void Release() {
        std::lock_guard<std::mutex> hold(lock);
        free = true;
        released.notify_all();
    }
    std::atomic<bool> entered{false};
    std::atomic<bool> answered{false};
    std::mutex lock;
    std::condition_variable released;
    bool free = false;
};

// The link drops while the question is open: the request fails, but it
// does not return (and free its handler) before the question thread has
// done with the handler.
TEST_F(VADNotificationTest, TheLinkDroppingDuringAnOpenQuestionWaitsForTheAnswer) {
    auto handler = std::make_unique<BlockingAnswer>();
    BlockingAnswer* asked = handler.get();
    FrameDaemon fake([asked](const Frame& frame, FrameLink& link) {
        if (frame.op != 40) return true;
        link.Notice(2, Question(frame.id, "Replace?"));
        WaitUntil([asked] { return asked->entered.load(); });
        return false;  // ends the link without a reply while the question is open
    });
    ASSERT_TRUE(Open());
    std::atomic<bool> returned{false};
    std::atomic<bool> answeredBeforeReturn{false};
    bool ok = true;
    std::thread requester([&] {
        TBuffer request, reply;
        ok = VADSendRequest(40, request, reply, handler.get());
        answeredBeforeReturn = handler->answered.load();
        returned = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return handler->entered.load(); }));
    ASSERT_TRUE(WaitUntil([] { return !VADIsConnected(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(returned) << "the request waits for its question thread";
    handler->Release();
    requester.join();
    EXPECT_FALSE(ok);
    EXPECT_TRUE(answeredBeforeReturn);
    fake.Stop();      // the fake reads the handler's flag too
    handler.reset();  // freed as soon as the request has returned
    WaitForVADQuestionThreads();
    EXPECT_EQ(VADRegisteredTransactionCount(), 0u);
}

}  // namespace
