// The execution budget: bytes of code, charged at transfers, counted over
// an outermost run and every run nested in it, with the limit at exactly
// 16,777,216 bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gsruntime/interpreter/GSInterpreter.h"
#include "gsruntime/interpreter/GSInterpreterFixture.h"

namespace {

using namespace GSRuntime;
using GSTest::Outcome;

constexpr uint64_t kBudget = 16777216;

// A countdown over argument 1:
//   0: LoadLocal 1; 3: DecInt; 4: StoreLocalKeep 1; 7: JumpIfNotZero 0;
//  12: PushZero; 13: ReturnValue.
// Each taken jump charges the 8 bytes from 0 up to its opcode; the end adds
// the 14 bytes of the last run.
const std::vector<uint8_t> kCountdown = {
    OP_LoadLocal, 1, 0, OP_DecInt, OP_StoreLocalKeep, 1, 0, OP_JumpIfNotZero, 0, 0, 0, 0, OP_PushZero, OP_ReturnValue};

class GSExecutionBudget : public GSTest::InterpreterTest {};

TEST_F(GSExecutionBudget, ChargesTheBytesOfEachRunAtItsTransfer) {
    EXPECT_EQ(RunCode(kCountdown, {1}).code, ER_Done);
    EXPECT_EQ(GSExecutedBytes(), 14u);
    EXPECT_EQ(RunCode(kCountdown, {5}).code, ER_Done);
    EXPECT_EQ(GSExecutedBytes(), 4u * 8 + 14);
    EXPECT_EQ(GSExecutionDepth(), 0);
}

// The loop's k-th taken jump brings the count to 8k: 2,097,152 jumps reach
// the budget exactly and go on; one more exceeds it and stops the thread at
// that jump.
TEST_F(GSExecutionBudget, StopsAtTheFirstTransferBeyondTheLimit) {
    const uint32_t jumps = static_cast<uint32_t>(kBudget / 8);
    const Outcome exact = RunCode(kCountdown, {jumps + 1});
    EXPECT_EQ(exact.code, ER_Done);
    EXPECT_EQ(GSExecutedBytes(), kBudget + 14);

    log.Clear();
    const Outcome over = RunCode(kCountdown, {jumps + 2});
    EXPECT_EQ(over.code, ER_Timeout);
    EXPECT_GT(GSExecutedBytes(), kBudget);
    EXPECT_EQ(log.Count("Thread Exception: ER_Timeout, line -1, file "), 1);
    EXPECT_EQ(GSExecutionDepth(), 0);
}

// Class "Heavy", whose initialisation counts a local down from N:
//   0: PushConst N; 5: StoreLocal 1; 8: LoadLocal 1; 11: DecInt;
//  12: StoreLocalKeep 1; 15: JumpIfNotZero 8; 20: Return
// charging 16 bytes at its first jump, 8 at every later one and 13 at its
// end: 8N + 13 in all.
GSTest::ImageBuilder HeavyImage(GSLibraryId id, uint32_t n) {
    GSTest::ImageBuilder image("heavy.gs", id.a, id.b);
    image.ClassImport(0, "Heavy");
    GSTest::ClassSpec& heavy = image.Class("Heavy");
    GSTest::FunctionSpec init;
    init.signature = "::Heavy()";
    init.flags = kGSConstructor;
    init.locals = 1;
    init.depth = 1;
    init.lineTable = false;
    GSTest::CodeWriter code;
    code.Op32(OP_PushConst, n).Op16(OP_StoreLocal, 1).Op16(OP_LoadLocal, 1).Op(OP_DecInt).Op16(OP_StoreLocalKeep, 1);
    code.Op32(OP_JumpIfNotZero, 8).Op(OP_Return);
    init.code = code.Bytes();
    heavy.initFunction = init;
    return image;
}

// new Heavy, then a countdown from argument 1:
//   0: NewObject 0; 3: PopRef; 4: LoadLocal 1; 7: DecInt;
//   8: StoreLocalKeep 1; 11: JumpIfNotZero 4; 16: PushZero; 17: ReturnValue
// charging 12 bytes at its first jump, 8 at every later one and 14 at its
// end.
const std::vector<uint8_t> kCreateThenCount = {OP_NewObject,
                                               0,
                                               0,
                                               OP_PopRef,
                                               OP_LoadLocal,
                                               1,
                                               0,
                                               OP_DecInt,
                                               OP_StoreLocalKeep,
                                               1,
                                               0,
                                               OP_JumpIfNotZero,
                                               4,
                                               0,
                                               0,
                                               0,
                                               OP_PushZero,
                                               OP_ReturnValue};

// The class's initialisation runs nested, on the machine's static thread;
// its bytes count against the same budget as the run that created it.
TEST_F(GSExecutionBudget, CoversEveryRunNestedInTheOutermostOne) {
    GSTest::ImageBuilder small = HeavyImage(Id(0), 10);
    GSTest::RawShape shape;
    shape.library = Load(OwnName("small.gsl"), small);
    ASSERT_NE(shape.library, nullptr);
    EXPECT_EQ(RunCode(kCreateThenCount, {10}, shape).code, ER_Done);
    EXPECT_EQ(GSExecutedBytes(), (8u * 10 + 13) + (12u + 8 * 8 + 14));
    EXPECT_EQ(GSExecutionDepth(), 0);

    // With the nested run using most of the budget, the outer loop stops
    // where the sum first exceeds it.
    const uint32_t n = 2000000;
    const uint64_t inner = 8ull * n + 13;
    // The outer loop's j-th jump brings the count to inner + 12 + 8 (j - 1).
    const uint32_t lastJump = static_cast<uint32_t>((kBudget - inner - 12) / 8 + 1);
    GSTest::ImageBuilder big = HeavyImage(Id(1), n);
    shape.library = Load(OwnName("big.gsl"), big);
    ASSERT_NE(shape.library, nullptr);
    EXPECT_EQ(RunCode(kCreateThenCount, {lastJump + 1}, shape).code, ER_Done);
    EXPECT_LE(GSExecutedBytes(), kBudget + 14);
    EXPECT_EQ(RunCode(kCreateThenCount, {lastJump + 2}, shape).code, ER_Timeout);
    EXPECT_EQ(GSExecutionDepth(), 0);
}

// A nested run that exceeds the budget fails its own run (the creation
// fails), and the outer run, whose count is already beyond the limit, stops
// at its next transfer.
TEST_F(GSExecutionBudget, ANestedRunCanExhaustIt) {
    GSTest::ImageBuilder image = HeavyImage(Id(0), static_cast<uint32_t>(kBudget / 8 + 2));
    GSTest::RawShape shape;
    shape.library = Load(OwnName("heavy.gsl"), image);
    ASSERT_NE(shape.library, nullptr);
    log.Clear();
    EXPECT_EQ(RunCode(kCreateThenCount, {3}, shape).code, ER_ClassCreateError);
    EXPECT_EQ(log.Count("Thread Exception: ER_Timeout, line -1, file heavy.gs"), 1);
    EXPECT_EQ(GSExecutionDepth(), 0);
}

}  // namespace
