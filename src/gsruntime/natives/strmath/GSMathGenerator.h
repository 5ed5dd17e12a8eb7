#pragma once
// The random generator of the Math natives: Sedgewick's linear
// congruential generator with overflow-free multiplication (multiplier
// 31415821, modulus 100000000), on one signed 32-bit state word per
// process. The state is 1 until it is seeded; every random native advances
// it once.
#include <cstdint>

namespace GSRuntime::GSMathGenerator {

// Advances the state and returns it: with a = the state, p1 = a / 10000,
// p0 = a % 10000 (signed, truncating), t = ((p0 * 3141 + p1 * 5821) % 10000)
// * 10000 + p0 * 5821, the state becomes (t % 100000000 + 1) % 100000000.
int32_t Next();
// Seeds the state with the low 32 bits of the calendar time in seconds
// since 1970 (taken as a signed number), so that two processes started in
// the same second draw the same sequence.
void SeedFromClock();

int32_t State();
void SetState(int32_t state);

// The draw of both Rand natives: abs(Next()) % 65535, in 0 .. 65534.
int32_t Draw();

}  // namespace GSRuntime::GSMathGenerator
