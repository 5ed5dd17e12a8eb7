#pragma once
// GSImageReader: reads a script-library image (kept whole in memory) word by
// word, never past what is really there. Besides the image's end it keeps a
// limit, the end of the chunk being read: entering a chunk checks that the
// chunk lies inside the current limit and narrows the limit to it, so every
// count, table and text of a chunk is read from inside that chunk. Any read,
// skip or chunk that would cross the limit fails and leaves the reader in
// its failed state, in which every later operation fails too.
//
// Words are little-endian and need not be aligned (only some sections of an
// image are padded).
#include <cstdint>
#include <cstring>

namespace GSRuntime {

// The little-endian 32-bit word at `p` (any alignment).
inline uint32_t GSImageWord(const uint8_t* p) {
    uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

class GSImageReader {
public:
    // A chunk being read: where it starts and ends, and the limit to go back
    // to when it is left.
    struct Chunk {
        uint32_t start = 0;
        uint32_t end = 0;
        uint32_t outerLimit = 0;
    };

    GSImageReader(const uint8_t* data, uint32_t length) : m_data(data), m_length(length), m_limit(length) {}

    bool Failed() const { return m_failed; }
    uint32_t Position() const { return m_position; }
    uint32_t Limit() const { return m_limit; }
    uint32_t Remaining() const { return m_failed ? 0 : m_limit - m_position; }
    const uint8_t* Data() const { return m_data; }
    uint32_t Length() const { return m_length; }

    bool ReadUInt32(uint32_t& out);
    bool ReadInt32(int32_t& out);
    // Moves forward by n bytes.
    bool Skip(uint64_t n);
    // Moves to an absolute position at or before the limit.
    bool SeekTo(uint64_t position);
    // Rounds the position up to a multiple of 4 (counted from the image's
    // start).
    bool AlignTo4();
    // True when `count` records of `recordSize` bytes fit before the limit.
    bool Fits(uint64_t count, uint64_t recordSize) const {
        return !m_failed && count * recordSize <= m_limit - m_position;
    }

    // Reads a chunk's length and tag at the position. Fails when the length
    // is below 8, the chunk crosses the current limit, or the tag differs
    // from `tag`. Then the limit is the chunk's end.
    bool EnterChunk(uint32_t tag, Chunk& chunk);
    // Goes to the chunk's end and restores the outer limit.
    bool LeaveChunk(const Chunk& chunk);
    // Restores the outer limit and moves to `position` (inside the outer
    // limit); for chunks whose reading continues where their content ended.
    bool LeaveChunkAt(const Chunk& chunk, uint32_t position);

    // Makes every later operation fail.
    void Fail() { m_failed = true; }

private:
    const uint8_t* m_data;
    uint32_t m_length;
    uint32_t m_position = 0;
    uint32_t m_limit;
    bool m_failed = false;
};

}  // namespace GSRuntime
