#pragma once
// A read-only container view into a loaded binary soup (TDBBinaryFile): a
// span of entries in the file's body, decoded on demand.
//
// Its children are the visible entries of the span (those no hiding record
// of the file's overlay names), in order, followed by the additions made
// to this container, in the overlay's list order. Free records are reused,
// so an addition made after a removal can come before older additions.
// Edits are kept in the file under the span's start, so every view of the
// same container sees them.
//
// Entry types and what they decode to:
//   0  a container view of the value span
//   1  integers (kind 6)    2  floats (kind 3)    4  raw bytes (kind 2)
//   13 KUIDs (kind 7)
//   12 raw bytes after padding up to the next 16-byte boundary of the body
//   3  a text (kind 4): in a version-1 file a view of the bytes; in a
//      version-0 file an editable copy converted from Windows-1252 to UTF-8
//   any other type: a value of kind 0
// A number value (kinds 3, 6, 7) that does not start on a 4-byte boundary
// gets an aligned copy of its bytes; every other value is viewed in place.
// Views are made afresh on every lookup.
#include "foundation/soups/ACSChunk.h"
#include "foundation/soups/TDBBinaryFile.h"

class TDBBinarySoup : public ACSChunk {
public:
    TDBBinarySoup(CountedRef<TDBBinaryFile> file, uint32_t spanStart, uint32_t spanSize);

    // The first visible entry whose name has exactly those bytes, else the
    // first addition of that (interned) name, else the null chunk.
    ChunkRef GetChild(const Vek::PString& name) const override;
    // Visible entries plus additions.
    int32_t Count() const override;
    // Visible entries first, then the additions; each addition gives its own
    // name and chunk.
    bool GetChildAt(int32_t index, Vek::PString& name, ChunkRef& chunk) const override;
    const ChunkChild* ChildAt(int32_t index) const override;
    // A null chunk, or one this container already has as an addition, adds
    // nothing; otherwise an addition record is stored.
    void AppendChild(const Vek::PString& name, ChunkRef chunk) override;
    // Removes the addition holding the chunk; or, for a child decoded from a
    // visible entry of this container (a view, or a version-0 text copy, of
    // the same file), hides that entry. Anything else removes nothing.
    void RemoveChild(ChunkRef chunk) override;
    // New children of a view are editable nodes (TDBContainerTag or
    // TDBDataTag).
    ChunkRef CreateChunk(int32_t kind, RawDataRef block) override;
    int32_t GetKind() const override { return ACSKind::kContainer; }

    const TDBBinaryFile* GetFile() const { return m_file.Get(); }
    uint32_t GetSpanStart() const { return m_spanStart; }
    uint32_t GetSpanSize() const { return m_spanSize; }

protected:
    ~TDBBinarySoup() override;

private:
    using Entry = TDBBinaryFile::Entry;

    uint32_t SpanEnd() const { return m_spanStart + m_spanSize; }
    // The next visible entry at or after `offset`; false at the span's end.
    bool NextVisible(uint32_t offset, Entry& entry) const;
    ChunkRef Decode(const Entry& entry) const;
    // True when `chunk` was decoded from the entry whose value starts at
    // `valueStart` in this view's file (gives that position).
    bool DecodedPosition(const ACSChunk* chunk, uint32_t& valueStart) const;

    CountedRef<TDBBinaryFile> m_file;
    uint32_t m_spanStart;
    uint32_t m_spanSize;

    // Cached child count, valid for the file's edit generation it was made in.
    mutable int32_t m_count = -1;
    mutable uint32_t m_countGeneration = 0;
    // Where the last GetChildAt stopped, so that walking the children in
    // order does not rescan the span from its start each time.
    mutable int32_t m_cursorIndex = -1;
    mutable uint32_t m_cursorOffset = 0;
    mutable uint32_t m_cursorGeneration = 0;
    // The pair ChildAt lent last.
    mutable ChunkChild m_lent;
};
