// The scalar instructions, one small hand-assembled function per case:
// integer and float arithmetic, conversions, comparisons and their tests,
// shifts, locals and stack shuffling, jumps and the switch. Every result
// that C++ would leave undefined is pinned here.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "gsruntime/interpreter/GSInterpreterFixture.h"
#include "gsruntime/interpreter/GSScalarOps.h"

namespace {

using namespace GSRuntime;
using GSTest::Apply;
using GSTest::FloatBits;
using GSTest::Outcome;

uint32_t I(int64_t value) { return static_cast<uint32_t>(static_cast<int32_t>(value)); }
uint32_t F(float value) { return FloatBits(value); }

struct Case {
    const char* name;
    std::vector<uint8_t> code;
    std::vector<uint32_t> arguments;
    int32_t code_ = ER_Done;  // the expected result code
    uint32_t value = 0;       // the expected value after ER_Done
};

Case Binary(const char* name, uint8_t op, uint32_t a, uint32_t b, uint32_t value) {
    return {name, Apply(2, {op}), {a, b}, ER_Done, value};
}
Case Unary(const char* name, uint8_t op, uint32_t a, uint32_t value) {
    return {name, Apply(1, {op}), {a}, ER_Done, value};
}
Case BinaryError(const char* name, uint8_t op, uint32_t a, uint32_t b, int32_t code) {
    return {name, Apply(2, {op}), {a, b}, code, 0};
}

class GSScalarInstructions : public GSTest::InterpreterTest {
protected:
    void Check(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            const Outcome outcome = RunCode(c.code, c.arguments);
            EXPECT_EQ(outcome.code, c.code_) << c.name;
            if (c.code_ == ER_Done) {
                EXPECT_EQ(outcome.value, c.value) << c.name << " gave " << int32_t(outcome.value);
            }
        }
    }
};

TEST_F(GSScalarInstructions, IntegerArithmeticWrapsAndDivisionIsDefinedEverywhere) {
    Check({
        Binary("add", OP_AddInt, 2, 3, 5),
        Binary("add wraps", OP_AddInt, I(INT_MAX), 1, I(INT_MIN)),
        Binary("sub wraps", OP_SubInt, I(INT_MIN), 1, I(INT_MAX)),
        Binary("mul low bits", OP_MulInt, 65536, 65536, 0),
        Binary("mul sign", OP_MulInt, I(-3), 7, I(-21)),
        Binary("mul min by -1", OP_MulInt, I(INT_MIN), I(-1), I(INT_MIN)),
        Binary("div truncates", OP_DivInt, 7, I(-2), I(-3)),
        Binary("div truncates negative", OP_DivInt, I(-7), 2, I(-3)),
        Binary("div min by -1", OP_DivInt, I(INT_MIN), I(-1), I(INT_MIN)),
        Binary("div by -1", OP_DivInt, 5, I(-1), I(-5)),
        BinaryError("div by zero", OP_DivInt, 5, 0, ER_DivideByZero),
        Binary("mod sign of a", OP_ModInt, I(-7), 2, I(-1)),
        Binary("mod sign of a positive", OP_ModInt, 7, I(-2), 1),
        Binary("mod min by -1", OP_ModInt, I(INT_MIN), I(-1), 0),
        BinaryError("mod by zero", OP_ModInt, 5, 0, ER_DivideByZero),
        Unary("neg", OP_NegInt, 5, I(-5)),
        Unary("neg min", OP_NegInt, I(INT_MIN), I(INT_MIN)),
        Unary("inc wraps", OP_IncInt, I(INT_MAX), I(INT_MIN)),
        Unary("dec wraps", OP_DecInt, I(INT_MIN), I(INT_MAX)),
        Unary("not 0", OP_NotInt, 0, 1),
        Unary("not 5", OP_NotInt, 5, 0),
        Unary("not min", OP_NotInt, I(INT_MIN), 0),
        Unary("not zero of 0", OP_NotZero, 0, 0),
        Unary("not zero of min", OP_NotZero, I(INT_MIN), 1),
        Binary("and", OP_AndInt, 0xF0F0, 0xFF00, 0xF000),
        Binary("or", OP_OrInt, 0xF0F0, 0x0F00, 0xFFF0),
        Binary("xor", OP_XorInt, 0xF0F0, 0xFF00, 0x0FF0),
        Unary("complement", OP_ComplementInt, 0, 0xFFFFFFFFu),
        {"push zero", {OP_PushZero, OP_ReturnValue}, {}, ER_Done, 0},
        {"push one", {OP_PushOne, OP_ReturnValue}, {}, ER_Done, 1},
        {"push const", {OP_PushConst, 0x78, 0x56, 0x34, 0x12, OP_ReturnValue}, {}, ER_Done, 0x12345678u},
    });
}

