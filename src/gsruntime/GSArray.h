#pragma once
// GSArray: a script array (reference type 1). Its elements are 32-bit
// values: ints, floats or bools in a value array; references in a reference
// array, where every non-null element owns one count. The element store
// comes from the engine allocator; the array itself, with its instance
// header and its one data slot embedded, lives on the script-object heap.
//
// Sizes are computed in 64 bits and an array never grows beyond kMaxCount
// elements: an index or range that would need more is refused (false), and
// the interpreter turns that into its out-of-bounds error. Element stores
// are charged to the script memory budget (GSScriptMemoryBudget); a store
// the budget refuses fails the same way, the array unchanged.
//
// The store keeps room beyond the count: growing past it takes twice the
// count (or the size asked for, when larger; only the size asked for when
// the budget refuses the larger store), so an array that grows an element
// at a time is copied a logarithmic number of times, not once per element.
// Slots beyond the count are always zero. The work of making, copying and
// growing stores is charged to the execution budget (GSExecutionBudget.h: 4
// units an element zeroed or copied).
#include <cstdint>

#include "gsruntime/GSObjectReference.h"
#include "gsruntime/GSScriptInstance.h"

namespace GSRuntime {

class GSClass;
class GSContext;
class GSScriptMemoryAccount;

class GSArray : public GSObjectReference {
public:
    static constexpr int64_t kMaxCount = int64_t(1) << 24;

    // An empty array in `context` (null: untracked) with count 1 for its
    // creator.
    GSArray(GSContext* context, bool elementsAreReferences);
    // Releases the elements, frees the store, unregisters the header.
    ~GSArray() override;

    GSDataRef GetReference() const override { return GSReferenceOf(&m_instance.data); }
    GSScriptInstance& Header() { return m_instance.header; }
    // The array a reference designates, or null (null, or not an array).
    static GSArray* FromReference(GSDataRef reference) {
        GSObjectReference* owner = GSScriptInstance::OwnerOf(reference);
        return owner && owner->GetType() == kGSRefArray ? static_cast<GSArray*>(owner) : nullptr;
    }

    int32_t GetCount() const { return m_count; }
    bool ElementsAreReferences() const { return m_references != 0; }
    const uint32_t* Elements() const { return m_elements; }

    // n <= 0: releases every element and frees the store. n above the count:
    // grows to n elements, the new ones zero. Otherwise nothing (an array
    // never shrinks here). False, nothing changed, when n exceeds kMaxCount
    // or memory runs out.
    bool Resize(int64_t n);
    // Adds a count to, resp. releases (and zeroes), every non-null element
    // of [start, start + n) cut at the count; nothing for a value array or
    // a start not below the count.
    void AddRefRange(int32_t n, int32_t start);
    void ReleaseRange(int32_t n, int32_t start);
    // Releases, and zeroes, the elements tracked by `registry`.
    void ReleaseElementsInto(const GSTrackedObjectRegistry& registry);

    // The destination becomes a copy of the source's elements [start, end)
    // (a negative start means 0; a negative end, or one past the count, the
    // count), each copied reference with a count of its own; a reference
    // the destination refuses by the context check becomes null. False,
    // nothing changed, for end < start or arrays of different kinds.
    static bool CopyRange(GSArray* destination, int32_t end, const GSArray* source, int32_t start);
    // Replaces the elements [start, end) by the source's elements (none for
    // a null source; a negative start means 0, a negative end the count; an
    // end beyond the count is not cut). A start beyond the count is reached
    // with zero elements. The source may be this array. References are
    // checked as CopyRange checks them. False, nothing
    // changed, for end < start, a source of the other kind, or a result
    // beyond kMaxCount.
    bool Splice(int32_t start, int32_t end, const GSArray* source);

    // Element `index`; false for an index outside the array.
    bool GetElementValue(int32_t index, uint32_t& out) const {
        if (index < 0 || index >= m_count) return false;
        out = m_elements[index];
        return true;
    }
    // A negative index: false, `out` untouched. Beyond the count: `out`
    // null, false. Otherwise the element, with a count added when it is
    // not null and `addCount` is set. Counted from a value array: `out`
    // null, false.
    bool GetElementReference(int32_t index, GSDataRef& out, bool addCount) const;
    // Stores a value, growing the array to index + 1 when needed. False for
    // a negative index or an index the array cannot grow to. Counts are
    // untouched, also in a reference array (natives that move elements
    // keep them); OP_ArraySet refuses a plain store into one.
    bool SetElementValue(int32_t index, uint32_t value) {
        if (index < 0) return false;
        if (index >= m_count && !Resize(int64_t(index) + 1)) return false;
        m_elements[index] = value;
        return true;
    }
    // Stores a reference. The caller hands over one count unless `borrowed`.
    // A value refused by the context check, or not of `cls` when one is
    // given, is stored as null (a handed-over count is released). False,
    // the value released unless borrowed, for an index that is negative or
    // that the array cannot grow to, and for a reference other than null
    // into a value array.
    bool SetElementReference(int32_t index, GSDataRef value, bool borrowed, const GSClass* cls);

private:
    // Counts the n references copied to `to` from `source`, those the
    // context check refuses replaced by null.
    void TakeCopiedReferences(uint32_t* to, int64_t n, const GSArray* source);

    // The account of the array's context, held from the first store on
    // (null for an array of no context): stores are given back to it.
    GSScriptMemoryAccount* StoreAccount();

    uint32_t* m_elements = nullptr;
    int32_t m_count = 0;
    // Elements the store holds (at least the count).
    int32_t m_capacity = 0;
    uint8_t m_references = 0;
    GSScriptMemoryAccount* m_account = nullptr;
    GSEmbeddedInstance m_instance;
};

}  // namespace GSRuntime
