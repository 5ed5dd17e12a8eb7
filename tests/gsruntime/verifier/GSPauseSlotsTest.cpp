// The pause map the flow verifier hands back: at the offset after a call
// (where the caller's frame stands while the callee sleeps or waits), the
// operand-stack slots that hold a reference on every path. A context's
// teardown releases exactly those, so a value listed there would be
// released as a reference, and a reference left out would outlive its
// context.
#include <gtest/gtest.h>

#include <vector>

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSFlowVerifier.h"

namespace {

using namespace GSRuntime;

std::vector<uint16_t> SlotsAt(const GSPauseSlots& pauses, uint32_t offset) {
    const uint16_t* first = nullptr;
    const uint16_t* last = nullptr;
    pauses.At(offset, first, last);
    return std::vector<uint16_t>(first, last);
}

TEST(GSPauseSlots, ListTheReferencesUnderAPausedCall) {
    const uint16_t result = GSPauseSlots::kCallResult;
    struct Case {
        const char* name;
        std::vector<uint8_t> pushed;  // code pushing the outer call's first argument
        std::vector<uint16_t> slots;  // expected at the inner call's return
    };
    const Case cases[] = {
        // Slot 0 is the outer call's target (`me`), slot 2 the inner call's
        // result, which may be a value or a reference (checked at run time).
        {"a counted reference", {OP_LoadLocalRef, 0, 0}, {0, 1, 2 | result}},
        {"a value", {OP_PushConst, 5, 0, 0, 0}, {0, 2 | result}},
        {"null", {OP_PushZero}, {0, 2 | result}},
        // Moved through a temporary on one path only: a reference on one,
        // a value on the other.
        {"a reference on one path",
         {OP_PushConst, 5, 0, 0, 0, OP_LoadLocal, 1, 0, OP_JumpIfZero, 0, 0, 0, 0, OP_Pop, OP_LoadLocalRef, 0, 0},
         {0, 2 | result}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // me.Outer(<pushed>, me.Inner()), the outer call's result returned.
        std::vector<uint8_t> code = {OP_LoadLocalRef, 0, 0};
        code.insert(code.end(), c.pushed.begin(), c.pushed.end());
        if (c.pushed.size() > 8) {
            // The branch skips to the inner call with the value pushed.
            const uint32_t target = static_cast<uint32_t>(code.size());
            const std::size_t operand = code.size() - c.pushed.size() + 9;
            for (int i = 0; i < 4; ++i) code[operand + i] = static_cast<uint8_t>(target >> (8 * i));
        }
        const std::vector<uint8_t> calls = {OP_LoadLocalRef, 0, 0, OP_CallNative, 0, 0, 0, 0,
                                            OP_Call, 0xFE, 0xFF, 1, 0, OP_ReturnValue};
        code.insert(code.end(), calls.begin(), calls.end());
        const uint32_t afterInner = static_cast<uint32_t>(code.size() - 6);

        GSFlowInput flow;
        flow.code = code.data();
        flow.length = static_cast<uint32_t>(code.size());
        flow.localSlots = 2;
        flow.argumentSlots = 2;
        flow.referenceLocals = {true, false};
        flow.resultShape = kGSShapeValue;
        std::vector<GSCallContract> contracts;
        std::vector<GSCallContract> without;
        GSPauseSlots pauses;
        int32_t depth = 0;
        int32_t depthWithout = 0;
        ASSERT_TRUE(GSVerifyFlow(flow, contracts, nullptr, &depth, &pauses));
        EXPECT_EQ(SlotsAt(pauses, afterInner), c.slots);
        // After the outer call only its result is left, which the code
        // returns as it is: a value or a reference.
        EXPECT_EQ(SlotsAt(pauses, afterInner + 5), std::vector<uint16_t>{0 | result});

        // Asking for the map changes nothing the verifier decides.
        ASSERT_TRUE(GSVerifyFlow(flow, without, nullptr, &depthWithout));
        EXPECT_EQ(depth, depthWithout);
        ASSERT_EQ(contracts.size(), without.size());
        for (std::size_t i = 0; i < contracts.size(); ++i) {
            EXPECT_EQ(contracts[i].shapes, without[i].shapes);
            EXPECT_EQ(contracts[i].argumentKinds, without[i].argumentKinds);
        }
    }
}

}  // namespace
