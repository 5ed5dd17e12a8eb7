#pragma once
// Safe pointers: non-owning pointers that their target nulls when it goes
// away or when it is withdrawn from use (SafePointerTarget::NullSafePointers).
//
// A target keeps every safe pointer that points at it in a ring; a safe
// pointer joins the ring when it is set and leaves it when it is reset,
// destroyed or nulled by the target. One process-wide lock guards every
// ring, so a pointer and its target may live on different threads; reading
// the pointer itself is not synchronised with its nulling, so a holder that
// shares a pointer between threads orders those uses itself.
#include <cstddef>

class SafePointerLink {
public:
    SafePointerLink() = default;
    SafePointerLink(const SafePointerLink&) = delete;
    SafePointerLink& operator=(const SafePointerLink&) = delete;

protected:
    friend class SafePointerRing;
    SafePointerLink* m_next = nullptr;
    SafePointerLink* m_prev = nullptr;
};

// The ring of one target, with the pointer count; the pointer side is
// SafePointerBase. Both are untyped; the templates below add the types.
class SafePointerBase;

class SafePointerRing : public SafePointerLink {
public:
    SafePointerRing();
    ~SafePointerRing();
    // Every safe pointer of the ring becomes null and leaves it.
    void NullAll();
    std::size_t Count() const;

private:
    friend class SafePointerBase;
    void Join(SafePointerBase* pointer);
    static void Leave(SafePointerBase* pointer);
    std::size_t m_count = 0;
};

class SafePointerBase : public SafePointerLink {
public:
    SafePointerBase() = default;
    ~SafePointerBase() { Reset(); }

protected:
    // Leaves the current ring (if any), then joins `ring` and points at
    // `target` (both null: points at nothing).
    void Point(SafePointerRing* ring, void* target);
    void Reset() { Point(nullptr, nullptr); }
    void* RawTarget() const { return m_target; }

private:
    friend class SafePointerRing;
    SafePointerRing* m_ring = nullptr;
    void* m_target = nullptr;
};

template <typename T>
class SafePointer;

// Base of an object that safe pointers may point at. Copies of a target
// start with no pointers of their own.
template <typename T>
class SafePointerTarget {
public:
    SafePointerTarget() = default;
    SafePointerTarget(const SafePointerTarget&) {}
    SafePointerTarget& operator=(const SafePointerTarget&) { return *this; }
    ~SafePointerTarget() = default;  // the ring nulls what is left

    void NullSafePointers() { m_safePointers.NullAll(); }
    std::size_t SafePointerCount() const { return m_safePointers.Count(); }

private:
    friend class SafePointer<T>;
    SafePointerRing m_safePointers;
};

template <typename T>
class SafePointer : private SafePointerBase {
public:
    SafePointer() = default;
    explicit SafePointer(T* target) { Set(target); }
    SafePointer(const SafePointer& other) : SafePointerBase() { Set(other.Get()); }
    SafePointer& operator=(const SafePointer& other) {
        if (this != &other) Set(other.Get());
        return *this;
    }
    SafePointer& operator=(T* target) {
        Set(target);
        return *this;
    }

    void Set(T* target) {
        if (!target) {
            Reset();
            return;
        }
        SafePointerTarget<T>& base = *target;
        Point(&base.m_safePointers, target);
    }
    void Clear() { Reset(); }
    T* Get() const { return static_cast<T*>(RawTarget()); }
    T* operator->() const { return Get(); }
    explicit operator bool() const { return Get() != nullptr; }
};
