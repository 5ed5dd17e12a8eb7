#pragma once
// UTF-8 encoding and decoding shared by the code-page conversions.
#include <cstddef>
#include <string>
#include <string_view>

namespace Utf8 {

struct Decoded {
    char32_t codePoint;  // U+FFFD when the sequence is malformed
    std::size_t length;  // bytes consumed: the whole sequence, or the bytes of the broken part (at least 1)
    bool valid;
};

// Decodes the sequence at text[i] (i < text.size()). Overlong forms,
// surrogates, values above U+10FFFF and sequences cut short are malformed.
Decoded DecodeAt(std::string_view text, std::size_t i);

// Appends the UTF-8 form of a code point (U+10FFFF at most).
void Append(std::string& out, char32_t codePoint);

}  // namespace Utf8
