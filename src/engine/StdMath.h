#pragma once
// Fast inverse square root: a first guess from a 512-entry table of
// mantissas, refined by two Newton steps.
#include <array>
#include <cstdint>

namespace Vek {

struct StdMath {
    // Entry i is the 23 mantissa bits of 1/sqrt(d) for the numbers d whose
    // lowest exponent bit is bit 8 of i and whose top 8 mantissa bits are the
    // low 8 bits of i, taken at the middle of that range.
    static const std::array<uint32_t, 512> s_sqrtLUT;

    // 1/sqrt(d) for d >= 0, to about single precision. For 0 it gives a large
    // finite number, so that 0 * FastInverseSqrt(0) is 0.
    static float FastInverseSqrt(float d);
};

}  // namespace Vek
