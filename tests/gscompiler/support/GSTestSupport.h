#pragma once
// Helpers of the script compiler's tests: tokenising and parsing a text in
// memory, and reading a compile log.
#include <cstring>
#include <string>
#include <vector>

#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSCompileUnit.h"
#include "gscompiler/GSScanner.h"

namespace GSTest {

struct Token {
    int number;
    std::string text;
    int line;
    bool operator==(const Token& other) const {
        return number == other.number && text == other.text && line == other.line;
    }
};

// Every token of a text up to the end (the 0 is not included).
inline std::vector<Token> Tokenize(const std::string& text) {
    yyFlexLexer lexer(text.data(), text.size());
    std::vector<Token> tokens;
    for (int t = lexer.yylex(); t != 0; t = lexer.yylex())
        tokens.push_back({t, std::string(lexer.YYText(), std::size_t(lexer.YYLeng())), lexer.lineno()});
    return tokens;
}

inline std::vector<std::string> Messages(const GSCompileLog& log) {
    std::vector<std::string> out;
    for (int i = 0; i < log.Count(); ++i) out.push_back(log.At(i));
    return out;
}

// A unit that parsed a text in memory under the name "test.gs".
struct Parsed {
    GSCompileLog log;
    GSCompileUnit unit;
    int result = -1;

    explicit Parsed(const std::string& text) {
        unit.Init(nullptr, &log);
        unit.fileName = "test.gs";
        result = unit.Parse(text.data(), static_cast<uint32_t>(text.size()));
    }
};

}  // namespace GSTest
