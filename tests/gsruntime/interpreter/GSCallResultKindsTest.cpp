// The loader cannot tell from the code whether a call leaves a value or a
// reference where the code after it accepts both. Passed straight on as
// another call's argument, such a result is recorded as a call result, and
// the interpreter checks what the function called really returned; moved
// through a temporary, it is only "mixed" and never passes for a reference;
// a plain copy of a reference is refused, so a call whose result is copied
// may only leave a value.
#include <gtest/gtest.h>

#include <vector>

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSFlowVerifier.h"
#include "gsruntime/GSFunction.h"

namespace {

using namespace GSRuntime;

std::vector<GSCallContract> Contracts(const std::vector<uint8_t>& code) {
    GSFlowInput flow;
    flow.code = code.data();
    flow.length = static_cast<uint32_t>(code.size());
    flow.localSlots = 2;
    flow.argumentSlots = 1;
    flow.referenceLocals = {true, false};
    flow.resultShape = kGSShapeValue;
    std::vector<GSCallContract> contracts;
    EXPECT_TRUE(GSVerifyFlow(flow, contracts));
    return contracts;
}

TEST(GSCallResultKinds, AResultPassedStraightOnIsCheckedAtTheCall) {
    struct Case {
        const char* name;
        std::vector<uint8_t> between;  // code between the inner call and the outer one
        uint8_t kind;                  // the outer call's argument kind
        uint8_t shapes;                // results the inner call may leave
    };
    const uint8_t either = kGSShapeValue | kGSShapeReference;
    const Case cases[] = {
        {"passed straight on", {}, kGSKindCallResult, either},
        {"through a temporary local", {OP_StoreLocal, 1, 0, OP_LoadLocal, 1, 0}, kGSKindMixed, either},
        {"copied", {OP_Dup, OP_Pop}, kGSKindValue, kGSShapeValue},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // me.Outer(me.Inner()), the outer call's result returned.
        std::vector<uint8_t> code = {OP_LoadLocalRef, 0, 0, OP_LoadLocalRef, 0, 0, OP_CallNative, 0, 0, 0, 0};
        code.insert(code.end(), c.between.begin(), c.between.end());
        const std::vector<uint8_t> outer = {OP_Call, 0xFF, 0xFF, 1, 0, OP_ReturnValue};
        code.insert(code.end(), outer.begin(), outer.end());
        const std::vector<GSCallContract> contracts = Contracts(code);
        ASSERT_EQ(contracts.size(), 2u);
        EXPECT_EQ(contracts[0].shapes & either, c.shapes);
        ASSERT_EQ(contracts[1].argumentKinds.size(), 1u);
        EXPECT_EQ(contracts[1].argumentKinds[0], c.kind);
    }
}

// A call that may leave nothing as well as a value moves the slots below the
// next call's arguments. Here a thread start takes the top slot as its
// argument: `me` when the inner call leaves nothing, the inner call's result
// when it leaves one. A function with a reference argument may be started
// there only when that holds for every result the inner call is allowed.
TEST(GSCallResultKinds, ArgumentsHoldForEveryDepthAnEarlierCallMayLeave) {
    // me, me, me.Inner(), then start method 1 on the slot below the top with
    // the top as its argument, then loop for ever (the depth there never
    // matters).
    const std::vector<uint8_t> code = {OP_LoadLocalRef, 0,    0,    OP_LoadLocalRef, 0, 0,       OP_LoadLocalRef, 0,
                                       0,               OP_CallNative, 0, 0, 0, 0,   OP_CallThread, 0xFF,
                                       0xFF,            1,    0,    OP_Jump,         19, 0, 0, 0};
    GSFunction caller;
    caller.callContracts = Contracts(code);
    ASSERT_EQ(caller.callContracts.size(), 2u);
    ASSERT_EQ(caller.callContracts[1].offset, 14u);

    // A thread function whose argument (frame slot 1) is a reference.
    const uint8_t referenceSlots[4] = {1, 0, 0, 0};
    GSFunction thread;
    thread.argumentSlotCount = 2;
    thread.referenceSlotCount = 1;
    thread.referenceSlots = referenceSlots;
    const bool startable = caller.AcceptsCallee(14, &thread, true);

    const uint8_t inner = caller.callContracts[0].shapes;
    EXPECT_NE(inner & kGSShapeNothing, 0);
    if (inner & kGSShapeValue) EXPECT_FALSE(startable) << "a value would start the thread as its reference argument";
    if (!(inner & (kGSShapeValue | kGSShapeReference))) EXPECT_TRUE(startable);
}

}  // namespace
