#pragma once
// An editable soup container: an ordered list of (name, chunk) pairs kept
// in a block ring of 13 pairs per block. Names are interned strings and are
// not unique; the same chunk may also be held by several pairs (and by
// other containers).
#include <memory>
#include <unordered_map>

#include "engine/DynamicArray.h"
#include "foundation/soups/ACSChunk.h"
#include "foundation/soups/SoupMemoryCharge.h"

class TDBContainerTag : public ACSChunk {
public:
    using Child = ChunkChild;
    using ChildList = Vek::DynamicArray<Child, 13>;

    // Charged to the open charge scope (SoupMemoryCharge.h), if any, with
    // its pairs.
    TDBContainerTag() { m_charge.Add(sizeof(TDBContainerTag)); }

    // First pair whose name is the same interned string; the null chunk
    // when there is none.
    ChunkRef GetChild(const Vek::PString& name) const override;
    int32_t Count() const override;
    bool GetChildAt(int32_t index, Vek::PString& name, ChunkRef& chunk) const override;
    const ChunkChild* ChildAt(int32_t index) const override;
    // In-place quicksort by name bytes (unsigned; a prefix sorts first):
    // median-of-three pivot for ranges of 11 pairs or more, insertion sort
    // below that. Not stable: the order of equal names follows from the
    // algorithm, which is kept exactly for that reason.
    void SortChildren() override;
    // Finds the last pair holding a and the last pair holding b; when both
    // exist and differ, their chunks change places (names stay).
    void SwapChildren(ChunkRef a, ChunkRef b) override;
    // Adds (name, chunk) at the end; a null chunk adds nothing.
    void AppendChild(const Vek::PString& name, ChunkRef chunk) override;
    // The same, taking the name over (no reference count to change).
    void AppendChild(Vek::PString&& name, ChunkRef chunk);
    // Removes the first pair holding that very chunk, keeping the order.
    void RemoveChild(ChunkRef chunk) override;
    // Kind 1: a new empty TDBContainerTag; otherwise a new TDBDataTag.
    ChunkRef CreateChunk(int32_t kind, RawDataRef block) override;
    int32_t GetKind() const override { return ACSKind::kContainer; }

    // A lower bound on the first index whose decimal name ("0", "1", ...)
    // no tag of a kind other than 0 holds: every name below it is taken.
    // SoupHandle::GetFreeIndexTag starts its search there instead of at "0",
    // so that adding n indexed tags one after another does not probe n^2
    // names. Removing or swapping a tag lowers the bound to that tag's
    // index, sorting resets it, and so does any value that becomes empty
    // anywhere (TDBDataTag::EmptiedCount), since the container cannot tell
    // whether the value is one of its own.
    int32_t FreeIndexFloor() const;
    // Records that every index below `floor` is taken.
    void SetFreeIndexFloor(int32_t floor) const;

protected:
    // Releases the children without nesting destructor calls: a child that
    // dies with this container joins a list that the outermost container
    // destructor of the thread works off, so destroying a soup nested n
    // deep takes no n nested calls.
    ~TDBContainerTag() override;

private:
    // Forgets the GetChildAt cursor and the name index; every edit of the
    // list but an append calls it.
    void Edited() {
        m_cursorIndex = -1;
        if (m_byName && !m_byName->empty()) m_byName->clear();
    }
    // Lowers the free-index floor to the index that `name` spells, if any.
    void NameFreed(const Vek::PString& name);

    ChildList m_children;
    // The number of pairs: the block ring counts by walking its blocks.
    std::size_t m_count = 0;
    // Where the last GetChildAt stopped, so that walking the children in
    // order costs one step per child instead of a walk from the start.
    mutable int32_t m_cursorIndex = -1;
    mutable ChildList::ConstIterator m_cursor;
    // FreeIndexFloor, valid while TDBDataTag::EmptiedCount is still the
    // count it was recorded under.
    mutable int32_t m_freeIndexFloor = 0;
    // The first child of each name (by its interned text), for GetChild of
    // a large container: built by the first look-up after an edit other
    // than an append (appends add to it), so that asking for every tag of a
    // container by name costs linear time, not quadratic. Made on the first
    // such look-up: most containers are never asked that way, and without
    // it a container is small enough for the allocator's quick lists.
    mutable std::unique_ptr<std::unordered_map<const char*, const Child*>> m_byName;
    mutable uint32_t m_freeIndexEmptied = 0;
    SoupCharge m_charge;
};

// The node factory that every editable node and every view uses for its
// CreateChunk: kind 1 gives an empty TDBContainerTag, other kinds a
// TDBDataTag with the block. Null when memory runs out.
ChunkRef CreateEditableChunk(int32_t kind, RawDataRef block);
