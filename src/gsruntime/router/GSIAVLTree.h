#pragma once
// Utils::GSIAVLTree: an intrusive AVL tree. Nodes derive from GSIAVLNode
// and order themselves through Compare (negative: this sorts before the
// other). The tree does not own its nodes. Each node keeps its balance:
// 0 the left subtree is one level higher, 1 balanced, 2 the right one is.
//
// The in-order iterator keeps an explicit stack of 32 entries, which bounds
// the tree at 32 levels; an AVL tree needs 9227464 nodes to reach 33, far
// more than any router holds.
#include <cstdint>

namespace Utils {

class GSIAVLNode {
public:
    GSIAVLNode() = default;
    virtual ~GSIAVLNode() = default;
    GSIAVLNode(const GSIAVLNode&) = delete;
    GSIAVLNode& operator=(const GSIAVLNode&) = delete;

    virtual int Compare(const GSIAVLNode* other) const = 0;

    uint8_t Balance() const { return m_balance; }
    GSIAVLNode* Left() const { return m_left; }
    GSIAVLNode* Right() const { return m_right; }

private:
    friend class GSIAVLTree;
    uint8_t m_balance = 1;
    GSIAVLNode* m_left = nullptr;
    GSIAVLNode* m_right = nullptr;
};

class GSIAVLTree {
public:
    static constexpr int kMaxDepth = 32;

    GSIAVLTree() = default;
    virtual ~GSIAVLTree() = default;
    GSIAVLTree(const GSIAVLTree&) = delete;
    GSIAVLTree& operator=(const GSIAVLTree&) = delete;

    // The node that compares equal to the probe, or null.
    GSIAVLNode* Find(const GSIAVLNode* probe) const;
    // Inserts a node; false (nothing inserted) when an equal one is there.
    bool Insert(GSIAVLNode* node);
    // Takes out the node equal to the probe; null when there is none.
    GSIAVLNode* Remove(const GSIAVLNode* probe);
    // Forgets every node (the nodes are not deleted).
    void Clear() {
        m_root = nullptr;
        m_count = 0;
    }

    int32_t Count() const { return m_count; }
    GSIAVLNode* Root() const { return m_root; }

    // In-order (ascending) iteration.
    class Iterator {
    public:
        explicit Iterator(const GSIAVLTree& tree) { PushLeft(tree.m_root); }
        // The next node, or null at the end.
        GSIAVLNode* Next();

    private:
        void PushLeft(GSIAVLNode* node);
        GSIAVLNode* m_stack[kMaxDepth] = {};
        int m_depth = 0;
    };

private:
    // Each returns the new subtree root; `changed` tells whether the
    // subtree's height changed.
    static GSIAVLNode* InsertAt(GSIAVLNode* root, GSIAVLNode* node, bool& changed, bool& inserted);
    static GSIAVLNode* RemoveAt(GSIAVLNode* root, const GSIAVLNode* probe, bool& changed, GSIAVLNode*& removed);
    static GSIAVLNode* RemoveMax(GSIAVLNode* root, bool& changed, GSIAVLNode*& taken);
    static GSIAVLNode* RemoveMin(GSIAVLNode* root, bool& changed, GSIAVLNode*& taken);
    // Rebalance after the left (resp. right) subtree grew; `changed` is
    // updated for the parent.
    static GSIAVLNode* LeftGrew(GSIAVLNode* root, bool& changed);
    static GSIAVLNode* RightGrew(GSIAVLNode* root, bool& changed);
    // Rebalance after the left (resp. right) subtree shrank.
    static GSIAVLNode* LeftShrank(GSIAVLNode* root, bool& changed);
    static GSIAVLNode* RightShrank(GSIAVLNode* root, bool& changed);
    static GSIAVLNode* RotateLeft(GSIAVLNode* root);
    static void SetLean(GSIAVLNode* node, int lean);
    static GSIAVLNode* RotateRight(GSIAVLNode* root);

    GSIAVLNode* m_root = nullptr;
    int32_t m_count = 0;
};

}  // namespace Utils
