// Integer and float arithmetic, conversion and logic (opcodes 0 to 30 and
// 115), with the semantics of GSScalarOps.h.

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/interpreter/GSDispatchTable.h"
#include "gsruntime/interpreter/GSScalarOps.h"

namespace GSRuntime {

namespace {

namespace S = GSScalar;

int32_t AsInt(uint32_t slot) { return static_cast<int32_t>(slot); }
uint32_t FromInt(int32_t value) { return static_cast<uint32_t>(value); }

template <int32_t (*Op)(int32_t, int32_t)>
bool BinaryInt(GSRunState& s) {
    const int32_t b = AsInt(s.Pop());
    s.Top() = FromInt(Op(AsInt(s.Top()), b));
    return true;
}

template <int32_t (*Op)(int32_t)>
bool UnaryInt(GSRunState& s) {
    s.Top() = FromInt(Op(AsInt(s.Top())));
    return true;
}

// Division and remainder: a zero divisor raises before anything is popped.
template <int32_t (*Op)(int32_t, int32_t)>
bool DivisionInt(GSRunState& s) {
    if (AsInt(s.Top()) == 0) return s.Raise(ER_DivideByZero);
    return BinaryInt<Op>(s);
}

constexpr int32_t AndInt(int32_t a, int32_t b) { return a & b; }
constexpr int32_t OrInt(int32_t a, int32_t b) { return a | b; }
constexpr int32_t XorInt(int32_t a, int32_t b) { return a ^ b; }
constexpr int32_t ComplementInt(int32_t a) { return ~a; }

template <float (*Op)(float, float)>
bool BinaryFloat(GSRunState& s) {
    const float b = S::Float(s.Pop());
    s.Top() = S::Bits(Op(S::Float(s.Top()), b));
    return true;
}

template <float (*Op)(float, float)>
bool DivisionFloat(GSRunState& s) {
    if (S::IsZeroDivisor(s.Top())) return s.Raise(ER_DivideByZero);
    return BinaryFloat<Op>(s);
}

template <float (*Op)(float)>
bool UnaryFloat(GSRunState& s) {
    s.Top() = S::Bits(Op(S::Float(s.Top())));
    return true;
}

float AddFloat(float a, float b) { return a + b; }
float SubFloat(float a, float b) { return a - b; }
float MulFloat(float a, float b) { return a * b; }
float DivFloat(float a, float b) { return a / b; }
float IncFloat(float a) { return a + 1.0f; }
float DecFloat(float a) { return a - 1.0f; }

bool IntToFloat(GSRunState& s) {
    s.Top() = S::Bits(S::IntToFloat(AsInt(s.Top())));
    return true;
}

bool FloatToInt(GSRunState& s) {
    s.Top() = FromInt(S::FloatToInt(S::Float(s.Top())));
    return true;
}

bool CompareFloat(GSRunState& s) {
    const float b = S::Float(s.Pop());
    s.Top() = FromInt(S::CompareFloat(S::Float(s.Top()), b));
    return true;
}

bool NotFloat(GSRunState& s) {
    s.Top() = FromInt(S::NotFloat(s.Top()));
    return true;
}

template <uint32_t Value>
bool PushValue(GSRunState& s) {
    s.Push(Value);
    return true;
}

bool PushConst(GSRunState& s) {
    s.Push(static_cast<uint32_t>(s.I32()));
    return true;
}

}  // namespace

void GSInstallArithmeticHandlers(GSOpHandler* table) {
    table[OP_AddInt] = &GSStackChecked<OP_AddInt, &BinaryInt<S::AddInt>>;
    table[OP_SubInt] = &GSStackChecked<OP_SubInt, &BinaryInt<S::SubInt>>;
    table[OP_MulInt] = &GSStackChecked<OP_MulInt, &BinaryInt<S::MulInt>>;
    table[OP_DivInt] = &GSStackChecked<OP_DivInt, &DivisionInt<S::DivInt>>;
    table[OP_ModInt] = &GSStackChecked<OP_ModInt, &DivisionInt<S::ModInt>>;
    table[OP_NegInt] = &GSStackChecked<OP_NegInt, &UnaryInt<S::NegInt>>;
    table[OP_IncInt] = &GSStackChecked<OP_IncInt, &UnaryInt<S::IncInt>>;
    table[OP_DecInt] = &GSStackChecked<OP_DecInt, &UnaryInt<S::DecInt>>;
    table[OP_IntToFloat] = &GSStackChecked<OP_IntToFloat, &IntToFloat>;
    table[OP_CompareInt] = &GSStackChecked<OP_CompareInt, &BinaryInt<S::CompareInt>>;
    table[OP_PushZero] = &GSStackChecked<OP_PushZero, &PushValue<0>>;
    table[OP_PushOne] = &GSStackChecked<OP_PushOne, &PushValue<1>>;
    table[OP_NotInt] = &GSStackChecked<OP_NotInt, &UnaryInt<S::NotInt>>;
    table[OP_AndInt] = &GSStackChecked<OP_AndInt, &BinaryInt<AndInt>>;
    table[OP_OrInt] = &GSStackChecked<OP_OrInt, &BinaryInt<OrInt>>;
    table[OP_XorInt] = &GSStackChecked<OP_XorInt, &BinaryInt<XorInt>>;
    table[OP_ComplementInt] = &GSStackChecked<OP_ComplementInt, &UnaryInt<ComplementInt>>;
    table[OP_ShiftLeft] = &GSStackChecked<OP_ShiftLeft, &BinaryInt<S::ShiftLeft>>;
    table[OP_ShiftRight] = &GSStackChecked<OP_ShiftRight, &BinaryInt<S::ShiftRight>>;
    table[OP_NotZero] = &GSStackChecked<OP_NotZero, &UnaryInt<S::NotZero>>;

    table[OP_AddFloat] = &GSStackChecked<OP_AddFloat, &BinaryFloat<AddFloat>>;
    table[OP_SubFloat] = &GSStackChecked<OP_SubFloat, &BinaryFloat<SubFloat>>;
    table[OP_MulFloat] = &GSStackChecked<OP_MulFloat, &BinaryFloat<MulFloat>>;
    table[OP_DivFloat] = &GSStackChecked<OP_DivFloat, &DivisionFloat<DivFloat>>;
    table[OP_ModFloat] = &GSStackChecked<OP_ModFloat, &DivisionFloat<S::ModFloat>>;
    table[OP_NegFloat] = &GSStackChecked<OP_NegFloat, &UnaryFloat<S::NegFloat>>;
    table[OP_IncFloat] = &GSStackChecked<OP_IncFloat, &UnaryFloat<IncFloat>>;
    table[OP_DecFloat] = &GSStackChecked<OP_DecFloat, &UnaryFloat<DecFloat>>;
    table[OP_FloatToInt] = &GSStackChecked<OP_FloatToInt, &FloatToInt>;
    table[OP_CompareFloat] = &GSStackChecked<OP_CompareFloat, &CompareFloat>;
    table[OP_NotFloat] = &GSStackChecked<OP_NotFloat, &NotFloat>;
    table[OP_PushConst] = &GSStackChecked<OP_PushConst, &PushConst>;
}

}  // namespace GSRuntime
