#include "engine/PStringNodeArena.h"

#include <cstdlib>

namespace Vek {

PStringNodeArena::~PStringNodeArena() {
    for (void* block : m_blocks) std::free(block);
}

void* PStringNodeArena::Allocate(std::size_t size) {
    const std::size_t index = (size + kStep - 1) / kStep - 1;
    if (size == 0 || index >= kClasses) return std::malloc(size);
    SizeClass& sizeClass = m_classes[index];
    if (FreePiece* piece = sizeClass.free) {
        sizeClass.free = piece->next;
        return piece;
    }
    const std::size_t pieceSize = (index + 1) * kStep;
    if (static_cast<std::size_t>(sizeClass.end - sizeClass.next) < pieceSize) {
        m_blocks.reserve(m_blocks.size() + 1);
        char* block = static_cast<char*>(std::aligned_alloc(kStep, kBlockSize));
        if (!block) return nullptr;
        m_blocks.push_back(block);
        sizeClass.next = block;
        sizeClass.end = block + kBlockSize;
    }
    void* piece = sizeClass.next;
    sizeClass.next += pieceSize;
    return piece;
}

void PStringNodeArena::Free(void* piece, std::size_t size) {
    if (!piece) return;
    const std::size_t index = (size + kStep - 1) / kStep - 1;
    if (size == 0 || index >= kClasses) return std::free(piece);
    auto* freed = static_cast<FreePiece*>(piece);
    freed->next = m_classes[index].free;
    m_classes[index].free = freed;
}

}  // namespace Vek
