#pragma once
// The arithmetic, comparison, shift and conversion rules of the script
// instructions on 32-bit slots, as plain functions. Every result is defined
// for every input: integer arithmetic wraps modulo 2^32, shift counts are
// taken modulo 32, the smallest int divided by -1 gives the smallest int
// (remainder 0), and a float that has no int value (NaN, out of range)
// converts to the smallest int. Floats are IEEE single precision and are
// passed around as their 32-bit patterns where the bits matter (a divisor of
// +0.0 is an error, -0.0 is not).
//
// Division and remainder by zero are the caller's to refuse: these
// functions expect a non-zero divisor.
#include <cmath>
#include <cstdint>
#include <cstring>

namespace GSRuntime::GSScalar {

inline uint32_t Bits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float Float(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

constexpr int32_t kIntMin = INT32_MIN;

// Integer arithmetic, wrapping.
constexpr int32_t AddInt(int32_t a, int32_t b) { return static_cast<int32_t>(uint32_t(a) + uint32_t(b)); }
constexpr int32_t SubInt(int32_t a, int32_t b) { return static_cast<int32_t>(uint32_t(a) - uint32_t(b)); }
constexpr int32_t MulInt(int32_t a, int32_t b) { return static_cast<int32_t>(uint32_t(a) * uint32_t(b)); }
constexpr int32_t NegInt(int32_t a) { return static_cast<int32_t>(0u - uint32_t(a)); }
constexpr int32_t IncInt(int32_t a) { return AddInt(a, 1); }
constexpr int32_t DecInt(int32_t a) { return SubInt(a, 1); }

// Signed division truncating toward zero; b must not be 0. The smallest int
// divided by -1 wraps to itself.
constexpr int32_t DivInt(int32_t a, int32_t b) { return b == -1 ? NegInt(a) : a / b; }
// Remainder with the sign of a; b must not be 0. Any value modulo -1 is 0.
constexpr int32_t ModInt(int32_t a, int32_t b) { return b == -1 ? 0 : a % b; }

// The wrapping difference a - b; its sign is what the comparison tests
// read, so a comparison across more than half the int range reads wrong
// (2147483647 against -1 reads as less).
constexpr int32_t CompareInt(int32_t a, int32_t b) { return SubInt(a, b); }

// Shifts by the count modulo 32; the right shift is logical.
constexpr int32_t ShiftLeft(int32_t a, int32_t count) {
    return static_cast<int32_t>(uint32_t(a) << (uint32_t(count) & 31u));
}
constexpr int32_t ShiftRight(int32_t a, int32_t count) {
    return static_cast<int32_t>(uint32_t(a) >> (uint32_t(count) & 31u));
}

constexpr int32_t NotInt(int32_t a) { return a == 0 ? 1 : 0; }
constexpr int32_t NotZero(int32_t a) { return a != 0 ? 1 : 0; }

// Int to float, rounded to nearest.
inline float IntToFloat(int32_t a) { return static_cast<float>(a); }

// Float to int, truncating toward zero; NaN and values outside the int
// range give the smallest int.
inline int32_t FloatToInt(float a) {
    if (std::isnan(a) || a >= 2147483648.0f || a < -2147483648.0f) return kIntMin;
    return static_cast<int32_t>(a);
}

// A float divisor that is an error: all 32 bits zero (+0.0).
inline bool IsZeroDivisor(uint32_t bits) { return bits == 0; }

inline float NegFloat(float a) { return -0.0f - a; }
inline float ModFloat(float a, float b) { return std::fmod(a, b); }

// 1 when a - b (in float) is above 0, -1 when below, else 0 (NaN gives 0).
inline int32_t CompareFloat(float a, float b) {
    const float d = a - b;
    return d > 0.0f ? 1 : (d < 0.0f ? -1 : 0);
}

// 1 when all 32 bits are zero, so -0.0 counts as true.
constexpr int32_t NotFloat(uint32_t bits) { return bits == 0 ? 1 : 0; }

// A string byte as the script sees it: a signed 8-bit value.
constexpr int32_t StringByte(char byte) { return static_cast<int8_t>(static_cast<uint8_t>(byte)); }

// The tests of a comparison result.
constexpr int32_t IsLess(int32_t c) { return c < 0 ? 1 : 0; }
constexpr int32_t IsLessEqual(int32_t c) { return c <= 0 ? 1 : 0; }
constexpr int32_t IsGreater(int32_t c) { return c > 0 ? 1 : 0; }
constexpr int32_t IsGreaterEqual(int32_t c) { return c >= 0 ? 1 : 0; }

}  // namespace GSRuntime::GSScalar
