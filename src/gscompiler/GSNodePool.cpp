#include "gscompiler/GSNodePool.h"

#include <new>

#include "engine/Alloc.h"

struct GSNodePool::Block {
    Block* next;
    GSCNode nodes[kNodesPerBlock];
};

void GSNodePool::Enter(Block* block) {
    m_current = block;
    m_blockStart = block ? block->nodes : nullptr;
    m_next = m_blockStart;
    m_end = block ? block->nodes + kNodesPerBlock : nullptr;
}

GSCNode* GSNodePool::AllocFromNextBlock() {
    Block* block = m_current ? m_current->next : m_first;
    if (!block) {
        void* memory = Vek::Alloc::New(sizeof(Block));
        if (!memory) return nullptr;
        block = static_cast<Block*>(memory);
        block->next = nullptr;
        if (m_current)
            m_current->next = block;
        else
            m_first = block;
        ++m_blockCount;
    }
    if (m_current) m_inUse += kNodesPerBlock;
    Enter(block);
    return m_next++;
}

void GSNodePool::Reset() {
    m_inUse = 0;
    Enter(nullptr);
}

void GSNodePool::Release() {
    for (Block* block = m_first; block;) {
        Block* next = block->next;
        Vek::Alloc::Delete(block);
        block = next;
    }
    m_first = nullptr;
    m_blockCount = 0;
    Reset();
}
