#include "assetdb/categories/AssetNameText.h"

Vek::String UnderscoresToSpaces(const char* text) {
    Vek::String result(text ? text : "");
    for (char& c : result.Std())
        if (c == '_') c = ' ';
    return result;
}

int QuoteLengthAt(const char* position, int count) {
    if (count == 0 || !position) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(position);
    const unsigned char byte = p[0];
    if (byte == 0x22 || byte == 0x27) return 1;
    if (byte >= 0x91 && byte <= 0x94) {
        if (count > 1 && p[1] < 0x80) return 1;
        if (count < -1 && p[-1] < 0x80) return 1;
    }
    if (count >= 3 && p[0] == 0xE2 && p[1] == 0x80 && (p[2] == 0x98 || p[2] == 0x9C)) return 3;
    if (count <= -3 && p[-2] == 0xE2 && p[-1] == 0x80 && (p[0] == 0x99 || p[0] == 0x9D)) return 3;
    return 0;
}
