#pragma once
// SoupHandle: the way the rest of the program reads and writes
// configuration soups. A handle is one counted pointer to the root chunk
// of a soup: an editable TDBContainerTag or a read-only view of a loaded
// binary file (TDBBinarySoup), whose edits go to the file's overlay. Every
// operation works on both.
//
// - A null handle means "no soup"; every query answers it without error
//   (0, empty text, the default). A handle never holds the null chunk or a
//   chunk of kind 0 (FromChunk turns those into a null handle).
// - Copying a handle shares the soup; CopyFrom is the deep copy.
// - Tag names are interned strings and match exactly, letter case
//   included. A soup may hold several tags of one name: the getters and
//   RemoveTag act on the first.
// - Getters convert between kinds (ConvertChunkKind): an integer tag reads
//   as text, a text tag that is a number reads as an integer, and so on.
// - Setters make the handle a container when it is null, remove the first
//   tag of the name and append a new tag at the end; values are never
//   changed in place, so copies that share value bytes stay independent.
//   On a binary view the old entry is hidden and the new tag follows all
//   body entries.
//
// A handle and its soup are used by one thread at a time.
#include <cstdint>

#include "engine/DynamicArray.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/ACSChunk.h"

class SoupHandle {
public:
    // The float array of GetFloatArray / SetFloatArray.
    using FloatArray = Vek::Array<float, 8>;

    SoupHandle() = default;
    SoupHandle(const SoupHandle&) = default;
    SoupHandle(SoupHandle&&) noexcept = default;
    // References the new soup before it releases the old one.
    SoupHandle& operator=(const SoupHandle&) = default;
    SoupHandle& operator=(SoupHandle&&) noexcept = default;

    // Null for a null chunk, the null chunk and a chunk of kind 0.
    static SoupHandle FromChunk(ChunkRef chunk);

    // Releases the soup; the handle becomes null (other holders keep it).
    void Clear() { m_root.Release(); }
    // True for a null handle, the null chunk or a chunk of kind 0. A
    // container without tags is not empty by this test.
    bool IsEmpty() const { return IsAbsentChunk(m_root); }
    // A null handle becomes a new empty TDBContainerTag; any other handle
    // stays as it is.
    void EnsureContainer();
    // The same, returning the root.
    ChunkRef EnsureContainerRef();

    // The root chunk (null for a null handle), for callers that need the
    // chunk interface itself.
    const ChunkRef& GetRoot() const { return m_root; }
    ACSChunk* Get() const { return m_root.Get(); }
    // Shares the same soup.
    bool operator==(const SoupHandle& other) const { return m_root == other.m_root; }

    // ---- queries ----
    int32_t Count() const;
    // Empty for a null handle or an index out of range.
    Vek::PString GetTagName(int32_t index) const;
    // 0 when missing.
    int32_t GetTagKind(const Vek::PString& name) const;
    // A tag of that name exists and is not of kind 0.
    bool HasTag(const Vek::PString& name) const;
    // A handle sharing the first tag of that name when it is a container,
    // else null. Changes through it change this soup.
    SoupHandle GetContainer(const Vek::PString& name) const;
    SoupHandle GetContainerAt(int32_t index) const;
    // The tag's value bytes as a view (no copy); null when missing, of kind
    // 0 or without bytes.
    RawDataRef GetData(const Vek::PString& name) const;
    // The first of "0", "1", "2", ... for which HasTag is false.
    Vek::PString GetFreeIndexTag() const;

    // ---- typed getters ----
    // The value converted to one 4-byte integer; else `defaultValue`.
    int32_t GetInt(const Vek::PString& name, int32_t defaultValue) const;
    // GetInt(name, defaultValue ? 1 : 0) != 0.
    bool GetBool(const Vek::PString& name, bool defaultValue) const;
    // The value converted to one 4-byte float; else `defaultValue`.
    float GetFloat(const Vek::PString& name, float defaultValue) const;
    // The value converted to one 8-byte KUID; else `defaultValue`. A text
    // that is no KUID converts to the null KUID, not to the default.
    KUID GetKUID(const Vek::PString& name, const KUID& defaultValue) const;
    // The value as text, up to its first NUL; empty when missing, of kind 0
    // or without a text form.
    Vek::PString GetString(const Vek::PString& name) const;
    // All floats of the value (the array is emptied first); true when there
    // is at least one. The asset tools read the tag "camera" this way.
    bool GetFloatArray(const Vek::PString& name, FloatArray& out) const;

    // ---- setters (remove the first tag of the name, append the new one) ----
    void SetInt(const Vek::PString& name, int32_t value);
    void SetBool(const Vek::PString& name, bool value);
    void SetFloat(const Vek::PString& name, float value);
    // 4 bytes per float; an empty array only removes the tag.
    void SetFloatArray(const Vek::PString& name, const FloatArray& values);
    // 8 bytes: packed word, then content id.
    void SetKUID(const Vek::PString& name, const KUID& kuid);
    // The text and its NUL; an empty (or null) text stores a text tag
    // without bytes, which HasTag reports but no getter reads.
    void SetString(const Vek::PString& name, const char* text);
    // A tag of kind 0: present, but absent for HasTag.
    void SetEmpty(const Vek::PString& name);
    // Stores the child soup itself, shared, not copied. Both handles are
    // made containers first, so a null child becomes a new empty container
    // that the caller's handle holds too. A soup must not be stored inside
    // itself.
    void SetContainer(const Vek::PString& name, SoupHandle& child);

    // ---- other edits ----
    // Removes the first tag of that name; nothing when there is none.
    void RemoveTag(const Vek::PString& name);
    // Removes the tag that holds that chunk.
    void RemoveChunk(const ChunkRef& child);
    // This handle becomes a new editable container holding a deep copy of
    // `source` (an empty container for a null source). Value bytes are
    // shared, nodes are new, also when the source is a binary view.
    void CopyFrom(const SoupHandle& source);

private:
    explicit SoupHandle(ChunkRef root) : m_root(std::move(root)) {}
    // The first tag of that name, or null when missing or of kind 0.
    ChunkRef FindTag(const Vek::PString& name) const;
    // The first tag's value converted to `kind`; null when there is none.
    RawDataRef Converted(const Vek::PString& name, int32_t kind) const;
    void SetValue(const Vek::PString& name, int32_t kind, RawDataRef block);

    ChunkRef m_root;
};
