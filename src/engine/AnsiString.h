#pragma once
// Plain growable strings. AnsiString holds bytes (no encoding of its own);
// String is the engine's general string built on it. Formatting runs in the
// C locale (the program never sets LC_NUMERIC).
#include <cstddef>
#include <string>
#include <string_view>

namespace Vek {

class AnsiString {
public:
    AnsiString() = default;
    AnsiString(const char* text) : m_text(text ? text : "") {}
    AnsiString(const char* text, std::size_t length) : m_text(text ? std::string(text, length) : std::string()) {}
    AnsiString(std::string_view text) : m_text(text) {}

    AnsiString& operator=(const char* text) {
        m_text.assign(text ? text : "");
        return *this;
    }

    const char* c_str() const { return m_text.c_str(); }
    operator const char*() const { return m_text.c_str(); }
    std::size_t Length() const { return m_text.size(); }
    bool IsEmpty() const { return m_text.empty(); }
    void Clear() { m_text.clear(); }
    const std::string& Std() const { return m_text; }
    std::string& Std() { return m_text; }

    // Appends printf-style formatted text.
    AnsiString& Add(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Replaces the text with printf-style formatted text.
    AnsiString& Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    AnsiString& Append(const char* text) {
        if (text) m_text.append(text);
        return *this;
    }
    AnsiString& Append(const char* text, std::size_t length) {
        if (text) m_text.append(text, length);
        return *this;
    }
    AnsiString& operator+=(const char* text) { return Append(text); }
    AnsiString& operator+=(const AnsiString& other) {
        m_text += other.m_text;
        return *this;
    }
    AnsiString& operator+=(char c) {
        m_text += c;
        return *this;
    }
    void Insert(std::size_t position, const char* text);

    // Byte-wise comparison: negative, zero or positive (case is significant).
    int Compare(const char* other) const;
    // Comparison that ignores ASCII letter case: 1 when equal, else 0.
    int CompareWith(const char* other) const;
    bool EqualsIgnoreCase(const char* other) const { return CompareWith(other) == 1; }

    // Position of the first occurrence of `text` at or after `start`; -1 if none.
    int Find(const char* text, std::size_t start = 0) const;
    void ToLower();
    void ToUpper();
    // Takes the leading token off this string: skips leading delimiters,
    // returns the text up to the next delimiter and removes it and that one
    // delimiter from the front. Adjacent delimiters are skipped, so a token
    // is never empty unless the string has no more tokens.
    AnsiString Token(const char* delimiters);

    bool operator==(const AnsiString& other) const { return m_text == other.m_text; }
    bool operator!=(const AnsiString& other) const { return m_text != other.m_text; }
    bool operator<(const AnsiString& other) const { return m_text < other.m_text; }

protected:
    std::string m_text;
};

class String : public AnsiString {
public:
    using AnsiString::AnsiString;
    String() = default;
    String(const AnsiString& other) : AnsiString(other) {}
    String& operator=(const char* text) {
        AnsiString::operator=(text);
        return *this;
    }
    // The shared empty string.
    static const String& Empty();
};

AnsiString operator+(const AnsiString& left, const char* right);
AnsiString operator+(const AnsiString& left, const AnsiString& right);

}  // namespace Vek
