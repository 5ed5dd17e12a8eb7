#pragma once
// The reference count shared by soup chunks, byte blocks and binary soup
// files. The count changes atomically, so objects may be shared between
// threads and released on any of them.
//
// A new object starts with count 1: the reference of its creator. The first
// CountedRef that takes it over adopts that reference (CountedRef::Adopt or
// MakeCounted); every further holder adds one (CountedRef::Share, copies).
// Releasing the last reference calls DeleteThis, which destroys the object.
#include <atomic>
#include <cstdint>

class ReferenceCountMP {
public:
    ReferenceCountMP() = default;
    ReferenceCountMP(const ReferenceCountMP&) = delete;
    ReferenceCountMP& operator=(const ReferenceCountMP&) = delete;

    void AddReference() const noexcept { m_count.fetch_add(1, std::memory_order_relaxed); }

    // Drops one reference and destroys the object when none is left.
    // Returns the count left.
    int32_t ReleaseReference() const noexcept {
        int32_t left = m_count.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) DeleteThis();
        return left;
    }

    int32_t GetReferenceCount() const noexcept { return m_count.load(std::memory_order_acquire); }

protected:
    virtual ~ReferenceCountMP() = default;
    // Destroys and frees the object; called once, when the count reaches 0.
    virtual void DeleteThis() const noexcept { delete this; }

private:
    mutable std::atomic<int32_t> m_count{1};
};
