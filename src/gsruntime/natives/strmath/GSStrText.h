#pragma once
// The text rules of the Str natives, on plain byte strings: trimming by a
// character set, decimal conversion, and taking whitespace-separated
// tokens off the front of a text.
#include <cstdint>
#include <string>

namespace GSRuntime::GSStrText {

// The whitespace set of the Str natives: space, tab, carriage return, line
// feed and vertical tab.
constexpr const char* kWhitespace = " \t\r\n\v";

// Removes the leading (resp. trailing) characters of `text` that are in
// `set`; the whitespace set when `set` is null or empty.
void TrimLeft(std::string& text, const char* set);
void TrimRight(std::string& text, const char* set);

// The decimal integer at the start of `text`: leading white space (as the C
// library knows it) skipped, an optional sign, then the decimal digits up to
// the first other character; 0 when there are none. A value beyond the int
// range gives the nearest int (INT_MAX or INT_MIN).
int32_t ToInt(const char* text);
// The decimal floating value at the start of `text`: leading white space
// skipped, an optional sign, digits with an optional fraction and an
// optional exponent, up to the first other character; 0 when there are no
// digits. Narrowed to a float (a value beyond the float range becomes an
// infinity).
float ToFloat(const char* text);

// Takes the first token off `text`: leading whitespace-set characters are
// skipped, the token runs to the next whitespace-set character or the end,
// and `text` becomes what follows the token (starting with the character
// that ended it; empty when the token reached the end). A text of
// whitespace only gives an empty token and becomes empty.
std::string Unpack(std::string& text);

}  // namespace GSRuntime::GSStrText
