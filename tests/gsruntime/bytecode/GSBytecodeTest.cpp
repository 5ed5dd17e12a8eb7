#include "gscompiler/bytecode/GSBytecode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gsruntime/support/GSImageBuilder.h"

namespace {

TEST(GSBytecode, NumbersNamesAndLengths) {
    struct Row {
        uint8_t opcode;
        const char* mnemonic;
        uint32_t length;
    };
    const Row rows[] = {
        {0, "OP_AddInt", 1},           {18, "OP_ShiftRight", 1},        {19, "OP_AddFloat", 1},
        {29, "OP_NotFloat", 1},        {30, "OP_PushConst", 5},         {31, "OP_LoadLocal", 3},
        {36, "OP_StoreLocalRefKeep", 3}, {42, "OP_Swap", 1},            {43, "OP_Jump", 5},
        {51, "OP_JumpIfGreaterEqual", 5}, {55, "OP_IsGreaterEqual", 1}, {71, "OP_RefArraySetRangeKeep", 1},
        {73, "OP_PushString", 3},      {86, "OP_ConcatString", 1},      {87, "OP_IsClass", 3},
        {90, "OP_Cast", 3},            {94, "OP_Call", 5},              {95, "OP_CallNative", 5},
        {96, "OP_CallThread", 5},      {97, "OP_LoadMember", 3},        {108, "OP_StoreMyMemberRefKeep", 3},
        {109, "OP_Return", 1},         {111, "OP_ReturnRef", 1},        {112, "OP_Wait", 0},
        {113, "OP_Switch", 0},         {114, "OP_CallBase", 3},         {115, "OP_NotZero", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mnemonic);
        EXPECT_STREQ(GSOpcodeName(row.opcode), row.mnemonic);
        EXPECT_EQ(GSFixedInstructionLength(row.opcode), row.length);
    }
    std::set<std::string> names;
    for (uint32_t op = 0; op < kGSOpcodeCount; ++op) names.insert(GSOpcodeName(static_cast<uint8_t>(op)));
    EXPECT_EQ(names.size(), kGSOpcodeCount);  // no mnemonic twice
}

TEST(GSBytecode, BytesFrom116UpAreIllegal) {
    for (uint32_t op = 116; op < 256; ++op) {
        const uint8_t code[8] = {static_cast<uint8_t>(op), 0, 0, 0, 0, 0, 0, 0};
        GSInstruction in;
        EXPECT_EQ(GSInstructionInfoOf(static_cast<uint8_t>(op)), nullptr);
        EXPECT_STREQ(GSOpcodeName(static_cast<uint8_t>(op)), "illegal");
        EXPECT_FALSE(GSDecodeInstruction(code, sizeof code, 0, in)) << op;
        EXPECT_EQ(GSStackEffect(static_cast<uint8_t>(op)), 0);
    }
}

// The code generator's depth accounting, opcode by opcode.
TEST(GSBytecode, StackEffectsAreTheCodeGeneratorsTable) {
    std::map<uint32_t, int32_t> expected;
    expected[41] = 2;
    for (uint32_t op : {10, 11, 30, 31, 32, 39, 40, 72, 73, 88, 89, 103, 104}) expected[op] = 1;
    for (uint32_t op : {0, 1, 2, 3, 4, 9, 13, 14, 15, 17, 18, 19, 20, 21, 22, 23, 28, 33, 35, 37, 38, 44, 45, 48,
                        49, 50, 51, 60, 63, 79, 85, 86, 91, 100, 102, 105, 106, 110, 111, 113})
        expected[op] = -1;
    for (uint32_t op : {62, 65, 66, 69, 81, 82, 99, 101}) expected[op] = -2;
    for (uint32_t op : {61, 64, 68, 71, 80, 84}) expected[op] = -3;
    for (uint32_t op : {67, 70, 83}) expected[op] = -4;
    for (uint32_t op = 0; op < kGSOpcodeCount; ++op) {
        const int32_t want = expected.count(op) ? expected[op] : 0;
        EXPECT_EQ(GSStackEffect(static_cast<uint8_t>(op)), want) << GSOpcodeName(static_cast<uint8_t>(op));
    }
}

TEST(GSBytecode, OnlyJumpsSwitchReturnsAndWaitsStopFallingThrough) {
    std::set<uint32_t> stops;
    for (uint32_t op = 0; op < kGSOpcodeCount; ++op)
        if (GSInstructionInfoOf(static_cast<uint8_t>(op))->flags & kGSNoFallThrough) stops.insert(op);
    EXPECT_EQ(stops, (std::set<uint32_t>{43, 109, 110, 111, 112, 113}));
}

TEST(GSBytecode, DecodesFixedOperands) {
    GSTest::CodeWriter code;
    code.Op32(OP_PushConst, -5).Op16(OP_LoadLocal, 0xFFFF).Op(OP_Call).U16(0xFFFE).U16(7).Op16(OP_CallBase, 0).Op32(
        OP_Jump, 0x80000000LL);
    const std::vector<uint8_t>& bytes = code.Bytes();
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    GSInstruction in;
    ASSERT_TRUE(GSDecodeInstruction(bytes.data(), size, 0, in));
    EXPECT_EQ(in.first, -5);
    EXPECT_EQ(in.length, 5u);
    ASSERT_TRUE(GSDecodeInstruction(bytes.data(), size, 5, in));
    EXPECT_EQ(in.first, 0xFFFF);
    ASSERT_TRUE(GSDecodeInstruction(bytes.data(), size, 8, in));
    EXPECT_EQ(in.first, -2);  // the depth is signed
    EXPECT_EQ(in.second, 7);
    ASSERT_TRUE(GSDecodeInstruction(bytes.data(), size, 13, in));
    EXPECT_EQ(in.opcode, OP_CallBase);
    EXPECT_EQ(in.length, 3u);
    ASSERT_TRUE(GSDecodeInstruction(bytes.data(), size, 16, in));
    EXPECT_EQ(static_cast<uint32_t>(in.first), 0x80000000u);
    EXPECT_FALSE(GSDecodeInstruction(bytes.data(), size, size, in));
}

TEST(GSBytecode, EveryFixedInstructionNeedsAllItsOperandBytes) {
    for (uint32_t op = 0; op < kGSOpcodeCount; ++op) {
        const uint32_t length = GSFixedInstructionLength(static_cast<uint8_t>(op));
        if (length == 0) continue;
        std::vector<uint8_t> code(length, 0);
        code[0] = static_cast<uint8_t>(op);
        GSInstruction in;
        EXPECT_TRUE(GSDecodeInstruction(code.data(), length, 0, in)) << op;
        EXPECT_EQ(in.length, length);
        EXPECT_FALSE(GSDecodeInstruction(code.data(), length - 1, 0, in)) << op;
    }
}

TEST(GSBytecode, DecodesSwitchTables) {
    GSTest::CodeWriter code;
    code.Op(OP_Switch).U16(3).I32(1).I32(5).I32(9).I32(100).I32(200).I32(300).I32(400);
    const std::vector<uint8_t>& bytes = code.Bytes();
    GSInstruction in;
    ASSERT_TRUE(GSDecodeInstruction(bytes.data(), static_cast<uint32_t>(bytes.size()), 0, in));
    EXPECT_EQ(in.length, 1u + 2 + 8 * 3 + 4);
    EXPECT_EQ(in.first, 3);
    EXPECT_EQ(GSSwitchKey(bytes.data(), in, 1), 5);
    EXPECT_EQ(GSSwitchTarget(bytes.data(), in, 1), 200);
    EXPECT_EQ(GSSwitchDefault(bytes.data(), in), 400);
    EXPECT_FALSE(GSDecodeInstruction(bytes.data(), static_cast<uint32_t>(bytes.size() - 1), 0, in));

    GSTest::CodeWriter empty;
    empty.Op(OP_Switch).U16(0).I32(3);
    ASSERT_TRUE(GSDecodeInstruction(empty.Bytes().data(), 7, 0, in));
    EXPECT_EQ(in.length, 7u);
    EXPECT_EQ(GSSwitchDefault(empty.Bytes().data(), in), 3);
}

TEST(GSBytecode, DecodesWaitTablesAndRefusesNegativeCounts) {
    GSTest::CodeWriter code;
    code.Op(OP_Wait).U16(2).U16(4).U16(5).U16(6).U16(7).I32(19).I32(23);
    const std::vector<uint8_t>& bytes = code.Bytes();
    GSInstruction in;
    ASSERT_TRUE(GSDecodeInstruction(bytes.data(), static_cast<uint32_t>(bytes.size()), 0, in));
    EXPECT_EQ(in.length, 1u + 2 + 8 * 2);
    EXPECT_EQ(GSWaitMajor(bytes.data(), in, 1), 6);
    EXPECT_EQ(GSWaitMinor(bytes.data(), in, 1), 7);
    EXPECT_EQ(GSWaitHandler(bytes.data(), in, 0), 19);
    EXPECT_EQ(GSWaitHandler(bytes.data(), in, 1), 23);

    const uint8_t negative[] = {OP_Wait, 0xFF, 0xFF};
    EXPECT_FALSE(GSDecodeInstruction(negative, sizeof negative, 0, in));
    const uint8_t none[] = {OP_Wait, 0, 0};
    ASSERT_TRUE(GSDecodeInstruction(none, sizeof none, 0, in));
    EXPECT_EQ(in.length, 3u);
}

}  // namespace
