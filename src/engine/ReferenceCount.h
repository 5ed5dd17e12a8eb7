#pragma once
// Intrusive reference counts of engine objects. A new object starts with one
// reference, its creator's; the object deletes itself when the last one goes.
#include <atomic>
#include <cstdint>

namespace Vek {

class ReferenceCount {
public:
    ReferenceCount() = default;
    ReferenceCount(const ReferenceCount&) = delete;
    ReferenceCount& operator=(const ReferenceCount&) = delete;

    void AddReference() const noexcept { m_count.fetch_add(1, std::memory_order_relaxed); }
    // Drops one reference; deletes the object at zero. Returns the new count.
    int32_t ReleaseReference() const noexcept {
        int32_t left = m_count.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }
    int32_t GetReferenceCount() const noexcept { return m_count.load(std::memory_order_acquire); }

protected:
    virtual ~ReferenceCount() = default;

private:
    mutable std::atomic<int32_t> m_count{1};
};

// Owns one reference to an object carrying a ReferenceCount (as an ordinary
// or a virtual base). Taking a raw pointer adopts the reference it carries.
template <typename T>
class AutoReference {
public:
    AutoReference() = default;
    explicit AutoReference(T* adopted) noexcept : m_ptr(adopted) {}
    AutoReference(const AutoReference& other) noexcept : m_ptr(other.m_ptr) {
        if (m_ptr) m_ptr->AddReference();
    }
    AutoReference(AutoReference&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }
    ~AutoReference() { Release(); }

    AutoReference& operator=(const AutoReference& other) noexcept {
        if (other.m_ptr) other.m_ptr->AddReference();
        Release();
        m_ptr = other.m_ptr;
        return *this;
    }
    AutoReference& operator=(AutoReference&& other) noexcept {
        if (this != &other) {
            Release();
            m_ptr = other.m_ptr;
            other.m_ptr = nullptr;
        }
        return *this;
    }
    // Adopts the reference `adopted` carries.
    void Reset(T* adopted = nullptr) noexcept {
        Release();
        m_ptr = adopted;
    }
    // Takes a new reference to `shared`.
    void Share(T* shared) noexcept {
        if (shared) shared->AddReference();
        Release();
        m_ptr = shared;
    }
    void Release() noexcept {
        if (m_ptr) {
            T* p = m_ptr;
            m_ptr = nullptr;
            p->ReleaseReference();
        }
    }
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

}  // namespace Vek
