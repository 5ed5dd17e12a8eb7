#pragma once
// Static vertex and index buffers of the headless display: memory blocks of
// a fixed capacity that chunks upload their data into.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace Vek {

class DisplayVertexBuffer {
public:
    DisplayVertexBuffer(uint32_t capacity, uint32_t vertexSize)
        : m_capacity(capacity), m_vertexSize(vertexSize), m_data(std::size_t(capacity) * vertexSize) {}

    uint32_t GetCapacity() const { return m_capacity; }
    uint32_t GetVertexSize() const { return m_vertexSize; }
    const uint8_t* GetData() const { return m_data.data(); }
    // Copies `count` vertices of the buffer's size; false, nothing copied,
    // when they do not fit or the source is null.
    bool Upload(const void* vertices, uint32_t count) {
        if (count > m_capacity || (!vertices && count)) return false;
        if (count) std::memcpy(m_data.data(), vertices, std::size_t(count) * m_vertexSize);
        ++m_uploads;
        return true;
    }
    uint32_t GetUploadCount() const { return m_uploads; }

private:
    uint32_t m_capacity;
    uint32_t m_vertexSize;
    std::vector<uint8_t> m_data;
    uint32_t m_uploads = 0;
};

class DisplayIndexBuffer {
public:
    explicit DisplayIndexBuffer(uint32_t capacity) : m_data(capacity) {}

    uint32_t GetCapacity() const { return static_cast<uint32_t>(m_data.size()); }
    const uint16_t* GetData() const { return m_data.data(); }
    bool Upload(const uint16_t* indices, uint32_t count) {
        if (count > m_data.size() || (!indices && count)) return false;
        if (count) std::memcpy(m_data.data(), indices, std::size_t(count) * sizeof(uint16_t));
        ++m_uploads;
        return true;
    }
    uint32_t GetUploadCount() const { return m_uploads; }

private:
    std::vector<uint16_t> m_data;
    uint32_t m_uploads = 0;
};

}  // namespace Vek
