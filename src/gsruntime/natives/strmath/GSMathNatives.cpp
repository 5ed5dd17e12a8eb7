#include "gsruntime/natives/strmath/GSMathNatives.h"

#include <cmath>

#include "gsruntime/GSMachine.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/interpreter/GSScalarOps.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/GSParamFetch.h"
#include "gsruntime/natives/strmath/GSMathGenerator.h"

namespace GSRuntime {

namespace {

// 1/65535 as the float whose bits are 0x37800080.
float Scale() { return GSScalar::Float(0x37800080u); }

}  // namespace

float GSMathRandFloatValue(float lo, float hi, int32_t r) {
    const long double low = lo;
    const long double value =
        low + static_cast<long double>(r) * static_cast<long double>(Scale()) * (static_cast<long double>(hi) - low);
    return static_cast<float>(value);
}

int32_t GSMathRandIntValue(int32_t lo, int32_t hi, int32_t r) {
    const float range = static_cast<float>(GSScalar::SubInt(hi, lo));
    const float product = static_cast<float>(r) * Scale();
    const float scaled = product * range;
    return GSScalar::AddInt(lo, GSScalar::FloatToInt(scaled));
}

void GSMathRandFloat(GSContext*, GSStack* stack) {
    float lo = 0.0f;
    float hi = 0.0f;
    GetFloatParam(stack, 1, lo);
    GetFloatParam(stack, 2, hi);
    stack->PushFloat(GSMathRandFloatValue(lo, hi, GSMathGenerator::Draw()));
}

void GSMathRandInt(GSContext*, GSStack* stack) {
    const int32_t lo = static_cast<int32_t>(stack->Local(1));
    const int32_t hi = static_cast<int32_t>(stack->Local(2));
    stack->Push(static_cast<uint32_t>(GSMathRandIntValue(lo, hi, GSMathGenerator::Draw())));
}

void GSMathSqrt(GSContext*, GSStack* stack) {
    float value = 0.0f;
    GetFloatParam(stack, 1, value);
    stack->PushFloat(std::sqrt(value));
}

void RegisterMathNatives(GSMachine& machine) {
    GSMathGenerator::SeedFromClock();
    const Vek::PString className("Math");
    machine.AddNative(
        new GSCNativeFunction(className, Vek::PString("$float@Math::Rand(float,float)"), &GSMathRandFloat));
    machine.AddNative(new GSCNativeFunction(className, Vek::PString("$int@Math::Rand(int,int)"), &GSMathRandInt));
    machine.AddNative(new GSCNativeFunction(className, Vek::PString("$float@Math::Sqrt(float)"), &GSMathSqrt));
}

void GSInstallMathNatives() { GSMachine::SetNativeRegistrar(GSNativeGroup::Math, &RegisterMathNatives); }

}  // namespace GSRuntime
