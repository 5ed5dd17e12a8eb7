#include "gsruntime/natives/strmath/GSStrText.h"

#include <climits>
#include <cstdlib>

namespace GSRuntime::GSStrText {

namespace {

const char* SetOrWhitespace(const char* set) { return set && *set ? set : kWhitespace; }

// White space as the C library's conversions skip it.
bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* SkipCSpace(const char* text) {
    while (IsCSpace(*text)) ++text;
    return text;
}

}  // namespace

void TrimLeft(std::string& text, const char* set) {
    const std::size_t first = text.find_first_not_of(SetOrWhitespace(set));
    text.erase(0, first == std::string::npos ? text.size() : first);
}

void TrimRight(std::string& text, const char* set) {
    const std::size_t last = text.find_last_not_of(SetOrWhitespace(set));
    text.erase(last == std::string::npos ? 0 : last + 1);
}

int32_t ToInt(const char* text) {
    if (!text) return 0;
    const char* p = SkipCSpace(text);
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // Accumulated as a magnitude that stops growing past the int range.
    int64_t magnitude = 0;
    for (; IsDigit(*p); ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > int64_t(INT32_MAX) + 1) magnitude = int64_t(INT32_MAX) + 1;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(value);
}

float ToFloat(const char* text) {
    if (!text) return 0.0f;
    const char* start = SkipCSpace(text);
    const char* p = start;
    if (*p == '+' || *p == '-') ++p;
    const char* digits = p;
    while (IsDigit(*p)) ++p;
    bool any = p != digits;
    if (*p == '.') {
        ++p;
        const char* fraction = p;
        while (IsDigit(*p)) ++p;
        any = any || p != fraction;
    }
    if (!any) return 0.0f;
    if (*p == 'e' || *p == 'E') {
        const char* exponent = p + 1;
        if (*exponent == '+' || *exponent == '-') ++exponent;
        if (IsDigit(*exponent)) {
            p = exponent;
            while (IsDigit(*p)) ++p;
        }
    }
    // Only the scanned number is converted, so nothing beyond this form
    // (hexadecimal, "inf", "nan") is taken.
    const std::string number(start, p);
    return static_cast<float>(std::strtod(number.c_str(), nullptr));
}

std::string Unpack(std::string& text) {
    const std::size_t begin = text.find_first_not_of(kWhitespace);
    if (begin == std::string::npos) {
        text.clear();
        return std::string();
    }
    const std::size_t end = text.find_first_of(kWhitespace, begin);
    std::string token = text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    text.erase(0, end == std::string::npos ? text.size() : end);
    return token;
}

}  // namespace GSRuntime::GSStrText
