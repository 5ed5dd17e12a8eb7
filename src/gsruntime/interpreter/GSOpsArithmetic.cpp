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
    GSInstallChecked<OP_AddInt, &BinaryInt<S::AddInt>>(table);
    GSInstallChecked<OP_SubInt, &BinaryInt<S::SubInt>>(table);
    GSInstallChecked<OP_MulInt, &BinaryInt<S::MulInt>>(table);
    GSInstallChecked<OP_DivInt, &DivisionInt<S::DivInt>>(table);
    GSInstallChecked<OP_ModInt, &DivisionInt<S::ModInt>>(table);
    GSInstallChecked<OP_NegInt, &UnaryInt<S::NegInt>>(table);
    GSInstallChecked<OP_IncInt, &UnaryInt<S::IncInt>>(table);
    GSInstallChecked<OP_DecInt, &UnaryInt<S::DecInt>>(table);
    GSInstallChecked<OP_IntToFloat, &IntToFloat>(table);
    GSInstallChecked<OP_CompareInt, &BinaryInt<S::CompareInt>>(table);
    GSInstallChecked<OP_PushZero, &PushValue<0>>(table);
    GSInstallChecked<OP_PushOne, &PushValue<1>>(table);
    GSInstallChecked<OP_NotInt, &UnaryInt<S::NotInt>>(table);
    GSInstallChecked<OP_AndInt, &BinaryInt<AndInt>>(table);
    GSInstallChecked<OP_OrInt, &BinaryInt<OrInt>>(table);
    GSInstallChecked<OP_XorInt, &BinaryInt<XorInt>>(table);
    GSInstallChecked<OP_ComplementInt, &UnaryInt<ComplementInt>>(table);
    GSInstallChecked<OP_ShiftLeft, &BinaryInt<S::ShiftLeft>>(table);
    GSInstallChecked<OP_ShiftRight, &BinaryInt<S::ShiftRight>>(table);
    GSInstallChecked<OP_NotZero, &UnaryInt<S::NotZero>>(table);

    GSInstallChecked<OP_AddFloat, &BinaryFloat<AddFloat>>(table);
    GSInstallChecked<OP_SubFloat, &BinaryFloat<SubFloat>>(table);
    GSInstallChecked<OP_MulFloat, &BinaryFloat<MulFloat>>(table);
    GSInstallChecked<OP_DivFloat, &DivisionFloat<DivFloat>>(table);
    GSInstallChecked<OP_ModFloat, &DivisionFloat<S::ModFloat>>(table);
    GSInstallChecked<OP_NegFloat, &UnaryFloat<S::NegFloat>>(table);
    GSInstallChecked<OP_IncFloat, &UnaryFloat<IncFloat>>(table);
    GSInstallChecked<OP_DecFloat, &UnaryFloat<DecFloat>>(table);
    GSInstallChecked<OP_FloatToInt, &FloatToInt>(table);
    GSInstallChecked<OP_CompareFloat, &CompareFloat>(table);
    GSInstallChecked<OP_NotFloat, &NotFloat>(table);
    GSInstallChecked<OP_PushConst, &PushConst>(table);
}

}  // namespace GSRuntime
