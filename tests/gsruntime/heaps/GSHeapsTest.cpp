#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "gsruntime/GSHeap.h"
#include "gsruntime/GSScriptArena.h"

namespace {

using GSRuntime::GSScriptArena;

TEST(GSScriptArena, OffsetsAreThirtyTwoBitsAndRoundTrip) {
    GSScriptArena& arena = GSScriptArena::Instance();
    EXPECT_STREQ(arena.Name(), "#GSContext");
    ASSERT_GT(arena.ReservedBytes(), 0u);
    EXPECT_LE(arena.ReservedBytes(), uint64_t(1) << 32);
    EXPECT_EQ(arena.ToOffset(nullptr), 0u);
    EXPECT_EQ(arena.FromOffset(0), nullptr);

    std::vector<void*> blocks;
    for (std::size_t size : {1u, 15u, 16u, 17u, 100u, 1024u, 1025u, 5000u, 70000u}) {
        void* block = arena.Alloc(size);
        ASSERT_NE(block, nullptr) << size;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
        const uint32_t offset = arena.ToOffset(block);
        EXPECT_NE(offset, 0u);
        EXPECT_EQ(arena.FromOffset(offset), block);
        std::memset(block, 0xAB, size);  // the whole request is usable
        blocks.push_back(block);
    }
    std::set<void*> distinct(blocks.begin(), blocks.end());
    EXPECT_EQ(distinct.size(), blocks.size());
    for (void* block : blocks) arena.Free(block);
}

TEST(GSScriptArena, CountsLiveBlocksAndRefusesHugeRequests) {
    GSScriptArena& arena = GSScriptArena::Instance();
    const int64_t before = arena.LiveBlocks();
    void* a = GSRuntime::ScriptHeapAlloc(40);
    void* b = GSRuntime::ScriptHeapAlloc(4000);
    EXPECT_EQ(arena.LiveBlocks(), before + 2);
    GSRuntime::ScriptHeapFree(a);
    EXPECT_EQ(arena.LiveBlocks(), before + 1);
    GSRuntime::ScriptHeapFree(b);
    GSRuntime::ScriptHeapFree(nullptr);
    EXPECT_EQ(arena.LiveBlocks(), before);
    EXPECT_EQ(arena.Alloc(GSScriptArena::kMaxBlock + 1), nullptr);
    EXPECT_EQ(arena.LiveBlocks(), before);
}

TEST(GSScriptArena, FreedBlocksAreReusedAndCommitmentStaysBounded) {
    GSScriptArena& arena = GSScriptArena::Instance();
    // Far more than the quarantine holds, through blocks of one size: the
    // arena reuses them instead of growing without end.
    for (int i = 0; i < 200000; ++i) {
        void* block = arena.Alloc(200);
        ASSERT_NE(block, nullptr);
        arena.Free(block);
    }
    EXPECT_LT(arena.CommittedBytes(), uint64_t(64) << 20);
}

#if defined(__SANITIZE_ADDRESS__)
// Threads that make and drop blocks at once never get the same block, and
// the counts come back to where they were.
TEST(GSScriptArena, ThreadsShareTheArena) {
    GSScriptArena& arena = GSScriptArena::Instance();
    const int64_t before = arena.LiveBlocks();
    constexpr int kThreads = 4;
    constexpr int kRounds = 2000;
    std::atomic<int> damaged{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&arena, &damaged, t] {
            std::vector<uint8_t*> held;
            for (int round = 0; round < kRounds; ++round) {
                auto* block = static_cast<uint8_t*>(arena.Alloc(16 + (round % 3) * 16));
                if (!block) {
                    damaged += 1;
                    return;
                }
                std::memset(block, t + 1, 16);
                held.push_back(block);
                if (held.size() > 8 || round % 5 == 0) {
                    for (uint8_t* old : held) {
                        for (int i = 0; i < 16; ++i) damaged += old[i] != t + 1;
                        arena.Free(old);
                    }
                    held.clear();
                }
            }
            for (uint8_t* old : held) arena.Free(old);
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(damaged.load(), 0);
    EXPECT_EQ(arena.LiveBlocks(), before);
}

TEST(GSScriptArenaDeathTest, UseAfterFreeIsCaught) {
    EXPECT_DEATH(
        {
            volatile char* block = static_cast<char*>(GSRuntime::ScriptHeapAlloc(64));
            GSRuntime::ScriptHeapFree(const_cast<char*>(block));
            block[8] = 1;
        },
        "use-after-poison");
}

TEST(GSScriptArenaDeathTest, OverrunIntoTheNextHeaderIsCaught) {
    EXPECT_DEATH(
        {
            volatile char* block = static_cast<char*>(GSRuntime::ScriptHeapAlloc(32));
            block[32] = 1;
        },
        "use-after-poison");
}
#endif

TEST(GSScriptArenaDeathTest, DoubleFreeEndsTheProcess) {
    EXPECT_DEATH(
        {
            void* block = GSRuntime::ScriptHeapAlloc(64);
            GSRuntime::ScriptHeapFree(block);
            GSRuntime::ScriptHeapFree(block);
        },
        "double free");
}

TEST(GSScriptArenaDeathTest, ForeignPointerEndsTheProcess) {
    int local = 0;
    EXPECT_DEATH(GSRuntime::ScriptHeapFree(&local), "outside the arena");
}

TEST(GSHeap, MachineHeapCountsLiveBlocks) {
    GSRuntime::GSHeap& heap = GSRuntime::GSMachineHeap();
    EXPECT_STREQ(heap.Name(), "#GSMachine");
    const int64_t before = heap.LiveBlocks();
    int* values = GSRuntime::GSHeapNewArray<int>(heap, 10);
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values[9], 0);  // value-initialised
    EXPECT_EQ(heap.LiveBlocks(), before + 1);
    EXPECT_EQ(GSRuntime::GSHeapNewArray<int>(heap, 0), nullptr);
    GSRuntime::GSHeapDeleteArray(heap, values, 10);
    EXPECT_EQ(heap.LiveBlocks(), before);
}

}  // namespace
