#pragma once
// The node interface of a configuration soup: a tree of named, typed
// values. Every node is an ACSChunk; the base class itself answers every
// operation as an empty node without children or bytes, and its one shared
// instance, the null chunk, stands for every tag that does not exist.
//
// Node classes: TDBContainerTag and TDBDataTag (editable), TDBBinarySoup
// and TDBDataChunk (read-only views into a loaded binary soup, whose edits
// go to the file's overlay). Code outside the soup module works through
// SoupHandle; chunks are public for the few callers that need a node's kind
// or its AppendChild directly.
//
// Chunk arguments are counted pointers passed by value: the callee holds
// its own reference while it runs, so removing a chunk that only the
// container held does not destroy it under the caller's feet.
//
// Nothing is locked: a tree is used by one thread at a time. Only the
// reference counts are atomic.
#include <cstdint>

#include "engine/PString.h"
#include "foundation/soups/ACSRawData.h"
#include "foundation/soups/CountedRef.h"
#include "foundation/soups/ReferenceCountMP.h"

// Value kinds (ACSChunk::GetKind) and the layout of their value bytes
// (numbers little-endian).
namespace ACSKind {
constexpr int32_t kEmpty = 0;      // no value; counts as absent
constexpr int32_t kContainer = 1;  // no bytes; the ordered children
constexpr int32_t kRaw = 2;        // uninterpreted bytes
constexpr int32_t kFloats = 3;     // n IEEE singles, 4 bytes each
constexpr int32_t kText = 4;       // UTF-8; stored texts end with a NUL
constexpr int32_t kReserved = 5;   // never created; written like a text
constexpr int32_t kIntegers = 6;   // n signed 32-bit integers
constexpr int32_t kKUID = 7;       // 8 bytes per KUID: packed word, content id
}  // namespace ACSKind

class ACSChunk;
using ChunkRef = CountedRef<ACSChunk>;

// One child of a chunk: its name and its node.
struct ChunkChild {
    Vek::PString name;
    ChunkRef chunk;
};

class ACSChunk : public ReferenceCountMP {
public:
    ACSChunk() = default;

    // The first child of that name (interned identity, so letter case
    // matters), or the null chunk. Never null.
    virtual ChunkRef GetChild(const Vek::PString& name) const;
    // Number of children.
    virtual int32_t Count() const;
    // For 0 <= index < Count: the name and chunk at that position, true.
    // Otherwise the empty name, the null chunk, false.
    virtual bool GetChildAt(int32_t index, Vek::PString& name, ChunkRef& chunk) const;
    // For 0 <= index < Count: the pair at that position, lent rather than
    // copied, so that walking a tree changes no reference count; null
    // otherwise. The pair stays valid until this chunk is edited, asked for
    // another pair or destroyed: an editable container lends the pair it
    // holds, a view of a binary soup the one it decoded last (which it keeps
    // until then). Asked for in order, each pair costs one step.
    virtual const ChunkChild* ChildAt(int32_t index) const;
    // Sorts the children by name bytes (unsigned); not stable.
    virtual void SortChildren();
    // The chunks held by the pairs of a and b change places; names stay.
    virtual void SwapChildren(ChunkRef a, ChunkRef b);
    // Appends (name, chunk); a null chunk adds nothing.
    virtual void AppendChild(const Vek::PString& name, ChunkRef chunk);
    // Removes the first pair holding that very chunk.
    virtual void RemoveChild(ChunkRef chunk);
    // A new node suited to this one's children: kind 1 gives an empty
    // container (the block is ignored), any other kind a value with the
    // block. It belongs to nobody until appended. The base answer is the
    // null chunk.
    virtual ChunkRef CreateChunk(int32_t kind, RawDataRef block);
    // The value bytes (null and 0 without).
    virtual const uint8_t* GetData() const;
    virtual int32_t GetSize() const;
    // ACSKind value.
    virtual int32_t GetKind() const;
    // Replaces a value's kind and bytes; nodes that are no editable value
    // ignore it.
    virtual void SetKindAndData(int32_t kind, RawDataRef block);

protected:
    ~ACSChunk() override = default;
};

// The shared null chunk: one instance of the base class, made on first use
// (thread-safe) and kept until exit. A chunk is the null chunk by identity.
const ChunkRef& NullChunk();
bool IsNullChunk(const ACSChunk* chunk);
inline bool IsNullChunk(const ChunkRef& chunk) { return IsNullChunk(chunk.Get()); }

// True for a null pointer, the null chunk and any chunk of kind 0: what the
// handle's tests treat as "no value".
bool IsAbsentChunk(const ChunkRef& chunk);
