#pragma once
// Kind converters: turn the value bytes of one soup kind into the value
// bytes of another (a text tag read as an integer, a float printed as text).
//
// Each converter registers itself at the head of one process-wide list when
// it is constructed and unlinks itself when destroyed, so the list is
// searched newest first. The six standard converters (text to integer,
// float and KUID; integer, float and KUID to text) are made on the first
// conversion, in that order, before any result is computed; afterwards the
// list is only read, so conversions may run on any thread.
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/soups/ACSRawData.h"

class ACSConverter {
public:
    ACSConverter(int32_t fromKind, int32_t toKind);
    virtual ~ACSConverter();
    ACSConverter(const ACSConverter&) = delete;
    ACSConverter& operator=(const ACSConverter&) = delete;

    // Converts `source` (never null); `out` becomes the result, null when
    // the conversion yields nothing.
    virtual void Convert(const RawDataRef& source, RawDataRef& out) const = 0;

    int32_t FromKind() const { return m_fromKind; }
    int32_t ToKind() const { return m_toKind; }

    // The registered converters, newest first.
    static const ACSConverter* First();
    const ACSConverter* Next() const { return m_next; }

private:
    ACSConverter* m_previous = nullptr;
    ACSConverter* m_next = nullptr;
    int32_t m_fromKind;
    int32_t m_toKind;
};

// Converts value bytes between kinds:
// 1. from == to: the source block itself (shared, not copied);
// 2. from 0, or a null source: null;
// 3. the first converter (list order) from -> to;
// 4. else the first converter s from `from` for which a converter p goes
//    from s's target to `to` (the first such p): s, then p; null when the
//    intermediate is null;
// 5. else null.
RawDataRef ConvertChunkKind(int32_t fromKind, const RawDataRef& source, int32_t toKind);

// The numeric test of the text-to-number converters: an optional leading
// '-'; trailing blanks and tabs ignored; then digits, at most one '.', and
// an exponent 'e' (lower case) only after a '.' and followed at once by
// '+' or '-' and something more. "12", "-3", "4.", ".5", "1.5e+3" and "7 "
// pass; "+1", " 1", "1e5", "1E+5", "1.5e3", "1,2", "1.2.3" and "-" fail.
bool IsNumericText(const char* text);
bool IsNumericText(std::string_view text);

// The bytes of a text value up to its first NUL and never past its size.
std::string_view TextOfBlock(const RawDataRef& block);

// The text the standard converters make of a value of kind integers,
// floats or KUID, appended to `out`: each integer as "%d" and each float as
// "%g" (as a double) gives it in the C locale, joined with ','; the first
// KUID's tag text (KUID::ToTagString). False, with nothing appended, for
// another kind and for bytes holding no whole value (the converters give
// no result then). Text soups are written with these texts whatever
// converters are registered later, so that a saved soup always reads back
// the same; conversions asked of ConvertChunkKind still find the newest.
bool AppendStandardText(int32_t kind, const uint8_t* data, int32_t size, std::string& out);

// Makes the standard converters once (ConvertChunkKind calls it).
void RegisterStandardConverters();
