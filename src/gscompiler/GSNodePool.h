#pragma once
// GSNodePool: where a compile unit's parse-tree nodes come from. Nodes are
// handed out in order from blocks of kNodesPerBlock and are never given
// back one by one: the tree of a class lives until the class has been
// checked and generated, and then the whole pool is emptied at once. An
// emptied pool keeps its blocks and hands them out again, so a source of
// many classes allocates only the blocks its largest class needs.
// Blocks come from the engine allocator. Not thread-safe.
#include <cstdint>

#include "gscompiler/GSCNode.h"

class GSNodePool {
public:
    static constexpr int32_t kNodesPerBlock = 256;

    GSNodePool() = default;
    ~GSNodePool() { Release(); }
    GSNodePool(const GSNodePool&) = delete;
    GSNodePool& operator=(const GSNodePool&) = delete;

    // Room for one node (its bytes as the last user left them), or null
    // when no block can be allocated.
    GSCNode* Alloc() {
        if (m_next != m_end) return m_next++;
        return AllocFromNextBlock();
    }
    // Every node is free again; the blocks stay for reuse.
    void Reset();
    // Frees every block.
    void Release();

    // The nodes handed out since the last Reset or Release.
    int32_t NodesInUse() const { return m_inUse + int32_t(m_next - m_blockStart); }
    int32_t BlockCount() const { return m_blockCount; }

private:
    struct Block;
    GSCNode* AllocFromNextBlock();
    void Enter(Block* block);

    Block* m_first = nullptr;    // the blocks in allocation order
    Block* m_current = nullptr;  // the block nodes come from now
    GSCNode* m_blockStart = nullptr;
    GSCNode* m_next = nullptr;   // the next free node of the current block
    GSCNode* m_end = nullptr;
    int32_t m_inUse = 0;         // nodes of the blocks before the current one
    int32_t m_blockCount = 0;
};
