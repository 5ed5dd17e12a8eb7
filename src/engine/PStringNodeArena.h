#pragma once
// The memory of interned-string nodes: blocks carved into pieces of a few
// size classes (16-byte steps), handed out in order and reused through one
// free list per class. Nodes made one after another lie side by side, so
// that reading a configuration whose names were interned together walks
// memory in order instead of visiting one scattered allocation per name;
// blocks are kept until the arena goes. Pieces too large for a class come
// from malloc. Not locked: the string cache calls it under its own lock.
#include <cstddef>
#include <vector>

namespace Vek {

class PStringNodeArena {
public:
    PStringNodeArena() = default;
    ~PStringNodeArena();
    PStringNodeArena(const PStringNodeArena&) = delete;
    PStringNodeArena& operator=(const PStringNodeArena&) = delete;

    // At least `size` bytes, 16-byte aligned; null when memory runs out.
    void* Allocate(std::size_t size);
    // Gives back a piece that Allocate returned for the same size.
    void Free(void* piece, std::size_t size);

private:
    static constexpr std::size_t kStep = 16;
    static constexpr std::size_t kClasses = 16;  // pieces up to 256 bytes
    static constexpr std::size_t kBlockSize = 64 * 1024;

    struct FreePiece {
        FreePiece* next;
    };
    struct SizeClass {
        FreePiece* free = nullptr;
        char* next = nullptr;  // the unused rest of the class's current block
        char* end = nullptr;
    };

    SizeClass m_classes[kClasses];
    std::vector<void*> m_blocks;
};

}  // namespace Vek
