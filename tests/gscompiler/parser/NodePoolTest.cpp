#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "gscompiler/GSNodePool.h"

namespace {

// Nodes across several blocks are distinct and whole; an emptied pool hands
// the same nodes out again without new blocks, and a released one starts
// over.
TEST(NodePool, HandsOutDistinctNodesAndReusesItsBlocksAfterReset) {
    GSNodePool pool;
    const int32_t count = GSNodePool::kNodesPerBlock * 2 + 5;
    std::vector<GSCNode*> first;
    std::set<uintptr_t> addresses;
    for (int32_t i = 0; i < count; ++i) {
        GSCNode* node = pool.Alloc();
        ASSERT_NE(node, nullptr);
        node->line = i;  // written whole: a neighbour that overlapped would show below
        first.push_back(node);
        addresses.insert(reinterpret_cast<uintptr_t>(node));
        EXPECT_EQ(pool.NodesInUse(), i + 1);
    }
    EXPECT_EQ(addresses.size(), size_t(count));
    for (int32_t i = 0; i < count; ++i) EXPECT_EQ(first[size_t(i)]->line, i);
    EXPECT_EQ(pool.BlockCount(), 3);

    pool.Reset();
    EXPECT_EQ(pool.NodesInUse(), 0);
    for (int32_t i = 0; i < count; ++i) ASSERT_EQ(pool.Alloc(), first[size_t(i)]) << i;
    EXPECT_EQ(pool.BlockCount(), 3);
    // One more block's worth grows the pool by one block.
    for (int32_t i = 0; i < GSNodePool::kNodesPerBlock; ++i) ASSERT_NE(pool.Alloc(), nullptr);
    EXPECT_EQ(pool.BlockCount(), 4);

    pool.Release();
    EXPECT_EQ(pool.BlockCount(), 0);
    EXPECT_EQ(pool.NodesInUse(), 0);
    ASSERT_NE(pool.Alloc(), nullptr);
    EXPECT_EQ(pool.NodesInUse(), 1);
}

}  // namespace
