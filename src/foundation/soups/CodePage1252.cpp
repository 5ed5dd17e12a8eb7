#include "foundation/soups/CodePage1252.h"

#include "foundation/text/Utf8.h"

namespace CodePage1252 {

namespace {

// 0x80-0x9F. The undefined bytes map to the C1 control of the same value.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

char32_t ToCodePoint(uint8_t byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
    return byte;
}

int FromCodePoint(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<int>(codePoint);
    for (int k = 0; k < 32; ++k)
        if (kHighControls[k] == codePoint) return 0x80 + k;
    return -1;
}

std::string ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (char c : text) Utf8::Append(out, ToCodePoint(static_cast<uint8_t>(c)));
    return out;
}

std::string FromUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        Utf8::Decoded d = Utf8::DecodeAt(text, i);
        if (!d.valid) {
            out.push_back('?');
            ++i;
            continue;
        }
        int byte = FromCodePoint(d.codePoint);
        out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
        i += d.length;
    }
    return out;
}

bool HasHighBytes(std::string_view text) {
    for (char c : text)
        if (static_cast<uint8_t>(c) >= 0x80) return true;
    return false;
}

}  // namespace CodePage1252
