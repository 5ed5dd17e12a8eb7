#pragma once
// GSLibraryBuffer: the growable, 4-aligned byte buffer that carries generated
// bytecode and script-library images, while they are written and while they
// are read back. Failures are kept in sticky flags instead of results:
//   bit 0 (kOutOfMemory): no block, or an allocation failed; later writes are
//          skipped;
//   bit 1 (kPastEnd): a read or a position move went past the length.
// Both stay set until Init or Reset. Values are stored little-endian.
// Memory comes from the engine allocator.
#include <cstddef>
#include <cstdint>

class GSLibraryBuffer {
public:
    enum : uint32_t { kOutOfMemory = 1u << 0, kPastEnd = 1u << 1 };

    GSLibraryBuffer() = default;
    ~GSLibraryBuffer() { Free(); }
    GSLibraryBuffer(const GSLibraryBuffer&) = delete;
    GSLibraryBuffer& operator=(const GSLibraryBuffer&) = delete;

    // Frees any old block, zeroes flags, position and length, and allocates a
    // block of `growthStep` usable bytes (its failure shows at the next write).
    void Init(uint32_t growthStep);
    // Frees the block and zeroes every field, the growth step included.
    void Free();
    // Init with the current growth step.
    void Reset();

    // Makes sure n bytes are usable: when n is at least the capacity, grows to
    // n + growth step or twice the capacity, whichever is more (the block is
    // resized, keeping the length bytes); then the length becomes at least n.
    // Without a block, or when the allocation fails: flag bit 0.
    void EnsureSize(uint32_t n);

    // Writers: EnsureSize(position + size), then, unless flag bit 0 is set,
    // store at the position and advance. Skip advances without writing.
    void WriteUInt8(uint8_t value) { Write(&value, 1); }
    void WriteUInt16(uint16_t value) {
        const uint8_t bytes[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
        Write(bytes, 2);
    }
    void WriteUInt32(uint32_t value) {
        const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                  static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
        Write(bytes, 4);
    }
    // Inline while the bytes fit the block (the common case of code and
    // image writing, mostly a few bytes at a time); growth and failures go
    // through WriteSlow.
    void Write(const void* data, uint32_t n) {
        if ((m_flags & kOutOfMemory) == 0 && n < m_capacity && m_position < m_capacity - n) {
            if (n > 0) __builtin_memcpy(m_data + m_position, data, n);
            m_position += n;
            if (m_position > m_length) m_length = m_position;
            return;
        }
        WriteSlow(data, n);
    }
    void Skip(uint32_t n);
    // Puts n bytes in front of the contents: the length grows by n and the
    // position moves with the byte it was at. Skipped (and flagged) like a
    // write.
    void Prepend(const void* data, uint32_t n);

    // Readers: when position + size exceeds the length, flag bit 1 and
    // nothing read (the output stays untouched); else read and advance.
    void ReadUInt8(uint8_t& out) { Read(&out, 1); }
    void ReadUInt16(uint16_t& out);
    void ReadUInt32(uint32_t& out);
    // Read also tells whether it read.
    bool Read(void* destination, uint32_t n);

    // Moves the position; a target beyond the length sets flag bit 1 and
    // keeps the position.
    void SetPosition(uint32_t position);

    uint32_t Flags() const { return m_flags; }
    bool HasFailed() const { return m_flags != 0; }
    uint32_t GrowthStep() const { return m_growthStep; }
    uint32_t Position() const { return m_position; }
    uint32_t Length() const { return m_length; }
    uint32_t Capacity() const { return m_capacity; }
    uint8_t* Data() { return m_data; }
    const uint8_t* Data() const { return m_data; }

private:
    // Room for n more bytes at the position; false when a write must be skipped.
    bool Prepare(uint32_t n);
    void WriteSlow(const void* data, uint32_t n);

    uint32_t m_flags = 0;
    uint32_t m_growthStep = 0;
    uint32_t m_position = 0;
    uint32_t m_length = 0;
    uint32_t m_capacity = 0;
    uint8_t* m_data = nullptr;
    void* m_rawBlock = nullptr;
};
