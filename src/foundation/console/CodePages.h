#pragma once
// Text conversions between code pages, through UTF-16 as Windows does them.
//
// Code pages on this platform: the "ANSI code page" of stored files
// (kCodePageAnsi) is Windows-1252, converted with our own tables; the
// console's code page (kCodePageConsole) is the character set of the
// current LC_CTYPE locale (UTF-8 in a UTF-8 locale, ASCII in the C locale).
// Characters that a target code page cannot hold become '?'.
#include <cstddef>
#include <string>
#include <string_view>

constexpr unsigned kCodePageAnsi = 0;     // Windows-1252
constexpr unsigned kCodePageConsole = 3;  // the locale's character set
constexpr unsigned kCodePageWindows1252 = 1252;
constexpr unsigned kCodePageUTF8 = 65001;

// One byte per UTF-16 unit: 32-127 and 9, 10, 13, 171, 176, 187 pass;
// U+2013, U+2018, U+2019, U+201C, U+201D and U+2026 become 150, 145, 146,
// 147, 148 and 133; every other unit becomes '?'.
std::string WideToAnsi(std::u16string_view text);
std::string WideToAnsi(const char16_t* text);  // null gives ""
// The same for the C library's wide texts; units above U+FFFF become '?'.
std::string WideToAnsi(std::wstring_view text);

// One UTF-16 unit per byte: bytes below 128 pass; 133, 145, 146, 147, 148,
// 150, 171, 176 and 187 become their typographic characters; any other
// byte is widened as a signed 8-bit value (U+FF80 to U+FFFF).
std::u16string AnsiToWide(std::string_view text);

// Converts the NUL-terminated `text` in place from one code page to
// another (the NUL included). Returns 0 on success. When the converted text
// with its NUL needs more than `capacity` bytes, returns the size needed
// and leaves the text as it was. When a code page is unknown, replaces
// every byte of 128 or more with '?' and returns -1.
int ConvertTextCodePage(char* text, std::size_t capacity, unsigned fromCodePage, unsigned toCodePage);

// ConvertTextCodePage from UTF-8 to `toCodePage`.
int ConvertFromUTF8(char* text, std::size_t capacity, unsigned toCodePage);
// ConvertTextCodePage from the ANSI code page (Windows-1252) to UTF-8.
int ConvertToUTF8(char* text, std::size_t capacity);

// The same conversions on strings, for callers that need no fixed buffer.
// False only for an unknown code page.
bool ConvertCodePage(std::string_view text, unsigned fromCodePage, unsigned toCodePage, std::string& out);
