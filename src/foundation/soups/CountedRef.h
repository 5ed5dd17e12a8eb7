#pragma once
// A counted pointer to an object with AddReference / ReleaseReference
// (ReferenceCountMP and its derivatives). It adds a reference when copied
// and releases it when destroyed or overwritten; assignment references the
// new object before it releases the old one, so assigning a pointer to
// itself, or to an object that only the old one kept alive, is safe.
//
// A raw pointer never converts silently: Adopt takes over the reference the
// pointer carries (a new object's creation reference), Share adds one.
#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

template <typename T>
class CountedRef {
public:
    CountedRef() noexcept = default;
    CountedRef(std::nullptr_t) noexcept {}

    CountedRef(const CountedRef& other) noexcept : m_ptr(other.m_ptr) {
        if (m_ptr) m_ptr->AddReference();
    }
    CountedRef(CountedRef&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }

    template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    CountedRef(const CountedRef<U>& other) noexcept : m_ptr(other.Get()) {
        if (m_ptr) m_ptr->AddReference();
    }
    template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    CountedRef(CountedRef<U>&& other) noexcept : m_ptr(other.Detach()) {}

    ~CountedRef() { Release(); }

    CountedRef& operator=(const CountedRef& other) noexcept {
        T* incoming = other.m_ptr;
        if (incoming) incoming->AddReference();
        T* old = m_ptr;
        m_ptr = incoming;
        if (old) old->ReleaseReference();
        return *this;
    }
    CountedRef& operator=(CountedRef&& other) noexcept {
        if (this != &other) {
            T* old = m_ptr;
            m_ptr = other.m_ptr;
            other.m_ptr = nullptr;
            if (old) old->ReleaseReference();
        }
        return *this;
    }
    CountedRef& operator=(std::nullptr_t) noexcept {
        Release();
        return *this;
    }

    // Takes over the reference that `adopted` carries (null gives null).
    static CountedRef Adopt(T* adopted) noexcept {
        CountedRef ref;
        ref.m_ptr = adopted;
        return ref;
    }
    // Adds a reference to `shared` (null gives null).
    static CountedRef Share(T* shared) noexcept {
        CountedRef ref;
        ref.m_ptr = shared;
        if (shared) shared->AddReference();
        return ref;
    }

    // Drops the reference; the pointer becomes null.
    void Release() noexcept {
        if (T* old = m_ptr) {
            m_ptr = nullptr;
            old->ReleaseReference();
        }
    }
    // Gives up the reference without releasing it; the caller owns it now.
    T* Detach() noexcept {
        T* p = m_ptr;
        m_ptr = nullptr;
        return p;
    }

    T* Get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    T& operator*() const noexcept { return *m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }

private:
    T* m_ptr = nullptr;
};

template <typename T, typename U>
bool operator==(const CountedRef<T>& a, const CountedRef<U>& b) noexcept {
    return a.Get() == b.Get();
}
template <typename T, typename U>
bool operator==(const CountedRef<T>& a, const U* b) noexcept {
    return a.Get() == b;
}
template <typename T>
bool operator==(const CountedRef<T>& a, std::nullptr_t) noexcept {
    return a.Get() == nullptr;
}

// Creates a T and adopts its creation reference; null when memory runs out.
template <typename T, typename... Args>
CountedRef<T> MakeCounted(Args&&... args) {
    return CountedRef<T>::Adopt(new (std::nothrow) T(std::forward<Args>(args)...));
}