TEST_F(GSScalarInstructions, ShiftsTakeTheirCountModulo32AndShiftRightIsLogical) {
    Check({
        Binary("left", OP_ShiftLeft, 1, 4, 16),
        Binary("left into the sign", OP_ShiftLeft, 1, 31, I(INT_MIN)),
        Binary("left by 32", OP_ShiftLeft, 1, 32, 1),
        Binary("left by 33", OP_ShiftLeft, 1, 33, 2),
        Binary("left by -1", OP_ShiftLeft, 3, I(-1), 0x80000000u),
        Binary("right logical", OP_ShiftRight, I(-1), 1, 0x7FFFFFFFu),
        Binary("right of min", OP_ShiftRight, I(INT_MIN), 31, 1),
        Binary("right by 32", OP_ShiftRight, I(-1), 32, 0xFFFFFFFFu),
        Binary("right by 35", OP_ShiftRight, 8, 35, 1),
    });
}

TEST_F(GSScalarInstructions, FloatArithmeticAndItsDivisorRule) {
    const float inf = std::numeric_limits<float>::infinity();
    Check({
        Binary("add", OP_AddFloat, F(1.5f), F(2.25f), F(3.75f)),
        Binary("sub", OP_SubFloat, F(1.5f), F(2.25f), F(-0.75f)),
        Binary("mul", OP_MulFloat, F(1.5f), F(-2.0f), F(-3.0f)),
        Binary("div", OP_DivFloat, F(1.0f), F(4.0f), F(0.25f)),
        Binary("div by -0.0", OP_DivFloat, F(1.0f), F(-0.0f), F(-inf)),
        BinaryError("div by +0.0", OP_DivFloat, F(1.0f), F(0.0f), ER_DivideByZero),
        BinaryError("div 0 by +0.0", OP_DivFloat, F(0.0f), F(0.0f), ER_DivideByZero),
        Binary("mod", OP_ModFloat, F(5.5f), F(2.0f), F(1.5f)),
        Binary("mod sign of a", OP_ModFloat, F(-5.5f), F(2.0f), F(-1.5f)),
        BinaryError("mod by +0.0", OP_ModFloat, F(5.0f), F(0.0f), ER_DivideByZero),
        Unary("neg", OP_NegFloat, F(1.0f), F(-1.0f)),
        Unary("neg of +0.0", OP_NegFloat, F(0.0f), 0x80000000u),
        Unary("neg of -0.0", OP_NegFloat, F(-0.0f), 0u),
        Unary("inc", OP_IncFloat, F(1.5f), F(2.5f)),
        Unary("dec", OP_DecFloat, F(1.5f), F(0.5f)),
        Unary("not +0.0", OP_NotFloat, F(0.0f), 1),
        Unary("not -0.0", OP_NotFloat, F(-0.0f), 0),
        Unary("not 1.0", OP_NotFloat, F(1.0f), 0),
    });
    // The remainder by -0.0 is not an error; it has no value.
    const Outcome nan = RunCode(Apply(2, {OP_ModFloat}), {F(5.0f), F(-0.0f)});
    EXPECT_EQ(nan.code, ER_Done);
    EXPECT_TRUE(std::isnan(GSTest::BitsFloat(nan.value)));
}

TEST_F(GSScalarInstructions, ConversionsHaveAValueForEveryInput) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    Check({
        Unary("int to float", OP_IntToFloat, I(-3), F(-3.0f)),
        Unary("int to float rounds to nearest even", OP_IntToFloat, 16777217, F(16777216.0f)),
        Unary("int to float rounds up", OP_IntToFloat, 16777219, F(16777220.0f)),
        Unary("float to int truncates", OP_FloatToInt, F(3.9f), 3),
        Unary("float to int truncates negative", OP_FloatToInt, F(-3.9f), I(-3)),
        Unary("float to int of NaN", OP_FloatToInt, F(nan), I(INT_MIN)),
        Unary("float to int of infinity", OP_FloatToInt, F(inf), I(INT_MIN)),
        Unary("float to int of -infinity", OP_FloatToInt, F(-inf), I(INT_MIN)),
        Unary("float to int above the range", OP_FloatToInt, F(3.0e9f), I(INT_MIN)),
        Unary("float to int of 2^31", OP_FloatToInt, F(2147483648.0f), I(INT_MIN)),
        Unary("float to int of the largest below 2^31", OP_FloatToInt, F(2147483520.0f), 2147483520u),
        Unary("float to int of -2^31", OP_FloatToInt, F(-2147483648.0f), I(INT_MIN)),
        Unary("float to int below the range", OP_FloatToInt, F(-3.0e9f), I(INT_MIN)),
    });
}

