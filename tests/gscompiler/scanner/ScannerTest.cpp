#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "gscompiler/GSLiterals.h"
#include "gscompiler/GSTokens.h"
#include "gscompiler/support/GSTestSupport.h"

namespace {

using GSTest::Token;
using GSTest::Tokenize;

std::vector<int> Numbers(const std::string& text) {
    std::vector<int> out;
    for (const auto& t : Tokenize(text)) out.push_back(t.number);
    return out;
}

std::vector<std::string> Texts(const std::string& text) {
    std::vector<std::string> out;
    for (const auto& t : Tokenize(text)) out.push_back(t.text);
    return out;
}

TEST(Scanner, EveryKeywordHasItsTokenAndIsCaseSensitive) {
    const char* const keywords[] = {"break",  "case",  "continue", "default", "else",   "for",    "goto",   "if",
                                    "null",   "return", "switch",  "while",   "and",    "or",     "true",   "false",
                                    "void",   "bool",  "int",      "float",   "string", "object", "class",  "include",
                                    "define", "static", "public",  "native",  "final",  "thread", "game",   "secured",
                                    "size",   "isclass", "copy",   "me",      "new",    "cast",   "wait",   "on"};
    int expected = KEYWORD_BREAK;
    for (const char* keyword : keywords) {
        SCOPED_TRACE(keyword);
        EXPECT_EQ(Numbers(keyword), std::vector<int>{expected});
        std::string upper = keyword;
        upper[0] = char(upper[0] - 'a' + 'A');
        EXPECT_EQ(Numbers(upper), std::vector<int>{IDENTIFIER});
        EXPECT_EQ(Numbers(std::string(keyword) + "x"), std::vector<int>{IDENTIFIER});
        ++expected;
    }
    EXPECT_EQ(expected, KEYWORD_ON + 1);
}

TEST(Scanner, LongestMatchAndRuleOrder) {
    struct Case {
        const char* text;
        std::vector<int> tokens;
        std::vector<std::string> texts;
    };
    const std::vector<Case> cases = {
        {"classy class Class", {IDENTIFIER, KEYWORD_CLASS, IDENTIFIER}, {"classy", "class", "Class"}},
        {"_a1 a_1 1a", {IDENTIFIER, IDENTIFIER, CONSTANT_INT, IDENTIFIER}, {"_a1", "a_1", "1", "a"}},
        {"int[ \t]", {KEYWORD_INT, SYMBOL_OP_DIM}, {"int", "[ \t]"}},
        {"int[\n]", {KEYWORD_INT, SYMBOL_OP_DIM}, {"int", "[\n]"}},
        {"a[ 1 ]", {IDENTIFIER, '[', CONSTANT_INT, ']'}, {"a", "[", "1", "]"}},
        {"1.2.3", {CONSTANT_FLOAT, CONSTANT_FLOAT}, {"1.2", ".3"}},
        {"1. .5f 1.5F", {CONSTANT_FLOAT, CONSTANT_FLOAT, CONSTANT_FLOAT, IDENTIFIER}, {"1.", ".5f", "1.5", "F"}},
        {"1e5", {CONSTANT_INT, IDENTIFIER}, {"1", "e5"}},
        {"5f", {CONSTANT_INT, IDENTIFIER}, {"5", "f"}},
        {"0x 0x1F 0XaB", {CONSTANT_INT, IDENTIFIER, CONSTANT_HEX, CONSTANT_HEX}, {"0", "x", "0x1F", "0XaB"}},
        {"007", {CONSTANT_INT}, {"007"}},
        {"a<<=b", {IDENTIFIER, SYMBOL_LEFT_SHIFT, '=', IDENTIFIER}, {"a", "<<", "=", "b"}},
        {">> << ++ -- <= >= == !=",
         {SYMBOL_RIGHT_SHIFT, SYMBOL_LEFT_SHIFT, SYMBOL_INC, SYMBOL_DEC, SYMBOL_LTE, SYMBOL_GTE, SYMBOL_EQ, SYMBOL_NEQ},
         {">>", "<<", "++", "--", "<=", ">=", "==", "!="}},
        {"a+++b", {IDENTIFIER, SYMBOL_INC, '+', IDENTIFIER}, {"a", "++", "+", "b"}},
        {"= =", {'=', '='}, {"=", "="}},
        {";:{},=()[ ].&!~-+*/%<>^|",
         {';', ':', '{', '}', ',', '=', '(', ')', SYMBOL_OP_DIM, '.', '&', '!', '~', '-', '+', '*', '/', '%', '<', '>', '^', '|'},
         {";", ":", "{", "}", ",", "=", "(", ")", "[ ]", ".", "&", "!", "~", "-", "+", "*", "/", "%", "<", ">", "^", "|"}},
        {"'a' L'b' 'ab' '\\''", {CONSTANT_CHAR, CONSTANT_CHAR, CONSTANT_CHAR, CONSTANT_CHAR},
         {"'a'", "L'b'", "'ab'", "'\\''"}},
        {"''", {SYMBOL_UNKNOWN, SYMBOL_UNKNOWN}, {"'", "'"}},
        {"L La L\"s\"", {IDENTIFIER, IDENTIFIER, CONSTANT_STRING}, {"L", "La", "L\"s\""}},
        {"\"a\\\"b\" \"\"", {CONSTANT_STRING, CONSTANT_STRING}, {"\"a\\\"b\"", "\"\""}},
        {"# $ ? @ ` \\ \x01 \x80 \xff",
         {SYMBOL_UNKNOWN, SYMBOL_UNKNOWN, SYMBOL_UNKNOWN, SYMBOL_UNKNOWN, SYMBOL_UNKNOWN, SYMBOL_UNKNOWN, SYMBOL_UNKNOWN,
          SYMBOL_UNKNOWN, SYMBOL_UNKNOWN},
         {"#", "$", "?", "@", "`", "\\", "\x01", "\x80", "\xff"}},
        {"\"unterminated", {SYMBOL_UNKNOWN, IDENTIFIER}, {"\"", "unterminated"}},
        {"a/**/b", {IDENTIFIER, IDENTIFIER}, {"a", "b"}},
        {"a/***/b", {IDENTIFIER, IDENTIFIER}, {"a", "b"}},
        {"a /* x /* y */ b */ c", {IDENTIFIER, IDENTIFIER, '*', '/', IDENTIFIER}, {"a", "b", "*", "/", "c"}},
        {"a // b /* c\nd", {IDENTIFIER, IDENTIFIER}, {"a", "d"}},
        {"a /* never closed", {IDENTIFIER}, {"a"}},
        {"\v\f\r\t x", {IDENTIFIER}, {"x"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Numbers(c.text), c.tokens);
        EXPECT_EQ(Texts(c.text), c.texts);
    }
    // A NUL byte is a character like any other.
    EXPECT_EQ(Numbers(std::string("a\0b", 3)), (std::vector<int>{IDENTIFIER, SYMBOL_UNKNOWN, IDENTIFIER}));
}

TEST(Scanner, CountsEveryLineFeedItMatches) {
    // A token's line is the counter after it was matched, its own line
    // feeds included.
    const std::string text =
        "a\n"                    // line 1
        "/* two\nlines */ b\n"  // b on line 3
        "\"x\ny\" c\n"          // the string ends on line 5, c too
        "// note\n"              // line 6
        "d[\n] e"                // d on 7, the dimension token ends on 8
        "\n \t\n\n"               // a run of blanks and three line feeds
        "'\\\n' f\n"              // an escaped line feed in a character: 12
        "/*\n\n*/ g";             // two line feeds in a row in a comment: 15
    const std::vector<Token> expected = {
        {IDENTIFIER, "a", 1},      {IDENTIFIER, "b", 3},    {CONSTANT_STRING, "\"x\ny\"", 5},
        {IDENTIFIER, "c", 5},      {IDENTIFIER, "d", 7},    {SYMBOL_OP_DIM, "[\n]", 8},
        {IDENTIFIER, "e", 8},      {CONSTANT_CHAR, "'\\\n'", 12}, {IDENTIFIER, "f", 12},
        {IDENTIFIER, "g", 15},
    };
    EXPECT_EQ(Tokenize(text), expected);
}

// A hexadecimal prefix, character or string constant, or bracket pair that
// does not reach its end gives its first character as the token, and the
// rest is scanned again: the line feeds inside count once, where they are
// scanned again.
TEST(Scanner, UnfinishedConstantsAndBracketsGiveTheirFirstCharacter) {
    struct Case {
        const char* text;
        std::vector<Token> tokens;
    };
    const std::vector<Case> cases = {
        {"0x\n1", {{CONSTANT_INT, "0", 1}, {IDENTIFIER, "x", 1}, {CONSTANT_INT, "1", 2}}},
        {"L'a\n\nb", {{IDENTIFIER, "L", 1}, {SYMBOL_UNKNOWN, "'", 1}, {IDENTIFIER, "a", 1}, {IDENTIFIER, "b", 3}}},
        {"L\"x\ny", {{IDENTIFIER, "L", 1}, {SYMBOL_UNKNOWN, "\"", 1}, {IDENTIFIER, "x", 1}, {IDENTIFIER, "y", 2}}},
        {"\"abc\\", {{SYMBOL_UNKNOWN, "\"", 1}, {IDENTIFIER, "abc", 1}, {SYMBOL_UNKNOWN, "\\", 1}}},
        {"'a' 'b", {{CONSTANT_CHAR, "'a'", 1}, {SYMBOL_UNKNOWN, "'", 1}, {IDENTIFIER, "b", 1}}},
        {"[ \n x ]", {{'[', "[", 1}, {IDENTIFIER, "x", 2}, {']', "]", 2}}},
        {"a[\n\n]b[ \t", {{IDENTIFIER, "a", 1}, {SYMBOL_OP_DIM, "[\n\n]", 3}, {IDENTIFIER, "b", 3}, {'[', "[", 3}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Tokenize(c.text), c.tokens);
    }
}

TEST(Scanner, HandlesTokensLongerThanItsBuffer) {
    const std::string name(40000, 'n');
    const std::string text = "a " + name + " \"" + std::string(30000, 's') + "\" z";
    const auto tokens = Tokenize(text);
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(tokens[1].text, name);
    EXPECT_EQ(tokens[2].number, CONSTANT_STRING);
    EXPECT_EQ(tokens[2].text.size(), 30002u);
    EXPECT_EQ(tokens[3].text, "z");
}

TEST(ScannerLiterals, IntegerValues) {
    struct Case {
        const char* token;
        int32_t value;
    };
    for (const Case& c : std::vector<Case>{{"0x0", 0},
                                           {"0x7fffffff", 0x7FFFFFFF},
                                           {"0x80000000", 0x7FFFFFFF},
                                           {"0xFFFFFFFFFFFFFFFFFF", 0x7FFFFFFF},
                                           {"0XaBc", 0xABC},
                                           {"0x0000000000000012", 0x12}}) {
        SCOPED_TRACE(c.token);
        EXPECT_EQ(GSHexValue(c.token), c.value);
    }
    for (const Case& c : std::vector<Case>{{"0", 0},
                                           {"007", 7},
                                           {"2147483647", 2147483647},
                                           {"2147483648", 2147483647},
                                           {"99999999999999999999", 2147483647}}) {
        SCOPED_TRACE(c.token);
        EXPECT_EQ(GSIntValue(c.token), c.value);
    }
}

TEST(ScannerLiterals, FloatValues) {
    struct Case {
        const char* token;
        float value;
    };
    for (const Case& c : std::vector<Case>{{"1.5", 1.5f}, {"1.", 1.0f}, {".5f", 0.5f}, {"0.1", 0.1f},
                                           {"3.14159265358979f", 3.14159265f}, {"16777217.0", 16777216.0f}}) {
        SCOPED_TRACE(c.token);
        EXPECT_EQ(GSFloatValue(c.token), c.value);
    }
}

TEST(ScannerLiterals, CharacterValues) {
    struct Case {
        const char* token;
        int32_t value;
    };
    for (const Case& c : std::vector<Case>{{"'a'", 'a'},
                                           {"'ab'", 'a'},
                                           {"L'z'", 'z'},
                                           {"'\\0'", 0},
                                           {"'\\n'", 10},
                                           {"'\\t'", 9},
                                           {"'\\v'", 11},
                                           {"'\\r'", 13},
                                           {"'\\f'", 12},
                                           {"'\\b'", 8},
                                           {"'\\a'", 7},
                                           {"'\\''", '\''},
                                           {"'\\\"'", '"'},
                                           {"'\\\\'", '\\'},
                                           {"'\\l'", 'l'},
                                           {"'\xe9'", -23},
                                           {"'\xff'", -1}}) {
        SCOPED_TRACE(c.token);
        EXPECT_EQ(GSCharValue(c.token), c.value);
    }
}

TEST(ScannerLiterals, StringValuesAndIncludeNames) {
    struct Case {
        const char* token;
        std::string value;
    };
    for (const Case& c : std::vector<Case>{{"\"abc\"", "abc"},
                                           {"L\"abc\"", "abc"},
                                           {"\"\"", ""},
                                           {"\"a\\tb\"", "a\tb"},
                                           {"\"a\\0b\"", "a"},
                                           {"\"line\nfeed\"", "line\nfeed"},
                                           {"\"say \\\"hi\\\"\"", "say \"hi\""},
                                           {"\"end\\\"", "end"}}) {
        SCOPED_TRACE(c.token);
        EXPECT_EQ(GSStringValue(c.token), c.value);
    }
    EXPECT_EQ(GSIncludeName("\"Lib\\Sub\\File.GS\""), "lib\\sub\\file.gs");
    EXPECT_EQ(GSIncludeName("\"a\\tb\""), "a\\tb");
}

TEST(ScannerLiterals, UnquoteTakesAtMost2047Characters) {
    struct Case {
        std::string token;
        bool escapes;
        std::string value;
    };
    const std::string body(3000, 'x');
    const std::vector<Case> cases = {
        {"\"" + body + "\"", true, std::string(2046, 'x')},
        {"\"" + std::string(2045, 'x') + "\"", true, std::string(2045, 'x')},
        {"\"" + std::string(2046, 'x') + "\"", false, std::string(2046, 'x')},
        {"abc", true, ""},
        {"L", true, ""},
        {"", true, ""},
        {"\"", true, ""},
        {"'x'", false, "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.token.substr(0, 20));
        EXPECT_EQ(UnquoteLiteral(c.token.c_str(), c.escapes), c.value);
    }
}

TEST(Scanner, RandomInputAlwaysEnds) {
    std::mt19937 rng(2024);
    const std::string alphabet = "abc019xX_ \n\t\"'\\/*[]{}()<>=!+-.;,Lf#\r\v\x80";
    for (int round = 0; round < 3000; ++round) {
        std::string text(rng() % 200, ' ');
        for (char& c : text) c = (rng() % 4 == 0) ? char(rng()) : alphabet[rng() % alphabet.size()];
        const auto tokens = Tokenize(text);
        std::size_t covered = 0;
        for (const auto& t : tokens) covered += t.text.size();
        EXPECT_LE(covered, text.size());
    }
}

}  // namespace
