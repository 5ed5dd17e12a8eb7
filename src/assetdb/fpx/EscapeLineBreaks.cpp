#include "assetdb/fpx/EscapeLineBreaks.h"

Vek::String EscapeLineBreaks(const char* text) {
    Vek::String out;
    if (!text) return out;
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        if (c == '\r' || c == '\n') {
            out += "\\n";
            // A CR LF or LF CR pair is one break; two equal characters are two.
            const char next = p[1];
            if ((next == '\r' || next == '\n') && next != c) ++p;
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}
