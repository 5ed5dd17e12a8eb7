#include "foundation/text/StringHelpers.h"

Vek::PString MakeBoundedPString(const char* text, std::size_t n) { return Vek::PString(text, n); }

Vek::String StringFromText(const char* text) {
    Vek::String result;
    result = text;
    return result;
}

Vek::String StringCopy(const Vek::String& string) { return Vek::String(string); }
