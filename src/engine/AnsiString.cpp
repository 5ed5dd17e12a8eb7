#include "engine/AnsiString.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace Vek {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

void AppendFormatted(std::string& out, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return;
    std::size_t old = out.size();
    out.resize(old + static_cast<std::size_t>(n));
    std::vsnprintf(out.data() + old, static_cast<std::size_t>(n) + 1, format, args);
}

}  // namespace

AnsiString& AnsiString::Add(const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatted(m_text, format, args);
    va_end(args);
    return *this;
}

AnsiString& AnsiString::Format(const char* format, ...) {
    m_text.clear();
    va_list args;
    va_start(args, format);
    AppendFormatted(m_text, format, args);
    va_end(args);
    return *this;
}

void AnsiString::Insert(std::size_t position, const char* text) {
    if (!text) return;
    if (position > m_text.size()) position = m_text.size();
    m_text.insert(position, text);
}

int AnsiString::Compare(const char* other) const { return std::strcmp(m_text.c_str(), other ? other : ""); }

int AnsiString::CompareWith(const char* other) const {
    const char* a = m_text.c_str();
    const char* b = other ? other : "";
    for (;; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b)) return 0;
        if (!*a) return 1;
    }
}

int AnsiString::Find(const char* text, std::size_t start) const {
    if (!text || start > m_text.size()) return -1;
    std::size_t at = m_text.find(text, start);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

void AnsiString::ToLower() {
    for (char& c : m_text) c = AsciiLower(c);
}

void AnsiString::ToUpper() {
    for (char& c : m_text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

AnsiString AnsiString::Token(const char* delimiters) {
    const char* delims = delimiters ? delimiters : "";
    std::size_t begin = m_text.find_first_not_of(delims);
    if (begin == std::string::npos) {
        m_text.clear();
        return AnsiString();
    }
    std::size_t end = m_text.find_first_of(delims, begin);
    AnsiString token(m_text.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
    m_text.erase(0, end == std::string::npos ? m_text.size() : end + 1);
    return token;
}

const String& String::Empty() {
    static const String* empty = new String();
    return *empty;
}

AnsiString operator+(const AnsiString& left, const char* right) {
    AnsiString result(left);
    result.Append(right);
    return result;
}

AnsiString operator+(const AnsiString& left, const AnsiString& right) {
    AnsiString result(left);
    result += right;
    return result;
}

}  // namespace Vek
