#pragma once
// Windows-1252 ("Western" ANSI code page) to and from UTF-8, with our own
// table. Stored files that predate UTF-8 (version-0 binary soup texts, text
// soups without a byte-order mark) hold their texts in this code page.
//
// Every byte maps to a code point: 0x00-0x7F and 0xA0-0xFF to themselves,
// 0x80-0x9F to the Windows table, where the five bytes Windows leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the
// same value, as Windows converts them. The way back maps every code point
// that has a byte; anything else, and every malformed UTF-8 sequence,
// becomes '?'.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace CodePage1252 {

// The Unicode code point of one Windows-1252 byte.
char32_t ToCodePoint(uint8_t byte);

// The Windows-1252 byte of a code point; -1 when the code page has none.
int FromCodePoint(char32_t codePoint);

// Converts Windows-1252 bytes to UTF-8. NUL bytes are converted like any
// other byte (to a NUL), so callers pass the text without its terminator.
std::string ToUtf8(std::string_view text);

// Converts UTF-8 to Windows-1252. A character without a byte in the code
// page becomes '?', and so does each byte of a malformed sequence that can
// not start a character (overlong forms, surrogates, values past U+10FFFF,
// stray continuation bytes, sequences cut short).
std::string FromUtf8(std::string_view text);

// True when the text holds a byte of 0x80 or above (a text that converts
// to itself otherwise).
bool HasHighBytes(std::string_view text);

}  // namespace CodePage1252
