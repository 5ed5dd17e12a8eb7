#pragma once
// Block rings and the counted array.
//
// DynamicArray<T,N> is one pointer to a circular, doubly linked ring of
// blocks, each with room for N items. Items of a block sit in its slots
// 0 .. count-1; a block is never empty (one that loses its last item is
// unlinked and freed at once), and items never move between blocks, so an
// item's address stays valid until the item is removed. FastDynamicArray<T,N>
// has the same layout and behaviour; it is meant for pointers and plain words.
//
// Every slot of a block holds a live T: a new block's slots are filled with
// the empty value (BlockRingEmptySlot<T>: a value-initialised T, which is the
// null pointer for pointers and the null KUID for KUIDs), and a slot that an
// item leaves is reset to it. So removed and cleared items are destroyed at
// once, and records holding counted references (interned strings) give them
// back on Remove, RemoveOrdered and Clear. T must be default-constructible and
// assignable.
//
// Array<T,N> is {count, capacity, items}: a contiguous array whose capacity
// grows in steps of N.
//
// Both allocate through Vek::Alloc. They have no failure results, so a failed
// allocation ends the process with a message. Neither is thread-safe.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "engine/Alloc.h"

namespace Vek {

// The value an unused slot of a block ring holds. Specialise it for a type
// whose default value is not its "nothing" value.
template <typename T>
struct BlockRingEmptySlot {
    static T Value() { return T(); }
};

namespace ContainerMemory {

[[noreturn]] inline void OutOfMemory(const char* what, std::size_t bytes) {
    std::fprintf(stderr, "Error: out of memory (%s of %zu bytes)\n", what, bytes);
    std::fflush(stderr);
    std::abort();
}

inline void* AllocateOrDie(const char* what, std::size_t bytes) {
    void* block = Alloc::New(bytes);
    if (!block) OutOfMemory(what, bytes);
    return block;
}

}  // namespace ContainerMemory

template <typename T, uint32_t N>
class DynamicArray {
    static_assert(N > 0, "a block holds at least one item");
    static_assert(alignof(T) <= alignof(std::max_align_t), "over-aligned items are not supported");

public:
    class Block {
    public:
        Block* Next() const { return m_next; }
        Block* Prev() const { return m_prev; }
        uint32_t Count() const { return m_count; }
        // Any of the N slots; those from Count() on hold the empty value.
        T& Slot(uint32_t i) {
            assert(i < N);
            return Items()[i];
        }
        const T& Slot(uint32_t i) const {
            assert(i < N);
            return Items()[i];
        }

    private:
        friend class DynamicArray;
        T* Items() { return std::launder(reinterpret_cast<T*>(m_storage)); }
        const T* Items() const { return std::launder(reinterpret_cast<const T*>(m_storage)); }

        Block* m_next;
        Block* m_prev;
        uint32_t m_count;
        alignas(T) unsigned char m_storage[sizeof(T) * N];
    };

    // {item (null = end), first block, current block}. Moving past either end
    // gives the null iterator. Adding items keeps iterators valid; removing
    // invalidates every iterator but the one Remove/RemoveOrdered returns.
    template <bool Const>
    class BasicIterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = std::conditional_t<Const, const T*, T*>;
        using reference = std::conditional_t<Const, const T&, T&>;

        BasicIterator() = default;
        // A mutable iterator converts to a read-only one.
        template <bool OtherConst>
            requires(Const && !OtherConst)
        BasicIterator(const BasicIterator<OtherConst>& other)
            : m_item(other.m_item), m_first(other.m_first), m_block(other.m_block) {}

        pointer Get() const { return m_item; }
        reference operator*() const { return *m_item; }
        pointer operator->() const { return m_item; }
        bool IsNull() const { return m_item == nullptr; }
        explicit operator bool() const { return m_item != nullptr; }

        // The block holding the item and the item's slot in it.
        const Block* GetBlock() const { return m_block; }
        uint32_t IndexInBlock() const {
            return m_item ? static_cast<uint32_t>(m_item - m_block->Items()) : 0;
        }

        BasicIterator& operator++() {
            if (!m_item) return *this;
            uint32_t next = IndexInBlock() + 1;
            if (next < m_block->m_count) {
                ++m_item;
            } else if (m_block->m_next == m_first) {
                SetNull();
            } else {
                m_block = m_block->m_next;
                m_item = m_block->Items();
            }
            return *this;
        }
        BasicIterator operator++(int) {
            BasicIterator before = *this;
            ++*this;
            return before;
        }

