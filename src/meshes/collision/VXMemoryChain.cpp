#include "meshes/collision/VXMemoryChain.h"

#include <new>

namespace {
constexpr std::size_t kAlign = alignof(std::max_align_t);
std::size_t RoundUp(std::size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }
}  // namespace

VXMemoryChain::VXMemoryChain(std::size_t itemsPerBlock, std::size_t itemSize)
    : m_blockSize((itemsPerBlock ? itemsPerBlock : 1) * RoundUp(itemSize ? itemSize : 1)),
      m_itemSize(RoundUp(itemSize ? itemSize : 1)) {}

VXMemoryChain::~VXMemoryChain() { Clear(); }

void VXMemoryChain::AddBlock() {
    // The block record and its data area in one allocation.
    const std::size_t head = RoundUp(sizeof(Block));
    uint8_t* raw = static_cast<uint8_t*>(::operator new(head + m_blockSize));
    Block* block = new (raw) Block{nullptr, m_current, raw + head, raw + head, raw + head + m_blockSize};
    if (m_current) {
        block->next = m_current->next;
        if (m_current->next) m_current->next->previous = block;
        m_current->next = block;
    } else {
        m_first = block;
    }
    m_current = block;
}

void* VXMemoryChain::Allocate() {
    if (!m_first) AddBlock();
    if (m_current->cursor + m_itemSize > m_current->end) {
        if (m_current->next) {
            m_current = m_current->next;
            m_current->cursor = m_current->start;
        } else {
            AddBlock();
        }
    }
    void* item = m_current->cursor;
    m_current->cursor += m_itemSize;
    return item;
}

void VXMemoryChain::Clear() {
    for (Block* block = m_first; block;) {
        Block* next = block->next;
        block->~Block();
        ::operator delete(static_cast<void*>(block));
        block = next;
    }
    m_first = m_current = nullptr;
}

std::size_t VXMemoryChain::BlockCount() const {
    std::size_t n = 0;
    for (Block* block = m_first; block; block = block->next) ++n;
    return n;
}
