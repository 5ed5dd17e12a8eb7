#pragma once
// The growable array of the collision structures' working lists: data,
// count, capacity and growth step. Growing past the capacity makes room for
// the larger of the new count and capacity + step; a step of 0 grows by an
// eighth of the count, clamped to 4 .. 1024. New elements are
// value-initialised (zero for plain records); shrinking lowers the count and
// destroys the elements past it.
#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>

template <typename T>
class VXArray {
public:
    VXArray() = default;
    explicit VXArray(int32_t step) : m_step(step) {}
    ~VXArray() { Free(); }
    VXArray(const VXArray&) = delete;
    VXArray& operator=(const VXArray&) = delete;

    int32_t Count() const { return m_count; }
    int32_t Capacity() const { return m_capacity; }
    int32_t Step() const { return m_step; }
    bool Empty() const { return m_count == 0; }
    T* Data() { return m_data; }
    const T* Data() const { return m_data; }
    T& operator[](int32_t i) { return m_data[i]; }
    const T& operator[](int32_t i) const { return m_data[i]; }
    T* begin() { return m_data; }
    T* end() { return m_data + m_count; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_count; }

    // The capacity that a count of `n` past the current capacity gets.
    int32_t GrownCapacity(int32_t n) const {
        int32_t step = m_step;
        if (step == 0) step = std::clamp(m_count / 8, 4, 1024);
        return std::max(n, m_capacity + step);
    }

    // A step of 0 or more replaces the stored step; -1 keeps it.
    void SetCount(int32_t step, int32_t n) {
        if (step >= 0) m_step = step;
        if (n < 0) n = 0;
        if (n > m_capacity) Reallocate(GrownCapacity(n));
        for (int32_t i = m_count; i < n; ++i) new (m_data + i) T();
        for (int32_t i = n; i < m_count; ++i) m_data[i].~T();
        m_count = n;
    }
    void SetCount(int32_t n) { SetCount(-1, n); }

    T& Append(const T& element) {
        if (m_count == m_capacity) Reallocate(GrownCapacity(m_count + 1));
        T* slot = new (m_data + m_count) T(element);
        ++m_count;
        return *slot;
    }
    void AppendAll(const VXArray& other) {
        if (m_count + other.m_count > m_capacity) Reallocate(GrownCapacity(m_count + other.m_count));
        for (const T& element : other) new (m_data + m_count++) T(element);
    }
    // Removes element `index`, moving the later ones down.
    void RemoveAt(int32_t index) {
        if (index < 0 || index >= m_count) return;
        for (int32_t i = index; i + 1 < m_count; ++i) m_data[i] = std::move(m_data[i + 1]);
        m_data[--m_count].~T();
    }
    // Makes the capacity exactly the count (frees the block when empty).
    void Compact() {
        if (m_count == 0)
            Free();
        else if (m_capacity != m_count)
            Reallocate(m_count);
    }
    // Destroys every element and frees the block.
    void Clear() { Free(); }

private:
    void Reallocate(int32_t capacity) {
        T* data = static_cast<T*>(::operator new(sizeof(T) * std::size_t(capacity), std::align_val_t(alignof(T))));
        for (int32_t i = 0; i < m_count; ++i) {
            new (data + i) T(std::move(m_data[i]));
            m_data[i].~T();
        }
        if (m_data) ::operator delete(m_data, std::align_val_t(alignof(T)));
        m_data = data;
        m_capacity = capacity;
    }
    void Free() {
        for (int32_t i = 0; i < m_count; ++i) m_data[i].~T();
        if (m_data) ::operator delete(m_data, std::align_val_t(alignof(T)));
        m_data = nullptr;
        m_count = 0;
        m_capacity = 0;
    }

    T* m_data = nullptr;
    int32_t m_count = 0;
    int32_t m_capacity = 0;
    int32_t m_step = 1;
};
