#include "gscompiler/GSLiterals.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>

std::string UnquoteLiteral(const char* token, bool withEscapes) {
    std::string text(token ? token : "");
    if (text.size() > kGSMaxLiteralLength) text.resize(kGSMaxLiteralLength);
    if (!text.empty() && (text.back() == '"' || text.back() == '\'')) text.pop_back();
    std::size_t start = 0;
    if (start < text.size() && text[start] == 'L') ++start;
    if (start >= text.size() || (text[start] != '"' && text[start] != '\'')) return std::string();
    ++start;
    if (!withEscapes) return text.substr(start);

    std::string out;
    out.reserve(text.size() - start);
    for (std::size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 1 >= text.size()) break;  // a backslash at the very end ends the text
        const char e = text[++i];
        switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'v': out += '\v'; break;
            case 'r': out += '\r'; break;
            case 'f': out += '\f'; break;
            case 'b': out += '\b'; break;
            case 'a': out += '\a'; break;
            case '0': out += '\0'; break;
            default: out += e; break;  // \\ \' \" and any other character: itself
        }
    }
    return out;
}

int32_t GSHexValue(const char* token) {
    if (!token || std::strlen(token) < 2) return 0;
    uint64_t value = 0;
    for (const char* p = token + 2; *p; ++p) {
        const char c = *p;
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else break;
        value = value * 16 + uint64_t(digit);
        if (value > 0x7FFFFFFF) return 0x7FFFFFFF;
    }
    return int32_t(value);
}

int32_t GSIntValue(const char* token) {
    uint64_t value = 0;
    for (const char* p = token ? token : ""; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + uint64_t(*p - '0');
        if (value > 0x7FFFFFFF) return 0x7FFFFFFF;
    }
    return int32_t(value);
}

float GSFloatValue(const char* token) {
    // Converted in the C locale whatever the process's numeric locale.
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    if (!token) return 0.0f;
    return cLocale ? strtof_l(token, nullptr, cLocale) : std::strtof(token, nullptr);
}

int32_t GSCharValue(const char* token) {
    const std::string text = UnquoteLiteral(token, true);
    if (text.empty()) return 0;
    return int32_t(static_cast<signed char>(text[0]));
}

std::string GSStringValue(const char* token) {
    std::string text = UnquoteLiteral(token, true);
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

std::string GSIncludeName(const char* token) {
    std::string text = UnquoteLiteral(token, false);
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return text;
}
