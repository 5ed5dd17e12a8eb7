#pragma once
// Utils::Array<T,N>: a block of T that grows geometrically, its capacity a
// multiple of N. The array keeps only its capacity and items; how many
// items are in use is the owner's business. New slots are zero-filled. Items are moved with memcpy, so T must
// be trivially copyable. Memory comes from the engine allocator.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "engine/Alloc.h"

namespace Utils {

template <class T, int N>
class Array {
    static_assert(N > 0, "Utils::Array needs a positive growth step");
    static_assert(std::is_trivially_copyable_v<T>, "Utils::Array moves its items with memcpy");

public:
    Array() = default;
    virtual ~Array() { Vek::Alloc::Delete(m_items); }
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;

    // Makes room for index n: when n is at least the capacity, the capacity
    // becomes the larger of (n / N + 1) x N and twice the old capacity, and
    // the old slots are copied to a new block. Growing by a fixed step
    // copied the whole block once per step, quadratic in the items added
    // (the router's queue of delayed messages is as long as a script makes
    // it); doubling copies each item a constant number of times on average.
    // False (nothing changed) when the block cannot be allocated.
    bool Reserve(int32_t n) {
        if (n < m_capacity) return true;
        if (n < 0) return false;
        const int64_t stepped = (static_cast<int64_t>(n) / N + 1) * N;
        int64_t capacity = std::max<int64_t>(stepped, 2 * static_cast<int64_t>(m_capacity));
        if (capacity > INT32_MAX) capacity = stepped;
        if (capacity > INT32_MAX) return false;
        T* items = static_cast<T*>(Vek::Alloc::New(sizeof(T) * static_cast<std::size_t>(capacity)));
        if (!items) return false;
        std::memset(static_cast<void*>(items), 0, sizeof(T) * static_cast<std::size_t>(capacity));
        if (m_items) std::memcpy(static_cast<void*>(items), m_items, sizeof(T) * static_cast<std::size_t>(m_capacity));
        Vek::Alloc::Delete(m_items);
        m_items = items;
        m_capacity = static_cast<int32_t>(capacity);
        return true;
    }

    int32_t Capacity() const { return m_capacity; }
    T* Data() { return m_items; }
    const T* Data() const { return m_items; }
    T& operator[](int32_t i) { return m_items[i]; }
    const T& operator[](int32_t i) const { return m_items[i]; }

private:
    int32_t m_capacity = 0;
    T* m_items = nullptr;
};

}  // namespace Utils
