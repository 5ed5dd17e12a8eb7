#pragma once
// GSTrackedObjectRegistry: the objects of one script context. Objects are
// kept in slots of blocks of 1022; each block has a list of its free slots,
// so taking and giving back a slot costs constant time. Slots are taken from
// the current block until it is full; then from the first block (in creation
// order) that has a free slot; a new block is made only when none has.
//
// DestroyAll ends every object still registered in three passes over all of
// them: pin (Hold), empty (ReleaseContents), destroy (Discard). Since every
// object is pinned before any reference between objects is dropped, no
// object dies through another while the passes run; each is destroyed once,
// directly. Between the second and the third pass, the registries that
// may hold references into this one (DestroyAll's `outside`) drop them:
// their objects would otherwise keep references to objects destroyed here.
//
// Objects of no context (made without a context, or while their context's
// passes run) are kept in one process-wide registry, NoContext, whose
// context is null: GetContext answers null for them as for any object
// outside a context, and every context's teardown can find what they hold.
// NoContext is never torn down; its objects end with their last count.
//
// Blocks come from the engine allocator. No lock: a registry belongs to one
// thread of control.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gsruntime/GSTrackedObject.h"

namespace GSRuntime {
class GSContext;
}

struct GSTrackedBlock;

struct GSTrackedSlot {
    union {
        GSTrackedObject* object;  // while in use
        GSTrackedSlot* nextFree;  // while free
    };
    GSTrackedBlock* block;  // null while free
};

struct GSTrackedBlock {
    static constexpr int32_t kSlots = 1022;
    GSTrackedObjectRegistry* registry;
    GSTrackedSlot* freeHead;
    GSTrackedSlot slots[kSlots];
};

class GSTrackedObjectRegistry {
public:
    explicit GSTrackedObjectRegistry(GSRuntime::GSContext* context) : m_context(context) {}
    // Frees the blocks; objects still registered become untracked (the
    // context runs DestroyAll before).
    ~GSTrackedObjectRegistry();
    GSTrackedObjectRegistry(const GSTrackedObjectRegistry&) = delete;
    GSTrackedObjectRegistry& operator=(const GSTrackedObjectRegistry&) = delete;

    // Gives the object a slot of `registry`; with no registry, or while the
    // registry is being torn down, a slot of NoContext. When no block can
    // be made the object stays untracked.
    static void Register(GSTrackedObjectRegistry* registry, GSTrackedObject* object);
    // The registry of the objects of no context (made on first use, kept
    // until the process ends).
    static GSTrackedObjectRegistry& NoContext();
    // Gives the object's slot back to the front of its block's free list;
    // nothing for an untracked object. The current block does not change.
    static void Unregister(GSTrackedObject* object);
    // The context of the registry that tracks the object; null when
    // untracked. (Inline: the interpreter asks on every call and return.)
    static GSRuntime::GSContext* GetContext(const GSTrackedObject* object) {
        if (!object || !object->m_slot) return nullptr;
        return object->m_slot->block->registry->m_context;
    }

    // Pins, empties and destroys every registered object (see above), then
    // frees every block. After the emptying pass, the objects of every
    // registry in `outside` drop their references into this one.
    void DestroyAll(const std::vector<GSTrackedObjectRegistry*>& outside = {});
    // Every object here drops its references to objects tracked by `dying`
    // (GSTrackedObject::CutReferencesInto).
    void CutReferencesInto(const GSTrackedObjectRegistry& dying);
    // True when the object has a slot of this registry.
    bool Tracks(const GSTrackedObject* object) const {
        return object && object->m_slot && object->m_slot->block->registry == this;
    }

    GSRuntime::GSContext* Context() const { return m_context; }
    bool TearingDown() const { return m_teardown; }
    std::size_t BlockCount() const { return m_blocks.size(); }
    int32_t LiveCount() const { return m_live; }
    // The position of an object's block in creation order; -1 when the
    // object is not tracked here.
    int32_t BlockIndexOf(const GSTrackedObject* object) const;

private:
    GSTrackedBlock* NewBlock();
    template <class Each>
    void ForEachInBlock(GSTrackedBlock* block, Each each);

    GSRuntime::GSContext* m_context;
    std::vector<GSTrackedBlock*> m_blocks;
    GSTrackedBlock* m_current = nullptr;
    bool m_teardown = false;
    int32_t m_live = 0;
};
