#pragma once
// Test-side check of a function's bytecode: it follows every path from the
// first instruction, recomputing the operand-stack depth from the shared
// instruction table, and checks that
//   - every instruction decodes and every jump, switch and handler target is
//     the start of an instruction;
//   - the depth never goes below 0, agrees wherever paths join, never
//     exceeds the maximum the function record declares, and is 0 when the
//     function returns (after a returned value is taken);
//   - no path runs off the end of the code.
// Calls take the target and the arguments their depth operand names; what
// they leave (a result or nothing) is not in the bytecode, so it comes from
// `callResults` (code offset of the call -> slots left).
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "gscompiler/bytecode/GSBytecode.h"

namespace GSTest {

inline std::vector<std::string> VerifyStackDepth(const std::vector<uint8_t>& code, int32_t declaredMaximum,
                                                 const std::map<uint32_t, int32_t>& callResults) {
    std::vector<std::string> errors;
    auto fail = [&](uint32_t offset, const std::string& text) {
        errors.push_back("offset " + std::to_string(offset) + ": " + text);
    };
    const uint32_t length = static_cast<uint32_t>(code.size());
    if (length == 0) return errors;

    // Instruction starts, from a front-to-back decode.
    std::vector<bool> starts(length, false);
    for (uint32_t offset = 0; offset < length;) {
        GSInstruction in;
        if (!GSDecodeInstruction(code.data(), length, offset, in)) {
            fail(offset, "does not decode");
            return errors;
        }
        starts[offset] = true;
        offset += in.length;
    }

    std::vector<int32_t> depthAt(length, -1);
    std::vector<std::pair<uint32_t, int32_t>> work{{0, 0}};
    auto reach = [&](uint32_t from, int64_t target, int32_t depth) {
        if (target < 0 || target >= length || !starts[static_cast<uint32_t>(target)]) {
            fail(from, "target " + std::to_string(target) + " is not an instruction");
            return;
        }
        work.push_back({static_cast<uint32_t>(target), depth});
    };
    while (!work.empty()) {
        const auto [offset, depth] = work.back();
        work.pop_back();
        if (depthAt[offset] >= 0) {
            if (depthAt[offset] != depth)
                fail(offset, "paths join with depths " + std::to_string(depthAt[offset]) + " and " +
                                 std::to_string(depth));
            continue;
        }
        depthAt[offset] = depth;
        GSInstruction in;
        GSDecodeInstruction(code.data(), length, offset, in);
        const GSInstructionInfo* info = GSInstructionInfoOf(in.opcode);
        const uint32_t next = offset + in.length;
        int32_t pops = info->pops;
        int32_t pushes = info->pushes;
        if (info->flags & kGSVariableStack) {
            if (in.opcode == OP_Wait) {
                for (uint32_t i = 0; i < static_cast<uint32_t>(in.first); ++i)
                    reach(offset, GSWaitHandler(code.data(), in, i), depth + 1);
                if (depth + 1 > declaredMaximum) fail(offset, "a handler starts above the declared maximum");
                continue;
            }
            // Calls: the target and its arguments lie at and above `depth`.
            pops = 1 - in.first;
            auto result = callResults.find(offset);
            if (result == callResults.end()) {
                fail(offset, "call without a known result");
                continue;
            }
            pushes = result->second;
            if (in.opcode == OP_CallThread && pushes != 0) fail(offset, "a thread call leaves a value");
        }
        if (depth < pops) {
            fail(offset, std::string(GSOpcodeName(in.opcode)) + " takes " + std::to_string(pops) + " at depth " +
                             std::to_string(depth));
            continue;
        }
        const int32_t after = depth - pops + pushes;
        if (after > declaredMaximum)
            fail(offset, "depth " + std::to_string(after) + " above the declared " + std::to_string(declaredMaximum));
        if (in.opcode == OP_Return || in.opcode == OP_ReturnValue || in.opcode == OP_ReturnRef) {
            if (after != 0) fail(offset, "returns with depth " + std::to_string(after));
            continue;
        }
        if (in.opcode == OP_Switch) {
            for (uint32_t i = 0; i < static_cast<uint32_t>(in.first); ++i)
                reach(offset, GSSwitchTarget(code.data(), in, i), after);
            reach(offset, GSSwitchDefault(code.data(), in), after);
            continue;
        }
        if (info->flags & kGSBranch) reach(offset, static_cast<uint32_t>(in.first), after);
        if (info->flags & kGSNoFallThrough) continue;
        if (next >= length) {
            fail(offset, "runs off the end of the code");
            continue;
        }
        work.push_back({next, after});
    }
    return errors;
}

}  // namespace GSTest
