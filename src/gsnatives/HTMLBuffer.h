#pragma once
// HTMLBuffer: a piece of HTML text built step by step: plain appends,
// appends with HTML escaping and line breaks turned into "<br>", and one
// read-out as a string. The bytes are not NUL-terminated; the storage grows
// geometrically (size s becomes n + 2s when n pending bytes do not fit) and
// is only given back on destruction. The storage is charged to the script
// memory budget (GSScriptMemoryBudget): growth it refuses drops the append,
// as growth that finds no memory does.
#include <cstdint>

#include "engine/PString.h"

namespace GSNatives {

class HTMLBuffer {
public:
    HTMLBuffer() = default;
    ~HTMLBuffer();
    HTMLBuffer(const HTMLBuffer&) = delete;
    HTMLBuffer& operator=(const HTMLBuffer&) = delete;

    // Appends `length` bytes; nothing for null data or length 0. Does not
    // change the empty flag.
    void Append(const char* data, uint32_t length);
    // Append of a NUL-terminated text; nothing for null.
    void AppendText(const char* text);
    // Nothing for a null or empty text. Otherwise clears the empty flag and
    // appends the text escaped: "&" "<" ">" as entities, each line break
    // (LF, CR, CR LF or LF CR) as "<br>"; quotes stay.
    void AppendEscaped(const char* text);
    // No text and size 0 (the storage is kept); the empty flag is set.
    void Clear();
    // The text, cut at its first NUL byte; empty when there is none.
    Vek::PString ToPString() const;

    bool IsEmpty() const { return m_empty; }
    void SetNotEmpty() { m_empty = false; }
    uint32_t Used() const { return m_used; }
    // The array's size, which grows as described above.
    uint32_t Size() const { return m_size; }

private:
    uint8_t* m_bytes = nullptr;
    uint32_t m_size = 0;
    uint32_t m_used = 0;
    uint64_t m_allocated = 0;  // bytes of m_bytes, as charged to the budget
    bool m_empty = true;
};

}  // namespace GSNatives
