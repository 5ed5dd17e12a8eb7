#pragma once
// Block compression: the engine's LZSS codec.
//
// Two users share it: packed script sources (".gse") store one block, and
// content archives store "LZSS" file data as a stream. Both formats below
// are this engine's own; files packed by other tools' codecs do not read.
//
// Block format (CompressBlock / DecompressBlock)
// ---------------------------------------------
// A block carries no header: its user stores the unpacked length elsewhere.
// The encoded bytes are groups of one flag byte followed by up to eight
// items. Flag bits are read from the least significant bit up; each bit
// describes the next item:
//   1  literal: one byte, copied to the output;
//   0  match: two bytes b0 b1. distance = (((b1 & 0xF0) << 4) | b0) + 1,
//      1 to 4096; length = (b1 & 0x0F) + 3, 3 to 18. The match copies
//      `length` bytes one at a time from `distance` bytes back in the
//      output, so it may overlap the bytes it produces (runs).
// The block ends where its bytes end. The encoder never writes a flag byte
// without at least one item after it; the unused bits of the last flag
// byte are 0 and mean nothing. A decoder refuses: a match
// reaching before the start of the output, an item cut off by the end of
// the block, a flag byte with no item after it, and output beyond the
// caller's capacity. Worst case an encoded block is n + ceil(n / 8) bytes
// (every item a literal), MaxCompressedSize.
//
// Stream format (Encode / Decode)
// -------------------------------
// A stream is a run of chunks, each at most 65536 unpacked bytes, closed by
// an end chunk; each chunk stands alone (matches never reach into the
// chunk before):
//   uint32 U   unpacked bytes of this chunk, 1 to 65536; 0 ends the stream
//   uint32 E   bit 31 set: the chunk is stored, E & 0x7FFFFFFF == U raw
//              bytes follow; clear: E bytes of one encoded block follow
//   uint32 A   Adler-32 of the chunk's unpacked bytes (1 for the end chunk)
//   E bytes    the chunk's data (none for the end chunk, whose E is 0)
// All words are little-endian. A decoder refuses a chunk whose lengths are
// out of range or run past the source, a block that does not decode to
// exactly U bytes, a checksum that does not match, a missing end chunk and
// bytes after the end chunk. An empty input is the end chunk alone
// (12 bytes).
//
// Levels: 0 stores every byte as a literal; 1 to 9 search more and more
// earlier positions for the longest match (9 is the most thorough). Values
// outside 0 to 9 are clamped. Decoding does not depend on the level.
#include <cstddef>
#include <cstdint>

#include "engine/ReferenceCount.h"

namespace Vek {

class IOSlave;

// A block codec. Objects are reference counted: the creator holds the first
// reference and drops it with ReleaseReference.
class Compress : public ReferenceCount {
public:
    // Encodes `sourceLength` bytes into at most `capacity` bytes at
    // `destination`. Returns the encoded size, or -1 when it does not fit
    // (nothing is written past `capacity`). An empty source gives 0.
    virtual int64_t CompressBlock(void* destination, std::size_t capacity, const void* source,
                                  std::size_t sourceLength, int level) = 0;
    // Decodes a whole block into at most `capacity` bytes (the length the
    // caller expects). Returns the bytes produced, or -1 when the block is
    // damaged or would produce more than `capacity` bytes. A caller that
    // expects exactly n bytes compares the result with n.
    virtual int64_t DecompressBlock(void* destination, std::size_t capacity, const void* source,
                                    std::size_t sourceLength) = 0;

    // Encodes `sourceLength` bytes read from `source` as a stream written to
    // `destination`. False when the source gives fewer bytes or the
    // destination takes fewer.
    virtual bool Encode(IOSlave& destination, IOSlave& source, std::size_t sourceLength, int level) = 0;
    // Decodes a stream of exactly `sourceLength` encoded bytes read from
    // `source` into `destination`. False on a damaged or short stream or
    // when the destination takes fewer bytes; bytes decoded before the fault
    // may already be written.
    virtual bool Decode(IOSlave& destination, IOSlave& source, std::size_t sourceLength) = 0;

protected:
    ~Compress() override = default;
};

class LZSSCompress : public Compress {
public:
    static constexpr std::size_t kWindowSize = 4096;
    static constexpr std::size_t kMinMatch = 3;
    static constexpr std::size_t kMaxMatch = 18;
    static constexpr std::size_t kStreamChunkSize = 65536;
    static constexpr int kMaxLevel = 9;

    LZSSCompress() = default;

    // Room an encoded block of n bytes may need.
    static std::size_t MaxCompressedSize(std::size_t n) { return n + (n + 7) / 8; }

    int64_t CompressBlock(void* destination, std::size_t capacity, const void* source,
                          std::size_t sourceLength, int level) override;
    int64_t DecompressBlock(void* destination, std::size_t capacity, const void* source,
                            std::size_t sourceLength) override;
    bool Encode(IOSlave& destination, IOSlave& source, std::size_t sourceLength, int level) override;
    bool Decode(IOSlave& destination, IOSlave& source, std::size_t sourceLength) override;

    // Adler-32 of n bytes, as the stream chunks carry it.
    static uint32_t Adler32(const void* data, std::size_t n);

protected:
    ~LZSSCompress() override = default;
};

}  // namespace Vek
