#pragma once
// A chained block allocator: items of one size are handed out one after
// another from blocks of a fixed number of items. Items are never freed one
// by one; Clear frees every block. A chain that was cleared starts again
// with a new first block.
#include <cstddef>
#include <cstdint>

class VXMemoryChain {
public:
    VXMemoryChain(std::size_t itemsPerBlock, std::size_t itemSize);
    virtual ~VXMemoryChain();
    VXMemoryChain(const VXMemoryChain&) = delete;
    VXMemoryChain& operator=(const VXMemoryChain&) = delete;

    // Room for one item, aligned for any fundamental type.
    void* Allocate();
    void Clear();

    std::size_t BlockCount() const;

private:
    struct Block {
        Block* next;
        Block* previous;
        uint8_t* cursor;
        uint8_t* start;
        uint8_t* end;
    };
    void AddBlock();

    std::size_t m_blockSize;
    std::size_t m_itemSize;
    Block* m_first = nullptr;
    Block* m_current = nullptr;
};
