#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "DispatcherTestSupport.h"
#include "foundation/callbacks/TCXCallbackCPPVoidPtr.h"
#include "foundation/callbacks/VorlexWorkerCallChain.h"

using namespace DispatcherTest;

namespace {

// Steps that write what they did, in order, into one shared journal.
struct Journal {
    std::mutex lock;
    std::vector<std::string> entries;
    void Add(const std::string& entry) {
        std::lock_guard<std::mutex> guard(lock);
        entries.push_back(entry);
    }
};

struct Step {
    Journal* journal = nullptr;
    std::string name;
    int sleepMs = 0;
    std::atomic<ThreadId> thread{0};
    std::atomic<CallArgument> received{-1};

    int32_t Run(CallArgument argument) {
        thread.store(Vek::Thread::GetCurrentId());
        received.store(argument);
        journal->Add(name + " begin");
        if (sleepMs) std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
        journal->Add(name + " end");
        return 0;
    }
    TCXCallback Callback() { return MakeMemberCallback(this, &Step::Run); }
};

}  // namespace

TEST(VorlexWorkerCallChainTest, StepsRunInOrderEachOnTheThreadItsFlagsAskFor) {
    const ThreadId mainId = RecordMainThread();
    Journal journal;
    Step load{&journal, "load"}, compress{&journal, "compress", 20}, release{&journal, "release"};
    VorlexWorkerCallChain chain;
    chain.AddCall(3, load.Callback());
    chain.AddCall(CallFlagWorkerThread, compress.Callback());
    chain.AddCall(CallFlagMainThread, release.Callback());

    chain.Start();
    EXPECT_TRUE(chain.IsRunning());
    EXPECT_TRUE(journal.entries.empty()) << "Start only queues the first step";
    chain.Wait();

    EXPECT_FALSE(chain.IsRunning());
    EXPECT_FALSE(chain.HasFailed());
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"load begin", "load end", "compress begin", "compress end",
                                                         "release begin", "release end"}));
    EXPECT_EQ(load.thread.load(), mainId);
    EXPECT_NE(compress.thread.load(), mainId);
    EXPECT_EQ(release.thread.load(), mainId);
    EXPECT_EQ(compress.received.load(), 0) << "a step receives 0, not the chain";
}

TEST(VorlexWorkerCallChainTest, ConsecutiveWorkerStepsNeverOverlap) {
    RecordMainThread();
    Journal journal;
    Step first{&journal, "first", 30}, second{&journal, "second", 10}, third{&journal, "third"};
    VorlexWorkerCallChain chain;
    chain.AddCall(CallFlagWorkerThread, first.Callback());
    chain.AddCall(CallFlagWorkerThread, second.Callback());
    chain.AddCall(0, third.Callback());
    chain.Start();
    chain.Wait();
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"first begin", "first end", "second begin", "second end",
                                                         "third begin", "third end"}));
}

TEST(VorlexWorkerCallChainTest, AnEmptyChainIsDoneAtOnce) {
    RecordMainThread();
    VorlexWorkerCallChain chain;
    chain.Start();
    EXPECT_FALSE(chain.IsRunning());
    chain.Wait();
    EXPECT_FALSE(chain.HasFailed());
}

TEST(VorlexWorkerCallChainTest, SeveralChainsInFlightAreWaitedForInTurn) {
    RecordMainThread();
    constexpr int kChains = 4;
    Journal journals[kChains];
    std::vector<std::unique_ptr<Step>> steps;
    std::unique_ptr<VorlexWorkerCallChain> chains[kChains];
    for (int i = 0; i < kChains; ++i) {
        chains[i] = std::make_unique<VorlexWorkerCallChain>();
        for (auto [name, flags] : {std::pair<const char*, uint32_t>{"load", 3}, {"compress", 16}, {"release", 1}}) {
            steps.push_back(std::make_unique<Step>());
            steps.back()->journal = &journals[i];
            steps.back()->name = name;
            chains[i]->AddCall(flags, steps.back()->Callback());
        }
        chains[i]->Start();
    }
    for (int i = 0; i < kChains; ++i) {
        chains[i]->Wait();
        EXPECT_FALSE(chains[i]->IsRunning());
        chains[i].reset();
    }
    for (int i = 0; i < kChains; ++i)
        EXPECT_EQ(journals[i].entries, (std::vector<std::string>{"load begin", "load end", "compress begin",
                                                                 "compress end", "release begin", "release end"}));
}
