#include "gsruntime/GSCodeVerifier.h"

#include <vector>

#include "gscompiler/bytecode/GSBytecode.h"

namespace GSRuntime {

namespace {

bool Fail(uint32_t offset, uint32_t* faultOffset) {
    if (faultOffset) *faultOffset = offset;
    return false;
}

}  // namespace

bool GSVerifyCode(const uint8_t* code, uint32_t length, const GSCodeLimits& limits, uint32_t* faultOffset) {
    if (length == 0) return true;
    if (!code) return Fail(0, faultOffset);

    // Pass 1: decode the whole code front to back, marking where each
    // instruction starts and checking everything that needs no other
    // instruction.
    std::vector<uint8_t> starts(length, 0);
    std::vector<GSInstruction> instructions;
    uint32_t offset = 0;
    while (offset < length) {
        GSInstruction in;
        if (!GSDecodeInstruction(code, length, offset, in)) return Fail(offset, faultOffset);
        starts[offset] = 1;
        const GSInstructionInfo* info = GSInstructionInfoOf(in.opcode);
        switch (info->operands) {
            case GSOperands::LocalSlot:
                if (static_cast<uint32_t>(in.first) >= limits.localSlots) return Fail(offset, faultOffset);
                break;
            case GSOperands::StringIndex:
                if (static_cast<uint32_t>(in.first) >= limits.stringCount) return Fail(offset, faultOffset);
                break;
            case GSOperands::ClassIndex:
                if (static_cast<uint32_t>(in.first) >= limits.classCount) return Fail(offset, faultOffset);
                break;
            case GSOperands::Wait:
                for (uint32_t i = 0; i < static_cast<uint32_t>(in.first); ++i) {
                    if (GSWaitMajor(code, in, i) >= limits.stringCount || GSWaitMinor(code, in, i) >= limits.stringCount)
                        return Fail(offset, faultOffset);
                }
                break;
            default:
                break;
        }
        instructions.push_back(in);
        offset += in.length;
    }
    const GSInstruction& last = instructions.back();
    if (!(GSInstructionInfoOf(last.opcode)->flags & kGSNoFallThrough)) return Fail(last.offset, faultOffset);

    // Pass 2: every target is the start of an instruction.
    auto isStart = [&](int32_t target) {
        return target >= 0 && static_cast<uint32_t>(target) < length && starts[static_cast<uint32_t>(target)];
    };
    for (const GSInstruction& in : instructions) {
        const GSInstructionInfo* info = GSInstructionInfoOf(in.opcode);
        if (info->operands == GSOperands::CodeOffset) {
            if (!isStart(in.first)) return Fail(in.offset, faultOffset);
        } else if (info->operands == GSOperands::Switch) {
            for (uint32_t i = 0; i < static_cast<uint32_t>(in.first); ++i)
                if (!isStart(GSSwitchTarget(code, in, i))) return Fail(in.offset, faultOffset);
            if (!isStart(GSSwitchDefault(code, in))) return Fail(in.offset, faultOffset);
        } else if (info->operands == GSOperands::Wait) {
            for (uint32_t i = 0; i < static_cast<uint32_t>(in.first); ++i)
                if (!isStart(GSWaitHandler(code, in, i))) return Fail(in.offset, faultOffset);
        }
    }
    return true;
}

}  // namespace GSRuntime
