#pragma once
// A counted array of counted references, shared by whoever takes it and
// copied by the holder that wants to change it (copy-on-write): the mesh
// definitions and their instances share chunk and material arrays this way.
// Making an array private builds a new block holding new references to the
// same items and drops the holder's share of the old one; the items
// themselves are not copied.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/ReferenceCount.h"

namespace Vek {

template <typename T>
class AutoReferenceArray {
public:
    using Items = std::vector<AutoReference<T>>;

    AutoReferenceArray() = default;

    // A new block with a reference to each item of `items`.
    void Take(const Items& items) { m_block = std::make_shared<Items>(items); }
    // Shares `other`'s block (none when it has none).
    void Share(const AutoReferenceArray& other) { m_block = other.m_block; }
    void Clear() { m_block.reset(); }

    bool HasBlock() const { return m_block != nullptr; }
    // True when another holder shares the block.
    bool IsShared() const { return m_block && m_block.use_count() > 1; }
    // Gives this holder a block of its own (nothing without a block).
    void MakePrivate() {
        if (IsShared()) m_block = std::make_shared<Items>(*m_block);
    }

    uint32_t Size() const { return m_block ? static_cast<uint32_t>(m_block->size()) : 0u; }
    T* Get(uint32_t i) const { return m_block && i < m_block->size() ? (*m_block)[i].Get() : nullptr; }
    // Writes go to a block of this holder's own: callers make it private first.
    void Set(uint32_t i, AutoReference<T> item) {
        if (m_block && i < m_block->size()) (*m_block)[i] = std::move(item);
    }
    // A new private block of the old items followed by `item`.
    void Append(AutoReference<T> item) {
        auto block = m_block ? std::make_shared<Items>(*m_block) : std::make_shared<Items>();
        block->push_back(std::move(item));
        m_block = std::move(block);
    }
    const Items* GetItems() const { return m_block.get(); }

private:
    std::shared_ptr<Items> m_block;
};

}  // namespace Vek