// The integer compare leaves the wrapping difference, whose sign the tests
// read: across more than half the int range it reads the wrong way. Scripts
// may rely on this, so it stays.
TEST_F(GSScalarInstructions, CompareLeavesAWrappingDifferenceThatTheTestsRead) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Check({
        Binary("compare", OP_CompareInt, 3, 5, I(-2)),
        Binary("compare wraps", OP_CompareInt, I(INT_MAX), I(-1), I(INT_MIN)),
        {"max < -1 reads true", Apply(2, {OP_CompareInt, OP_IsLess}), {I(INT_MAX), I(-1)}, ER_Done, 1},
        {"min > 1 reads true", Apply(2, {OP_CompareInt, OP_IsGreater}), {I(INT_MIN), 1}, ER_Done, 1},
        Binary("float compare less", OP_CompareFloat, F(1.0f), F(2.0f), I(-1)),
        Binary("float compare greater", OP_CompareFloat, F(2.0f), F(1.0f), 1),
        Binary("float compare equal zeros", OP_CompareFloat, F(-0.0f), F(0.0f), 0),
        Binary("float compare NaN", OP_CompareFloat, F(nan), F(1.0f), 0),
        Binary("float compare huge", OP_CompareFloat, F(3.0e38f), F(-3.0e38f), 1),
    });
    const struct {
        uint8_t op;
        uint32_t results[3];  // for -1, 0, 1
    } tests[] = {
        {OP_IsLess, {1, 0, 0}},
        {OP_IsLessEqual, {1, 1, 0}},
        {OP_IsGreater, {0, 0, 1}},
        {OP_IsGreaterEqual, {0, 1, 1}},
    };
    for (const auto& test : tests) {
        for (int c = -1; c <= 1; ++c) {
            const Outcome outcome = RunCode(Apply(1, {test.op}), {I(c)});
            EXPECT_EQ(outcome.value, test.results[c + 1]) << GSOpcodeName(test.op) << " of " << c;
        }
    }
}

// LoadLocal 1; <jump> to 10; PushZero; ReturnValue; 10: PushOne;
// ReturnValue: 1 when taken.
TEST_F(GSScalarInstructions, ConditionalJumpsTakeTheirBranchByTheSignOrTruth) {
    const struct {
        uint8_t op;
        int32_t value;
        uint32_t taken;
    } cases[] = {
        {OP_JumpIfZero, 0, 1},
        {OP_JumpIfZero, 7, 0},
        {OP_JumpIfNotZero, 0, 0},
        {OP_JumpIfNotZero, INT_MIN, 1},
        {OP_JumpIfLess, -1, 1},
        {OP_JumpIfLess, 0, 0},
        {OP_JumpIfLessEqual, 0, 1},
        {OP_JumpIfLessEqual, 1, 0},
        {OP_JumpIfGreater, 1, 1},
        {OP_JumpIfGreater, 0, 0},
        {OP_JumpIfGreaterEqual, 0, 1},
        {OP_JumpIfGreaterEqual, -1, 0},
        {OP_Jump, 0, 1},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> code = {OP_LoadLocal,  1, 0, c.op, 10, 0, 0, 0, OP_PushZero, OP_ReturnValue, OP_PushOne,
                                     OP_ReturnValue};
        // An unconditional jump takes no value.
        if (c.op == OP_Jump) code = {OP_Jump, 6, 0, 0, 0, OP_PushZero, OP_PushOne, OP_ReturnValue};
        const Outcome outcome = RunCode(code, {I(c.value)});
        EXPECT_EQ(outcome.code, ER_Done) << GSOpcodeName(c.op) << " " << c.value;
        EXPECT_EQ(outcome.value, c.taken) << GSOpcodeName(c.op) << " " << c.value;
    }
    // The Keep forms leave the value whether they jump or not:
    // LoadLocal 1; JumpIf..Keep 13; PushOne; AddInt; 13: ReturnValue.
    for (uint8_t op : {OP_JumpIfZeroKeep, OP_JumpIfNotZeroKeep}) {
        const std::vector<uint8_t> code = {OP_LoadLocal, 1, 0, op, 10, 0, 0, 0, OP_PushOne, OP_AddInt, OP_ReturnValue};
        const bool jumpsOnZero = op == OP_JumpIfZeroKeep;
        EXPECT_EQ(RunCode(code, {0}).value, jumpsOnZero ? 0u : 1u) << GSOpcodeName(op);
        EXPECT_EQ(RunCode(code, {5}).value, jumpsOnZero ? 6u : 5u) << GSOpcodeName(op);
    }
}

