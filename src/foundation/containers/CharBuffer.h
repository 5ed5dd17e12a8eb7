#pragma once
// CharBuffer: a growable character buffer (the text soup reader's token
// buffer). Its capacity is always a multiple of 4096. Memory comes from the
// engine allocator; every operation that grows reports failure by its result
// and leaves the buffer as it was.
#include <cstddef>
#include <cstdint>

class CharBuffer {
public:
    static constexpr uint32_t kGranularity = 4096;

    CharBuffer() = default;
    ~CharBuffer();
    CharBuffer(const CharBuffer&) = delete;
    CharBuffer& operator=(const CharBuffer&) = delete;

    // When the capacity is below n: capacity = n rounded up to a multiple of
    // 4096, a new block, the length bytes copied.
    bool Reserve(uint32_t n);
    bool Append(char character);
    bool Append(const char* text, uint32_t n);
    // Reserve(n), then length = n (new bytes are zero).
    bool Resize(uint32_t n);
    void Clear() { m_length = 0; }

    // The bytes with a NUL behind them (growing by one block when the
    // capacity is full); null only when that growth fails.
    const char* CStr();

    uint32_t Length() const { return m_length; }
    uint32_t Capacity() const { return m_capacity; }
    char* Data() { return m_data; }
    const char* Data() const { return m_data; }

private:
    uint32_t m_length = 0;
    uint32_t m_capacity = 0;
    char* m_data = nullptr;
};
