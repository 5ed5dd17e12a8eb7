#include "vaddaemon/AssetCodes.h"

#include <cstring>

std::string FoldedText(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::vector<std::string> ListCodes(const std::string& list) {
    std::vector<std::string> codes;
    std::string code;
    auto flush = [&] {
        const std::size_t first = code.find_first_not_of(" \t");
        if (first != std::string::npos) {
            const std::size_t last = code.find_last_not_of(" \t");
            codes.push_back(FoldedText(code.substr(first, last - first + 1)));
        }
        code.clear();
    };
    for (char c : list) {
        if (c == ';' || c == ',')
            flush();
        else
            code += c;
    }
    flush();
    return codes;
}

std::vector<std::string> CategoryClassCodes(const std::string& list) {
    // The list is read as a C text, as the category matcher reads it.
    std::vector<std::string> codes;
    const char* token = list.c_str();
    while (*token != '\0' && *token != '|') {
        const std::size_t length = std::strcspn(token, ";|");
        if (length > 0) codes.emplace_back(token, length);
        token += length;
        if (*token == ';') ++token;
    }
    return codes;
}
