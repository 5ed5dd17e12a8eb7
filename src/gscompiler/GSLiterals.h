#pragma once
// The values of GameScript literal tokens, computed from their text.
#include <cstdint>
#include <string>

// The longest literal text taken into account; the rest is cut off.
constexpr std::size_t kGSMaxLiteralLength = 2047;

// The text inside a character or string literal: at most 2047 characters
// of the token are taken; a final quote is dropped, a leading 'L' skipped;
// without an opening quote then, the result is empty. With escapes, a
// backslash and the character after it become one character (\n \t \v \r
// \f \b \a, \\ \' \" themselves, \0 a NUL, any other character itself);
// a backslash at the very end ends the text. The result may hold NULs.
std::string UnquoteLiteral(const char* token, bool withEscapes);

// "0x" or "0X" and hex digits: the value, saturated at 0x7FFFFFFF.
int32_t GSHexValue(const char* token);
// Decimal digits: the value, saturated at 0x7FFFFFFF.
int32_t GSIntValue(const char* token);
// A floating constant (its optional 'f' ignored) rounded to a 32-bit float.
float GSFloatValue(const char* token);
// A character constant: its first character (escapes applied) as a signed
// 8-bit value widened to 32 bits; 0 when it is empty.
int32_t GSCharValue(const char* token);
// A string constant: the unquoted, escape-processed text up to its first
// NUL.
std::string GSStringValue(const char* token);
// The file named by an include: the unquoted text, no escapes, lower-cased
// (ASCII letters).
std::string GSIncludeName(const char* token);
