#include "engine/display/ProgramText.h"

#include <cctype>

namespace Vek {

namespace {

bool WordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '%';
}

}  // namespace

std::vector<std::string> ProgramText::Tokenize(const std::string& text) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '#') {
            while (i < text.size() && text[i] != '\n') ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (WordChar(c)) {
            std::size_t start = i;
            while (i < text.size() && WordChar(text[i])) ++i;
            tokens.push_back(text.substr(start, i - start));
        } else {
            tokens.emplace_back(1, c);
            ++i;
        }
    }
    return tokens;
}

bool ProgramText::Balanced(const std::vector<std::string>& tokens) {
    long depth = 0;
    for (const std::string& t : tokens) {
        if (t == "{") ++depth;
        if (t == "}" && --depth < 0) return false;
    }
    return depth == 0;
}

std::size_t ProgramText::SkipBlock(const std::vector<std::string>& tokens, std::size_t open) {
    long depth = 0;
    for (std::size_t i = open; i < tokens.size(); ++i) {
        if (tokens[i] == "{") ++depth;
        if (tokens[i] == "}" && --depth == 0) return i + 1;
    }
    return tokens.size();
}

}  // namespace Vek
