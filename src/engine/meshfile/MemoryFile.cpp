#include "engine/meshfile/MemoryFile.h"

#include <cstring>

namespace Vek {

bool MemoryFile::Open(File& file) {
    Close();
    if (!file.IsValid()) return false;
    std::vector<uint8_t> data;
    uint8_t buffer[65536];
    for (;;) {
        std::size_t n = file.Read(buffer, sizeof buffer);
        if (n == 0) break;
        data.insert(data.end(), buffer, buffer + n);
    }
    m_data = std::move(data);
    m_position = 0;
    m_open = true;
    return true;
}

void MemoryFile::Open(const void* data, std::size_t length) {
    Close();
    if (length) m_data.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
    m_open = true;
}

void MemoryFile::Close() {
    std::vector<uint8_t>().swap(m_data);
    m_position = 0;
    m_open = false;
}

bool MemoryFile::Skip(std::size_t n) {
    if (n > Remaining()) return false;
    m_position += n;
    return true;
}

bool MemoryFile::Read(void* destination, std::size_t n) {
    if (n > Remaining()) return false;
    if (n) std::memcpy(destination, m_data.data() + m_position, n);
    m_position += n;
    return true;
}

bool MemoryFile::ReadTag(char (&tag)[5]) {
    std::memset(tag, 0, sizeof tag);
    char bytes[4] = {0, 0, 0, 0};
    bool ok = Read(bytes, 4);
    std::memcpy(tag, bytes, 4);
    return ok;
}

bool MemoryFile::ReadTagIs(const char* expected) {
    char tag[5];
    ReadTag(tag);
    return std::strncmp(tag, expected, 4) == 0 && std::strlen(expected) == 4;
}

bool MemoryFile::PeekTag(const char* expected) {
    if (Remaining() < 4) return false;
    bool equal = ReadTagIs(expected);
    PutBack(4);
    return equal;
}

}  // namespace Vek