        // Moves n items across blocks; a negative n moves back.
        BasicIterator& operator+=(std::ptrdiff_t n) {
            if (!m_item || n == 0) return *this;
            if (n > 0)
                Forward(static_cast<std::size_t>(n));
            else
                Back(std::size_t(0) - static_cast<std::size_t>(n));
            return *this;
        }
        BasicIterator& operator-=(std::ptrdiff_t n) {
            if (!m_item || n == 0) return *this;
            if (n > 0)
                Back(static_cast<std::size_t>(n));
            else
                Forward(std::size_t(0) - static_cast<std::size_t>(n));
            return *this;
        }
        friend BasicIterator operator+(BasicIterator it, std::ptrdiff_t n) { return it += n; }

        friend bool operator==(const BasicIterator& a, const BasicIterator& b) { return a.m_item == b.m_item; }

    private:
        friend class DynamicArray;
        template <bool>
        friend class BasicIterator;

        BasicIterator(Block* first, Block* block, uint32_t index)
            : m_item(block->Items() + index), m_first(first), m_block(block) {}

        void SetNull() {
            m_item = nullptr;
            m_first = nullptr;
            m_block = nullptr;
        }
        void Forward(std::size_t n) {
            std::size_t index = IndexInBlock();
            while (n >= m_block->m_count - index) {
                n -= m_block->m_count - index;
                m_block = m_block->m_next;
                index = 0;
                if (m_block == m_first) {
                    SetNull();
                    return;
                }
            }
            m_item = m_block->Items() + index + n;
        }
        void Back(std::size_t n) {
            std::size_t index = IndexInBlock();
            while (n > index) {
                n -= index + 1;
                if (m_block == m_first) {
                    SetNull();
                    return;
                }
                m_block = m_block->m_prev;
                index = m_block->m_count - 1;
            }
            m_item = m_block->Items() + (index - n);
        }

        pointer m_item = nullptr;
        Block* m_first = nullptr;
        Block* m_block = nullptr;
    };

    using Iterator = BasicIterator<false>;
    using ConstIterator = BasicIterator<true>;

    DynamicArray() noexcept = default;
    // Copies block by block: the copy has the same blocks, counts and order.
    DynamicArray(const DynamicArray& other) { CopyFrom(other); }
    DynamicArray(DynamicArray&& other) noexcept : m_first(other.m_first) { other.m_first = nullptr; }
    DynamicArray& operator=(const DynamicArray& other) {
        if (this != &other) {
            DynamicArray copy(other);
            Swap(copy);
        }
        return *this;
    }
    DynamicArray& operator=(DynamicArray&& other) noexcept {
        if (this != &other) {
            Clear();
            m_first = other.m_first;
            other.m_first = nullptr;
        }
        return *this;
    }
    ~DynamicArray() { Clear(); }

    void Swap(DynamicArray& other) noexcept { std::swap(m_first, other.m_first); }

    // Appends at the end: into the last block, or a new block linked after it
    // when it is full (blocks in the middle with room are not refilled).
    // Returns the item's index inside its block.
    uint32_t Add(const T& item) { return AddAtEnd(item); }
    uint32_t Add(T&& item) { return AddAtEnd(std::move(item)); }

    // Stores the item in the first block with room, walking from the first
    // block; a new block is appended only when every block is full. Returns
    // the item's index inside its block.
    uint32_t AddToFirstFreeSlot(const T& item) { return AddFirstFree(item); }
    uint32_t AddToFirstFreeSlot(T&& item) { return AddFirstFree(std::move(item)); }

    // Adds an item that is neither the empty value nor already present.
    bool AddUniqueNonNull(const T& item) {
        if (item == BlockRingEmptySlot<T>::Value() || Find(item)) return false;
        Add(item);
        return true;
    }

    // The first item equal to `value`, or the null iterator.
    template <typename U>
    Iterator Find(const U& value) {
        for (Iterator it = Begin(); it; ++it)
            if (*it == value) return it;
        return Iterator();
    }
    template <typename U>
    ConstIterator Find(const U& value) const {
        return const_cast<DynamicArray*>(this)->Find(value);
    }

