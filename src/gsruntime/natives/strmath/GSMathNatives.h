#pragma once
// The natives of the script class "Math", in registration order:
//
// "$float@Math::Rand(float,float)"
//     lo + r * k * (hi - lo), computed in extended precision and stored as
//     a float, with r the generator's draw (0 .. 65534, GSMathGenerator.h)
//     and k = 1/65535 held as the float 0x37800080; stays below hi before
//     rounding, and gives lo when lo equals hi.
// "$int@Math::Rand(int,int)"
//     lo + trunc(float(r) * k * float(hi - lo)), the products in float
//     arithmetic, hi - lo and the sum in wrapping int arithmetic: lo up to
//     hi - 1 when hi > lo, lo down to hi + 1 when hi < lo, lo when equal.
// "$float@Math::Sqrt(float)"
//     the square root of argument 1 (NaN for a negative argument).
#include <cstdint>

namespace GSRuntime {

class GSContext;
class GSMachine;
class GSStack;

void GSMathRandFloat(GSContext* context, GSStack* stack);
void GSMathRandInt(GSContext* context, GSStack* stack);
void GSMathSqrt(GSContext* context, GSStack* stack);

// The float value of the float form for a draw r (exposed for tests).
float GSMathRandFloatValue(float lo, float hi, int32_t r);
// The int value of the int form for a draw r.
int32_t GSMathRandIntValue(int32_t lo, int32_t hi, int32_t r);

// Seeds the generator from the clock, then adds the three Math natives.
void RegisterMathNatives(GSMachine& machine);
// Makes RegisterMathNatives the registrar of the machine's Math group.
void GSInstallMathNatives();

}  // namespace GSRuntime
