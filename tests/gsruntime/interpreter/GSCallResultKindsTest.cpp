// The loader cannot tell from the code whether a call leaves a value or a
// reference where the code after it accepts both. Passed straight on as
// another call's argument, such a result is recorded as a call result, and
// the interpreter checks what the function called really returned; moved
// or copied, it is only "mixed" and never passes for a reference.
#include <gtest/gtest.h>

#include <vector>

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSFlowVerifier.h"

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
    };
    const Case cases[] = {
        {"passed straight on", {}, kGSKindCallResult},
        {"through a temporary local", {OP_StoreLocal, 1, 0, OP_LoadLocal, 1, 0}, kGSKindMixed},
        {"copied", {OP_Dup, OP_Pop}, kGSKindMixed},
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
        EXPECT_EQ(contracts[0].shapes & (kGSShapeValue | kGSShapeReference), kGSShapeValue | kGSShapeReference);
        ASSERT_EQ(contracts[1].argumentKinds.size(), 1u);
        EXPECT_EQ(contracts[1].argumentKinds[0], c.kind);
    }
}

}  // namespace
