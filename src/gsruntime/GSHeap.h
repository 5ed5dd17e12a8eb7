#pragma once
// GSHeap: a named heap of the script runtime that counts its live blocks, so
// that tests and diagnostics can see what a library load, a failed load or
// a shutdown leaves behind. "#GSMachine" holds every loaded library and
// every table the loader allocates for it. Blocks come from the engine
// allocator (aligned for any type). The counters are atomic; the heap itself
// needs no lock.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace GSRuntime {

class GSHeap {
public:
    explicit GSHeap(const char* name) : m_name(name) {}
    GSHeap(const GSHeap&) = delete;
    GSHeap& operator=(const GSHeap&) = delete;

    // A block of `size` bytes, or null when memory runs out.
    void* Alloc(std::size_t size) noexcept;
    // Frees a block of this heap; null is ignored.
    void Free(void* block) noexcept;

    const char* Name() const { return m_name; }
    // Blocks allocated and not yet freed.
    int64_t LiveBlocks() const { return m_liveBlocks.load(std::memory_order_relaxed); }

private:
    const char* m_name;
    std::atomic<int64_t> m_liveBlocks{0};
};

// The "#GSMachine" heap: libraries, their classes, functions and tables, the
// registry entries.
GSHeap& GSMachineHeap();

// Arrays of `count` value-initialised T on a heap; null for 0 elements or
// when memory runs out. Delete them with the same count.
template <class T>
T* GSHeapNewArray(GSHeap& heap, std::size_t count) {
    if (count == 0 || count > SIZE_MAX / sizeof(T)) return nullptr;
    T* array = static_cast<T*>(heap.Alloc(sizeof(T) * count));
    if (!array) return nullptr;
    for (std::size_t i = 0; i < count; ++i) new (&array[i]) T();
    return array;
}

template <class T>
void GSHeapDeleteArray(GSHeap& heap, T* array, std::size_t count) {
    if (!array) return;
    for (std::size_t i = count; i-- > 0;) array[i].~T();
    heap.Free(array);
}

// One object on a heap; null when memory runs out.
template <class T, class... Args>
T* GSHeapNew(GSHeap& heap, Args&&... args) {
    void* block = heap.Alloc(sizeof(T));
    return block ? new (block) T(std::forward<Args>(args)...) : nullptr;
}

template <class T>
void GSHeapDelete(GSHeap& heap, T* object) {
    if (!object) return;
    object->~T();
    heap.Free(object);
}

}  // namespace GSRuntime
