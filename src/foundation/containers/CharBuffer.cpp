#include "foundation/containers/CharBuffer.h"

#include <cstring>

#include "engine/Alloc.h"

CharBuffer::~CharBuffer() { Vek::Alloc::Delete(m_data); }

bool CharBuffer::Reserve(uint32_t n) {
    if (m_capacity >= n) return true;
    const uint64_t capacity = (static_cast<uint64_t>(n) + kGranularity - 1) / kGranularity * kGranularity;
    if (capacity > UINT32_MAX) return false;
    char* data = static_cast<char*>(Vek::Alloc::New(static_cast<std::size_t>(capacity)));
    if (!data) return false;
    if (m_length > 0) std::memcpy(data, m_data, m_length);
    Vek::Alloc::Delete(m_data);
    m_data = data;
    m_capacity = static_cast<uint32_t>(capacity);
    return true;
}

bool CharBuffer::Append(char character) {
    if (m_length == UINT32_MAX || !Reserve(m_length + 1)) return false;
    m_data[m_length++] = character;
    return true;
}

bool CharBuffer::Append(const char* text, uint32_t n) {
    if (n == 0) return true;
    if (!text || n > UINT32_MAX - m_length || !Reserve(m_length + n)) return false;
    std::memcpy(m_data + m_length, text, n);
    m_length += n;
    return true;
}

bool CharBuffer::Resize(uint32_t n) {
    if (!Reserve(n)) return false;
    if (n > m_length) std::memset(m_data + m_length, 0, n - m_length);
    m_length = n;
    return true;
}

const char* CharBuffer::CStr() {
    if (m_length == UINT32_MAX || !Reserve(m_length + 1)) return nullptr;
    m_data[m_length] = '\0';
    return m_data;
}
