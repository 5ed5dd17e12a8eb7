#include "foundation/containers/DoubleLinkList.h"

#include "engine/Alloc.h"

namespace Utils {

DoubleLinkList::DoubleLinkList() : m_sentinel{nullptr, &m_sentinel, &m_sentinel}, m_cursor(&m_sentinel) {}

DoubleLinkList::~DoubleLinkList() { Clear(); }

bool DoubleLinkList::AddTail(void* data) {
    Node* node = static_cast<Node*>(Vek::Alloc::New(sizeof(Node)));
    if (!node) return false;
    node->data = data;
    node->next = &m_sentinel;
    node->previous = m_sentinel.previous;
    m_sentinel.previous->next = node;
    m_sentinel.previous = node;
    m_count += 1;
    return true;
}

DoubleLinkList::Node* DoubleLinkList::Remove(Node* node) {
    if (!node || node == &m_sentinel) return &m_sentinel;
    Node* next = node->next;
    if (m_cursor == node) m_cursor = next;
    node->previous->next = next;
    next->previous = node->previous;
    Vek::Alloc::Delete(node);
    m_count -= 1;
    return next;
}

void DoubleLinkList::Clear() {
    Node* node = m_sentinel.next;
    while (node != &m_sentinel) {
        Node* next = node->next;
        Vek::Alloc::Delete(node);
        node = next;
    }
    m_sentinel.next = &m_sentinel;
    m_sentinel.previous = &m_sentinel;
    m_cursor = &m_sentinel;
    m_count = 0;
}

}  // namespace Utils
