#include "gscompiler/semantic/GSConstantFolding.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "gscompiler/GSCNode.h"

namespace {

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A constant operand: its kind and its 32 raw bits.
struct Operand {
    int32_t kind;
    uint32_t bits;

    explicit Operand(const GSCNode* node) : kind(node->subKind), bits(static_cast<uint32_t>(node->value)) {}

    bool IsString() const { return kind == kGSConstString; }
    bool IsFloat() const { return kind == kGSConstFloat; }
    int32_t Int() const { return static_cast<int32_t>(bits); }
    // Bool and int values widen to float; a float stays as it is.
    float Float() const {
        if (!IsFloat()) return static_cast<float>(Int());
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    // The truth of a value: a text is never null; everything else is its
    // raw bits tested for non-zero (so -0.0 counts as true, as it does in
    // the interpreter).
    bool Truth() const { return IsString() || bits != 0; }
    // The value `and` and `or` test and leave: a text's non-null test (1),
    // anything else its raw bits.
    uint32_t Tested() const { return IsString() ? 1u : bits; }
};

int32_t TypeOfKind(int32_t kind) {
    switch (kind) {
        case kGSConstBool: return kGSTypeBool;
        case kGSConstInt: return kGSTypeInt;
        case kGSConstFloat: return kGSTypeFloat;
        case kGSConstString: return kGSTypeString;
        default: return kGSTypeNone;
    }
}

void SetInt(GSCNode* node, int32_t value) { GSMakeConstant(node, kGSTypeInt, static_cast<uint32_t>(value)); }
void SetFloat(GSCNode* node, float value) { GSMakeConstant(node, kGSTypeFloat, FloatBits(value)); }
void SetBool(GSCNode* node, bool value) { GSMakeConstant(node, kGSTypeBool, value ? 1u : 0u); }

bool FoldArithmetic(GSCNode* node, int32_t op, const Operand& a, const Operand& b) {
    if (a.IsString() || b.IsString()) return false;  // + joins texts at run time
    if (a.kind == kGSConstInt && b.kind == kGSConstInt) {
        const uint32_t x = a.bits, y = b.bits;
        switch (op) {
            case kGSOpMultiply: SetInt(node, static_cast<int32_t>(x * y)); return true;
            case kGSOpAdd: SetInt(node, static_cast<int32_t>(x + y)); return true;
            case kGSOpSubtract: SetInt(node, static_cast<int32_t>(x - y)); return true;
            case kGSOpDivide:
            case kGSOpModulo:
                // Left to the interpreter, which raises its divide-by-zero
                // error; the smallest int by -1 has no int quotient.
                if (b.Int() == 0 || (a.Int() == INT_MIN && b.Int() == -1)) return false;
                SetInt(node, op == kGSOpDivide ? a.Int() / b.Int() : a.Int() % b.Int());
                return true;
            default: return false;
        }
    }
    const float x = a.Float(), y = b.Float();
    switch (op) {
        case kGSOpMultiply: SetFloat(node, x * y); return true;
        case kGSOpAdd: SetFloat(node, x + y); return true;
        case kGSOpSubtract: SetFloat(node, x - y); return true;
        case kGSOpDivide:
        case kGSOpModulo:
            // The interpreter raises divide-by-zero for a divisor of +0.0.
            if (FloatBits(y) == 0) return false;
            SetFloat(node, op == kGSOpDivide ? x / y : std::fmod(x, y));
            return true;
        default: return false;
    }
}

bool FoldBitwise(GSCNode* node, int32_t op, const Operand& a, const Operand& b) {
    if (a.kind != kGSConstInt || b.kind != kGSConstInt) return false;
    const uint32_t count = b.bits & 31u;
    switch (op) {
        case kGSOpShiftLeft: SetInt(node, static_cast<int32_t>(a.bits << count)); return true;
        // The shift instruction is logical: -8 >> 1 is 2147483644.
        case kGSOpShiftRight: SetInt(node, static_cast<int32_t>(a.bits >> count)); return true;
        case kGSOpBitAnd: SetInt(node, static_cast<int32_t>(a.bits & b.bits)); return true;
        case kGSOpBitXor: SetInt(node, static_cast<int32_t>(a.bits ^ b.bits)); return true;
        case kGSOpBitOr: SetInt(node, static_cast<int32_t>(a.bits | b.bits)); return true;
        default: return false;
    }
}

// A comparison instruction leaves a number whose sign the test after it
// reads: for ints the wrapping difference (so 2147483647 < -1 holds), for
// floats 1, -1 or 0 by the sign of the float difference (so NaN, and
// infinity against itself, compare equal).
bool Test(int32_t op, int32_t c) {
    switch (op) {
        case kGSOpLess: return c < 0;
        case kGSOpGreater: return c > 0;
        case kGSOpLessEqual: return c <= 0;
        case kGSOpGreaterEqual: return c >= 0;
        case kGSOpEqual: return c == 0;
        default: return c != 0;
    }
}

bool FoldComparison(GSCNode* node, int32_t op, const Operand& a, const Operand& b) {
    // Texts are compared by the interpreter, never by their addresses.
    if (a.IsString() || b.IsString()) return false;
    int32_t c;
    if (a.IsFloat() || b.IsFloat()) {
        const float d = a.Float() - b.Float();
        c = d > 0.0f ? 1 : (d < 0.0f ? -1 : 0);
    } else {
        c = static_cast<int32_t>(a.bits - b.bits);
    }
    SetBool(node, Test(op, c));
    return true;
}

// `and` and `or` leave the deciding operand's tested value, not 0 or 1:
// 5 and 3 is 3, typed bool.
void FoldLogic(GSCNode* node, int32_t op, const Operand& a, const Operand& b) {
    const uint32_t left = a.Tested();
    const bool decided = op == kGSOpAnd ? left == 0 : left != 0;
    GSMakeConstant(node, kGSTypeBool, decided ? left : b.Tested());
}

}  // namespace

void GSMakeConstant(GSCNode* node, int32_t typeCode, uintptr_t value) {
    node->kind = kGSExprConstant;
    switch (typeCode) {
        case kGSTypeBool: node->subKind = kGSConstBool; break;
        case kGSTypeInt: node->subKind = kGSConstInt; break;
        case kGSTypeFloat: node->subKind = kGSConstFloat; break;
        default: node->subKind = kGSConstString; break;
    }
    node->typeCode = TypeOfKind(node->subKind);
    node->value = value;
    node->className = nullptr;
    node->flags &= ~uint32_t(kGSNodeLValue);
    for (auto& child : node->children) child = nullptr;
}

bool GSIsSingleConstant(const GSCNode* node) {
    return node && node->Is(kGSExpression, kGSExprConstant) && !node->next &&
           TypeOfKind(node->subKind) != kGSTypeNone;
}

int32_t GSFloatToInt(float value) {
    if (std::isnan(value) || value >= 2147483648.0f || value < -2147483648.0f) return INT_MIN;
    return static_cast<int32_t>(value);
}

bool GSFoldUnary(GSCNode* node) {
    if (!node || !GSIsSingleConstant(node->children[0])) return false;
    const Operand a(node->children[0]);
    switch (node->subKind) {
        case kGSOpUnaryPlus:
            if (a.kind != kGSConstInt && !a.IsFloat()) return false;
            GSMakeConstant(node, TypeOfKind(a.kind), a.bits);
            return true;
        case kGSOpNegate:
            if (a.kind == kGSConstInt) {
                SetInt(node, static_cast<int32_t>(0u - a.bits));
                return true;
            }
            if (!a.IsFloat()) return false;
            SetFloat(node, -0.0f - a.Float());
            return true;
        case kGSOpNot:
            SetBool(node, !a.Truth());
            return true;
        case kGSOpComplement:
            if (a.kind != kGSConstInt) return false;
            SetInt(node, static_cast<int32_t>(~a.bits));
            return true;
        default: return false;
    }
}

bool GSFoldBinary(GSCNode* node) {
    if (!node || !GSIsSingleConstant(node->children[0]) || !GSIsSingleConstant(node->children[1])) return false;
    const Operand a(node->children[0]);
    const Operand b(node->children[1]);
    const int32_t op = node->subKind;
    switch (op) {
        case kGSOpMultiply:
        case kGSOpDivide:
        case kGSOpModulo:
        case kGSOpAdd:
        case kGSOpSubtract: return FoldArithmetic(node, op, a, b);
        case kGSOpShiftLeft:
        case kGSOpShiftRight:
        case kGSOpBitAnd:
        case kGSOpBitXor:
        case kGSOpBitOr: return FoldBitwise(node, op, a, b);
        case kGSOpLess:
        case kGSOpGreater:
        case kGSOpLessEqual:
        case kGSOpGreaterEqual:
        case kGSOpEqual:
        case kGSOpNotEqual: return FoldComparison(node, op, a, b);
        case kGSOpAnd:
        case kGSOpOr: FoldLogic(node, op, a, b); return true;
        default: return false;
    }
}
