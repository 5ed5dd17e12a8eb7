#pragma once
// A growable memory block with a position, an allocated size and a data
// size (the high-water mark of what was written).
#include <cstddef>
#include <cstdint>

namespace Vek {

class DynamicBuffer {
public:
    // `initialSize` bytes are allocated at once; the block then grows in
    // steps of at least `growStep` bytes.
    explicit DynamicBuffer(std::size_t initialSize = 0, std::size_t growStep = 512);
    ~DynamicBuffer();
    DynamicBuffer(const DynamicBuffer&) = delete;
    DynamicBuffer& operator=(const DynamicBuffer&) = delete;

    std::size_t Position() const { return m_position; }
    std::size_t AllocatedSize() const { return m_allocated; }
    std::size_t DataSize() const { return m_dataSize; }
    uint8_t* Data() { return m_data; }
    const uint8_t* Data() const { return m_data; }

    // Moves the position, clamped to the allocated size.
    void SetPosition(std::size_t position) { m_position = position > m_allocated ? m_allocated : position; }
    // Copies up to `n` bytes of data from the position; returns the count.
    std::size_t Read(void* destination, std::size_t n);
    // Writes at the position, growing the block; returns n, or 0 when the
    // block could not grow (nothing is written then).
    std::size_t Write(const void* source, std::size_t n);
    // Grows the allocation by `n` bytes; false when out of memory.
    bool AddLength(std::size_t n);
    // Empties the block: position and data size 0 (the allocation stays).
    void Clean();

private:
    bool Reserve(std::size_t size);

    uint8_t* m_data = nullptr;
    std::size_t m_position = 0;
    std::size_t m_allocated = 0;
    std::size_t m_dataSize = 0;
    std::size_t m_growStep;
};

}  // namespace Vek
