#include "engine/meshfile/MemoryFile.h"

#include <algorithm>
#include <cstring>

namespace Vek {

bool MemoryFile::Open(File& file) {
    Close();
    if (!file.IsValid()) return false;
    // One block of the bytes the file says are left; should it hold more,
    // the block grows (doubling) until the reads run dry.
    const int64_t length = file.Length(), position = file.Tell();
    std::size_t capacity = length > position ? static_cast<std::size_t>(length - position) : 0;
    std::size_t size = 0;
    std::unique_ptr<uint8_t[]> data(capacity ? new uint8_t[capacity] : nullptr);
    for (;;) {
        if (size == capacity) {
            uint8_t probe[65536];
            const std::size_t n = file.Read(probe, sizeof probe);
            if (n == 0) break;
            const std::size_t grown = std::max(2 * capacity, size + n);
            std::unique_ptr<uint8_t[]> larger(new uint8_t[grown]);
            if (size) std::memcpy(larger.get(), data.get(), size);
            std::memcpy(larger.get() + size, probe, n);
            data = std::move(larger);
            capacity = grown;
            size += n;
            continue;
        }
        const std::size_t n = file.Read(data.get() + size, capacity - size);
        if (n == 0) break;
        size += n;
    }
    m_owned = std::move(data);
    m_data = m_owned.get();
    m_length = size;
    m_position = 0;
    m_open = true;
    return true;
}

void MemoryFile::Open(const void* data, std::size_t length) {
    Close();
    if (length) {
        m_owned.reset(new uint8_t[length]);
        std::memcpy(m_owned.get(), data, length);
        m_data = m_owned.get();
        m_length = length;
    }
    m_open = true;
}

void MemoryFile::OpenView(const void* data, std::size_t length) {
    Close();
    m_data = length ? static_cast<const uint8_t*>(data) : nullptr;
    m_length = length;
    m_open = true;
}

void MemoryFile::Close() {
    m_owned.reset();
    m_data = nullptr;
    m_length = 0;
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
    if (n) std::memcpy(destination, m_data + m_position, n);
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