    // The item in slot `index` of `block`, a block of this array, for
    // callers that keep where their items are (Add returns the slot, in
    // the last block); Remove and RemoveOrdered check the slot.
    Iterator At(Block* block, uint32_t index) { return m_first ? Iterator(m_first, block, index) : Iterator(); }

    Iterator Begin() { return m_first ? Iterator(m_first, m_first, 0) : Iterator(); }
    ConstIterator Begin() const { return const_cast<DynamicArray*>(this)->Begin(); }
    Iterator begin() { return Begin(); }
    Iterator end() { return Iterator(); }
    ConstIterator begin() const { return Begin(); }
    ConstIterator end() const { return ConstIterator(); }

    // The address of item i in order, or null when there is none.
    T* operator[](std::size_t i) {
        if (i > static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max())) return nullptr;
        Iterator it = Begin();
        it += static_cast<std::ptrdiff_t>(i);
        return it.Get();
    }
    const T* operator[](std::size_t i) const { return (*const_cast<DynamicArray*>(this))[i]; }

    std::size_t Count() const {
        std::size_t total = 0;
        ForEachBlock([&](const Block* b) { total += b->m_count; });
        return total;
    }
    bool IsEmpty() const { return m_first == nullptr; }
    std::size_t BlockCount() const {
        std::size_t blocks = 0;
        ForEachBlock([&](const Block*) { ++blocks; });
        return blocks;
    }
    Block* FirstBlock() { return m_first; }
    const Block* FirstBlock() const { return m_first; }

    // Removes the item without keeping order: the block's last item moves
    // into the hole. Returns the position that now holds the next item to
    // visit: the same position when an item moved into it, else the first
    // item of the next block, else the null iterator. A null iterator, or one
    // that does not point at an item of this array, changes nothing.
    Iterator Remove(Iterator it) {
        uint32_t index;
        if (!Holds(it, index)) return it.m_item ? Iterator() : it;
        Block* block = it.m_block;
        if (block->m_count == 1) return FreeEmptiedBlock(block);
        T* items = block->Items();
        uint32_t last = block->m_count - 1;
        if (index != last) items[index] = std::move(items[last]);
        items[last] = BlockRingEmptySlot<T>::Value();
        block->m_count = last;
        if (index != last) return Iterator(m_first, block, index);
        return FirstOfNextBlock(block);
    }

    // Removes the item keeping order: the later items of its block move down
    // one slot. Returns the next item in order, or the null iterator.
    Iterator RemoveOrdered(Iterator it) {
        uint32_t index;
        if (!Holds(it, index)) return it.m_item ? Iterator() : it;
        Block* block = it.m_block;
        if (block->m_count == 1) return FreeEmptiedBlock(block);
        T* items = block->Items();
        uint32_t last = block->m_count - 1;
        for (uint32_t i = index; i < last; ++i) items[i] = std::move(items[i + 1]);
        items[last] = BlockRingEmptySlot<T>::Value();
        block->m_count = last;
        if (index < last) return Iterator(m_first, block, index);
        return FirstOfNextBlock(block);
    }

    // Destroys every item and frees every block. The array is detached
    // first, so an item's destructor that reaches this array finds it empty.
    void Clear() {
        Block* first = m_first;
        if (!first) return;
        m_first = nullptr;
        first->m_prev->m_next = nullptr;
        for (Block* b = first; b;) {
            Block* next = b->m_next;
            FreeBlock(b);
            b = next;
        }
    }

    // Pointer arrays: deletes every non-null pointed object, then frees the
    // blocks. Detached first, like Clear, so that a destructor that removes
    // its object from this array does no harm.
    void DeleteAll()
        requires std::is_pointer_v<T>
    {
        Block* first = m_first;
        if (!first) return;
        m_first = nullptr;
        first->m_prev->m_next = nullptr;
        for (Block* b = first; b;) {
            Block* next = b->m_next;
            for (uint32_t i = 0; i < b->m_count; ++i) {
                T object = b->Items()[i];
                b->Items()[i] = nullptr;
                delete object;
            }
            FreeBlock(b);
            b = next;
        }
    }

