#include "foundation/containers/IDoubleLinkList.h"

namespace Utils {

IDoubleLinkList::IDoubleLinkList() : m_cursor(&m_sentinel) {
    m_sentinel.m_next = &m_sentinel;
    m_sentinel.m_previous = &m_sentinel;
}

IDoubleLinkList::~IDoubleLinkList() { RemoveAll(); }

bool IDoubleLinkList::InsertBefore(IDoubleLinkListNode* before, IDoubleLinkListNode* node) {
    if (!node || !before || node->IsLinked() || node == &m_sentinel || !before->IsLinked()) return false;
    node->m_next = before;
    node->m_previous = before->m_previous;
    before->m_previous->m_next = node;
    before->m_previous = node;
    m_count += 1;
    return true;
}

bool IDoubleLinkList::AddHead(IDoubleLinkListNode* node) { return InsertBefore(m_sentinel.m_next, node); }

bool IDoubleLinkList::AddTail(IDoubleLinkListNode* node) { return InsertBefore(&m_sentinel, node); }

bool IDoubleLinkList::Remove(IDoubleLinkListNode* node) {
    if (!node || node == &m_sentinel || !node->IsLinked()) return false;
    if (m_cursor == node) m_cursor = node->m_next;
    node->m_previous->m_next = node->m_next;
    node->m_next->m_previous = node->m_previous;
    node->m_next = nullptr;
    node->m_previous = nullptr;
    m_count -= 1;
    return true;
}

void IDoubleLinkList::RemoveAll() {
    IDoubleLinkListNode* node = m_sentinel.m_next;
    while (node && node != &m_sentinel) {
        IDoubleLinkListNode* next = node->m_next;
        node->m_next = nullptr;
        node->m_previous = nullptr;
        node = next;
    }
    m_sentinel.m_next = &m_sentinel;
    m_sentinel.m_previous = &m_sentinel;
    m_cursor = &m_sentinel;
    m_count = 0;
}

}  // namespace Utils
