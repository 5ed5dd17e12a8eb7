#pragma once
// One loaded "ACS$" binary soup.
//
// Stored layout (little-endian): "ACS$", int32 version (1 written; 0 and 1
// read), int32 reserved (0), int32 body size, then the body: the entries of
// the root container, back to back. An entry is uint32 L (bytes after this
// field), uint8 N (name bytes with their NUL; 0 for no name), the name,
// uint8 type, and L - N - 2 value bytes. Type 0 is a container whose value
// is its child entries; the other types are listed in TDBBinarySoup.h.
// Version 0 differs only in its texts, which are Windows-1252.
//
// The file keeps its body in one 16-byte aligned block and hands out
// read-only views (TDBBinarySoup, TDBDataChunk) that decode entries where
// they lie. Edits made through views are kept beside the body in the edit
// overlay: addition records {0, span start, chunk, name} and hiding records
// {value position, span start}, where positions are byte offsets in the
// body and a container is known by the offset where its entries start (0
// for the root). The body never changes; writing the soup again is what
// makes edits permanent.
//
// Every view holds a reference to the file, so the body lives as long as
// any view. A chunk added to a view lives in the overlay, so adding to a
// view a chunk that (directly or through its children) holds a view of the
// same file makes a reference cycle that is never freed; copy such a
// subtree with SoupHandle::CopyFrom first.
//
// Reading checks the whole structure once (CheckEntries): every entry must
// lie inside its container, and containers may nest at most kMaxDepth
// deep. A body that fails is dropped: the read still succeeds, with no
// root.
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/DynamicArray.h"
#include "foundation/soups/ACSFile.h"
#include "foundation/soups/ReferenceCountMP.h"

class TDBBinarySoup;
class TDBDataChunk;

class TDBBinaryFile : public ACSFile, public ReferenceCountMP {
public:
    static constexpr uint8_t kMagic[4] = {'A', 'C', 'S', '$'};
    static constexpr int32_t kHeaderSize = 16;
    // Deepest nesting of containers a body may have (the root's entries are
    // depth 0).
    static constexpr int kMaxDepth = 1024;
    static constexpr uint32_t kIndexBuckets = 97;

    // One entry of a body, as CheckEntries has vouched for it.
    struct Entry {
        uint32_t start;       // offset of the length field
        uint32_t next;        // offset of the following entry
        const char* name;     // the name's bytes (not terminated)
        uint32_t nameLength;  // up to the first NUL, at most N
        uint8_t type;
        uint32_t valueStart;  // offset of the first value byte
        uint32_t valueSize;
    };

    TDBBinaryFile();

    // Reads header and body. False for a wrong magic, a negative body size,
    // a body size beyond the stream's length, no memory for the body, and
    // for a file object that still has live views of an earlier read (whose
    // body cannot be replaced under them). A body cut short or failing the
    // structure check is dropped and the result is still true.
    bool Read(TStream& stream) override;
    void Write(TStream& stream) override;
    // A new container view over the whole body; the null chunk without a
    // body or for a version other than 0 and 1.
    ChunkRef GetRoot() override;

    int32_t GetVersion() const { return m_version; }
    int32_t GetBodySize() const { return m_bodySize; }
    bool HasBody() const { return m_body != nullptr; }

    // The structure check of one span of entries: while more than 5 bytes
    // remain, the entry's type byte must lie inside the span, L >= N + 2,
    // and its 4 + L bytes must fit; a container's value must pass the same
    // check one level deeper (failing past kMaxDepth). A rest of 1 to 5
    // bytes is accepted. Time linear in the size, no recursion.
    static bool CheckEntries(const uint8_t* span, uint32_t size);

    // Work done on this file so far, for callers that check a walk's cost:
    // the views made of it, and the entries of its body decoded while
    // looking children up.
    uint64_t ViewsMade() const { return m_viewsMade; }
    uint64_t EntriesRead() const { return m_entriesRead; }

protected:
    ~TDBBinaryFile() override;

private:
    friend class TDBBinarySoup;
    friend class TDBDataChunk;

    struct OverlayRecord {
        uint32_t first = 0;   // value position of a hidden entry, or 0
        uint32_t second = 0;  // span start of the container edited
        ChunkRef chunk;       // the added child, or none
        Vek::PString name;    // the added child's name
        bool IsFree() const { return first == 0 && second == 0 && !chunk; }
    };
    using Overlay = Vek::DynamicArray<OverlayRecord, 16>;

    void FreeBody();
    void ClearOverlay();

    const uint8_t* Body() const { return m_body; }
    // Decodes the entry at `offset` of a span ending at `spanEnd`; false
    // when 5 bytes or fewer remain.
    bool EntryAt(uint32_t offset, uint32_t spanEnd, Entry& entry) const;

    // Overlay operations (views only).
    bool IsHidden(uint32_t valueStart, uint32_t spanStart) const;
    void StoreRecord(uint32_t first, uint32_t second, ChunkRef chunk, const Vek::PString& name);
    void RemoveRecord(OverlayRecord* record);
    // The addition record of a container that holds that very chunk.
    OverlayRecord* FindAddition(uint32_t spanStart, const ACSChunk* chunk);
    // Calls f(record) for each addition of a container, in list order.
    template <typename F>
    void ForEachAddition(uint32_t spanStart, F&& f) const {
        for (const OverlayRecord& record : m_overlay)
            if (record.first == 0 && record.second == spanStart && record.chunk)
                if (!f(record)) return;
    }
    // Changes with every stored or removed record; views compare it with
    // the one their cached count was made under.
    uint32_t EditGeneration() const { return m_editGeneration; }
    // A number that tells this file object apart from every other one made
    // in the process (decoded copies remember their file by it).
    uint64_t Serial() const { return m_serial; }

    void ViewMade() {
        m_liveViews.fetch_add(1, std::memory_order_relaxed);
        ++m_viewsMade;
    }
    void ViewGone() { m_liveViews.fetch_sub(1, std::memory_order_relaxed); }

    int32_t m_version = -1;
    int32_t m_bodySize = 0;
    void* m_bodyBlock = nullptr;  // as allocated
    uint8_t* m_body = nullptr;    // 16-byte aligned inside m_bodyBlock
    Overlay m_overlay;
    std::vector<OverlayRecord*> m_index[kIndexBuckets];
    bool m_edited = false;
    uint32_t m_editGeneration = 0;
    uint64_t m_serial;
    std::atomic<int32_t> m_liveViews{0};
    uint64_t m_viewsMade = 0;
    mutable uint64_t m_entriesRead = 0;
};
