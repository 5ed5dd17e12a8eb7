#include "assetdb/categories/CategoryClassList.h"

#include <cstddef>

namespace {

bool EndsCode(char c) { return c == '\0' || c == ';' || c == '|'; }

std::size_t CodeLength(const char* code) {
    std::size_t length = 0;
    while (!EndsCode(code[length])) ++length;
    return length;
}

}  // namespace

bool MatchCategoryCode(const char* list, const char* code) {
    if (!list || !code) return false;
    // Each leading '-' negates once more.
    bool negated = false;
    while (*code == '-') {
        negated = !negated;
        ++code;
    }
    if (EndsCode(*code)) return negated;

    const std::size_t length = CodeLength(code);
    const char* token = list;
    while (*token != '\0' && *token != '|') {
        if (*token == ';') {
            ++token;
            continue;
        }
        const std::size_t tokenLength = CodeLength(token);
        if (tokenLength == length) {
            std::size_t i = 0;
            while (i < length && token[i] == code[i]) ++i;
            if (i == length) return !negated;
        }
        token += tokenLength;
    }
    return negated;
}

bool MatchCategoryPattern(const char* pattern, const char* list) {
    if (!pattern) return true;
    if (!list) return false;
    if (*pattern == '\0') return true;

    const char* p = pattern;
    for (;;) {
        // At the start of an alternative: an empty one holds.
        if (*p == '|') return true;
        bool holds = true;
        for (;;) {
            if (!MatchCategoryCode(list, p)) {
                holds = false;
                break;
            }
            while (!EndsCode(*p)) ++p;
            while (*p == ';') ++p;
            if (*p == '\0' || *p == '|') break;
        }
        if (holds) return true;
        // Skip to the character after the next '|'; the pattern's end after
        // a failing alternative gives false.
        while (*p != '\0' && *p != '|') ++p;
        if (*p == '\0') return false;
        ++p;
        if (*p == '\0') return false;
    }
}

Vek::String FirstCategoryCode(const char* text) {
    if (!text) return Vek::String();
    return Vek::String(text, CodeLength(text));
}

void AppendCategoryListToken(const char* code, Vek::String& list) {
    if (!code || EndsCode(*code)) return;
    if (!list.IsEmpty()) list += ';';
    list.Append(code, CodeLength(code));
}

void AppendCategoryCodes(Vek::String& result, const char* baseList, const char* addedCodes) {
    result = baseList ? baseList : "";
    if (!addedCodes) return;
    const char* p = addedCodes;
    while (*p != '\0') {
        const std::size_t length = CodeLength(p);
        Vek::String token("#");
        token.Append(p, length);
        if (!MatchCategoryCode(result.c_str(), token.c_str())) AppendCategoryListToken(token.c_str(), result);
        p += length;
        while (*p == ';' || *p == '|') ++p;
    }
}
