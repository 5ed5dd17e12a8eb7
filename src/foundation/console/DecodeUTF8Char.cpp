#include "foundation/console/DecodeUTF8Char.h"

namespace {

constexpr uint32_t kOffsets[6] = {0x00000000u, 0x00003080u, 0x000E2080u,
                                  0x03C82080u, 0xFA082080u, 0x82082080u};

int TrailingBytes(unsigned char lead) {
    if (lead < 0xC0) return 0;
    if (lead < 0xE0) return 1;
    if (lead < 0xF0) return 2;
    if (lead < 0xF8) return 3;
    if (lead < 0xFC) return 4;
    return 5;
}

}  // namespace

uint32_t DecodeUTF8Char(const char* bytes, int* length) {
    if (!bytes) {
        if (length) *length = 0;
        return 0;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    int trailing = TrailingBytes(p[0]);
    for (int i = 1; i <= trailing; ++i) {
        if (p[i] == 0) {
            if (length) *length = i;
            return 0xFFFDu;
        }
    }
    uint32_t value = 0;
    if (trailing <= 3) {
        for (int i = 0; i <= trailing; ++i) {
            value += p[i];
            if (i < trailing) value <<= 6;
        }
    }
    value -= kOffsets[trailing];
    if (length) *length = trailing + 1;
    return value;
}