private:
    template <typename F>
    void ForEachBlock(F&& f) const {
        const Block* b = m_first;
        if (!b) return;
        do {
            f(b);
            b = b->m_next;
        } while (b != m_first);
    }

    // A new, unlinked block whose slots all hold the empty value.
    static Block* NewBlock() {
        void* memory = ContainerMemory::AllocateOrDie("block ring", sizeof(Block));
        Block* block = ::new (memory) Block;
        block->m_next = block->m_prev = block;
        block->m_count = 0;
        T* items = block->Items();
        uint32_t made = 0;
        try {
            for (; made < N; ++made) ::new (static_cast<void*>(items + made)) T(BlockRingEmptySlot<T>::Value());
        } catch (...) {
            std::destroy_n(items, made);
            Alloc::Delete(memory);
            throw;
        }
        return block;
    }

    static void FreeBlock(Block* block) {
        std::destroy_n(block->Items(), N);
        block->~Block();
        Alloc::Delete(block);
    }

    // Links `block` after the last block (before the first).
    void LinkAtEnd(Block* block) {
        if (!m_first) {
            block->m_next = block->m_prev = block;
            m_first = block;
            return;
        }
        Block* last = m_first->m_prev;
        block->m_prev = last;
        block->m_next = m_first;
        last->m_next = block;
        m_first->m_prev = block;
    }

    template <typename U>
    uint32_t AddAtEnd(U&& item) {
        if (m_first) {
            Block* last = m_first->m_prev;
            if (last->m_count < N) return StoreAt(last, std::forward<U>(item));
        }
        return AddInNewBlock(std::forward<U>(item));
    }

    template <typename U>
    uint32_t AddFirstFree(U&& item) {
        Block* b = m_first;
        if (b) {
            do {
                if (b->m_count < N) return StoreAt(b, std::forward<U>(item));
                b = b->m_next;
            } while (b != m_first);
        }
        return AddInNewBlock(std::forward<U>(item));
    }

    template <typename U>
    static uint32_t StoreAt(Block* block, U&& item) {
        uint32_t index = block->m_count;
        block->Items()[index] = std::forward<U>(item);
        block->m_count = index + 1;
        return index;
    }

    template <typename U>
    uint32_t AddInNewBlock(U&& item) {
        Block* block = NewBlock();
        try {
            StoreAt(block, std::forward<U>(item));
        } catch (...) {
            FreeBlock(block);
            throw;
        }
        LinkAtEnd(block);
        return 0;
    }

    // True when `it` points at an item of this array; gives its slot.
    bool Holds(const Iterator& it, uint32_t& index) const {
        if (!it.m_item || !m_first || it.m_first != m_first || !it.m_block) return false;
        const T* items = it.m_block->Items();
        if (it.m_item < items || it.m_item >= items + it.m_block->m_count) return false;
        index = static_cast<uint32_t>(it.m_item - items);
        return true;
    }

    Iterator FirstOfNextBlock(Block* block) {
        if (block == m_first->m_prev) return Iterator();
        return Iterator(m_first, block->m_next, 0);
    }

    // Unlinks and frees a block whose only item is being removed; returns
    // the first item of the block that followed it, or the null iterator
    // when it was the last block.
    Iterator FreeEmptiedBlock(Block* block) {
        block->m_count = 0;
        bool wasLast = block == m_first->m_prev;
        Block* next = block->m_next;
        if (next == block) {
            m_first = nullptr;
        } else {
            block->m_prev->m_next = next;
            next->m_prev = block->m_prev;
            if (m_first == block) m_first = next;
        }
        FreeBlock(block);
        if (!m_first || wasLast) return Iterator();
        return Iterator(m_first, next, 0);
    }

    void CopyFrom(const DynamicArray& other) {
        const Block* source = other.m_first;
        if (!source) return;
        try {
            do {
                Block* block = NewBlock();
                LinkAtEnd(block);
                for (uint32_t i = 0; i < source->m_count; ++i) StoreAt(block, source->Items()[i]);
                source = source->m_next;
            } while (source != other.m_first);
        } catch (...) {
            Clear();
            throw;
        }
    }

    Block* m_first = nullptr;
};

// The same ring, for pointers and plain words.
template <typename T, uint32_t N>
class FastDynamicArray : public DynamicArray<T, N> {
public:
    using DynamicArray<T, N>::DynamicArray;
};

