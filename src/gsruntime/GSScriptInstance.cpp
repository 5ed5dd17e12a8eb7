#include "gsruntime/GSScriptInstance.h"

#include <cstring>
#include <new>

#include "gsruntime/GSArray.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/GSScriptArena.h"
#include "gsruntime/GSTrackedObjectRegistry.h"

namespace GSRuntime {

namespace {

// The block of a script class instance: its length word, then the header
// (8-aligned), then the data.
constexpr std::size_t kBlockPrefix = 8;

GSObject* ObjectOwner(GSScriptInstance* header) {
    if (!header->owner) return nullptr;
    const uint32_t type = header->owner->GetType();
    return type == kGSRefObject || type == kGSRefGameObject ? static_cast<GSObject*>(header->owner) : nullptr;
}

}  // namespace

GSScriptInstance* GSScriptInstance::NewBlock(uint32_t dataSlots) {
    const std::size_t bytes = sizeof(GSScriptInstance) + std::size_t(dataSlots) * 4;
    uint8_t* block = static_cast<uint8_t*>(ScriptHeapAlloc(kBlockPrefix + bytes));
    if (!block) return nullptr;
    std::memset(block, 0, kBlockPrefix + bytes);
    const uint32_t length = static_cast<uint32_t>(bytes);
    std::memcpy(block, &length, sizeof length);
    return new (block + kBlockPrefix) GSScriptInstance();
}

void GSScriptInstance::FreeBlock(GSScriptInstance* header) {
    if (!header) return;
    GSTrackedObjectRegistry::Unregister(header);
    header->~GSScriptInstance();
    ScriptHeapFree(reinterpret_cast<uint8_t*>(header) - kBlockPrefix);
}

void GSScriptInstance::ReleaseLast(GSScriptInstance* header) {
    if (GSObjectReference* owner = header->owner) {
        // The owner's destructor takes the instance with it (a string or an
        // array frees its embedded header with itself).
        if (!owner->DeferDestruction()) delete owner;
        return;
    }
    if (header->cls) header->cls->DestroyInstance(header);
}

bool GSScriptInstance::Accepts(const GSScriptInstance* holder, const GSScriptInstance* value) {
    GSContext* holderContext = GSTrackedObjectRegistry::GetContext(holder);
    if (!holderContext) return true;
    GSContext* valueContext = GSTrackedObjectRegistry::GetContext(value);
    // A value of no context (made outside any running script) is taken.
    if (!valueContext || valueContext == holderContext) return true;
    return valueContext->IsShared();
}

void GSScriptInstance::StoreReference(GSDataRef holder, uint32_t i, GSDataRef value) {
    if (value && !Accepts(FromReference(holder), FromReference(value))) value = 0;
    if (value) AddRef(value);
    uint32_t* slot = GSSlots(holder) + i;
    const GSDataRef old = *slot;
    *slot = value;
    ReleaseReference(old);
}

void GSScriptInstance::TransferReference(GSDataRef holder, uint32_t i, GSDataRef value) {
    if (value && !Accepts(FromReference(holder), FromReference(value))) {
        ReleaseReference(value);
        value = 0;
    }
    uint32_t* slot = GSSlots(holder) + i;
    const GSDataRef old = *slot;
    *slot = value;
    ReleaseReference(old);
}

void GSScriptInstance::Hold() { count += 2; }

void GSScriptInstance::ReleaseMembers() {
    if (cls) cls->ReleaseMembers(this);
}

void GSScriptInstance::ReleaseContents() {
    if (!owner) {
        ReleaseMembers();
        return;
    }
    switch (owner->GetType()) {
        case kGSRefArray:
            static_cast<GSArray*>(owner)->Resize(0);
            ReleaseMembers();
            break;
        case kGSRefString:
            break;
        case kGSRefGameObject: {
            GSObject* object = static_cast<GSObject*>(owner);
            // The threads' frames reference other objects of the context:
            // they are dropped now, while everything is pinned, not when the
            // object is deleted after the context is gone.
            object->ResetThreads();
            count += 1;
            object->Unbind();
            ReleaseMembers();
            break;
        }
        default:
            static_cast<GSObject*>(owner)->ResetThreads();
            ReleaseMembers();
            break;
    }
}

void GSScriptInstance::CutReferencesInto(const GSTrackedObjectRegistry& dying) {
    if (cls) {
        cls->ReleaseMembersInto(this, dying);
        if (GSObject* object = ObjectOwner(this)) object->CutThreadReferencesInto(dying);
    } else if (owner && owner->GetType() == kGSRefArray) {
        static_cast<GSArray*>(owner)->ReleaseElementsInto(dying);
    }
}

void GSScriptInstance::Discard() {
    GSTrackedObject::Discard();
    if (GSObject* object = ObjectOwner(this)) {
        count += 1;
        object->Unbind();
        delete object;
        if (cls) cls->DestroyInstance(this);
        return;
    }
    if (owner) {
        // A string or an array: the header goes with its owner.
        delete owner;
        return;
    }
    if (cls) cls->DestroyInstance(this);
}

}  // namespace GSRuntime
