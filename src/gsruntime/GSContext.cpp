#include "gsruntime/GSContext.h"

#include <atomic>
#include <string>
#include <vector>

#include "engine/Alloc.h"
#include "gscompiler/GSTypes.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSConstantStrings.h"
#include "gsruntime/GSContextRegistry.h"
#include "gsruntime/GSCoreClasses.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSLog.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSScriptMemoryAccount.h"
#include "gsruntime/GSString.h"

namespace GSRuntime {

namespace {

GSContext::RouterFactory g_routerFactory;

// The Message object's members in its own view.
constexpr uint32_t kMessageMajor = GSMessageObject::kMajor;
constexpr uint32_t kMessageMinor = GSMessageObject::kMinor;
constexpr uint32_t kMessageSource = GSMessageObject::kSource;
constexpr uint32_t kMessageDestination = GSMessageObject::kDestination;
constexpr uint32_t kMessageParameter = GSMessageObject::kParameter;

// True when a Message class holds the five members as reference members of
// its own view.
bool MessageClassFits(const GSClass* cls) {
    if (cls->DataSlotCount() <= kMessageParameter) return false;
    // A class without bases has only its own view: its slot kinds, worked
    // out once, mark exactly its own reference members.
    if (const uint8_t* kinds = cls->BaseCount() == 0 ? cls->DataSlotKinds() : nullptr) {
        for (uint32_t slot = kMessageMajor; slot <= kMessageParameter; ++slot)
            if (kinds[slot] != GSClass::kDataReference) return false;
        return true;
    }
    for (uint32_t slot = kMessageMajor; slot <= kMessageParameter; ++slot) {
        bool found = false;
        for (uint32_t i = 0; i < cls->ReferenceMemberCount() && !found; ++i)
            found = cls->ReferenceMember(i) == static_cast<int32_t>(slot);
        if (!found) return false;
    }
    return true;
}

// A new string of `context` for a non-empty name; 0 for an empty one.
GSDataRef NameString(GSContext* context, const char* name) {
    if (!name || !*name) return 0;
    GSString* string = new GSString(context, name);
    return string ? string->GetReference() : 0;
}

// Hands a new name string (made in the message object's own context, so
// always accepted) to a member; an empty member takes it without the
// general store's checks.
void TransferName(GSDataRef self, uint32_t slot, GSDataRef name) {
    uint32_t* member = GSSlots(self) + slot;
    if (*member == 0) {
        *member = name;
        return;
    }
    GSScriptInstance::TransferReference(self, slot, name);
}

// A name member: the string kept there when it has the name already
// (a reused object's), a new one otherwise.
void SetName(GSContext* context, GSDataRef self, uint32_t slot, const char* name) {
    if (!GSMessageObject::KeepsName(self, slot, name)) TransferName(self, slot, NameString(context, name));
}

// A game object's reference, none when its instance has no count left.
GSDataRef LiveReference(GSObjectReference* object) {
    const GSDataRef reference = object ? object->GetReference() : 0;
    if (!reference || GSScriptInstance::FromReference(reference)->count <= 0) return 0;
    return reference;
}

}  // namespace

// ---------------------------------------------------------------------------
// GSLibraryContext

void* GSContext::GSLibraryContext::operator new(std::size_t size) noexcept { return Vek::Alloc::New(size); }

void GSContext::GSLibraryContext::operator delete(void* block) noexcept { Vek::Alloc::Delete(block); }

GSContext::GSLibraryContext::GSLibraryContext(GSLibrary* library) : m_library(library) {
    const uint32_t classes = library ? library->ClassCount() : 0;
    if (classes) {
        m_slots = static_cast<GSObject**>(Vek::Alloc::New(sizeof(GSObject*) * classes));
        if (m_slots) {
            for (uint32_t i = 0; i < classes; ++i) m_slots[i] = nullptr;
            m_slotCount = static_cast<int32_t>(classes);
        }
    }
}

GSContext::GSLibraryContext::~GSLibraryContext() {
    for (int32_t i = m_slotCount; i-- > 0;) {
        GSObject* object = m_slots[i];
        m_slots[i] = nullptr;
        if (!object) continue;
        // The static object dies with its instance's last count.
        if (const GSDataRef reference = object->GetReference())
            GSScriptInstance::Release(GSScriptInstance::FromReference(reference));
        else
            delete object;
    }
    Vek::Alloc::Delete(m_slots);
}

// ---------------------------------------------------------------------------
// GSContext

void GSContext::SetRouterFactory(const RouterFactory& factory) { g_routerFactory = factory; }

void* GSContext::operator new(std::size_t size) noexcept { return Vek::Alloc::New(size); }

void GSContext::operator delete(void* block) noexcept { Vek::Alloc::Delete(block); }

GSContext::GSContext(bool withRouter, bool shared) : m_registry(this), m_shared(shared ? 1 : 0) {
    static std::atomic<uint64_t> made{0};
    m_memoryAccount = new GSScriptMemoryAccount("context " + std::to_string(made.fetch_add(1) + 1));
    m_libraries.Init(kLibraryBuckets);
    if (withRouter && g_routerFactory.create) m_router = g_routerFactory.create(this);
    GSContextRegistry::Add(this);
}

GSContext::~GSContext() {
    m_messagePool.Close();
    m_libraries.DeleteValues();
    if (m_router) {
        GSRouter* router = m_router;
        m_router = nullptr;
        if (g_routerFactory.destroy) g_routerFactory.destroy(router);
    }
    RemoveFromRegistry();
    m_libraries.Free();
    // Who may hold references to this context's objects from outside: the
    // objects of no context and those of every other context (this one has
    // left the context registry).
    std::vector<GSTrackedObjectRegistry*> outside{&GSTrackedObjectRegistry::NoContext()};
    for (GSContext* other : GSContextRegistry::Contexts()) outside.push_back(&other->Registry());
    m_registry.DestroyAll(outside);
    // The libraries' lent string constants go too: a context's end leaves
    // the script-object heap as the context found it.
    GSConstantStrings::ReleaseAllStrings();
    // What the context's objects still hold elsewhere goes back to the
    // budget now; they give back to the closed account alone.
    m_memoryAccount->Close();
    m_memoryAccount->ReleaseReference();
    m_memoryAccount = nullptr;
}

void GSContext::RemoveFromRegistry() { GSContextRegistry::Remove(this); }

GSContext::GSLibraryContext* GSContext::GetLibraryContext(GSLibrary* library) {
    if (!library) return nullptr;
    if (GSLibraryContext* existing = m_libraries.Lookup(library->Id())) return existing;
    GSLibraryContext* created = new GSLibraryContext(library);
    if (!created) return nullptr;
    if (!m_libraries.Insert(library->Id(), created)) {
        delete created;
        return nullptr;
    }
    return created;
}

GSObject* GSContext::GetStaticInstance(GSClass* cls) {
    if (!cls || !(cls->Flags() & kGSStatic)) return nullptr;
    GSLibraryContext* libraryContext = GetLibraryContext(cls->Library());
    if (!libraryContext || static_cast<int64_t>(cls->ClassIndex()) >= libraryContext->SlotCount()) return nullptr;
    GSObject*& slot = libraryContext->Slot(cls->ClassIndex());
    if (slot) return slot;
    GSObject* object = new GSObject();
    if (object && object->BindClass(cls, this)) {
        slot = object;
        return object;
    }
    GSLog("Could not construct static class %s for context", cls->Name());
    delete object;
    return nullptr;
}

GSDataRef GSContext::BuildMessageObject(GSContext* context, const GSMessageParts& parts) {
    GSClass* cls = GetMessageClass();
    GSObject* message = cls && context ? context->MessagePool().Take(cls) : nullptr;
    if (!message) {
        message = cls && MessageClassFits(cls) ? new GSMessageObject() : nullptr;
        if (!message || !message->BindClass(cls, context)) {
            delete message;
            GSScriptInstance::ReleaseReference(parts.parameter);
            return 0;
        }
    }
    const GSDataRef self = message->GetReference();
    SetName(context, self, kMessageMajor, parts.major);
    SetName(context, self, kMessageMinor, parts.minor);
    GSScriptInstance::StoreReference(self, kMessageSource, LiveReference(parts.source));
    GSScriptInstance::StoreReference(self, kMessageDestination, LiveReference(parts.destination));
    GSScriptInstance::TransferReference(self, kMessageParameter, parts.parameter);
    return self;
}

}  // namespace GSRuntime
