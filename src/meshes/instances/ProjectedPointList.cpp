#include "meshes/instances/ProjectedPointList.h"

ProjectedPointList::~ProjectedPointList() {
    Block* block = m_first;
    for (uint32_t i = 0; i < m_blocks; ++i) {
        Block* next = block->next;
        delete block;
        block = next;
    }
}

void ProjectedPointList::Append(const Vek::Vector2& point) {
    Block* last = m_first ? m_first->previous : nullptr;
    if (!last || last->count == kBlockPoints) {
        auto* block = new Block;
        if (!m_first) {
            block->next = block->previous = block;
            m_first = block;
        } else {
            block->previous = last;
            block->next = m_first;
            last->next = block;
            m_first->previous = block;
        }
        ++m_blocks;
        last = block;
    }
    last->points[last->count++] = point;
    ++m_points;
}

Vek::Vector2 ProjectedPointList::GetPoint(uint32_t i) const {
    const Block* block = m_first;
    while (block && i >= block->count) {
        i -= block->count;
        block = block->next == m_first ? nullptr : block->next;
    }
    return block ? block->points[i] : Vek::Vector2{};
}
