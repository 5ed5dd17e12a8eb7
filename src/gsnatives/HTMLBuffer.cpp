#include "gsnatives/HTMLBuffer.h"

#include <cstring>

#include "engine/Alloc.h"
#include "gsruntime/GSScriptMemoryBudget.h"

namespace GSNatives {

using GSRuntime::GSScriptMemoryBudget;

HTMLBuffer::~HTMLBuffer() {
    Vek::Alloc::Delete(m_bytes);
    GSScriptMemoryBudget::Give(m_allocated);
    m_allocated = 0;
    m_bytes = nullptr;
    m_size = 0;
    m_used = 0;
}

void HTMLBuffer::Append(const char* data, uint32_t length) {
    if (!data || length == 0) return;
    if (static_cast<uint64_t>(m_size) < static_cast<uint64_t>(m_used) + length) {
        const uint64_t grown = static_cast<uint64_t>(length) + 2 * static_cast<uint64_t>(m_size);
        // A text this long cannot be counted in 32 bits: the append is dropped.
        if (grown > UINT32_MAX) return;
        // The storage is charged to the script memory budget; an append it
        // refuses is dropped as one that finds no memory.
        if (grown > m_allocated && !GSScriptMemoryBudget::Take(grown - m_allocated)) return;
        auto* bytes = static_cast<uint8_t*>(Vek::Alloc::Resize(m_bytes, static_cast<std::size_t>(grown)));
        if (!bytes) {
            if (grown > m_allocated) GSScriptMemoryBudget::Give(grown - m_allocated);
            return;
        }
        if (grown < m_allocated) GSScriptMemoryBudget::Give(m_allocated - grown);
        m_allocated = grown;
        std::memset(bytes + m_size, 0, static_cast<std::size_t>(grown - m_size));
        m_bytes = bytes;
        m_size = static_cast<uint32_t>(grown);
    }
    std::memcpy(m_bytes + m_used, data, length);
    m_used += length;
}

void HTMLBuffer::AppendText(const char* text) {
    if (text) Append(text, static_cast<uint32_t>(std::strlen(text)));
}

void HTMLBuffer::AppendEscaped(const char* text) {
    if (!text || !*text) return;
    m_empty = false;
    const char* run = text;  // start of the bytes not yet appended
    for (const char* p = text; *p; ++p) {
        const char* replacement = nullptr;
        const char* next = p + 1;
        switch (*p) {
            case '\n':
                replacement = "<br>";
                if (*next == '\r') ++next;
                break;
            case '\r':
                replacement = "<br>";
                if (*next == '\n') ++next;
                break;
            case '&': replacement = "&amp;"; break;
            case '<': replacement = "&lt;"; break;
            case '>': replacement = "&gt;"; break;
            default: break;
        }
        if (!replacement) continue;
        Append(run, static_cast<uint32_t>(p - run));
        AppendText(replacement);
        p = next - 1;
        run = next;
    }
    AppendText(run);
}

void HTMLBuffer::Clear() {
    // The array's size goes to 0; its storage is kept for the next text.
    m_size = 0;
    m_used = 0;
    m_empty = true;
}

Vek::PString HTMLBuffer::ToPString() const {
    if (m_used == 0) return Vek::PString();
    const void* nul = std::memchr(m_bytes, 0, m_used);
    const std::size_t length = nul ? static_cast<const uint8_t*>(nul) - m_bytes : m_used;
    return Vek::PString(reinterpret_cast<const char*>(m_bytes), length);
}

}  // namespace GSNatives
