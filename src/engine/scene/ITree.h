#pragma once
// An intrusive tree: each node knows its parent, its first and last child
// and its siblings. A node is in at most one tree; adding it to a parent
// unlinks it from the one it was in. Walking is iterative, so deep trees
// do not use up the stack.
#include <cstdint>

namespace Vek {

template <typename T>
class ITree {
public:
    ITree() = default;
    ITree(const ITree&) = delete;
    ITree& operator=(const ITree&) = delete;
    // A node leaves its parent's list when it goes; its own children are its
    // owner's concern (see Particle).
    ~ITree() { Unlink(); }

    T* GetParent() const { return m_parent; }
    T* GetFirstChild() const { return m_firstChild; }
    T* GetLastChild() const { return m_lastChild; }
    T* GetNextSibling() const { return m_next; }
    T* GetPreviousSibling() const { return m_previous; }

    uint32_t GetChildCount() const {
        uint32_t n = 0;
        for (T* c = m_firstChild; c; c = c->ITree<T>::m_next) ++n;
        return n;
    }

    // True when this node is `node` or one of its ancestors.
    bool IsAncestorOf(const T* node) const {
        for (const T* n = node; n; n = n->ITree<T>::m_parent)
            if (n == Self()) return true;
        return false;
    }

    // Appends `child` as the last child. Refused (false) for null, for this
    // node itself and for one of its ancestors, which would make a cycle.
    bool AddChild(T* child) {
        if (!child) return false;
        ITree<T>* c = child;
        // A node without children can be an ancestor only of itself; the
        // walk up the tree is needed only for a node with a subtree.
        if (c == this || (c->m_firstChild && c->IsAncestorOf(Self()))) return false;
        c->Unlink();
        c->m_parent = Self();
        c->m_previous = m_lastChild;
        if (m_lastChild)
            m_lastChild->ITree<T>::m_next = child;
        else
            m_firstChild = child;
        m_lastChild = child;
        return true;
    }

    // Takes this node out of its parent's list; its subtree stays with it.
    void Unlink() {
        if (!m_parent) return;
        ITree<T>* parent = m_parent;
        if (m_previous)
            m_previous->ITree<T>::m_next = m_next;
        else
            parent->m_firstChild = m_next;
        if (m_next)
            m_next->ITree<T>::m_previous = m_previous;
        else
            parent->m_lastChild = m_previous;
        m_parent = m_previous = m_next = nullptr;
    }

    // The node after `node` in a pre-order walk of the subtree of this node
    // (this node first), or null at the end.
    T* NextInSubtree(const T* node) const {
        const ITree<T>* n = node;
        if (n->m_firstChild) return n->m_firstChild;
        while (n && n != this) {
            if (n->m_next) return n->m_next;
            n = n->m_parent;
        }
        return nullptr;
    }

private:
    T* Self() { return static_cast<T*>(this); }
    const T* Self() const { return static_cast<const T*>(this); }

    T* m_parent = nullptr;
    T* m_firstChild = nullptr;
    T* m_lastChild = nullptr;
    T* m_next = nullptr;
    T* m_previous = nullptr;
};

}  // namespace Vek
