#include "engine/StdMath.h"

#include <bit>

namespace Vek {

namespace {

constexpr double ConstSqrt(double a) {
    // Newton's method from above; a lies in [1, 4) here.
    double x = a;
    for (int i = 0; i < 64; ++i) {
        double next = 0.5 * (x + a / x);
        if (next == x) break;
        x = next;
    }
    return x;
}

constexpr std::array<uint32_t, 512> BuildInverseSqrtTable() {
    std::array<uint32_t, 512> table{};
    for (uint32_t i = 0; i < 512; ++i) {
        bool oddExponent = (i >> 8) != 0;
        double mantissa = 1.0 + ((i & 0xFF) + 0.5) / 256.0;
        // With an odd exponent, d = m * 4^k and 1/sqrt(d) = 2^-(k+1) * 2/sqrt(m);
        // with an even one, d = 2m * 4^k and 1/sqrt(d) = 2^-(k+1) * 2/sqrt(2m).
        // Either way the significand lies in (1, 2).
        double significand = 2.0 / ConstSqrt(oddExponent ? mantissa : 2.0 * mantissa);
        double bits = (significand - 1.0) * 8388608.0 + 0.5;
        uint32_t word = static_cast<uint32_t>(bits);
        table[i] = word > 0x7FFFFFu ? 0x7FFFFFu : word;
    }
    return table;
}

}  // namespace

constinit const std::array<uint32_t, 512> StdMath::s_sqrtLUT = BuildInverseSqrtTable();

float StdMath::FastInverseSqrt(float d) {
    uint32_t b = std::bit_cast<uint32_t>(d);
    uint32_t e = (b >> 23) & 0xFF;
    if (e == 0 && (b & 0x7FFFFFu) != 0) {
        // A subnormal number: its mantissa is not normalised, so the table
        // guess would be far off. Scale into the normal range and back.
        return FastInverseSqrt(d * 0x1p64f) * 0x1p32f;
    }
    uint32_t i = (b >> 15) & 0x1FF;
    uint32_t guessBits = (((380u - e) << 22) & 0xFF800000u) | s_sqrtLUT[i];
    double g = std::bit_cast<float>(guessBits);
    double x = d;
    g = g * (1.5 - 0.5 * x * g * g);
    g = g * (1.5 - 0.5 * x * g * g);
    return static_cast<float>(g);
}

}  // namespace Vek
