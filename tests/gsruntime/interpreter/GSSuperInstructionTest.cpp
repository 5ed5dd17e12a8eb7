// Compiled scripts whose loops, comparisons, array reads and string
// building run as superinstructions give what their plain instructions
// give: the values, the errors, and strings that another holder still sees
// unchanged. The copy the interpreter runs differs from the library's code
// only in the opcode bytes that start a sequence.
#include <gtest/gtest.h>

#include <initializer_list>

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/hostsupport/GSTestHost.h"
#include "gsruntime/interpreter/GSInterpreterFixture.h"
#include "gsruntime/interpreter/GSSuperInstructions.h"

namespace {

const char* const kScript = R"(include "gs.gs"

class Shape isclass GameObject
{
    public int Kind(void) { return 1; }
    public int Twice(int n) { return Kind() + n + n; }
};

class Probe isclass Shape
{
    public int Kind(void) { return 7; }
    public int Fib(int n) { if (n < 2) return n; return Fib(n - 1) + Fib(n - 2); }
    public int Fall(int n) { if (n < 1) return 7 / n; return Fall(n - 1) + 1; }
    public int Endless(int n) { return Endless(n - 3); }
    public int Kinds(int n) {
        int i; int t = 0;
        for (i = 0; i < n; i++) t = t + Kind() + Twice(i);
        return t;
    }
    public int Up(int n) {
        int i; int s = 0;
        for (i = 0; i < n; i++) s = s + (i % 7) * 3 - 1;
        return s;
    }
    public int Down(int n) {
        int i; int s = 0;
        for (i = n; i > 0; i--) s = s + i;
        for (i = n; i >= 0; i--) s = s + 1;
        for (i = 0; i <= n; i++) s = s * 3 + 1;
        return s;
    }
    public int Sum(int n) {
        int[] a = new int[n]; int i; int s = 0;
        for (i = 0; i < n; i++) a[i] = i * 2;
        for (i = 0; i < n; i++) s = s + a[i];
        return s;
    }
    public int Mixed(int n) {
        int i; int s = 0; int z = 0;
        for (i = n; i > z; i--) s = s + 2;
        for (i = n; i >= z; i--) s = s + 3;
        for (i = 0; i < 5; i++) s = s + 5;
        for (i = 0; i <= 5; i++) s = s + 7;
        return s;
    }
    public int ReadPast(int n) {
        int[] a = new int[n]; int i; int s = 0;
        for (i = 0; i <= n; i++) s = s + a[i];
        return s;
    }
    public int Build(int n) {
        string s = ""; string e = ""; int i;
        for (i = 0; i < n; i++) s = s + "x" + i;
        for (i = 0; i < n; i++) { string t = "x" + i; e = e + t; }
        if (s == e) return 1;
        return 0;
    }
    public int Grow(string a) {
        a = a + "b" + "c";
        if (a == "abc") return 1;
        return 0;
    }
    public int Shared(void) {
        string s = "a"; string t = s;
        if (Grow(s) != 1 or Grow(t) != 1) return 0;
        s = s + "b" + "c";
        string u = s + "d";
        s = "z";
        string w = "k";
        w = w + "m" + w;
        if (t == "a" and u == "abcd" and s == "z" and w == "kmk") return 1;
        return 0;
    }
};
)";

int32_t Up(int32_t n) {
    int32_t s = 0;
    for (int32_t i = 0; i < n; i++) s = s + (i % 7) * 3 - 1;
    return s;
}

int32_t Mixed(int32_t n) {
    int32_t s = 0;
    for (int32_t i = n; i > 0; i--) s += 2;
    for (int32_t i = n; i >= 0; i--) s += 3;
    return s + 5 * 5 + 6 * 7;
}

int32_t Down(int32_t n) {
    uint32_t s = 0;
    for (int32_t i = n; i > 0; i--) s += static_cast<uint32_t>(i);
    for (int32_t i = n; i >= 0; i--) s += 1;
    for (int32_t i = 0; i <= n; i++) s = s * 3 + 1;
    return static_cast<int32_t>(s);
}

class GSSuperInstructions : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Load("probe.gs", kScript));
        probe = host.Spawn("Probe", "probe");
        ASSERT_NE(probe, nullptr);
    }
    void TearDown() override {
        if (probe) host.Release(probe);
    }
    // The int result of a call with one argument; false when it failed.
    bool Call(const char* signature, uint32_t argument, uint32_t& result) {
        result = 0;
        return host.Call(probe, signature, &result, {argument});
    }

    GSTest::TestHost host;
    GSRuntime::GSGameObject* probe = nullptr;
};

TEST_F(GSSuperInstructions, LoopsAndComparisonsGiveThePlainResults) {
    for (int32_t n : {-3, 0, 1, 2, 7, 100}) {
        uint32_t result = 0;
        ASSERT_TRUE(Call("$int@Probe::Mixed(int)", static_cast<uint32_t>(n), result)) << n;
        EXPECT_EQ(static_cast<int32_t>(result), Mixed(n)) << n;
        ASSERT_TRUE(Call("$int@Probe::Up(int)", static_cast<uint32_t>(n), result)) << n;
        EXPECT_EQ(static_cast<int32_t>(result), Up(n)) << n;
        ASSERT_TRUE(Call("$int@Probe::Down(int)", static_cast<uint32_t>(n), result)) << n;
        EXPECT_EQ(static_cast<int32_t>(result), Down(n)) << n;
    }
}

