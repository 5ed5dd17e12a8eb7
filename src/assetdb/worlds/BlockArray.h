#pragma once
// BlockArray<T>: a sparse array of T in blocks of 1024 slots. Slot i lives in
// block i >> 10 at position i & 1023. The block table grows to exactly the
// block count needed when a slot beyond it is touched (new entries null); a
// block is allocated, zero-filled, on first touch. Reading a slot of a block
// that was never touched gives the zero value without allocating anything.
// Memory comes from the engine allocator. T must be trivially copyable.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "engine/Alloc.h"

template <class T>
class BlockArray {
    static_assert(std::is_trivially_copyable_v<T>, "BlockArray zero-fills and copies its slots raw");

public:
    static constexpr uint32_t kBlockShift = 10;
    static constexpr uint32_t kBlockSlots = 1u << kBlockShift;

    BlockArray() = default;
    ~BlockArray() { ClearBlocks(); }
    BlockArray(const BlockArray&) = delete;
    BlockArray& operator=(const BlockArray&) = delete;

    // The slot's value; zero when its block was never touched.
    T GetSlot(uint32_t i) const {
        const uint32_t b = i >> kBlockShift;
        if (b >= m_blockCount || !m_blocks[b]) return T();
        return m_blocks[b][i & (kBlockSlots - 1)];
    }

    // The slot, allocating its block (and growing the table) when needed;
    // null when memory runs out.
    T* TouchSlot(uint32_t i) {
        const uint32_t b = i >> kBlockShift;
        if (b >= m_blockCount) {
            T** table = static_cast<T**>(Vek::Alloc::New(sizeof(T*) * (static_cast<std::size_t>(b) + 1)));
            if (!table) return nullptr;
            for (uint32_t k = 0; k <= b; ++k) table[k] = k < m_blockCount ? m_blocks[k] : nullptr;
            Vek::Alloc::Delete(m_blocks);
            m_blocks = table;
            m_blockCount = b + 1;
        }
        if (!m_blocks[b]) {
            T* block = static_cast<T*>(Vek::Alloc::New(sizeof(T) * kBlockSlots));
            if (!block) return nullptr;
            std::memset(static_cast<void*>(block), 0, sizeof(T) * kBlockSlots);
            m_blocks[b] = block;
        }
        return &m_blocks[b][i & (kBlockSlots - 1)];
    }

    // Block b of the table (null when absent or never touched).
    T* GetBlock(uint32_t b) const { return b < m_blockCount ? m_blocks[b] : nullptr; }
    uint32_t BlockCount() const { return m_blockCount; }

    // Frees every block and the table.
    void ClearBlocks() {
        for (uint32_t b = 0; b < m_blockCount; ++b) Vek::Alloc::Delete(m_blocks[b]);
        Vek::Alloc::Delete(m_blocks);
        m_blocks = nullptr;
        m_blockCount = 0;
    }

private:
    T** m_blocks = nullptr;
    uint32_t m_blockCount = 0;
};