// A switch over keys returning the index of the target taken (the default
// returns 99).
std::vector<uint8_t> SwitchCode(const std::vector<int32_t>& keys) {
    GSTest::CodeWriter code;
    code.Op16(OP_LoadLocal, 1).Op(OP_Switch).U16(static_cast<uint32_t>(keys.size()));
    for (int32_t key : keys) code.I32(key);
    const uint32_t targets = code.Position();
    for (size_t i = 0; i <= keys.size(); ++i) code.I32(0);
    std::vector<uint32_t> at;
    for (size_t i = 0; i <= keys.size(); ++i) {
        at.push_back(code.Position());
        code.Op32(OP_PushConst, i < keys.size() ? static_cast<int64_t>(i) : 99).Op(OP_ReturnValue);
    }
    for (size_t i = 0; i <= keys.size(); ++i) code.Patch(targets + 4 * static_cast<uint32_t>(i), at[i]);
    return code.Bytes();
}

TEST_F(GSScalarInstructions, SwitchFindsItsKeyByBinarySearchElseTheDefault) {
    const std::vector<uint8_t> none = SwitchCode({});
    EXPECT_EQ(RunCode(none, {0}).value, 99u);
    const std::vector<uint8_t> three = SwitchCode({1, 5, 9});
    const struct {
        int32_t value;
        uint32_t target;
    } cases[] = {{1, 0}, {5, 1}, {9, 2}, {0, 99}, {4, 99}, {10, 99}, {-5, 99}};
    for (const auto& c : cases) EXPECT_EQ(RunCode(three, {I(c.value)}).value, c.target) << c.value;
    const std::vector<uint8_t> wide = SwitchCode({INT_MIN, -7, 0, 3, 100, INT_MAX});
    EXPECT_EQ(RunCode(wide, {I(INT_MIN)}).value, 0u);
    EXPECT_EQ(RunCode(wide, {I(-7)}).value, 1u);
    EXPECT_EQ(RunCode(wide, {I(INT_MAX)}).value, 5u);
    EXPECT_EQ(RunCode(wide, {I(-8)}).value, 99u);
}

TEST_F(GSScalarInstructions, LocalsAndStackShuffling) {
    GSTest::RawFunction::Shape oneLocal;
    oneLocal.locals = 1;
    const struct {
        const char* name;
        std::vector<uint8_t> code;
        uint32_t value;
    } cases[] = {
        // local 1 = 7; return local 1
        {"store, load", {OP_PushConst, 7, 0, 0, 0, OP_StoreLocal, 1, 0, OP_LoadLocal, 1, 0, OP_ReturnValue}, 7},
        // the kept value and the local: 7 + 7
        {"store keep",
         {OP_PushConst, 7, 0, 0, 0, OP_StoreLocalKeep, 1, 0, OP_LoadLocal, 1, 0, OP_AddInt, OP_ReturnValue},
         14},
        // 10 - 3 after a swap of (3, 10)
        {"swap", {OP_PushConst, 3, 0, 0, 0, OP_PushConst, 10, 0, 0, 0, OP_Swap, OP_SubInt, OP_ReturnValue}, 7},
        {"dup", {OP_PushConst, 6, 0, 0, 0, OP_Dup, OP_MulInt, OP_ReturnValue}, 36},
        {"pop", {OP_PushConst, 6, 0, 0, 0, OP_PushOne, OP_Pop, OP_ReturnValue}, 6},
        // r i -> r i r i with a null r: 0 3 0 3, summed
        {"dup pair",
         {OP_PushZero, OP_PushConst, 3, 0, 0, 0, OP_DupPairRef, OP_AddInt, OP_AddInt, OP_AddInt, OP_ReturnValue},
         6},
    };
    for (const auto& c : cases) {
        const Outcome outcome = RunCode(c.code, {}, oneLocal);
        EXPECT_EQ(outcome.code, ER_Done) << c.name;
        EXPECT_EQ(outcome.value, c.value) << c.name;
    }
}