TEST_F(GSSuperInstructions, CallsAndReturnsOfValues) {
    uint32_t result = 0;
    ASSERT_TRUE(Call("$int@Probe::Fib(int)", 20, result));
    EXPECT_EQ(result, 6765u);
    // The redefined Kind, also from the base's code.
    ASSERT_TRUE(Call("$int@Probe::Kinds(int)", 10, result));
    EXPECT_EQ(result, 10u * (7 + 7) + 2u * 45u);
}

// A call on the frame's own `me` borrows the caller's count: frames ended
// by returns, by an error deep down and by an overflow leave the counts the
// plain calls leave.
TEST_F(GSSuperInstructions, CallsOnMeLeaveTheCountsOfPlainCalls) {
    const GSRuntime::GSDataRef me = probe->GetReference();
    const int32_t before = GSTest::CountOf(me);
    uint32_t result = 0;
    ASSERT_TRUE(Call("$int@Probe::Fib(int)", 15, result));
    EXPECT_EQ(result, 610u);
    EXPECT_EQ(GSTest::CountOf(me), before);
    EXPECT_FALSE(Call("$int@Probe::Fall(int)", 60, result)) << "a division by zero 60 frames deep";
    EXPECT_EQ(GSTest::CountOf(me), before);
    EXPECT_FALSE(Call("$int@Probe::Endless(int)", 0, result));
    // The target of the call that did not fit stays counted on its operand
    // stack, which an error end leaves.
    EXPECT_EQ(GSTest::CountOf(me), before + 1);
    GSRuntime::GSScriptInstance::ReleaseReference(me);
    ASSERT_TRUE(Call("$int@Probe::Fib(int)", 10, result));
    EXPECT_EQ(result, 55u);
    EXPECT_EQ(GSTest::CountOf(me), before);
}

TEST_F(GSSuperInstructions, ArrayReadsInBoundsAndPastTheEnd) {
    uint32_t result = 0;
    ASSERT_TRUE(Call("$int@Probe::Sum(int)", 1000, result));
    EXPECT_EQ(result, 999u * 1000u);
    // A read past the end raises as the plain read does: the call fails.
    EXPECT_FALSE(Call("$int@Probe::ReadPast(int)", 10, result));
}

TEST_F(GSSuperInstructions, StringsBuiltInPlaceOnlyWhereNoOneElseSeesThem) {
    uint32_t result = 0;
    ASSERT_TRUE(Call("$int@Probe::Build(int)", 300, result));
    EXPECT_EQ(result, 1u);
    ASSERT_TRUE(host.Call(probe, "$int@Probe::Shared()", &result));
    EXPECT_EQ(result, 1u) << "a string another local holds, or one read again before its store, changed";
}

TEST(GSSuperInstructionCode, OnlyTheFirstOpcodeOfASequenceChanges) {
    // i++ as the code generator writes it, a comparison of two locals and
    // its jump, a comparison with a constant, then a plain comparison.
    const std::vector<uint8_t> code = {
        OP_LoadLocal,  2, 0, OP_Dup, OP_IncInt, OP_StoreLocal, 2, 0, OP_Pop,                          // 0
        OP_LoadLocal,  2, 0, OP_LoadLocal, 1, 0, OP_CompareInt, OP_IsLess, OP_JumpIfZero, 0, 0, 0, 0,  // 9
        OP_LoadLocal,  2, 0, OP_PushConst, 7, 0, 0, 0, OP_CompareInt, OP_IsGreaterEqual,               // 22
        OP_JumpIfZero, 0, 0, 0, 0,                                                                     //
        OP_CompareInt, OP_IsLessEqual, OP_JumpIfZero, 0, 0, 0, 0,                                     // 37
        // A call on `me` with a local less 1, then one with `me` as its
        // first argument: `me` is not the target there.
        OP_LoadLocalRef, 0, 0, OP_LoadLocal, 1, 0, OP_PushOne, OP_SubInt, OP_Call, 0xFF, 0xFF, 0, 0,   // 44
        OP_LoadLocalRef, 0, 0, OP_LoadLocal, 1, 0, OP_PushConst, 2, 0, 0, 0, OP_SubInt,                // 57
        OP_Call, 0xFE, 0xFF, 0, 0, OP_Return};                                                        //
    const std::vector<uint8_t> run = GSRuntime::GSWriteSuperInstructions(code.data(), static_cast<uint32_t>(code.size()));
    std::vector<uint8_t> expected = code;
    expected[0] = GSRuntime::OPX_IncLocal;
    expected[9] = GSRuntime::OPX_JumpUnlessLocalsLess;
    expected[22] = GSRuntime::OPX_JumpUnlessLocalConstGreaterEqual;
    expected[37] = GSRuntime::OPX_JumpUnlessLessEqual;
    expected[44] = GSRuntime::OPX_MeSubOneCall;
    expected[50] = GSRuntime::OPX_SubOneCall;
    expected[57] = GSRuntime::OPX_LoadRefAndLocal;
    expected[63] = GSRuntime::OPX_SubConstCall;
    EXPECT_EQ(run, expected);
}

