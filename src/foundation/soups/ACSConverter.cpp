#include "foundation/soups/ACSConverter.h"

#include <cstring>

namespace {

// Head of the process-wide list. A plain pointer, constant-initialised, so
// it is valid before any static constructor runs.
ACSConverter* g_first = nullptr;

}  // namespace

ACSConverter::ACSConverter(int32_t fromKind, int32_t toKind) : m_fromKind(fromKind), m_toKind(toKind) {
    m_next = g_first;
    if (g_first) g_first->m_previous = this;
    g_first = this;
}

ACSConverter::~ACSConverter() {
    if (m_previous)
        m_previous->m_next = m_next;
    else if (g_first == this)
        g_first = m_next;
    if (m_next) m_next->m_previous = m_previous;
}

const ACSConverter* ACSConverter::First() { return g_first; }

RawDataRef ConvertChunkKind(int32_t fromKind, const RawDataRef& source, int32_t toKind) {
    if (fromKind == toKind) return source;
    if (fromKind == 0 || !source) return nullptr;
    RegisterStandardConverters();

    for (const ACSConverter* c = ACSConverter::First(); c; c = c->Next()) {
        if (c->FromKind() == fromKind && c->ToKind() == toKind) {
            RawDataRef out;
            c->Convert(source, out);
            return out;
        }
    }
    for (const ACSConverter* s = ACSConverter::First(); s; s = s->Next()) {
        if (s->FromKind() != fromKind) continue;
        for (const ACSConverter* p = ACSConverter::First(); p; p = p->Next()) {
            if (p->FromKind() != s->ToKind() || p->ToKind() != toKind) continue;
            RawDataRef intermediate;
            s->Convert(source, intermediate);
            if (!intermediate) return nullptr;
            RawDataRef out;
            p->Convert(intermediate, out);
            return out;
        }
    }
    return nullptr;
}

bool IsNumericText(const char* text) { return text && IsNumericText(std::string_view(text)); }

bool IsNumericText(std::string_view text) {
    std::size_t i = 0;
    std::size_t end = text.size();
    if (i < end && text[i] == '-') ++i;
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    if (i == end) return false;

    bool dot = false;
    bool exponent = false;
    while (i < end) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            ++i;
        } else if (c == '.' && !dot && !exponent) {
            dot = true;
            ++i;
        } else if (c == 'e' && dot && !exponent) {
            // 'e' needs a sign right after it and something after the sign.
            if (i + 1 >= end || (text[i + 1] != '+' && text[i + 1] != '-')) return false;
            if (i + 2 >= end) return false;
            exponent = true;
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

std::string_view TextOfBlock(const RawDataRef& block) {
    if (!block || block->Size() <= 0) return {};
    const char* data = reinterpret_cast<const char*>(block->Data());
    std::size_t size = static_cast<std::size_t>(block->Size());
    const void* nul = std::memchr(data, 0, size);
    return std::string_view(data, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data) : size);
}
