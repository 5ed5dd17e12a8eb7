#include "engine/DynamicBuffer.h"

#include <cstring>

#include "engine/Alloc.h"

namespace Vek {

DynamicBuffer::DynamicBuffer(std::size_t initialSize, std::size_t growStep) : m_growStep(growStep ? growStep : 512) {
    if (initialSize) Reserve(initialSize);
}

DynamicBuffer::~DynamicBuffer() { Alloc::Delete(m_data); }

bool DynamicBuffer::Reserve(std::size_t size) {
    if (size <= m_allocated) return true;
    void* grown = Alloc::Resize(m_data, size);
    if (!grown) return false;
    m_data = static_cast<uint8_t*>(grown);
    m_allocated = size;
    return true;
}

std::size_t DynamicBuffer::Read(void* destination, std::size_t n) {
    if (m_position >= m_dataSize) return 0;
    std::size_t count = m_dataSize - m_position;
    if (count > n) count = n;
    std::memcpy(destination, m_data + m_position, count);
    m_position += count;
    return count;
}

std::size_t DynamicBuffer::Write(const void* source, std::size_t n) {
    if (n == 0) return 0;
    std::size_t end = m_position + n;
    if (end < m_position) return 0;  // overflow
    if (end > m_allocated) {
        std::size_t want = m_allocated + m_growStep;
        if (want < end) want = end;
        if (!Reserve(want)) return 0;
    }
    std::memcpy(m_data + m_position, source, n);
    m_position = end;
    if (m_position > m_dataSize) m_dataSize = m_position;
    return n;
}

bool DynamicBuffer::AddLength(std::size_t n) { return Reserve(m_allocated + n); }

void DynamicBuffer::Clean() {
    m_position = 0;
    m_dataSize = 0;
}

}  // namespace Vek
