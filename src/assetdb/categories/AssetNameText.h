#pragma once
// Small text functions for asset display names.
#include "engine/AnsiString.h"

// A copy of the text with every '_' replaced by a blank (empty for null).
Vek::String UnderscoresToSpaces(const char* text);

// The length of a quotation mark at one end of a text: 0, 1 or 3.
// A positive count means `position` is the text's first byte and `count`
// bytes follow from it; a negative count means `position` is the text's last
// byte and -count bytes end there. Recognised: the ASCII double quote and
// apostrophe; the code page 1252 curly quotes 0x91-0x94 when the neighbouring
// byte inside the text is ASCII (a lone such byte is not taken); the UTF-8
// left quotation marks at the start and the right ones at the end.
int QuoteLengthAt(const char* position, int count);
