#pragma once
// Utils::Queue<T,N>: a first-in first-out ring of T that grows by a growth
// step when it is full (N is the default step). Items are moved with memcpy,
// so T must be trivially copyable. Memory comes from the engine allocator.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "engine/Alloc.h"

namespace Utils {

template <class T, int N>
class Queue {
    static_assert(std::is_trivially_copyable_v<T>, "Utils::Queue moves its items with memcpy");

public:
    explicit Queue(int32_t growthStep = N) : m_growthStep(growthStep > 0 ? growthStep : 1) {}
    virtual ~Queue() {
        Vek::Alloc::Delete(m_items);
        m_items = nullptr;
        m_capacity = m_growthStep = m_count = m_readIndex = m_writeIndex = 0;
    }
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    // Appends an item, growing first when the queue is full; false when the
    // queue cannot grow.
    bool Push(const T& item) {
        if (m_count == m_capacity && !Grow()) return false;
        m_items[m_writeIndex] = item;
        m_writeIndex += 1;
        if (m_writeIndex == m_capacity) m_writeIndex = 0;
        m_count += 1;
        return true;
    }

    // Takes the oldest item; false when the queue is empty.
    bool Pop(T& item) {
        if (m_count == 0) return false;
        item = m_items[m_readIndex];
        m_readIndex += 1;
        if (m_readIndex == m_capacity) m_readIndex = 0;
        m_count -= 1;
        return true;
    }

    // The i-th item counted from the oldest (0 <= i < Count()).
    T& At(int32_t i) { return m_items[(m_readIndex + i) % m_capacity]; }
    const T& At(int32_t i) const { return m_items[(m_readIndex + i) % m_capacity]; }

    // A new array of capacity + growth step items with the items laid out
    // from index 0 in queue order; false (nothing changed) when out of memory.
    bool Grow() {
        const int64_t capacity = static_cast<int64_t>(m_capacity) + m_growthStep;
        if (capacity > INT32_MAX) return false;
        T* items = static_cast<T*>(Vek::Alloc::New(sizeof(T) * static_cast<std::size_t>(capacity)));
        if (!items) return false;
        for (int32_t i = 0; i < m_count; ++i) items[i] = At(i);
        Vek::Alloc::Delete(m_items);
        m_items = items;
        m_capacity = static_cast<int32_t>(capacity);
        m_readIndex = 0;
        m_writeIndex = m_count == m_capacity ? 0 : m_count;
        return true;
    }

    int32_t Count() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }
    int32_t Capacity() const { return m_capacity; }
    int32_t GrowthStep() const { return m_growthStep; }
    int32_t ReadIndex() const { return m_readIndex; }
    int32_t WriteIndex() const { return m_writeIndex; }
    // The raw slots, for callers that look at the layout.
    const T* Items() const { return m_items; }

private:
    T* m_items = nullptr;
    int32_t m_capacity = 0;
    int32_t m_growthStep = 0;
    int32_t m_count = 0;
    int32_t m_readIndex = 0;
    int32_t m_writeIndex = 0;
};

}  // namespace Utils
