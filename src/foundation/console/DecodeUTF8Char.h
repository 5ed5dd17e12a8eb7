#pragma once
// Decodes one UTF-8 sequence the way the Unicode reference converter does.
#include <cstdint>

// Returns the code point of the sequence at `bytes` and, when `length` is
// given, stores the sequence's length in bytes. The lead byte decides the
// number of trailing bytes (0 for 0x00-0xBF, 1 for 0xC0-0xDF, 2 for
// 0xE0-0xEF, 3 for 0xF0-0xF7, 4 for 0xF8-0xFB, 5 for 0xFC-0xFF); up to three
// trailing bytes are accumulated six bits at a time, and the reference
// offset of that length is subtracted. Trailing bytes are not checked for
// their 10xxxxxx form; leads of 0xF8 and above give no valid code point
// (0 minus the offset) and the lengths 5 and 6.
//
// A sequence cut short by the string's terminator is never read past it:
// the result is U+FFFD and the length counts the bytes before the NUL.
// A null pointer gives 0 and the length 0.
uint32_t DecodeUTF8Char(const char* bytes, int* length = nullptr);
