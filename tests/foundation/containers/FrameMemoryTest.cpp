#include "foundation/containers/FrameMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace {

TEST(FrameMemory, ChargesSizePlusAlignmentSlackAgainstThePage) {
    struct Case {
        std::size_t n;
        std::size_t alignment;
        bool fits;
    };
    const Case cases[] = {
        {2048, 1, true},   // exactly one page
        {2048, 4, false},  // charged 2051 bytes
        {2045, 4, true},   // charged 2048 bytes
        {2049, 1, false},
        {SIZE_MAX, 1, false},  // must not wrap around
        {16, 3, false},        // not a power of two
        {16, 0, false},
    };
    for (const Case& c : cases) {
        Utils::FrameMemory pool;
        void* p = pool.Alloc(c.n, c.alignment);
        EXPECT_EQ(p != nullptr, c.fits) << c.n << "/" << c.alignment;
        EXPECT_EQ(pool.BytesTaken(), c.fits ? static_cast<int32_t>(c.n + c.alignment - 1) : 0);
        if (p) std::memset(p, 0xAB, c.n);  // the whole range belongs to us (ASan)
    }
}

TEST(FrameMemory, AlignsAndCountsEachAllocation) {
    Utils::FrameMemory pool;
    void* a = pool.Alloc(10, 8);
    void* b = pool.Alloc(10, 8);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 8, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 8, 0u);
    EXPECT_GE(static_cast<char*>(b), static_cast<char*>(a) + 10);
    EXPECT_EQ(pool.BytesTaken(), 34);
    EXPECT_EQ(pool.AllocationCount(), 2);
}

TEST(FrameMemory, MovesToANewPageAndKeepsOldContents) {
    Utils::FrameMemory pool;
    char* first = static_cast<char*>(pool.Alloc(2000, 1));
    ASSERT_NE(first, nullptr);
    std::memset(first, 'x', 2000);
    char* second = static_cast<char*>(pool.Alloc(100, 1));  // does not fit the rest of page 1
    ASSERT_NE(second, nullptr);
    std::memset(second, 'y', 100);
    EXPECT_TRUE(second < first || second >= first + 2000);
    EXPECT_EQ(std::count(first, first + 2000, 'x'), 2000);
}

TEST(FrameMemory, FreeAllEndsAllocationUntilInitGivesAPage) {
    Utils::FrameMemory pool;
    ASSERT_NE(pool.StrDup("abc"), nullptr);
    pool.FreeAll();
    EXPECT_EQ(pool.PageSize(), 0);
    EXPECT_EQ(pool.BytesTaken(), 0);
    EXPECT_EQ(pool.AllocationCount(), 0);
    EXPECT_EQ(pool.Alloc(1, 1), nullptr);
    EXPECT_EQ(pool.StrDup("abc"), nullptr);

    ASSERT_TRUE(pool.Init(256));
    EXPECT_EQ(pool.Alloc(257, 1), nullptr);
    char* text = pool.StrDup("hello");
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "hello");
    EXPECT_EQ(pool.StrDup(nullptr), nullptr);
    EXPECT_FALSE(pool.Init(0));
}

// Random requests: every result is aligned, lies where no other result lies,
// and keeps what was written into it until FreeAll.
TEST(FrameMemory, RandomAllocationsNeverOverlap) {
    std::mt19937 random(1234);
    Utils::FrameMemory pool;
    struct Block {
        char* p;
        std::size_t n;
        char fill;
    };
    std::vector<Block> blocks;
    int64_t charged = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::size_t n = 1 + random() % 300;
        const std::size_t alignment = std::size_t{1} << (random() % 6);
        char* p = static_cast<char*>(pool.Alloc(n, alignment));
        ASSERT_NE(p, nullptr);
        ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % alignment, 0u);
        const char fill = static_cast<char>(i);
        std::memset(p, fill, n);
        blocks.push_back({p, n, fill});
        charged += static_cast<int64_t>(n + alignment - 1);
    }
    EXPECT_EQ(pool.BytesTaken(), charged);
    EXPECT_EQ(pool.AllocationCount(), 3000);
    std::sort(blocks.begin(), blocks.end(), [](const Block& a, const Block& b) { return a.p < b.p; });
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (i + 1 < blocks.size()) {
            EXPECT_LE(blocks[i].p + blocks[i].n, blocks[i + 1].p);
        }
        EXPECT_EQ(std::count(blocks[i].p, blocks[i].p + blocks[i].n, blocks[i].fill),
                  static_cast<std::ptrdiff_t>(blocks[i].n));
    }
}

}  // namespace
