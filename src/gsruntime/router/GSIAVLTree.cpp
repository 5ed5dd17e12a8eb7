#include "gsruntime/router/GSIAVLTree.h"

namespace Utils {

namespace {

// Balances as -1 (left higher), 0, +1 (right higher).
int Lean(const GSIAVLNode* node) { return static_cast<int>(node->Balance()) - 1; }

}  // namespace

void GSIAVLTree::SetLean(GSIAVLNode* node, int lean) { node->m_balance = static_cast<uint8_t>(lean + 1); }

GSIAVLNode* GSIAVLTree::Find(const GSIAVLNode* probe) const {
    GSIAVLNode* node = m_root;
    while (node) {
        const int order = node->Compare(probe);
        if (order == 0) return node;
        node = order < 0 ? node->m_right : node->m_left;
    }
    return nullptr;
}

bool GSIAVLTree::Insert(GSIAVLNode* node) {
    if (!node) return false;
    node->m_balance = 1;
    node->m_left = nullptr;
    node->m_right = nullptr;
    bool changed = false;
    bool inserted = false;
    m_root = InsertAt(m_root, node, changed, inserted);
    if (inserted) m_count += 1;
    return inserted;
}

GSIAVLNode* GSIAVLTree::Remove(const GSIAVLNode* probe) {
    if (!probe) return nullptr;
    bool changed = false;
    GSIAVLNode* removed = nullptr;
    m_root = RemoveAt(m_root, probe, changed, removed);
    if (removed) {
        m_count -= 1;
        removed->m_left = nullptr;
        removed->m_right = nullptr;
        removed->m_balance = 1;
    }
    return removed;
}

GSIAVLNode* GSIAVLTree::RotateLeft(GSIAVLNode* root) {
    GSIAVLNode* right = root->m_right;
    root->m_right = right->m_left;
    right->m_left = root;
    return right;
}

GSIAVLNode* GSIAVLTree::RotateRight(GSIAVLNode* root) {
    GSIAVLNode* left = root->m_left;
    root->m_left = left->m_right;
    left->m_right = root;
    return left;
}

GSIAVLNode* GSIAVLTree::InsertAt(GSIAVLNode* root, GSIAVLNode* node, bool& changed, bool& inserted) {
    if (!root) {
        changed = true;
        inserted = true;
        return node;
    }
    const int order = node->Compare(root);
    if (order == 0) {
        changed = false;
        inserted = false;
        return root;
    }
    if (order < 0) {
        root->m_left = InsertAt(root->m_left, node, changed, inserted);
        return changed ? LeftGrew(root, changed) : root;
    }
    root->m_right = InsertAt(root->m_right, node, changed, inserted);
    return changed ? RightGrew(root, changed) : root;
}

GSIAVLNode* GSIAVLTree::LeftGrew(GSIAVLNode* root, bool& changed) {
    const int lean = Lean(root);
    if (lean > 0) {
        SetLean(root, 0);
        changed = false;
        return root;
    }
    if (lean == 0) {
        SetLean(root, -1);
        changed = true;
        return root;
    }
    changed = false;
    GSIAVLNode* left = root->m_left;
    if (Lean(left) < 0) {
        GSIAVLNode* top = RotateRight(root);
        SetLean(root, 0);
        SetLean(left, 0);
        return top;
    }
    GSIAVLNode* middle = left->m_right;
    const int middleLean = Lean(middle);
    root->m_left = RotateLeft(left);
    GSIAVLNode* top = RotateRight(root);
    SetLean(left, middleLean > 0 ? -1 : 0);
    SetLean(root, middleLean < 0 ? 1 : 0);
    SetLean(middle, 0);
    return top;
}

GSIAVLNode* GSIAVLTree::RightGrew(GSIAVLNode* root, bool& changed) {
    const int lean = Lean(root);
    if (lean < 0) {
        SetLean(root, 0);
        changed = false;
        return root;
    }
    if (lean == 0) {
        SetLean(root, 1);
        changed = true;
        return root;
    }
    changed = false;
    GSIAVLNode* right = root->m_right;
    if (Lean(right) > 0) {
        GSIAVLNode* top = RotateLeft(root);
        SetLean(root, 0);
        SetLean(right, 0);
        return top;
    }
    GSIAVLNode* middle = right->m_left;
    const int middleLean = Lean(middle);
    root->m_right = RotateRight(right);
    GSIAVLNode* top = RotateLeft(root);
    SetLean(right, middleLean < 0 ? 1 : 0);
    SetLean(root, middleLean > 0 ? -1 : 0);
    SetLean(middle, 0);
    return top;
}

GSIAVLNode* GSIAVLTree::LeftShrank(GSIAVLNode* root, bool& changed) {
    const int lean = Lean(root);
    if (lean < 0) {
        SetLean(root, 0);
        changed = true;
        return root;
    }
    if (lean == 0) {
        SetLean(root, 1);
        changed = false;
        return root;
    }
    GSIAVLNode* right = root->m_right;
    const int rightLean = Lean(right);
    if (rightLean >= 0) {
        GSIAVLNode* top = RotateLeft(root);
        if (rightLean == 0) {
            // A balanced child: one rotation, and the height stays.
            SetLean(root, 1);
            SetLean(right, -1);
            changed = false;
        } else {
            SetLean(root, 0);
            SetLean(right, 0);
            changed = true;
        }
        return top;
    }
    GSIAVLNode* middle = right->m_left;
    const int middleLean = Lean(middle);
    root->m_right = RotateRight(right);
    GSIAVLNode* top = RotateLeft(root);
    SetLean(root, middleLean > 0 ? -1 : 0);
    SetLean(right, middleLean < 0 ? 1 : 0);
    SetLean(middle, 0);
    changed = true;
    return top;
}

GSIAVLNode* GSIAVLTree::RightShrank(GSIAVLNode* root, bool& changed) {
    const int lean = Lean(root);
    if (lean > 0) {
        SetLean(root, 0);
        changed = true;
        return root;
    }
    if (lean == 0) {
        SetLean(root, -1);
        changed = false;
        return root;
    }
    GSIAVLNode* left = root->m_left;
    const int leftLean = Lean(left);
    if (leftLean <= 0) {
        GSIAVLNode* top = RotateRight(root);
        if (leftLean == 0) {
            SetLean(root, -1);
            SetLean(left, 1);
            changed = false;
        } else {
            SetLean(root, 0);
            SetLean(left, 0);
            changed = true;
        }
        return top;
    }
    GSIAVLNode* middle = left->m_right;
    const int middleLean = Lean(middle);
    root->m_left = RotateLeft(left);
    GSIAVLNode* top = RotateRight(root);
    SetLean(root, middleLean < 0 ? 1 : 0);
    SetLean(left, middleLean > 0 ? -1 : 0);
    SetLean(middle, 0);
    changed = true;
    return top;
}

GSIAVLNode* GSIAVLTree::RemoveMax(GSIAVLNode* root, bool& changed, GSIAVLNode*& taken) {
    if (!root->m_right) {
        taken = root;
        changed = true;
        return root->m_left;
    }
    root->m_right = RemoveMax(root->m_right, changed, taken);
    return changed ? RightShrank(root, changed) : root;
}

GSIAVLNode* GSIAVLTree::RemoveMin(GSIAVLNode* root, bool& changed, GSIAVLNode*& taken) {
    if (!root->m_left) {
        taken = root;
        changed = true;
        return root->m_right;
    }
    root->m_left = RemoveMin(root->m_left, changed, taken);
    return changed ? LeftShrank(root, changed) : root;
}

GSIAVLNode* GSIAVLTree::RemoveAt(GSIAVLNode* root, const GSIAVLNode* probe, bool& changed, GSIAVLNode*& removed) {
    if (!root) {
        changed = false;
        return nullptr;
    }
    const int order = root->Compare(probe);
    if (order > 0) {
        root->m_left = RemoveAt(root->m_left, probe, changed, removed);
        return changed ? LeftShrank(root, changed) : root;
    }
    if (order < 0) {
        root->m_right = RemoveAt(root->m_right, probe, changed, removed);
        return changed ? RightShrank(root, changed) : root;
    }
    removed = root;
    GSIAVLNode* replacement = nullptr;
    if (root->m_left) {
        GSIAVLNode* left = RemoveMax(root->m_left, changed, replacement);
        replacement->m_left = left;
        replacement->m_right = root->m_right;
        replacement->m_balance = root->m_balance;
        return changed ? LeftShrank(replacement, changed) : replacement;
    }
    if (root->m_right) {
        GSIAVLNode* right = RemoveMin(root->m_right, changed, replacement);
        replacement->m_left = nullptr;
        replacement->m_right = right;
        replacement->m_balance = root->m_balance;
        return changed ? RightShrank(replacement, changed) : replacement;
    }
    changed = true;
    return nullptr;
}

void GSIAVLTree::Iterator::PushLeft(GSIAVLNode* node) {
    for (; node && m_depth < kMaxDepth; node = node->m_left) m_stack[m_depth++] = node;
}

GSIAVLNode* GSIAVLTree::Iterator::Next() {
    if (m_depth == 0) return nullptr;
    GSIAVLNode* node = m_stack[--m_depth];
    PushLeft(node->m_right);
    return node;
}

}  // namespace Utils
