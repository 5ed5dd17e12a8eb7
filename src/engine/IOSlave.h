#pragma once
// Byte sources and sinks for the block codecs (engine/Compress.h).
//
// An IOSlave moves bytes in one direction or both: Read hands out up to n
// bytes and returns how many it gave (0 at the end), Write takes up to n
// bytes and returns how many it stored (fewer means the sink is full or
// failed). Neither throws.
#include <cstddef>
#include <cstdint>

namespace Vek {

class DynamicBuffer;
class File;

class IOSlave {
public:
    IOSlave() = default;
    virtual ~IOSlave() = default;
    IOSlave(const IOSlave&) = delete;
    IOSlave& operator=(const IOSlave&) = delete;

    virtual std::size_t Read(void* destination, std::size_t n) = 0;
    virtual std::size_t Write(const void* source, std::size_t n) = 0;
};

// A memory block. Three forms:
//   - a read-only source over `size` bytes (writes store nothing);
//   - a fixed destination of `capacity` bytes (reads give what was written);
//   - a growing destination appending to a DynamicBuffer at its position.
class IOSlaveMemory : public IOSlave {
public:
    IOSlaveMemory(const void* data, std::size_t size);
    IOSlaveMemory(void* data, std::size_t capacity, bool writable);
    explicit IOSlaveMemory(DynamicBuffer* buffer);

    std::size_t Read(void* destination, std::size_t n) override;
    std::size_t Write(const void* source, std::size_t n) override;

    // Read position and write position within the fixed block.
    std::size_t ReadPosition() const { return m_readPosition; }
    std::size_t WritePosition() const { return m_writePosition; }

private:
    const uint8_t* m_source = nullptr;
    uint8_t* m_destination = nullptr;
    std::size_t m_size = 0;  // bytes readable (source) or capacity (destination)
    std::size_t m_readPosition = 0;
    std::size_t m_writePosition = 0;
    DynamicBuffer* m_buffer = nullptr;
};

// An open engine file, borrowed: reads and writes go to its current
// position; the file stays open and belongs to the caller.
class IOSlaveFile : public IOSlave {
public:
    explicit IOSlaveFile(File* file) : m_file(file) {}

    std::size_t Read(void* destination, std::size_t n) override;
    std::size_t Write(const void* source, std::size_t n) override;

private:
    File* m_file;
};

}  // namespace Vek
