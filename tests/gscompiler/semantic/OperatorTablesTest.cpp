// The operator typing and assignment tables, row by row where the rules
// have edges.
#include <gtest/gtest.h>

#include <vector>

#include "gscompiler/GSTypes.h"
#include "gscompiler/semantic/GSOperatorTables.h"

namespace {

constexpr int32_t kVoid = kGSTypeVoid, kBool = kGSTypeBool, kInt = kGSTypeInt, kFloat = kGSTypeFloat,
                  kString = kGSTypeString, kObject = kGSTypeObject, kVoidArray = kGSTypeVoidArray,
                  kIntArray = kGSTypeIntArray, kObjectArray = kGSTypeObjectArray, kNone = kGSTypeNone,
                  kNull = kGSTypeNull;

TEST(OperatorTables, Unary) {
    struct Case {
        int32_t op, operand, result;
    };
    const std::vector<Case> cases = {
        {kGSOpPostIncrement, kInt, kInt},  {kGSOpPreDecrement, kFloat, kFloat}, {kGSOpPostIncrement, kBool, kNone},
        {kGSOpNegate, kFloat, kFloat},     {kGSOpUnaryPlus, kString, kNone},    {kGSOpNot, kString, kBool},
        {kGSOpNot, kObjectArray, kBool},   {kGSOpNot, kVoidArray, kNone},       {kGSOpNot, kNull, kNone},
        {kGSOpNot, kVoid, kNone},          {kGSOpComplement, kInt, kInt},       {kGSOpComplement, kFloat, kNone},
        {kGSOpAdd, kInt, kNone},  // not a unary operator
    };
    for (const auto& c : cases)
        EXPECT_EQ(GSUnaryResultType(c.op, c.operand), c.result)
            << GSOperatorName(c.op) << " " << GSTypeName(c.operand);
}

TEST(OperatorTables, Binary) {
    struct Case {
        int32_t op, left, right, result;
    };
    const std::vector<Case> cases = {
        {kGSOpMultiply, kInt, kInt, kInt},
        {kGSOpModulo, kInt, kFloat, kFloat},
        {kGSOpSubtract, kBool, kInt, kNone},
        {kGSOpAdd, kString, kBool, kString},
        {kGSOpAdd, kFloat, kString, kString},
        {kGSOpAdd, kString, kNull, kNone},
        {kGSOpShiftRight, kInt, kInt, kInt},
        {kGSOpBitOr, kInt, kBool, kNone},
        {kGSOpLess, kBool, kString, kBool},
        {kGSOpEqual, kString, kNull, kBool},
        {kGSOpEqual, kNull, kNull, kBool},
        {kGSOpEqual, kObject, kObject, kBool},
        {kGSOpNotEqual, kNull, kObject, kBool},
        {kGSOpEqual, kIntArray, kIntArray, kBool},
        {kGSOpEqual, kIntArray, kNull, kBool},
        {kGSOpEqual, kIntArray, kObjectArray, kNone},
        {kGSOpEqual, kObject, kInt, kNone},
        {kGSOpEqual, kNull, kInt, kNone},
        {kGSOpAnd, kObject, kFloat, kBool},
        {kGSOpOr, kIntArray, kString, kBool},
        {kGSOpAnd, kNull, kInt, kNone},
        {kGSOpOr, kVoidArray, kInt, kNone},
        {kGSOpNegate, kInt, kInt, kNone},  // not a binary operator
        {kGSOpAssign, kInt, kInt, kNone},  // special: no table
    };
    for (const auto& c : cases)
        EXPECT_EQ(GSBinaryResultType(c.op, c.left, c.right), c.result)
            << GSTypeName(c.left) << " " << GSOperatorName(c.op) << " " << GSTypeName(c.right);
}

TEST(OperatorTables, FoldingAndSpecialOperators) {
    for (int32_t op : {kGSOpPostIncrement, kGSOpPreIncrement, kGSOpMember, kGSOpCast, kGSOpAssign, kGSOpNew})
        EXPECT_FALSE(GSOperatorFolds(op)) << GSOperatorName(op);
    for (int32_t op : {kGSOpNegate, kGSOpNot, kGSOpComplement, kGSOpModulo, kGSOpShiftRight, kGSOpNotEqual, kGSOpOr})
        EXPECT_TRUE(GSOperatorFolds(op)) << GSOperatorName(op);
    for (int32_t op : {kGSOpMember, kGSOpRange, kGSOpIndex, kGSOpCast, kGSOpAssign, kGSOpSize, kGSOpIsClass,
                       kGSOpCopy, kGSOpNew})
        EXPECT_FALSE(GSOperatorHasTable(op)) << GSOperatorName(op);
}

TEST(OperatorTables, Assignment) {
    struct Case {
        int32_t target, source;
        bool allowed;
    };
    const std::vector<Case> cases = {
        {kBool, kFloat, true},       {kFloat, kBool, true},         {kInt, kString, false},
        {kString, kInt, true},       {kString, kNull, true},        {kString, kObject, false},
        {kObject, kNull, true},      {kObject, kString, false},     {kIntArray, kIntArray, true},
        {kIntArray, kNull, true},    {kIntArray, kObjectArray, false}, {kVoidArray, kVoidArray, false},
        {kVoid, kVoid, false},       {kNone, kInt, false},          {kNull, kNull, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GSAssignAllowed(c.target, c.source), c.allowed)
            << GSTypeName(c.source) << " to " << GSTypeName(c.target);
}

}  // namespace
