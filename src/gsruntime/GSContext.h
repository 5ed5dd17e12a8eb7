#pragma once
// GSContext: the world in which script objects live. Every object made in
// a context is tracked by its registry and destroyed with it; a static
// class has one instance per context, kept in the context's per-library
// tables; and the context's router (when it has one) carries the messages
// between its game objects. Contexts in which scripts run need a router:
// CallScriptFunction refuses a context without one.
//
// The share flag decides whether references to this context's objects may
// be stored into objects of other contexts (GSScriptInstance::Accepts).
// Objects of no context take references of any context, and the script
// threads of other contexts' game objects may hold them in their frames.
// So that nothing outside keeps a reference to an object the teardown
// destroys, the teardown first cuts those references: members and elements
// of objects of no context and of other contexts, and the `me` and
// reference locals of their threads' frames.
//
// Routers are made and destroyed by the message router's code, through the
// factory installed with SetRouterFactory; a context asked for a router
// while no factory is installed has none.
//
// Contexts are allocated with the engine allocator. No lock: a context, its
// objects and its router belong to one thread of control.
#include <cstddef>
#include <cstdint>

#include "engine/AnsiString.h"
#include "gsruntime/GSDataReference.h"
#include "gsruntime/GSLibraryIdTable.h"
#include "gsruntime/GSMessageObject.h"
#include "gsruntime/GSTrackedObjectRegistry.h"

namespace GSRuntime {

class GSClass;
class GSLibrary;
class GSObject;
class GSObjectReference;
class GSRouter;
class GSScriptMemoryAccount;

// What a script "Message" object is built from (BuildMessageObject).
struct GSMessageParts {
    // The type names (copied into new strings); null or empty: a null member.
    const char* major = nullptr;
    const char* minor = nullptr;
    GSObjectReference* source = nullptr;       // the source game object, or none
    GSObjectReference* destination = nullptr;  // the destination game object, or none
    // The parameter object (a locked soup object), whose creation count is
    // handed over; 0 for a message without parameter.
    GSDataRef parameter = 0;
};

class GSContext {
public:
    // The per-library data of a context: one static-object slot per class
    // of the library, by class index, null until used.
    class GSLibraryContext {
    public:
        explicit GSLibraryContext(GSLibrary* library);
        // Releases the instance of every static object, last slot first,
        // then frees the slots.
        virtual ~GSLibraryContext();
        GSLibraryContext(const GSLibraryContext&) = delete;
        GSLibraryContext& operator=(const GSLibraryContext&) = delete;

        static void* operator new(std::size_t size) noexcept;
        static void operator delete(void* block) noexcept;

        int32_t SlotCount() const { return m_slotCount; }
        GSObject*& Slot(uint32_t classIndex) { return m_slots[classIndex]; }
        GSLibrary* Library() const { return m_library; }

    private:
        int32_t m_slotCount = 0;
        GSObject** m_slots = nullptr;
        GSLibrary* m_library = nullptr;
    };

    // Makes and destroys routers. `destroy` shuts the router down
    // (GSRouter::Done) and deletes it.
    struct RouterFactory {
        GSRouter* (*create)(GSContext* context) = nullptr;
        void (*destroy)(GSRouter* router) = nullptr;
    };
    static void SetRouterFactory(const RouterFactory& factory);

    // Per-library table buckets.
    static constexpr uint32_t kLibraryBuckets = 31;

    // An empty context, entered in the context registry; with a router when
    // `withRouter` (and a router factory is installed).
    GSContext(bool withRouter, bool shared);
    // Tears the context down, in this order: the pooled message objects,
    // the static objects (with the
    // per-library tables), the router, the registry entry, the per-library
    // table itself, then every object still tracked (references to them
    // held outside the context are cut before they are destroyed).
    virtual ~GSContext();
    GSContext(const GSContext&) = delete;
    GSContext& operator=(const GSContext&) = delete;

    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* block) noexcept;

    GSRouter* GetRouter() const { return m_router; }
    bool IsShared() const { return m_shared != 0; }
    void SetShared(bool shared) { m_shared = shared ? 1 : 0; }
    GSTrackedObjectRegistry& Registry() { return m_registry; }
    // The message objects kept for reuse (BuildMessageObject).
    GSMessageObjectPool& MessagePool() { return m_messagePool; }

    // The per-library data of a library, made on first use; null when it
    // cannot be made.
    GSLibraryContext* GetLibraryContext(GSLibrary* library);
    // The context's one instance of a static class, made and bound on first
    // use; null for a class that is not static, and when the binding fails
    // ("Could not construct static class %s for context" is logged).
    GSObject* GetStaticInstance(GSClass* cls);

    // A script "Message" object of `context` (a pooled one when there is
    // one) holding the parts: slot 2
    // the major and slot 3 the minor name as new strings, slots 4 and 5 the
    // source and destination (none when their instance has no count left),
    // slot 6 the parameter. The result carries the object's one count for
    // the caller. Null, the parameter released, when "gs.gsl" has no usable
    // class "Message" or the object cannot be made.
    static GSDataRef BuildMessageObject(GSContext* context, const GSMessageParts& parts);

    // Leaves the context registry.
    void RemoveFromRegistry();

    // The context's share of the script memory budget, named "context N"
    // (N counts the contexts made by the process, from 1); closed and
    // released when the context ends.
    GSScriptMemoryAccount* MemoryAccount() const { return m_memoryAccount; }

private:
    GSTrackedObjectRegistry m_registry;
    // After the registry: destroyed (and closed, in the destructor's body)
    // before it.
    GSMessageObjectPool m_messagePool;
    GSLibraryIdTable<GSLibraryContext> m_libraries;
    GSRouter* m_router = nullptr;
    uint8_t m_shared = 0;
    GSScriptMemoryAccount* m_memoryAccount = nullptr;
};

}  // namespace GSRuntime