template <typename T, uint32_t N>
class Array {
    static_assert(N > 0, "the growth step is at least one item");
    static_assert(alignof(T) <= alignof(std::max_align_t), "over-aligned items are not supported");

public:
    Array() noexcept = default;
    Array(const Array& other) {
        Reserve(other.m_count);
        for (int32_t i = 0; i < other.m_count; ++i) Add(other.m_items[i]);
    }
    Array(Array&& other) noexcept : m_count(other.m_count), m_capacity(other.m_capacity), m_items(other.m_items) {
        other.m_count = other.m_capacity = 0;
        other.m_items = nullptr;
    }
    Array& operator=(const Array& other) {
        if (this != &other) {
            Array copy(other);
            Swap(copy);
        }
        return *this;
    }
    Array& operator=(Array&& other) noexcept {
        if (this != &other) {
            Array taken(std::move(other));
            Swap(taken);
        }
        return *this;
    }
    ~Array() {
        Clear();
        Alloc::Delete(m_items);
    }

    void Swap(Array& other) noexcept {
        std::swap(m_count, other.m_count);
        std::swap(m_capacity, other.m_capacity);
        std::swap(m_items, other.m_items);
    }

    // Makes room for n items: above the capacity, the capacity becomes n
    // rounded up to a multiple of N and the items move to a new block.
    void Reserve(int32_t n) {
        if (n <= m_capacity) return;
        int64_t rounded = (static_cast<int64_t>(n) + N - 1) / N * N;
        if (rounded > std::numeric_limits<int32_t>::max()) rounded = (std::numeric_limits<int32_t>::max() / N) * N;
        if (rounded < n) ContainerMemory::OutOfMemory("counted array", static_cast<std::size_t>(n) * sizeof(T));
        std::size_t bytes = static_cast<std::size_t>(rounded) * sizeof(T);
        T* items = static_cast<T*>(ContainerMemory::AllocateOrDie("counted array", bytes));
        int32_t moved = 0;
        try {
            for (; moved < m_count; ++moved)
                ::new (static_cast<void*>(items + moved)) T(std::move_if_noexcept(m_items[moved]));
        } catch (...) {
            std::destroy_n(items, moved);
            Alloc::Delete(items);
            throw;
        }
        std::destroy_n(m_items, m_count);
        Alloc::Delete(m_items);
        m_items = items;
        m_capacity = static_cast<int32_t>(rounded);
    }

    // Appends; returns the item's index.
    int32_t Add(const T& item) {
        if (m_count == m_capacity) {
            T copy(item);  // `item` may live in this array's old block
            return Add(std::move(copy));
        }
        ::new (static_cast<void*>(m_items + m_count)) T(item);
        return m_count++;
    }
    int32_t Add(T&& item) {
        if (m_count == m_capacity) {
            if (m_count == std::numeric_limits<int32_t>::max()) ContainerMemory::OutOfMemory("counted array", 0);
            if (ContainsAddress(&item)) {
                T moved(std::move(item));
                Reserve(m_count + 1);
                ::new (static_cast<void*>(m_items + m_count)) T(std::move(moved));
                return m_count++;
            }
            Reserve(m_count + 1);
        }
        ::new (static_cast<void*>(m_items + m_count)) T(std::move(item));
        return m_count++;
    }

    // Grows (with value-initialised items) or shrinks to n items.
    void SetCount(int32_t n) {
        if (n < 0) n = 0;
        if (n < m_count) {
            std::destroy(m_items + n, m_items + m_count);
            m_count = n;
            return;
        }
        Reserve(n);
        for (; m_count < n; ++m_count) ::new (static_cast<void*>(m_items + m_count)) T();
    }

    // Destroys the items; the capacity stays.
    void Clear() {
        std::destroy_n(m_items, m_count);
        m_count = 0;
    }

    int32_t Count() const { return m_count; }
    int32_t Capacity() const { return m_capacity; }
    bool IsEmpty() const { return m_count == 0; }
    T* Data() { return m_items; }
    const T* Data() const { return m_items; }
    T& operator[](int32_t i) {
        assert(i >= 0 && i < m_count);
        return m_items[i];
    }
    const T& operator[](int32_t i) const {
        assert(i >= 0 && i < m_count);
        return m_items[i];
    }
    T* begin() { return m_items; }
    T* end() { return m_items + m_count; }
    const T* begin() const { return m_items; }
    const T* end() const { return m_items + m_count; }

private:
    bool ContainsAddress(const T* p) const {
        return m_items && std::less_equal<const T*>()(m_items, p) && std::less<const T*>()(p, m_items + m_count);
    }

    int32_t m_count = 0;
    int32_t m_capacity = 0;
    T* m_items = nullptr;
};

}  // namespace Vek
