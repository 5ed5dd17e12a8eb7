#pragma once
// Helpers that make interned and plain strings from texts.
#include <cstddef>

#include "engine/AnsiString.h"
#include "engine/PString.h"

// Interns at most the first n characters of `text` (fewer when the text ends
// sooner; nothing is read past its NUL or past n). A null text gives the
// empty string.
Vek::PString MakeBoundedPString(const char* text, std::size_t n);

// A plain string holding `text` (empty for a null text).
Vek::String StringFromText(const char* text);

// An independent copy of a plain string.
Vek::String StringCopy(const Vek::String& string);
