// The subscription tree: random inserts and removals against a reference
// set, with the AVL shape (balances true to the heights, no node leaning
// two levels) checked after every step.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "gsruntime/router/GSIAVLTree.h"

namespace {

class KeyNode : public Utils::GSIAVLNode {
public:
    explicit KeyNode(int key) : key(key) {}
    int Compare(const GSIAVLNode* other) const override {
        const int otherKey = static_cast<const KeyNode*>(other)->key;
        return key < otherKey ? -1 : key > otherKey ? 1 : 0;
    }
    int key;
};

// The subtree's height; fails the test when a balance is wrong.
int CheckedHeight(const Utils::GSIAVLNode* node) {
    if (!node) return 0;
    const int left = CheckedHeight(node->Left());
    const int right = CheckedHeight(node->Right());
    EXPECT_LE(std::abs(left - right), 1);
    EXPECT_EQ(static_cast<int>(node->Balance()), right - left + 1);
    return std::max(left, right) + 1;
}

std::vector<int> InOrder(const Utils::GSIAVLTree& tree) {
    std::vector<int> keys;
    Utils::GSIAVLTree::Iterator it(tree);
    while (Utils::GSIAVLNode* node = it.Next()) keys.push_back(static_cast<KeyNode*>(node)->key);
    return keys;
}

TEST(GSIAVLTree, RandomInsertsAndRemovalsKeepOrderAndShape) {
    Utils::GSIAVLTree tree;
    std::set<int> reference;
    std::vector<std::unique_ptr<KeyNode>> nodes;
    std::mt19937 random(777);
    for (int step = 0; step < 3000; ++step) {
        const int key = static_cast<int>(random() % 300);
        if (random() % 3 != 0) {
            nodes.push_back(std::make_unique<KeyNode>(key));
            EXPECT_EQ(tree.Insert(nodes.back().get()), reference.insert(key).second);
        } else {
            KeyNode probe(key);
            Utils::GSIAVLNode* removed = tree.Remove(&probe);
            EXPECT_EQ(removed != nullptr, reference.erase(key) == 1);
            if (removed) {
                EXPECT_EQ(static_cast<KeyNode*>(removed)->key, key);
            }
        }
        ASSERT_EQ(tree.Count(), static_cast<int32_t>(reference.size()));
        KeyNode probe(key);
        EXPECT_EQ(tree.Find(&probe) != nullptr, reference.count(key) == 1);
        if (step % 50 == 0) {
            CheckedHeight(tree.Root());
            ASSERT_EQ(InOrder(tree), std::vector<int>(reference.begin(), reference.end()));
        }
    }
    CheckedHeight(tree.Root());
}

TEST(GSIAVLTree, AscendingInsertsStayShallow) {
    Utils::GSIAVLTree tree;
    std::vector<std::unique_ptr<KeyNode>> nodes;
    for (int key = 0; key < 4096; ++key) {
        nodes.push_back(std::make_unique<KeyNode>(key));
        ASSERT_TRUE(tree.Insert(nodes.back().get()));
    }
    EXPECT_EQ(CheckedHeight(tree.Root()), 13);
    EXPECT_EQ(InOrder(tree).size(), 4096u);
}

}  // namespace
