#include "engine/IOSlave.h"

#include <cstring>

#include "engine/DynamicBuffer.h"
#include "engine/File.h"

namespace Vek {

IOSlaveMemory::IOSlaveMemory(const void* data, std::size_t size)
    : m_source(static_cast<const uint8_t*>(data)), m_size(data ? size : 0) {}

IOSlaveMemory::IOSlaveMemory(void* data, std::size_t capacity, bool writable)
    : m_source(static_cast<const uint8_t*>(data)),
      m_destination(writable ? static_cast<uint8_t*>(data) : nullptr),
      m_size(data ? capacity : 0) {
    // A writable block is read back only as far as it has been written.
    if (!writable) m_writePosition = m_size;
}

IOSlaveMemory::IOSlaveMemory(DynamicBuffer* buffer) : m_buffer(buffer) {}

std::size_t IOSlaveMemory::Read(void* destination, std::size_t n) {
    if (m_buffer) return m_buffer->Read(destination, n);
    const std::size_t limit = m_destination ? m_writePosition : m_size;
    if (!m_source || m_readPosition >= limit || !destination) return 0;
    const std::size_t take = n < limit - m_readPosition ? n : limit - m_readPosition;
    std::memcpy(destination, m_source + m_readPosition, take);
    m_readPosition += take;
    return take;
}

std::size_t IOSlaveMemory::Write(const void* source, std::size_t n) {
    if (m_buffer) return n == 0 ? 0 : m_buffer->Write(source, n);
    if (!m_destination || !source || m_writePosition >= m_size) return 0;
    const std::size_t take = n < m_size - m_writePosition ? n : m_size - m_writePosition;
    std::memcpy(m_destination + m_writePosition, source, take);
    m_writePosition += take;
    return take;
}

std::size_t IOSlaveFile::Read(void* destination, std::size_t n) {
    return m_file ? m_file->Read(destination, n) : 0;
}

std::size_t IOSlaveFile::Write(const void* source, std::size_t n) {
    return m_file ? m_file->Write(source, n) : 0;
}

}  // namespace Vek
