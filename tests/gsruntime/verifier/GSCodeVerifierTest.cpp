#include "gsruntime/GSCodeVerifier.h"

#include <gtest/gtest.h>

#include <vector>

#include "gsruntime/support/GSImageBuilder.h"

namespace {

using GSTest::CodeWriter;

struct Case {
    const char* name;
    std::vector<uint8_t> code;
    bool valid;
    uint32_t faultOffset;  // when not valid
};

// Frame of 4 local slots, 3 strings, 2 class imports.
GSRuntime::GSCodeLimits Limits() {
    GSRuntime::GSCodeLimits limits;
    limits.localSlots = 4;
    limits.stringCount = 3;
    limits.classCount = 2;
    return limits;
}

std::vector<Case> Cases() {
    std::vector<Case> cases;
    cases.push_back({"empty code", {}, true, 0});
    cases.push_back({"return", CodeWriter().Op(OP_Return).Bytes(), true, 0});
    // A loop: 0 PushOne, 1 JumpIfZero 11, 6 Jump 0, 11 Return.
    cases.push_back({"loop", CodeWriter().Op(OP_PushOne).Op32(OP_JumpIfZero, 11).Op32(OP_Jump, 0).Op(OP_Return).Bytes(),
                     true, 0});
    cases.push_back({"illegal opcode", CodeWriter().Op(OP_PushOne).Op(116).Op(OP_Return).Bytes(), false, 1});
    cases.push_back({"operand past the end", CodeWriter().Op(OP_Return).Op(OP_LoadLocal).Bytes(), false, 1});
    cases.push_back({"falls off the end", CodeWriter().Op(OP_PushOne).Op(OP_Pop).Bytes(), false, 1});
    cases.push_back({"conditional jump last", CodeWriter().Op(OP_PushOne).Op32(OP_JumpIfZero, 0).Bytes(), false, 1});
    cases.push_back({"call last", CodeWriter().Op(OP_LoadLocal).U16(0).Op(OP_Call).U16(0).U16(0).Bytes(), false, 3});
    cases.push_back({"jump into an operand", CodeWriter().Op32(OP_Jump, 2).Op(OP_Return).Bytes(), false, 0});
    cases.push_back({"jump to the end", CodeWriter().Op32(OP_Jump, 6).Op(OP_Return).Bytes(), false, 0});
    cases.push_back({"negative jump", CodeWriter().Op32(OP_Jump, -1).Op(OP_Return).Bytes(), false, 0});
    cases.push_back({"local slot in range", CodeWriter().Op16(OP_LoadLocal, 3).Op(OP_ReturnValue).Bytes(), true, 0});
    cases.push_back({"local slot out of range", CodeWriter().Op16(OP_StoreLocal, 4).Op(OP_Return).Bytes(), false, 0});
    cases.push_back({"string index out of range", CodeWriter().Op16(OP_PushString, 3).Op(OP_ReturnRef).Bytes(), false, 0});
    cases.push_back({"class index out of range", CodeWriter().Op16(OP_NewObject, 2).Op(OP_ReturnRef).Bytes(), false, 0});
    cases.push_back({"class index in range", CodeWriter().Op16(OP_PushStatic, 1).Op(OP_ReturnRef).Bytes(), true, 0});
    // 0 PushConst 5, 5 Switch {1->28, 5->29} default 28, 28 Return, 29 Return.
    cases.push_back({"switch", CodeWriter().Op32(OP_PushConst, 5).Op(OP_Switch).U16(2).I32(1).I32(5).I32(28).I32(29).I32(28)
                                    .Op(OP_Return).Op(OP_Return).Bytes(),
                     true, 0});
    cases.push_back({"switch target off a boundary",
                     CodeWriter().Op32(OP_PushConst, 5).Op(OP_Switch).U16(1).I32(1).I32(21).I32(18).Op(OP_Return).Bytes(),
                     false, 5});
    cases.push_back({"switch default out of the code",
                     CodeWriter().Op32(OP_PushConst, 5).Op(OP_Switch).U16(0).I32(99).Op(OP_Return).Bytes(), false, 5});
    // 0 Wait {(0, 1) -> 11}, 11 PopRef, 12 Return.
    cases.push_back({"wait", CodeWriter().Op(OP_Wait).U16(1).U16(0).U16(1).I32(11).Op(OP_PopRef).Op(OP_Return).Bytes(),
                     true, 0});
    cases.push_back({"wait string out of range",
                     CodeWriter().Op(OP_Wait).U16(1).U16(0).U16(3).I32(11).Op(OP_PopRef).Op(OP_Return).Bytes(), false, 0});
    cases.push_back({"wait handler off a boundary",
                     CodeWriter().Op(OP_Wait).U16(1).U16(0).U16(1).I32(12).Op32(OP_PushConst, 0).Op(OP_Return).Bytes(),
                     false, 0});
    cases.push_back({"negative wait count", CodeWriter().Op(OP_Wait).U16(0x8000).Op(OP_Return).Bytes(), false, 0});
    cases.push_back({"wait ends the code", CodeWriter().Op(OP_Wait).U16(0).Bytes(), true, 0});
    return cases;
}

TEST(GSCodeVerifier, TableOfCodes) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        uint32_t fault = 12345;
        const bool ok = GSRuntime::GSVerifyCode(c.code.empty() ? nullptr : c.code.data(),
                                                static_cast<uint32_t>(c.code.size()), Limits(), &fault);
        EXPECT_EQ(ok, c.valid);
        if (!c.valid) {
            EXPECT_EQ(fault, c.faultOffset);
        }
    }
}