// String pushes as the last arguments of a native call (with at most four
// plain value pushes after them) start the lending superinstruction; a
// fifth string stays plain, and so does anything else before the call.
TEST(GSSuperInstructionCode, StringConstantsBeforeANativeCall) {
    const uint8_t a = 3;  // a string index
    const uint8_t callNative[] = {OP_CallNative, 0xFD, 0xFF, 0, 0};
    struct Case {
        std::vector<uint8_t> pushes;
        uint32_t changedAt;  // the offset whose opcode changes; ~0u: none
        uint8_t opcode;
    };
    const uint8_t pushString[] = {OP_PushString, a, 0};
    auto strings = [&](int n) {
        std::vector<uint8_t> code;
        for (int i = 0; i < n; ++i) code.insert(code.end(), pushString, pushString + 3);
        return code;
    };
    auto with = [](std::vector<uint8_t> code, std::initializer_list<uint8_t> more) {
        code.insert(code.end(), more);
        return code;
    };
    const Case cases[] = {
        {strings(1), 0, GSRuntime::OPX_StringsCallNative},
        {strings(2), 0, GSRuntime::OPX_StringsCallNative + 1},
        {strings(4), 0, GSRuntime::OPX_StringsCallNative + 3},
        {strings(5), 3, GSRuntime::OPX_StringsCallNative + 3},
        {with(strings(2), {OP_PushConst, 1, 0, 0, 0, OP_LoadLocal, 1, 0, OP_PushZero, OP_PushOne}), 0,
         GSRuntime::OPX_StringsCallNative + 1},
        {with(strings(1), {OP_PushOne, OP_PushOne, OP_PushOne, OP_PushOne, OP_PushOne}), ~0u, 0},
        {with(strings(1), {OP_LoadLocalRef, 1, 0}), ~0u, 0},
        {with(strings(1), {OP_PushOne, OP_NegInt}), ~0u, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> code = c.pushes;
        code.insert(code.end(), callNative, callNative + sizeof callNative);
        code.push_back(OP_Return);
        std::vector<uint8_t> expected = code;
        if (c.changedAt != ~0u) expected[c.changedAt] = c.opcode;
        EXPECT_EQ(GSRuntime::GSWriteSuperInstructions(code.data(), static_cast<uint32_t>(code.size())), expected)
            << "case of " << c.pushes.size() << " bytes of pushes";
    }
    // A script call after the strings is no native call.
    std::vector<uint8_t> call = with(strings(2), {OP_Call, 0xFD, 0xFF, 0, 0, OP_Return});
    EXPECT_EQ(GSRuntime::GSWriteSuperInstructions(call.data(), static_cast<uint32_t>(call.size())), call);
}

// A jump into the middle of a sequence runs its plain instructions from
// there; the sequence run from its start does all of it.
class GSSuperInstructionJumps : public GSTest::InterpreterTest {};

TEST_F(GSSuperInstructionJumps, AJumpIntoASequenceRunsItsRest) {
    const std::vector<uint8_t> code = {
        OP_LoadLocal, 1, 0,                                                   // 0: n
        OP_JumpIfZero, 27, 0, 0, 0,                                           // 3
        OP_PushConst, 100, 0, 0, 0,                                           // 8: [100]
        OP_LoadLocal, 1, 0, OP_Dup, OP_IncInt, OP_StoreLocal, 1, 0, OP_Pop,   // 13: n + 1
        OP_LoadLocal, 1, 0, OP_AddInt, OP_ReturnValue,                        // 22
        OP_PushOne, OP_PushConst, 2, 0, 0, 0, OP_PushConst, 40, 0, 0, 0,      // 27: [1, 2, 40]
        OP_Jump, 17, 0, 0, 0};                                                // 38: to the IncInt
    GSTest::RawFunction function(code, GSTest::RawShape{2});
    GSRuntime::GSFunction* raw = function.Get();
    ASSERT_GE(raw->maxStackDepth, 0) << "the code is verified";
    raw->runCode = GSRuntime::GSWriteSuperInstructions(raw->code, raw->codeLength);
    ASSERT_EQ(raw->runCode[13], GSRuntime::OPX_IncLocal);
    const GSTest::Outcome through = Run(raw, AnyMe(), {5});
    EXPECT_EQ(through.code, GSRuntime::ER_Done);
    EXPECT_EQ(through.value, 106u);
    const GSTest::Outcome into = Run(raw, AnyMe(), {0});
    EXPECT_EQ(into.code, GSRuntime::ER_Done);
    EXPECT_EQ(into.value, 42u);
}

}  // namespace
