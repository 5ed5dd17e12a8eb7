#include "foundation/containers/BlockMemory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <vector>

namespace {

TEST(BlockMemory, InitRoundsSizes) {
    Utils::BlockMemory pool;
    ASSERT_TRUE(pool.Init(256, 110, 100));
    EXPECT_EQ(pool.ObjectSize(), 112);
    EXPECT_EQ(pool.ObjectsPerChunk(), 128);
    EXPECT_EQ(pool.ChunkCount(), 0);

    ASSERT_TRUE(pool.Init(4096, 68, 256));
    EXPECT_EQ(pool.ObjectSize(), 72);  // 8-byte alignment on 64-bit
    EXPECT_EQ(pool.ObjectsPerChunk(), 256);

    EXPECT_FALSE(pool.Init(0, 0, 32));
    EXPECT_FALSE(pool.Init(0, 16, 0));
    EXPECT_EQ(pool.Alloc(), nullptr);  // a failed Init leaves no usable pool
}

TEST(BlockMemory, RefusesForeignFreedAndInteriorPointers) {
    Utils::BlockMemory pool;
    ASSERT_TRUE(pool.Init(0, 16, 32));
    char* object = static_cast<char*>(pool.Alloc());
    ASSERT_NE(object, nullptr);
    int local = 0;
    EXPECT_FALSE(pool.Free(&local));
    EXPECT_FALSE(pool.Free(nullptr));
    EXPECT_FALSE(pool.Free(object + 4));
    EXPECT_EQ(pool.ObjectsInUse(), 1);
    EXPECT_TRUE(pool.Free(object));
    EXPECT_FALSE(pool.Free(object));
    EXPECT_EQ(pool.ObjectsInUse(), 0);
}

// 129 objects of a pool with 128 per chunk make a second chunk. Emptying the
// second chunk releases it only when the first keeps more than the threshold
// free.
TEST(BlockMemory, ReleasesAnEmptyChunkOnlyAboveTheSpareThreshold) {
    struct Case {
        int32_t threshold;
        int freedFromFirst;
        int32_t chunksAfter;
    };
    const Case cases[] = {
        {0, 0, 2},  // the first chunk is full: nothing spare
        {0, 1, 1},
        {5, 5, 2},  // exactly the threshold is not more than it
        {5, 6, 1},
    };
    for (const Case& c : cases) {
        Utils::BlockMemory pool;
        ASSERT_TRUE(pool.Init(c.threshold, 24, 128));
        std::vector<void*> objects;
        for (int i = 0; i < 129; ++i) objects.push_back(pool.Alloc());
        ASSERT_EQ(pool.ChunkCount(), 2);
        for (int i = 0; i < c.freedFromFirst; ++i) ASSERT_TRUE(pool.Free(objects[static_cast<std::size_t>(i)]));
        ASSERT_TRUE(pool.Free(objects[128]));
        EXPECT_EQ(pool.ChunkCount(), c.chunksAfter) << c.threshold << "/" << c.freedFromFirst;
        // The pool stays usable either way.
        void* again = pool.Alloc();
        ASSERT_NE(again, nullptr);
        EXPECT_TRUE(pool.Free(again));
    }
}

TEST(BlockMemory, ResetKeepsOneEmptyChunk) {
    Utils::BlockMemory pool;
    ASSERT_TRUE(pool.Init(1000, 8, 32));
    for (int i = 0; i < 100; ++i) ASSERT_NE(pool.Alloc(), nullptr);
    EXPECT_EQ(pool.ChunkCount(), 4);
    pool.Reset();
    EXPECT_EQ(pool.ChunkCount(), 1);
    EXPECT_EQ(pool.ObjectsInUse(), 0);
    for (int i = 0; i < 32; ++i) ASSERT_NE(pool.Alloc(), nullptr);
    EXPECT_EQ(pool.ChunkCount(), 1);
    pool.FreeAll();
    EXPECT_EQ(pool.ChunkCount(), 0);
    EXPECT_EQ(pool.Alloc(), nullptr);
}

// Random allocation and release against a model of the live objects. Each
// object is filled with its own pattern, which must survive until it is freed.
TEST(BlockMemory, RandomSequencesMatchAModel) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        std::mt19937 random(seed);
        Utils::BlockMemory pool;
        const int32_t threshold = static_cast<int32_t>(random() % 64);
        ASSERT_TRUE(pool.Init(threshold, 1 + static_cast<int32_t>(random() % 60), 1 + static_cast<int32_t>(random() % 70)));
        const std::size_t size = static_cast<std::size_t>(pool.ObjectSize());
        std::map<unsigned char*, unsigned char> live;
        std::vector<unsigned char*> freed;
        for (int step = 0; step < 20000; ++step) {
            const bool grow = live.empty() || random() % 100 < (step % 4000 < 2000 ? 60u : 35u);
            if (grow) {
                unsigned char* p = static_cast<unsigned char*>(pool.Alloc());
                ASSERT_NE(p, nullptr);
                ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
                ASSERT_EQ(live.count(p), 0u) << "handed out twice";
                const unsigned char fill = static_cast<unsigned char>(step);
                std::memset(p, fill, size);
                live[p] = fill;
            } else {
                auto it = live.begin();
                std::advance(it, static_cast<long>(random() % live.size()));
                for (std::size_t i = 0; i < size; ++i) ASSERT_EQ(it->first[i], it->second);
                ASSERT_TRUE(pool.Free(it->first));
                freed.push_back(it->first);
                live.erase(it);
            }
            ASSERT_EQ(pool.ObjectsInUse(), static_cast<int32_t>(live.size()));
        }
        // A freed pointer that was not handed out again is refused.
        for (unsigned char* p : freed) {
            if (!live.count(p)) {
                EXPECT_FALSE(pool.Free(p));
            }
        }
        for (auto& [p, fill] : live) EXPECT_TRUE(pool.Free(p));
        EXPECT_EQ(pool.ObjectsInUse(), 0);
    }
}

}  // namespace
