#pragma once
// ScriptSourceFile: one GameScript source in memory, plain (".gs") or
// packed (".gse"), and the conversions between the two.
//
// Packed file (".gse"), little-endian:
//   offset 0   uint32 version (1 unless a packed load stored another value)
//   offset 4   uint32 0 (ignored when read)
//   offset 8   uint32 block length N, 1 to 0x2000000
//   offset 12  uint32 0 (ignored when read)
//   offset 16  N bytes: the scrambled block
// The block before scrambling is uint32 U (the text length, at most
// 0x4000000) followed by the text as one LZSS block at level 9
// (engine/Compress.h). Scrambling XORs byte i of the whole block with byte
// i mod 32 of a fixed key; doing it twice restores the block.
//
// Plain file (".gs"): the text bytes, at most 0x4000000, no terminator.
//
// The text handed to the compiler has LF line ends only.
#include <cstdint>

#include "engine/File.h"
#include "engine/PString.h"

// A text that the next plain load or unpack places in front of the file's
// text; that load records its length and empties it, so it applies to one
// source only. Initially empty.
Vek::PString& ScriptSourcePrefix();

class ScriptSourceFile {
public:
    static constexpr uint32_t kMaxTextLength = 0x4000000;
    static constexpr uint32_t kMaxBlockLength = 0x2000000;
    static constexpr uint32_t kHeaderSize = 16;
    static constexpr int kPackLevel = 9;

    ScriptSourceFile();
    ~ScriptSourceFile();
    ScriptSourceFile(const ScriptSourceFile&) = delete;
    ScriptSourceFile& operator=(const ScriptSourceFile&) = delete;

    // Frees the data; both paths empty, lengths 0, version 0.
    void Clear();
    // Clear, then version 1 and prefix length 0.
    void Reset();

    // Reads `path` (through the substitution `archive` when not empty): a
    // ".gs" file as text, a ".gse" file still packed. False for any other
    // extension or a missing or unreadable file.
    bool Load(const char* archive, const char* path);
    // Writes the packed form for ".gse", the text for ".gs"; false for any
    // other extension or when the file cannot be replaced or written.
    bool Save(const char* archive, const char* path);

    // Compresses and scrambles the text. False, nothing changed, when the
    // text is empty, too long for a packed file, or does not come back
    // unchanged from its packed form. True at once when already packed.
    bool Pack();
    // Unscrambles and decompresses the block. A block that does not give
    // back its stored length clears the source (false). True at once when
    // not packed.
    bool Unpack();
    // XORs the data with the key.
    void Scramble();
    // Turns CR LF, LF CR, and single CRs into LF within the text.
    void NormaliseLineEnds();

    bool LoadPlain();
    bool LoadPacked();
    bool SavePlain();
    bool SavePacked();

    // The text (unpacked first when packed; null when that fails).
    const char* GetText();
    // The text length (unpacking first when it is still unknown; 0 when
    // that fails).
    uint32_t GetTextLength();

    bool IsPacked() const { return m_packed; }
    const uint8_t* GetData() const { return m_data; }
    uint32_t GetDataLength() const { return m_dataLength; }
    uint32_t GetVersion() const { return m_version; }
    uint32_t GetPrefixLength() const { return m_prefixLength; }
    const Vek::File::Path& GetSourcePath() const { return m_sourcePath; }
    const Vek::File::Path& GetOutputPath() const { return m_outputPath; }

    // The 32-byte scrambling key.
    static const uint8_t kKey[32];

private:
    bool Replace(const Vek::File::Path& path, const void* header, uint32_t headerLength, const void* body,
                 uint32_t bodyLength);

    Vek::File::Path m_sourcePath;
    Vek::File::Path m_outputPath;
    const char* m_archive = nullptr;  // not owned
    uint8_t* m_data = nullptr;
    bool m_packed = false;
    uint32_t m_version = 1;
    uint32_t m_dataLength = 0;
    uint32_t m_textLength = 0;
    uint32_t m_prefixLength = 0;
};
