#pragma once
// A whole file held in memory and read from front to back.
//
// The reader keeps three values: the start of the data, its length and the
// current position. The data is either its own (loaded from a file, or
// copied) or bytes it reads where they are (OpenView), which the caller
// keeps unchanged while the reader is open. Every read follows the short-read rule: when fewer bytes
// remain than asked for, nothing is copied, the destination keeps its
// previous content and the position does not move. A put-back moves the
// position back, never before the start; a seek is clamped to the data.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/File.h"

namespace Vek {

class MemoryFile {
public:
    MemoryFile() = default;

    // Loads the rest of an open file (from its current position) and makes
    // it the data; the position starts at 0. False when the file is not
    // open or cannot be read; the reader is then empty. The bytes go
    // straight into one block of the file's length, never zeroed first.
    bool Open(File& file);
    // Copies a block of bytes and makes it the data.
    void Open(const void* data, std::size_t length);
    // Reads a block of bytes where it is, without a copy: the block must
    // stay as it is until the reader is closed or opened again.
    void OpenView(const void* data, std::size_t length);
    // Drops the data; the reader is empty again.
    void Close();

    bool IsOpen() const { return m_open; }
    const uint8_t* GetData() const { return m_data; }
    std::size_t GetLength() const { return m_length; }
    std::size_t GetPosition() const { return m_position; }
    std::size_t Remaining() const { return m_length - m_position; }
    bool AtEnd() const { return m_position >= m_length; }

    // Moves the position, clamped to [0, length].
    void SetPosition(std::size_t position) { m_position = position < m_length ? position : m_length; }
    // Moves the position back by n bytes, never before the start.
    void PutBack(std::size_t n) { m_position = n < m_position ? m_position - n : 0; }
    // Steps over n bytes when they are there; false (and no move) otherwise.
    bool Skip(std::size_t n);

    // Copies n bytes when at least n remain and advances; otherwise neither
    // the destination nor the position changes and the result is false.
    bool Read(void* destination, std::size_t n);
    bool Read(uint32_t& value) { return Read(&value, sizeof value); }
    bool Read(int32_t& value) { return Read(&value, sizeof value); }
    bool Read(float& value) { return Read(&value, sizeof value); }
    bool Read(uint16_t& value) { return Read(&value, sizeof value); }

    // Reads a 4-byte tag into a zero-filled buffer (so a tag that is not
    // there compares unequal to every tag); `tag` gets 4 characters and a NUL.
    bool ReadTag(char (&tag)[5]);
    // True when the next 4 bytes are `expected`; the position ends where it
    // was.
    bool PeekTag(const char* expected);
    // Reads a tag and compares it with `expected`; true when equal.
    bool ReadTagIs(const char* expected);

    // True when `count` records of `size` bytes each remain from the
    // position on (guards a count read from the file before it drives an
    // allocation or a loop).
    bool Holds(uint64_t count, uint64_t size) const {
        return size == 0 || count <= Remaining() / size;
    }

private:
    std::unique_ptr<uint8_t[]> m_owned;  // the data when it is the reader's own
    const uint8_t* m_data = nullptr;
    std::size_t m_length = 0;
    std::size_t m_position = 0;
    bool m_open = false;
};

}  // namespace Vek
