#include "meshes/collision/VXMapKDTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <random>
#include <vector>

namespace {

using WeldTree = VXMapKDTree<int, float, 3, 4000>;
using Key = std::array<float, 3>;

std::vector<int> Find(WeldTree& tree, const Key& key) {
    VXArray<int> list(10);
    const int32_t n = tree.FindEqual(key.data(), list);
    EXPECT_EQ(n, list.Count());
    return std::vector<int>(list.begin(), list.end());
}

std::vector<int> Sorted(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    return values;
}

// Inserts and searches interleaved, with positions drawn from a small grid so
// that many repeat, checked against an ordered multimap, under each policy.
TEST(VXMapKDTreeTest, FindsWhatAnOrderedMultimapHolds) {
    struct Policy {
        int32_t insert;
        bool lazy;
    };
    for (const Policy policy : {Policy{-3, true}, Policy{-3, false}, Policy{-2, true}, Policy{-1, true},
                                Policy{5, false}}) {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> cell(-4, 4);
        WeldTree tree;
        tree.SetPolicies(policy.insert, -3, policy.lazy);
        std::multimap<Key, int> reference;
        for (int i = 0; i < 3000; ++i) {
            const Key key{cell(random) * 0.5f, cell(random) * 0.25f, float(cell(random))};
            if (random() % 3) {
                tree.Insert(key.data(), i);
                reference.emplace(key, i);
            } else {
                std::vector<int> expected;
                auto [first, last] = reference.equal_range(key);
                for (auto it = first; it != last; ++it) expected.push_back(it->second);
                ASSERT_EQ(Sorted(Find(tree, key)), Sorted(expected)) << "policy " << policy.insert << " step " << i;
            }
        }
    }
}

TEST(VXMapKDTreeTest, EdgeCases) {
    WeldTree tree;
    EXPECT_TRUE(Find(tree, {0, 0, 0}).empty());

    // Zero of either sign is one position; a repeated position keeps both values.
    tree.Insert(Key{0.0f, 1.0f, 2.0f}.data(), 3);
    tree.Insert(Key{-0.0f, 1.0f, 2.0f}.data(), 7);
    EXPECT_EQ(Sorted(Find(tree, {0.0f, 1.0f, 2.0f})), (std::vector<int>{3, 7}));
    // NaN coordinates never match and do not upset the build.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int i = 0; i < 40; ++i) tree.Insert(Key{i % 2 ? nan : float(i), 0, 0}.data(), 100 + i);
    EXPECT_TRUE(Find(tree, {nan, 0, 0}).empty());
    EXPECT_EQ(Find(tree, {4.0f, 0, 0}), (std::vector<int>{104}));
}

TEST(VXMapKDTreeTest, TheAutomaticPolicyRebuildsAsDescribed) {
    WeldTree tree;
    for (int i = 0; i < 11; ++i) tree.Insert(Key{float(i), 0, 0}.data(), i);
    EXPECT_EQ(tree.BuiltCount(), 0);
    Find(tree, {1, 0, 0});  // 11 pending and nothing built: rebuilds
    EXPECT_EQ(tree.BuiltCount(), 11);
    EXPECT_EQ(tree.PendingInserts(), 0);
    for (int i = 0; i < 9; ++i) tree.Insert(Key{float(20 + i), 0, 0}.data(), 20 + i);
    EXPECT_EQ(Find(tree, {25, 0, 0}), (std::vector<int>{25}));
    EXPECT_EQ(tree.BuiltCount(), 11);  // 9 pending are not more than 10
    EXPECT_EQ(tree.PendingInserts(), 9);
}

TEST(VXArrayTest, GrowsByTheStepOrAnEighthOfTheCount) {
    struct Case {
        int32_t step;
        int32_t count;
        int32_t growth;
    };
    for (const Case c : {Case{0, 100, 12}, Case{0, 10000, 1024}, Case{0, 8, 4}, Case{1000, 5, 1000}}) {
        VXArray<int> array;
        array.SetCount(c.step, c.count);
        array.Compact();
        ASSERT_EQ(array.Capacity(), c.count);
        array.SetCount(-1, c.count + 1);
        EXPECT_EQ(array.Capacity() - c.count, c.growth) << "step " << c.step << " count " << c.count;
        EXPECT_EQ(array[c.count], 0);
    }
}

TEST(VXArrayTest, AppendRemoveAndCompactKeepTheElements) {
    VXArray<std::string> array(0);
    for (int i = 0; i < 20; ++i) array.Append(std::to_string(i));
    array.RemoveAt(0);
    array.RemoveAt(18);
    array.RemoveAt(40);  // out of range: nothing
    ASSERT_EQ(array.Count(), 18);
    EXPECT_EQ(array[0], "1");
    EXPECT_EQ(array[17], "18");
    VXArray<std::string> other;
    other.AppendAll(array);
    other.Compact();
    EXPECT_EQ(other.Capacity(), 18);
    EXPECT_EQ(other[5], "6");
    other.SetCount(-1, 0);
    other.Compact();
    EXPECT_EQ(other.Capacity(), 0);
}

TEST(VXMemoryChainTest, HandsOutDistinctItemsBlockByBlockAndReusesBlocksAfterClear) {
    VXMemoryChain chain(4, 12);
    std::vector<char*> items;
    for (int i = 0; i < 9; ++i) {
        items.push_back(static_cast<char*>(chain.Allocate()));
        std::fill(items.back(), items.back() + 12, char(i));
    }
    EXPECT_EQ(chain.BlockCount(), 3u);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(items[i][11], char(i));
    std::sort(items.begin(), items.end());
    EXPECT_EQ(std::unique(items.begin(), items.end()), items.end());
    chain.Clear();
    EXPECT_EQ(chain.BlockCount(), 0u);
    EXPECT_NE(chain.Allocate(), nullptr);
    EXPECT_EQ(chain.BlockCount(), 1u);
}

}  // namespace