TEST_F(GSScalarInstructions, EveryByteAbove115IsIllegal) {
    for (uint32_t op = 116; op <= 255; ++op) {
        const Outcome outcome = RunCode({static_cast<uint8_t>(op), OP_PushZero, OP_ReturnValue});
        EXPECT_EQ(outcome.code, ER_IllegalInstruction) << op;
    }
    // The last legal opcode is an instruction.
    EXPECT_EQ(RunCode({OP_PushOne, OP_NotZero, OP_ReturnValue}).value, 1u);
}

// Code that takes operands the frame does not have, or pushes beyond the
// stack, ends the thread instead of reaching the frame header or beyond
// the slots.
TEST_F(GSScalarInstructions, OperandStackBoundsAreChecked) {
    EXPECT_EQ(RunCode({OP_AddInt, OP_ReturnValue}).code, ER_IllegalInstruction);
    EXPECT_EQ(RunCode({OP_PushOne, OP_ArraySetRange, OP_ReturnValue}).code, ER_IllegalInstruction);
    // An endless push.
    EXPECT_EQ(RunCode({OP_PushOne, OP_Jump, 0, 0, 0, 0}).code, ER_StackOverflow);
    // A call whose target lies below the operand stack.
    EXPECT_EQ(RunCode({OP_PushOne, OP_Call, 0xFE, 0xFF, 0, 0, OP_ReturnValue}).code, ER_IllegalInstruction);
    // A return with a value of a frame whose operand stack is empty.
    EXPECT_EQ(RunCode({OP_ReturnValue}).code, ER_StackReturnError);
}

// Verified code runs without per-instruction stack checks: the deepest
// operand stack the loader found is checked once, when the frame is
// entered, and code that fits runs to its end.
TEST_F(GSScalarInstructions, VerifiedDepthIsCheckedWhenTheFrameIsEntered) {
    auto pushesThenSums = [](int32_t n) {
        std::vector<uint8_t> code(static_cast<std::size_t>(n), OP_PushOne);
        code.insert(code.end(), static_cast<std::size_t>(n - 1), OP_AddInt);
        code.push_back(OP_ReturnValue);
        return code;
    };
    for (int32_t n : {1, 2, 900}) {
        const std::vector<uint8_t> code = pushesThenSums(n);
        GSRuntime::GSFlowInput flow;
        flow.code = code.data();
        flow.length = static_cast<uint32_t>(code.size());
        flow.localSlots = 1;
        flow.argumentSlots = 1;
        flow.referenceLocals.assign(1, true);
        flow.resultShape = GSRuntime::kGSShapeValue;
        std::vector<GSRuntime::GSCallContract> contracts;
        int32_t maxDepth = -1;
        ASSERT_TRUE(GSRuntime::GSVerifyFlow(flow, contracts, nullptr, &maxDepth)) << n;
        EXPECT_EQ(maxDepth, n);
        const Outcome outcome = RunCode(code);
        EXPECT_EQ(outcome.code, ER_Done) << n;
        EXPECT_EQ(outcome.value, static_cast<uint32_t>(n)) << n;
    }
    // Deeper than the stack: refused on entry, as the push would have been.
    EXPECT_EQ(RunCode(pushesThenSums(1100)).code, ER_StackOverflow);
}

TEST(GSScalarOps, DivisionRemainderAndConversionAtTheEdges) {
    namespace S = GSRuntime::GSScalar;
    static_assert(S::DivInt(INT_MIN, -1) == INT_MIN);
    static_assert(S::ModInt(INT_MIN, -1) == 0);
    static_assert(S::ShiftRight(-2, 1) == 0x7FFFFFFF);
    static_assert(S::StringByte('\xE9') == -23);
    static_assert(S::StringByte('A') == 65);
    EXPECT_EQ(S::FloatToInt(-2147483648.0f), INT_MIN);
    EXPECT_EQ(S::FloatToInt(-0.99f), 0);
}

}  // namespace
