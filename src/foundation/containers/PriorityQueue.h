#pragma once
// Utils::PriorityQueue<T>: a binary min-heap of T pointers in slots
// 1 .. Count(); slot 0 stays null and ends every upward walk. The queue does
// not own its elements. The key of an element comes from Key::Get(const T&),
// by default the element's GetPriorityKey(); keys compare with < only.
#include <cstdint>

#include "foundation/containers/Array.h"

namespace Utils {

template <class T>
struct PriorityQueueKey {
    static auto Get(const T& item) { return item.GetPriorityKey(); }
};

template <class T, class Key = PriorityQueueKey<T>>
class PriorityQueue {
public:
    PriorityQueue() = default;
    virtual ~PriorityQueue() = default;
    PriorityQueue(const PriorityQueue&) = delete;
    PriorityQueue& operator=(const PriorityQueue&) = delete;

    int32_t Count() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }
    // The element in slot i (1 .. Count()); slot 1 holds the smallest key.
    T* At(int32_t i) const { return m_slots[i]; }
    T* Top() const { return m_count > 0 ? m_slots[1] : nullptr; }

    // Adds an element; false when the slots cannot grow.
    bool Push(T* item) {
        if (!item || !m_slots.Reserve(m_count + 1)) return false;
        m_count += 1;
        m_slots[m_count] = item;
        SiftUp(m_count);
        return true;
    }

    // Takes the element with the smallest key; null when empty.
    T* Pop() { return RemoveAt(1); }

    // Takes the element in slot i: the last element moves into the slot and
    // is sifted down, or up when it sorts before its new parent, so the heap
    // order holds afterwards. An element from a lower slot may therefore land
    // in slot i: a walk from the last slot to the first that removes entries
    // must look at slot i again after a removal. Null for a slot out of range.
    T* RemoveAt(int32_t i) {
        if (i < 1 || i > m_count) return nullptr;
        T* removed = m_slots[i];
        m_slots[i] = m_slots[m_count];
        m_slots[m_count] = nullptr;
        m_count -= 1;
        if (i <= m_count) {
            SiftDown(i);
            SiftUp(i);
        }
        return removed;
    }

    // Moves the element in slot i up while its parent's key is greater; an
    // equal key stops it, and so does the null slot 0 at the root.
    void SiftUp(int32_t i) {
        T* moving = m_slots[i];
        const auto key = Key::Get(*moving);
        while (i > 1 && key < Key::Get(*m_slots[i / 2])) {
            m_slots[i] = m_slots[i / 2];
            i /= 2;
        }
        m_slots[i] = moving;
    }

    // Moves the element in slot i down: at each step the smaller child is
    // taken (the left one on a tie); the walk stops when the element's key is
    // below the child's, else the child moves up.
    void SiftDown(int32_t i) {
        T* moving = m_slots[i];
        const auto key = Key::Get(*moving);
        while (i <= m_count / 2) {
            int32_t child = 2 * i;
            if (child < m_count && Key::Get(*m_slots[child + 1]) < Key::Get(*m_slots[child])) child += 1;
            if (key < Key::Get(*m_slots[child])) break;
            m_slots[i] = m_slots[child];
            i = child;
        }
        m_slots[i] = moving;
    }

private:
    Array<T*, 32> m_slots;
    int32_t m_count = 0;
};

}  // namespace Utils
