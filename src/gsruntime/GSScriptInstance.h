#pragma once
// GSScriptInstance: the header of a script instance, the data of a script
// object. It counts the references to the instance and names the native
// object that holds it (its owner); a script class instance also names its
// class. The header of an instance of a script class sits in a block of
// its own on the script-object heap:
//
//     uint32 block length (bytes of the header and the data), 4 bytes unused,
//     the header, then the data: the class's data slots, zero at creation.
//
// Strings and arrays embed a header with one data slot after it
// (GSEmbeddedInstance) in themselves.
//
// A data reference designates one view of an instance (GSDataReference.h):
// slot 0 of a view holds minus the view's data offset, so the data start is
// the reference plus that many slots, and the header lies right before the
// data start. Slot 1 of a view holds the index of the view's first entry in
// the virtual table of the instance's class.
//
// Counting: the owner holds one count from creation; every reference stored
// in a slot, member, local or element holds one more. When the last count
// goes the owner is deleted (and takes the instance with it); an instance
// that lost its owner is destroyed directly.
#include <cstdint>

#include "gsruntime/GSDataReference.h"
#include "gsruntime/GSTrackedObject.h"

namespace GSRuntime {

class GSClass;
class GSObjectReference;

struct GSScriptInstance : public GSTrackedObject {
    int32_t count = 0;
    GSObjectReference* owner = nullptr;  // null once the instance lost its owner
    GSClass* cls = nullptr;              // null in the headers of strings and arrays

    GSScriptInstance() = default;
    ~GSScriptInstance() = default;

    // Context teardown (see GSTrackedObjectRegistry::DestroyAll):
    // Hold adds two counts, so that no instance dies while the passes run.
    void Hold() override;
    // Drops every reference the instance holds: an array's elements, the
    // members, and the script threads of an object owner; a game object
    // owner is also unbound from it.
    void ReleaseContents() override;
    // Destroys the owner and the instance.
    void Discard() override;
    // An instance outside a dying context zeroes and releases its members,
    // resp. an array's elements, that lie in the dying context; the frames
    // of its game object's threads do the same with their locals.
    void CutReferencesInto(const GSTrackedObjectRegistry& dying) override;

    // The first data slot and its reference.
    uint32_t* DataStart() { return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(this) + sizeof(*this)); }
    GSDataRef DataReference() { return GSReferenceOf(DataStart()); }

    // The header of the instance a reference designates (any view).
    static GSScriptInstance* FromReference(GSDataRef reference) {
        uint32_t* slots = GSSlots(reference);
        return slots ? FromSlots(slots) : nullptr;
    }
    // The same for a non-null reference of a live instance (the
    // interpreter's calls and returns on verified frames).
    static GSScriptInstance* FromLiveReference(GSDataRef reference) { return FromSlots(GSLiveSlots(reference)); }
    // The header of the instance whose view has these slots.
    static GSScriptInstance* FromSlots(uint32_t* slots) {
        uint32_t* dataStart = slots + static_cast<int32_t>(slots[0]);
        return reinterpret_cast<GSScriptInstance*>(reinterpret_cast<uint8_t*>(dataStart) - sizeof(GSScriptInstance));
    }
    // The owner of the instance a reference designates; null for null.
    static GSObjectReference* OwnerOf(GSDataRef reference) {
        GSScriptInstance* header = FromReference(reference);
        return header ? header->owner : nullptr;
    }
    // The address of data slot i.
    static uint32_t* SlotAddress(GSScriptInstance* header, uint32_t i) { return header->DataStart() + i; }

    // Count + 1; the header. (Inline with Release: the interpreter counts
    // on every reference load and pop.)
    static GSScriptInstance* AddRef(GSDataRef reference) {
        GSScriptInstance* header = FromReference(reference);
        if (header) header->count += 1;
        return header;
    }
    // Count - 1; the last count deletes the owner, or, without owner,
    // destroys the instance (see the class comment). A game object that
    // is registered with a router only marks itself for its router.
    static void Release(GSScriptInstance* header) {
        if (!header) return;
        header->count -= 1;
        if (header->count > 0) return;
        ReleaseLast(header);
    }
    // Release of a reference's instance; nothing for null.
    static void ReleaseReference(GSDataRef reference) {
        if (reference) Release(FromReference(reference));
    }

    // Slot k of the view `reference` designates.
    static uint32_t LoadSlot(GSDataRef reference, uint32_t k) { return GSSlots(reference)[k]; }
    // The same, adding a count to a non-null reference value.
    static GSDataRef LoadSlotReference(GSDataRef reference, uint32_t k) {
        const GSDataRef value = GSSlots(reference)[k];
        if (value) AddRef(value);
        return value;
    }
    static void StoreSlot(GSDataRef reference, uint32_t k, uint32_t value) { GSSlots(reference)[k] = value; }
    // The data offset of the view a reference designates.
    static uint32_t ViewOffset(GSDataRef reference) { return 0u - GSSlots(reference)[0]; }

    // The context check of stores: a holder that belongs to a context takes
    // values of that context, values of no context, and values of contexts
    // whose share flag is set. A holder of no context takes any value.
    static bool Accepts(const GSScriptInstance* holder, const GSScriptInstance* value);

    // Stores a reference into slot i of the holder's view: a value refused
    // by the context check is stored as null (its counts untouched); an
    // accepted one gains a count. The old slot value is released.
    static void StoreReference(GSDataRef holder, uint32_t i, GSDataRef value);
    // The same, the caller's count moving into the slot: an accepted value
    // gains nothing, a refused one is released.
    static void TransferReference(GSDataRef holder, uint32_t i, GSDataRef value);

    // A zeroed instance block for `dataSlots` data slots (count 0, no
    // owner, no class, untracked); null when the heap is full.
    static GSScriptInstance* NewBlock(uint32_t dataSlots);
    // Unregisters the header and frees its block.
    static void FreeBlock(GSScriptInstance* header);

private:
    // What Release does when the count is gone.
    static void ReleaseLast(GSScriptInstance* header);
    void ReleaseMembers();
};

// The header and the one data slot that strings and arrays carry inside
// themselves: the slot's address is their data reference.
struct GSEmbeddedInstance {
    GSScriptInstance header;
    uint32_t data = 0;
};

}  // namespace GSRuntime
