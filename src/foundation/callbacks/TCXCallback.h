#pragma once
// Callback objects: a small copyable handle (TCXCallback) to a shared,
// reference-counted callable body (TCXCallbackBase). The caller, the
// dispatcher's queue and the thread that finally runs the call can each
// hold a handle; the body is destroyed when the last handle lets go.
//
// A call passes one argument and returns a 32-bit integer. The argument is
// pointer-sized, because the dispatcher passes its call context (which may
// be an object's address) as the argument.
#include <cstddef>
#include <cstdint>

#include "engine/Sync.h"

using CallArgument = intptr_t;

// The shared body. A new body has no references; each handle adds one.
class TCXCallbackBase {
public:
    TCXCallbackBase() = default;
    virtual ~TCXCallbackBase() = default;
    TCXCallbackBase(const TCXCallbackBase&) = delete;
    TCXCallbackBase& operator=(const TCXCallbackBase&) = delete;

    // The bound call; the base has nothing bound and returns -1.
    virtual int32_t Invoke(CallArgument argument);

    void AddReference();
    // Drops one reference and returns the count left, read under the same
    // lock as the decrement.
    int32_t DropReference();
    int32_t ReferenceCount();

    // Bodies come from the engine allocator; a failed allocation gives null
    // (the factories then return null).
    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* block) noexcept;

private:
    Vek::CriticalSection m_lock;
    int32_t m_references = 0;
};

// The handle. An empty handle (no body) is not valid and its Call gives -1.
class TCXCallback {
public:
    TCXCallback() = default;
    // Takes one reference of `body` (null gives an empty handle).
    explicit TCXCallback(TCXCallbackBase* body);
    TCXCallback(const TCXCallback& other);
    TCXCallback(TCXCallback&& other) noexcept : m_body(other.m_body) { other.m_body = nullptr; }
    // Adds the new reference before it drops the old one, so assigning a
    // handle to itself is safe.
    TCXCallback& operator=(const TCXCallback& other);
    TCXCallback& operator=(TCXCallback&& other) noexcept;
    ~TCXCallback() { Release(); }

    bool IsValid() const { return m_body != nullptr; }
    int32_t Call(CallArgument argument) const { return m_body ? m_body->Invoke(argument) : -1; }
    TCXCallbackBase* Body() const { return m_body; }

    // Drops this handle's reference (the body is deleted at the last one)
    // and leaves the handle empty.
    void Release();

private:
    TCXCallbackBase* m_body = nullptr;
};
