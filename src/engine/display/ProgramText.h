#pragma once
// Tokens of the engine's program texts (vertex programs and texture
// combiners): words (letters, digits, '_', '.', '%'), and every other
// non-blank character as a token of its own. '#' starts a comment that runs
// to the end of the line.
#include <string>
#include <vector>

namespace Vek {

struct ProgramText {
    static std::vector<std::string> Tokenize(const std::string& text);
    // Whether the braces of the token list are balanced.
    static bool Balanced(const std::vector<std::string>& tokens);
    // From the index of a "{", the index just after its matching "}"; the
    // token count when there is none.
    static std::size_t SkipBlock(const std::vector<std::string>& tokens, std::size_t open);
};

}  // namespace Vek
