#pragma once
// An editable soup value: a kind and a counted byte block (null = no
// bytes). It has no children. Setters never change bytes in place; they
// make a new tag, so blocks are shared safely between copies.
#include "foundation/soups/ACSChunk.h"
#include "foundation/soups/SoupMemoryCharge.h"

class TDBDataTag : public ACSChunk {
public:
    // Charged to the open charge scope (SoupMemoryCharge.h), if any.
    TDBDataTag(int32_t kind, RawDataRef block) : m_block(std::move(block)), m_kind(kind) {
        m_charge.Add(sizeof(TDBDataTag));
    }

    const uint8_t* GetData() const override;
    int32_t GetSize() const override;
    int32_t GetKind() const override;
    void SetKindAndData(int32_t kind, RawDataRef block) override;
    // The value's block (null = no bytes). Its bytes never change, so a copy
    // may share the block itself.
    const RawDataRef& GetBlock() const { return m_block; }

    // How many times, process-wide, a value of some other kind has been
    // made empty (kind 0) in place. A container that holds such a value
    // no longer has that tag (SoupHandle::HasTag), so containers keep
    // this count beside what they know of their taken names.
    static uint32_t EmptiedCount();

protected:
    ~TDBDataTag() override = default;
    // Gives the block up to the caller without releasing it.
    ACSRawDataCore* DetachBlock() { return m_block.Detach(); }

private:
    RawDataRef m_block;
    int32_t m_kind;
    SoupCharge m_charge;
};

// A new value tag of that kind holding a copy of n bytes (none when n is 0
// or source is null). The tag, its block and the bytes share one
// allocation, freed when both the tag and the block are gone: a soup
// reader makes one per value. Null when memory runs out.
ChunkRef MakeDataTagCopy(int32_t kind, int32_t n, const void* source);
