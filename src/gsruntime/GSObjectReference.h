#pragma once
// GSObjectReference: the native object behind everything a script can hold
// a reference to: a GSObject (or a native class derived from it) holding
// the data of a script class instance, a GSString or a GSArray. Each has a
// script instance header (GSScriptInstance) that counts the references to
// it and names this object as its owner.
//
// Every such object lives on the script-object heap ("#GSContext"): `new`
// takes its memory from there (null when the heap is full) and `delete`
// gives it back.
#include <cstddef>
#include <cstdint>

#include "gsruntime/GSDataReference.h"

namespace GSRuntime {

enum : uint32_t {
    kGSRefArray = 1,
    kGSRefString = 2,
    kGSRefObject = 3,
    kGSRefGameObject = 4,
};

class GSObjectReference {
public:
    virtual ~GSObjectReference() = default;
    GSObjectReference(const GSObjectReference&) = delete;
    GSObjectReference& operator=(const GSObjectReference&) = delete;

    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* block) noexcept;

    // The data reference of the value's instance (its own view); 0 while a
    // GSObject is unbound.
    virtual GSDataRef GetReference() const = 0;

    // Called when the last reference of the value's instance goes. A value
    // that must outlive that moment (a game object registered with a router,
    // which marks itself destroy-pending and is deleted by its router later)
    // returns true; any other value returns false and is deleted at once.
    virtual bool DeferDestruction() { return false; }

    // 1 array, 2 string, 3 object, 4 game object.
    uint32_t GetType() const { return m_type; }

protected:
    explicit GSObjectReference(uint32_t type) : m_type(type) {}

private:
    uint32_t m_type;
};

}  // namespace GSRuntime
