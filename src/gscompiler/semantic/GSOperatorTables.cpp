#include "gscompiler/semantic/GSOperatorTables.h"

#include <initializer_list>

#include "gscompiler/GSTypes.h"

namespace {

constexpr int32_t kTypeCount = 14;
constexpr int32_t kOperatorCount = kGSOpNew + 1;

struct OperatorTables {
    int8_t unary[kOperatorCount][kTypeCount];
    int8_t binary[kOperatorCount][kTypeCount * kTypeCount];
    bool hasTable[kOperatorCount];
    bool isUnary[kOperatorCount];
    bool folds[kOperatorCount];
    bool assign[kTypeCount][kTypeCount];  // [target][source]

    OperatorTables() {
        for (int32_t op = 0; op < kOperatorCount; ++op) {
            hasTable[op] = isUnary[op] = folds[op] = false;
            for (auto& entry : unary[op]) entry = kGSTypeNone;
            for (auto& entry : binary[op]) entry = kGSTypeNone;
        }
        for (auto& row : assign)
            for (auto& entry : row) entry = false;

        const std::initializer_list<int32_t> numbers = {kGSTypeInt, kGSTypeFloat};
        const std::initializer_list<int32_t> scalars = {kGSTypeBool, kGSTypeInt, kGSTypeFloat, kGSTypeString};
        const std::initializer_list<int32_t> arrays = {kGSTypeVoidArray,  kGSTypeBoolArray,   kGSTypeIntArray,
                                                       kGSTypeFloatArray, kGSTypeStringArray, kGSTypeObjectArray};
        // The values that have a truth value: everything but void, void[],
        // none and null.
        const std::initializer_list<int32_t> testable = {
            kGSTypeBool,      kGSTypeInt,      kGSTypeFloat,      kGSTypeString,      kGSTypeObject,
            kGSTypeBoolArray, kGSTypeIntArray, kGSTypeFloatArray, kGSTypeStringArray, kGSTypeObjectArray};

        // --, ++ (postfix and prefix), unary + and -: int and float keep
        // their type; only + and - fold.
        for (int32_t op : {kGSOpPostDecrement, kGSOpPostIncrement, kGSOpPreDecrement, kGSOpPreIncrement,
                           kGSOpUnaryPlus, kGSOpNegate}) {
            Unary(op, op == kGSOpUnaryPlus || op == kGSOpNegate);
            for (int32_t t : numbers) unary[op][t] = int8_t(t);
        }
        Unary(kGSOpNot, true);
        for (int32_t t : testable) unary[kGSOpNot][t] = kGSTypeBool;
        Unary(kGSOpComplement, true);
        unary[kGSOpComplement][kGSTypeInt] = kGSTypeInt;

        // Arithmetic: int with int stays int, any float makes it float.
        for (int32_t op : {kGSOpMultiply, kGSOpDivide, kGSOpModulo, kGSOpAdd, kGSOpSubtract}) {
            Binary(op);
            for (int32_t l : numbers)
                for (int32_t r : numbers)
                    Set(op, l, r, l == kGSTypeInt && r == kGSTypeInt ? kGSTypeInt : kGSTypeFloat);
        }
        // + also joins texts: a string with any scalar on either side.
        for (int32_t t : scalars) {
            Set(kGSOpAdd, kGSTypeString, t, kGSTypeString);
            Set(kGSOpAdd, t, kGSTypeString, kGSTypeString);
        }
        for (int32_t op : {kGSOpShiftLeft, kGSOpShiftRight, kGSOpBitAnd, kGSOpBitXor, kGSOpBitOr}) {
            Binary(op);
            Set(op, kGSTypeInt, kGSTypeInt, kGSTypeInt);
        }
        for (int32_t op = kGSOpLess; op <= kGSOpNotEqual; ++op) {
            Binary(op);
            for (int32_t l : scalars)
                for (int32_t r : scalars) Set(op, l, r, kGSTypeBool);
            Set(op, kGSTypeString, kGSTypeNull, kGSTypeBool);
            Set(op, kGSTypeObject, kGSTypeObject, kGSTypeBool);
            Set(op, kGSTypeObject, kGSTypeNull, kGSTypeBool);
            for (int32_t a : arrays) {
                Set(op, a, a, kGSTypeBool);
                Set(op, a, kGSTypeNull, kGSTypeBool);
                Set(op, kGSTypeNull, a, kGSTypeBool);
            }
            for (int32_t r : {kGSTypeString, kGSTypeObject, kGSTypeNull}) Set(op, kGSTypeNull, r, kGSTypeBool);
        }
        for (int32_t op : {kGSOpAnd, kGSOpOr}) {
            Binary(op);
            for (int32_t l : testable)
                for (int32_t r : testable) Set(op, l, r, kGSTypeBool);
        }

        for (int32_t target : {kGSTypeBool, kGSTypeInt, kGSTypeFloat})
            for (int32_t source : {kGSTypeBool, kGSTypeInt, kGSTypeFloat}) assign[target][source] = true;
        for (int32_t source : {kGSTypeBool, kGSTypeInt, kGSTypeFloat, kGSTypeString, kGSTypeNull})
            assign[kGSTypeString][source] = true;
        assign[kGSTypeObject][kGSTypeObject] = assign[kGSTypeObject][kGSTypeNull] = true;
        for (int32_t a = kGSTypeBoolArray; a <= kGSTypeObjectArray; ++a) assign[a][a] = assign[a][kGSTypeNull] = true;
    }

    void Unary(int32_t op, bool fold) {
        hasTable[op] = isUnary[op] = true;
        folds[op] = fold;
    }
    void Binary(int32_t op) { hasTable[op] = folds[op] = true; }
    void Set(int32_t op, int32_t left, int32_t right, int32_t result) {
        binary[op][left * kTypeCount + right] = int8_t(result);
    }
};

const OperatorTables& Tables() {
    static const OperatorTables tables;
    return tables;
}

bool ValidOperator(int32_t op) { return op >= 0 && op < kOperatorCount; }
bool ValidType(int32_t type) { return type >= 0 && type < kTypeCount; }

}  // namespace

bool GSOperatorHasTable(int32_t op) { return ValidOperator(op) && Tables().hasTable[op]; }

bool GSOperatorIsUnary(int32_t op) { return ValidOperator(op) && Tables().isUnary[op]; }

bool GSOperatorFolds(int32_t op) { return ValidOperator(op) && Tables().folds[op]; }

int32_t GSUnaryResultType(int32_t op, int32_t operand) {
    if (!GSOperatorIsUnary(op) || !ValidType(operand)) return kGSTypeNone;
    return Tables().unary[op][operand];
}

int32_t GSBinaryResultType(int32_t op, int32_t left, int32_t right) {
    if (!GSOperatorHasTable(op) || GSOperatorIsUnary(op) || !ValidType(left) || !ValidType(right))
        return kGSTypeNone;
    return Tables().binary[op][left * kTypeCount + right];
}

bool GSAssignAllowed(int32_t target, int32_t source) {
    return ValidType(target) && ValidType(source) && Tables().assign[target][source];
}
