// The test-side stack-depth check finds faulty code: hand-assembled
// functions, each with one fault, beside correct ones.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "gscompiler/libsupport/GSStackDepthVerifier.h"
#include "gsruntime/support/GSImageBuilder.h"

namespace {

using GSTest::CodeWriter;

struct Case {
    const char* name;
    CodeWriter code;
    int32_t maximum;
    std::map<uint32_t, int32_t> calls;
    bool sound;
};

TEST(StackDepthVerifier, FindsEachFault) {
    const std::vector<Case> cases = {
        {"balanced", CodeWriter().Op(OP_PushOne).Op(OP_Pop).Op(OP_Return), 1, {}, true},
        {"a value returned", CodeWriter().Op(OP_PushOne).Op(OP_ReturnValue), 1, {}, true},
        {"an if and its join",
         CodeWriter().Op(OP_PushOne).Op32(OP_JumpIfZero, 8).Op(OP_PushZero).Op(OP_Pop).Op(OP_Return), 1, {}, true},
        {"a call and its result", CodeWriter().Op16(OP_LoadLocalRef, 0).Op(OP_Call).U16(0).U16(0).Op(OP_Pop)
                                      .Op(OP_Return),
         1, {{3, 1}}, true},
        {"a wait and its handler", CodeWriter().Op(OP_Wait).U16(1).U16(0).U16(0).I32(11).Op(OP_PopRef)
                                       .Op(OP_Return),
         1, {}, true},
        {"below zero", CodeWriter().Op(OP_Pop).Op(OP_Return), 1, {}, false},
        {"paths that join at different depths",
         CodeWriter().Op(OP_PushOne).Op32(OP_JumpIfZero, 7).Op(OP_PushOne).Op(OP_Return), 2, {}, false},
        {"above the declared maximum", CodeWriter().Op(OP_PushOne).Op(OP_PushOne).Op(OP_Pop).Op(OP_Pop)
                                           .Op(OP_Return),
         1, {}, false},
        {"a value left at the return", CodeWriter().Op(OP_PushOne).Op(OP_PushOne).Op(OP_ReturnValue), 2, {}, false},
        {"off the end", CodeWriter().Op(OP_PushOne).Op(OP_Pop), 1, {}, false},
        {"a jump into an operand", CodeWriter().Op32(OP_Jump, 2).Op(OP_Return), 0, {}, false},
        {"a call of unknown result", CodeWriter().Op16(OP_LoadLocalRef, 0).Op(OP_Call).U16(0).U16(0)
                                         .Op(OP_Return),
         1, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> errors = GSTest::VerifyStackDepth(c.code.Bytes(), c.maximum, c.calls);
        EXPECT_EQ(errors.empty(), c.sound) << (errors.empty() ? "" : errors[0]);
    }
}

}  // namespace
