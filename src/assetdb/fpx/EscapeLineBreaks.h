#pragma once
// Texts printed on one line: line breaks and backslashes escaped.
#include "engine/AnsiString.h"

// Each line break (CR, LF, or a CR LF / LF CR pair; two equal characters
// are two breaks) becomes backslash and "n"; each backslash is doubled;
// every other character is copied. A null text gives an empty string.
Vek::String EscapeLineBreaks(const char* text);
