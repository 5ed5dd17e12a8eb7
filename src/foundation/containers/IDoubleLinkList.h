#pragma once
// Utils::IDoubleLinkList: an intrusive doubly linked list of
// Utils::IDoubleLinkListNode objects around a sentinel node. The sentinel's
// next is the first node and its previous the last; an empty list has both
// pointing at the sentinel. The list never owns or deletes its nodes.
#include <cstdint>

namespace Utils {

class IDoubleLinkList;

class IDoubleLinkListNode {
public:
    IDoubleLinkListNode() = default;
    virtual ~IDoubleLinkListNode() = default;
    IDoubleLinkListNode(const IDoubleLinkListNode&) = delete;
    IDoubleLinkListNode& operator=(const IDoubleLinkListNode&) = delete;

    IDoubleLinkListNode* Next() const { return m_next; }
    IDoubleLinkListNode* Previous() const { return m_previous; }
    // True while the node is linked into a list.
    bool IsLinked() const { return m_next != nullptr; }

private:
    friend class IDoubleLinkList;
    IDoubleLinkListNode* m_next = nullptr;
    IDoubleLinkListNode* m_previous = nullptr;
};

class IDoubleLinkList {
public:
    IDoubleLinkList();
    virtual ~IDoubleLinkList();
    IDoubleLinkList(const IDoubleLinkList&) = delete;
    IDoubleLinkList& operator=(const IDoubleLinkList&) = delete;

    // The first node; the sentinel (End()) when the list is empty.
    IDoubleLinkListNode* Begin() { return m_sentinel.m_next; }
    IDoubleLinkListNode* Last() { return m_sentinel.m_previous; }
    IDoubleLinkListNode* End() { return &m_sentinel; }
    int32_t Count() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }

    // Link a node that is in no list; false (nothing changed) for a null or
    // linked node.
    bool AddHead(IDoubleLinkListNode* node);
    bool AddTail(IDoubleLinkListNode* node);
    // Links `node` in front of `before`, which must be in this list (or be
    // End(), which appends).
    bool InsertBefore(IDoubleLinkListNode* before, IDoubleLinkListNode* node);
    // Unlinks a node of this list (its links become null); the caller
    // guarantees that the node is in this list. False for an unlinked node.
    bool Remove(IDoubleLinkListNode* node);
    // Unlinks every node without deleting it: each node's links become null,
    // the count 0, the sentinel and cursor self-linked.
    void RemoveAll();

    // A position kept for the list's user (the sentinel when unset).
    IDoubleLinkListNode* Cursor() const { return m_cursor; }
    void SetCursor(IDoubleLinkListNode* node) { m_cursor = node ? node : &m_sentinel; }

private:
    int32_t m_count = 0;
    IDoubleLinkListNode m_sentinel;
    IDoubleLinkListNode* m_cursor;
};

}  // namespace Utils
