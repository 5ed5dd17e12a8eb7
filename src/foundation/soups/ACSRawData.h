#pragma once
// Counted byte blocks: the value bytes of soup chunks.
//
// An owning block frees its bytes (from Vek::Alloc) when it is destroyed.
// A viewing block shows bytes that belong to someone else and keeps that
// owner alive through its parent reference (a chunk, or nothing when the
// viewer keeps the owner alive itself). Blocks never change their bytes
// after they are made, which is why chunks, copies and views may share
// them freely. No maker returns a block of 0 bytes: they return null.
#include <cstdint>

#include "foundation/soups/CountedRef.h"
#include "foundation/soups/ReferenceCountMP.h"
#include "foundation/soups/SoupMemoryCharge.h"

class ACSChunk;

class ACSRawDataCore : public ReferenceCountMP {
public:
    const uint8_t* Data() const { return m_data; }
    int32_t Size() const { return m_size; }
    bool OwnsBytes() const { return m_owns; }

    // Use the makers below.
    // An owning block is charged to the open charge scope
    // (SoupMemoryCharge.h), if any, with its bytes.
    ACSRawDataCore(uint8_t* data, int32_t size, bool owns, CountedRef<ReferenceCountMP> parent)
        : m_data(data), m_size(size), m_owns(owns), m_parent(std::move(parent)) {
        if (owns) m_charge.Add(sizeof(ACSRawDataCore) + static_cast<uint64_t>(size));
    }

protected:
    // An owning block whose bytes were allocated with the block itself (by
    // MakeRawDataCopy): they go with it, not on their own.
    struct BytesInside {};
    ACSRawDataCore(uint8_t* data, int32_t size, BytesInside)
        : m_data(data), m_size(size), m_owns(true), m_bytesInside(true) {
        m_charge.Add(sizeof(ACSRawDataCore) + static_cast<uint64_t>(size));
    }
    ~ACSRawDataCore() override;

private:
    uint8_t* m_data;
    int32_t m_size;
    bool m_owns;
    bool m_bytesInside = false;
    CountedRef<ReferenceCountMP> m_parent;
    SoupCharge m_charge;
};

using RawDataRef = CountedRef<ACSRawDataCore>;

// Takes over `block` (n bytes from Vek::Alloc::New) in a new owning block.
// n of 0 (or less) frees the block and gives null; a null block gives null.
RawDataRef MakeRawData(void* block, int32_t n);

// A viewing block over (data, size) that holds a reference to `parent`.
// Null (and the parent reference dropped) when size is 0 or data is null.
RawDataRef MakeRawDataView(int32_t size, const void* data, CountedRef<ReferenceCountMP> parent);

// The value bytes of a chunk as a block, without copying: a view over its
// GetData / GetSize with the chunk itself as the parent. Null for a null
// chunk or a chunk without bytes.
RawDataRef MakeChunkDataView(const CountedRef<ACSChunk>& chunk);

// Copies n bytes of `source` into a new owning block. Null when n is 0,
// source is null or memory runs out.
RawDataRef MakeRawDataCopy(int32_t n, const void* source);