// What the verifier must answer for any code, worked out here from the
// instruction table: the code decodes front to back into instructions that
// lie inside it with their local, string and class operands in range; the
// last one never falls through; every jump, switch and handler target is
// the start of one of them. The verdict and, for a refusal, the offset of
// the first offending instruction.
struct Verdict {
    bool ok = true;
    uint32_t fault = 0;
};

Verdict Expected(const std::vector<uint8_t>& code, const GSRuntime::GSCodeLimits& limits) {
    const uint32_t length = static_cast<uint32_t>(code.size());
    Verdict verdict;
    if (length == 0) return verdict;
    std::vector<GSInstruction> decoded;
    std::vector<bool> starts(length, false);
    for (uint32_t offset = 0; offset < length;) {
        GSInstruction in;
        if (!GSDecodeInstruction(code.data(), length, offset, in)) return {false, offset};
        const GSOperands kind = GSInstructionInfoOf(in.opcode)->operands;
        const uint32_t operand = static_cast<uint32_t>(in.first);
        bool inRange = true;
        if (kind == GSOperands::LocalSlot) inRange = operand < limits.localSlots;
        if (kind == GSOperands::StringIndex) inRange = operand < limits.stringCount;
        if (kind == GSOperands::ClassIndex) inRange = operand < limits.classCount;
        for (uint32_t i = 0; kind == GSOperands::Wait && i < operand; ++i)
            inRange = inRange && GSWaitMajor(code.data(), in, i) < limits.stringCount &&
                      GSWaitMinor(code.data(), in, i) < limits.stringCount;
        if (!inRange) return {false, offset};
        starts[offset] = true;
        decoded.push_back(in);
        offset += in.length;
    }
    if (!(GSInstructionInfoOf(decoded.back().opcode)->flags & kGSNoFallThrough)) return {false, decoded.back().offset};
    auto isStart = [&](int32_t target) { return target >= 0 && uint32_t(target) < length && starts[uint32_t(target)]; };
    for (const GSInstruction& in : decoded) {
        const GSInstructionInfo* info = GSInstructionInfoOf(in.opcode);
        bool good = true;
        if (info->operands == GSOperands::CodeOffset) good = isStart(in.first);
        for (uint32_t i = 0; info->operands == GSOperands::Switch && i < uint32_t(in.first); ++i)
            good = good && isStart(GSSwitchTarget(code.data(), in, i));
        if (info->operands == GSOperands::Switch) good = good && isStart(GSSwitchDefault(code.data(), in));
        for (uint32_t i = 0; info->operands == GSOperands::Wait && i < uint32_t(in.first); ++i)
            good = good && isStart(GSWaitHandler(code.data(), in, i));
        if (!good) return {false, in.offset};
    }
    return verdict;
}

// Any single byte changed in valid code gets the answer worked out above,
// without the verifier reading outside the code (an exact-size copy, so the
// sanitizers see any overrun). An illegal opcode byte where an instruction
// starts is always refused at that offset.
TEST(GSCodeVerifier, EveryByteValueAtEveryPositionGetsTheRightAnswer) {
    int refused = 0;
    int accepted = 0;
    for (const Case& c : Cases()) {
        if (!c.valid || c.code.empty()) continue;
        SCOPED_TRACE(c.name);
        std::vector<bool> opcodeAt(c.code.size(), false);
        for (uint32_t offset = 0; offset < c.code.size();) {
            GSInstruction in;
            ASSERT_TRUE(GSDecodeInstruction(c.code.data(), uint32_t(c.code.size()), offset, in));
            opcodeAt[offset] = true;
            offset += in.length;
        }
        for (size_t position = 0; position < c.code.size(); ++position) {
            for (int value = 0; value < 256; ++value) {
                std::vector<uint8_t> exact(c.code);
                exact[position] = static_cast<uint8_t>(value);
                uint32_t fault = 0xFFFFFFFF;
                const bool ok =
                    GSRuntime::GSVerifyCode(exact.data(), static_cast<uint32_t>(exact.size()), Limits(), &fault);
                const Verdict expected = Expected(exact, Limits());
                ASSERT_EQ(ok, expected.ok) << "byte " << position << " = " << value;
                if (!ok) {
                    ASSERT_EQ(fault, expected.fault) << "byte " << position << " = " << value;
                    ++refused;
                } else {
                    ++accepted;
                }
                if (value == c.code[position]) {
                    EXPECT_TRUE(ok);
                }
                if (opcodeAt[position] && !GSInstructionInfoOf(static_cast<uint8_t>(value))) {
                    EXPECT_FALSE(ok);
                    EXPECT_EQ(fault, position);
                }
            }
        }
    }
    // Both answers occur: the mutations are not all refused or all taken.
    EXPECT_GT(refused, 0);
    EXPECT_GT(accepted, 0);
}

}  // namespace
