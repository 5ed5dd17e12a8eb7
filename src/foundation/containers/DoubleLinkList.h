#pragma once
// Utils::DoubleLinkList: a doubly linked list of pointers with nodes of its
// own, around a sentinel. The list owns its nodes, never the data they point
// at. Nodes come from the engine allocator.
#include <cstdint>

namespace Utils {

class DoubleLinkList {
public:
    struct Node {
        void* data;
        Node* previous;
        Node* next;
    };

    DoubleLinkList();
    virtual ~DoubleLinkList();
    DoubleLinkList(const DoubleLinkList&) = delete;
    DoubleLinkList& operator=(const DoubleLinkList&) = delete;

    // Appends a node for `data` after the last one; false when out of memory.
    bool AddTail(void* data);
    // Unlinks and frees a node of this list (the data stays); returns the
    // node that followed it (End() after the last).
    Node* Remove(Node* node);
    // Frees every node, keeping the data; the list becomes empty.
    void Clear();

    // The first node; End() when the list is empty.
    Node* Begin() { return m_sentinel.next; }
    const Node* Begin() const { return m_sentinel.next; }
    Node* End() { return &m_sentinel; }
    const Node* End() const { return &m_sentinel; }
    int32_t Count() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }

    Node* Cursor() const { return m_cursor; }
    void SetCursor(Node* node) { m_cursor = node ? node : &m_sentinel; }

private:
    int32_t m_count = 0;
    Node m_sentinel;
    Node* m_cursor;
};

}  // namespace Utils
