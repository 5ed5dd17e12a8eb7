#include "foundation/containers/GSLibraryBuffer.h"

#include <algorithm>
#include <cstring>

#include "engine/Alloc.h"

namespace {

uint8_t* AlignTo4(void* block) {
    return reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(block) + 3) & ~static_cast<uintptr_t>(3));
}

}  // namespace

void GSLibraryBuffer::Init(uint32_t growthStep) {
    Vek::Alloc::Delete(m_rawBlock);
    m_growthStep = growthStep;
    m_flags = 0;
    m_position = 0;
    m_length = 0;
    m_rawBlock = Vek::Alloc::New(static_cast<std::size_t>(growthStep) + 3);
    m_data = m_rawBlock ? AlignTo4(m_rawBlock) : nullptr;
    m_capacity = m_rawBlock ? growthStep : 0;
}

void GSLibraryBuffer::Free() {
    Vek::Alloc::Delete(m_rawBlock);
    m_rawBlock = nullptr;
    m_data = nullptr;
    m_flags = 0;
    m_growthStep = 0;
    m_position = 0;
    m_length = 0;
    m_capacity = 0;
}

void GSLibraryBuffer::Reset() { Init(m_growthStep); }

void GSLibraryBuffer::EnsureSize(uint32_t n) {
    if (!m_rawBlock) {
        m_flags |= kOutOfMemory;
        return;
    }
    if (n >= m_capacity) {
        // At least the growth step past n, and at least double the old
        // capacity, so that a long run of writes copies each byte a bounded
        // number of times.
        const uint64_t capacity =
            std::max(static_cast<uint64_t>(n) + m_growthStep, static_cast<uint64_t>(m_capacity) * 2);
        // The block is resized in place where the allocator can (a large
        // block is remapped, not copied), so the bytes are not copied and
        // touched again at every doubling.
        const std::size_t offset = static_cast<std::size_t>(m_data - static_cast<uint8_t*>(m_rawBlock));
        void* block =
            capacity <= UINT32_MAX ? Vek::Alloc::Resize(m_rawBlock, static_cast<std::size_t>(capacity) + 3) : nullptr;
        if (!block) {
            m_flags |= kOutOfMemory;
            return;
        }
        uint8_t* data = AlignTo4(block);
        if (m_length > 0 && data != static_cast<uint8_t*>(block) + offset)
            std::memmove(data, static_cast<uint8_t*>(block) + offset, m_length);
        m_rawBlock = block;
        m_data = data;
        m_capacity = static_cast<uint32_t>(capacity);
    }
    if (n > m_length) m_length = n;
}

bool GSLibraryBuffer::Prepare(uint32_t n) {
    if (n > UINT32_MAX - m_position) {
        m_flags |= kOutOfMemory;
        return false;
    }
    EnsureSize(m_position + n);
    return (m_flags & kOutOfMemory) == 0;
}

void GSLibraryBuffer::Prepend(const void* data, uint32_t n) {
    if (n == 0 || (m_flags & kOutOfMemory)) return;
    if (n > UINT32_MAX - m_length) {
        m_flags |= kOutOfMemory;
        return;
    }
    const uint32_t length = m_length;
    EnsureSize(length + n);
    if (m_flags & kOutOfMemory) return;
    std::memmove(m_data + n, m_data, length);
    std::memcpy(m_data, data, n);
    m_position += n;
}

void GSLibraryBuffer::WriteSlow(const void* data, uint32_t n) {
    if (!Prepare(n)) return;
    if (n > 0) std::memcpy(m_data + m_position, data, n);
    m_position += n;
}

void GSLibraryBuffer::Skip(uint32_t n) {
    if (!Prepare(n)) return;
    m_position += n;
}

bool GSLibraryBuffer::Read(void* destination, uint32_t n) {
    if (m_position > m_length || n > m_length - m_position) {
        m_flags |= kPastEnd;
        return false;
    }
    if (n > 0) std::memcpy(destination, m_data + m_position, n);
    m_position += n;
    return true;
}

void GSLibraryBuffer::ReadUInt16(uint16_t& out) {
    uint8_t bytes[2];
    if (Read(bytes, 2)) out = static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

void GSLibraryBuffer::ReadUInt32(uint32_t& out) {
    uint8_t bytes[4];
    if (Read(bytes, 4))
        out = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
              (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

void GSLibraryBuffer::SetPosition(uint32_t position) {
    if (position > m_length) {
        m_flags |= kPastEnd;
        return;
    }
    m_position = position;
}
