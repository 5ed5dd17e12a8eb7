#include "gsruntime/interpreter/GSSuperInstructions.h"

#include "gscompiler/bytecode/GSBytecode.h"

namespace GSRuntime {

namespace {

// The instructions of the code, in order.
std::vector<GSInstruction> Decode(const uint8_t* code, uint32_t length) {
    std::vector<GSInstruction> instructions;
    uint32_t offset = 0;
    GSInstruction in;
    while (offset < length && GSDecodeInstruction(code, length, offset, in)) {
        instructions.push_back(in);
        offset += in.length;
    }
    return instructions;
}

bool Is(const std::vector<GSInstruction>& at, std::size_t i, uint8_t opcode) {
    return i < at.size() && at[i].opcode == opcode;
}

// Instructions that may lie between a concatenation and the store of its
// local: they push, convert or combine values and never read a local
// reference other than through `LoadLocalRef` (checked apart) nor leave
// the straight line.
bool KeepsLocalsUnread(uint8_t opcode) {
    switch (opcode) {
    case OP_PushString:
    case OP_NewString:
    case OP_IntToString:
    case OP_BoolToString:
    case OP_FloatToString:
    case OP_ConcatString:
    case OP_LoadLocal:
    case OP_PushConst:
    case OP_PushZero:
    case OP_PushOne:
    case OP_AddInt:
    case OP_SubInt:
    case OP_MulInt:
    case OP_LoadMyMember:
        return true;
    default:
        return false;
    }
}

// The superinstruction of a concatenation at instruction i whose result
// goes to a local stored again before it is read; 0 for none.
uint8_t ConcatBeforeStore(const std::vector<GSInstruction>& at, std::size_t i) {
    for (std::size_t j = i + 1; j < at.size(); ++j) {
        const GSInstruction& next = at[j];
        const uint32_t distance = next.offset - at[i].offset;
        if (distance > kGSMaxConcatStoreDistance) return 0;
        if (next.opcode == OP_StoreLocalRef || next.opcode == OP_StoreLocalRefKeep) {
            // Local k must not be read on the way.
            for (std::size_t m = i + 1; m < j; ++m)
                if (at[m].opcode == OP_LoadLocalRef && at[m].first == next.first) return 0;
            return static_cast<uint8_t>(OPX_ConcatBeforeStore + distance - 1);
        }
        if (next.opcode != OP_LoadLocalRef && !KeepsLocalsUnread(next.opcode)) return 0;
    }
    return 0;
}

// The superinstruction starting at instruction i and the instructions it
// spans; 0 for none.
uint8_t Match(const std::vector<GSInstruction>& at, std::size_t i, std::size_t& spanned) {
    const GSInstruction& first = at[i];
    switch (first.opcode) {
    case OP_LoadLocal:
        if (Is(at, i + 1, OP_Dup) && (Is(at, i + 2, OP_IncInt) || Is(at, i + 2, OP_DecInt)) &&
            Is(at, i + 3, OP_StoreLocal) && at[i + 3].first == first.first && Is(at, i + 4, OP_Pop)) {
            spanned = 5;
            return at[i + 2].opcode == OP_IncInt ? OPX_IncLocal : OPX_DecLocal;
        }
        if (Is(at, i + 1, OP_LoadLocal)) {
            spanned = 2;
            return OPX_LoadLocalPair;
        }
        return 0;
    case OP_LoadLocalRef:
        if (Is(at, i + 1, OP_LoadLocal) && Is(at, i + 2, OP_ArrayGet)) {
            spanned = 3;
            return OPX_LocalArrayGet;
        }
        return 0;
    case OP_CompareInt:
        if (!Is(at, i + 2, OP_JumpIfZero)) return 0;
        spanned = 3;
        switch (i + 1 < at.size() ? at[i + 1].opcode : 0) {
        case OP_IsLess: return OPX_JumpUnlessLess;
        case OP_IsLessEqual: return OPX_JumpUnlessLessEqual;
        case OP_IsGreater: return OPX_JumpUnlessGreater;
        case OP_IsGreaterEqual: return OPX_JumpUnlessGreaterEqual;
        default: return 0;
        }
    case OP_PushConst:
        spanned = 2;
        if (Is(at, i + 1, OP_AddInt)) return OPX_AddConst;
        if (Is(at, i + 1, OP_SubInt)) return OPX_SubConst;
        if (Is(at, i + 1, OP_MulInt)) return OPX_MulConst;
        // A zero divisor raises: that stays with the plain instructions.
        if (Is(at, i + 1, OP_ModInt) && first.first != 0) return OPX_ModConst;
        return 0;
    case OP_PushOne:
        spanned = 2;
        if (Is(at, i + 1, OP_AddInt)) return OPX_AddOne;
        if (Is(at, i + 1, OP_SubInt)) return OPX_SubOne;
        return 0;
    case OP_AddInt:
        spanned = 2;
        return Is(at, i + 1, OP_StoreLocal) ? OPX_AddStoreLocal : 0;
    case OP_ConcatString:
        spanned = 1;
        return ConcatBeforeStore(at, i);
    default:
        return 0;
    }
}

}  // namespace

std::vector<uint8_t> GSWriteSuperInstructions(const uint8_t* code, uint32_t length) {
    std::vector<uint8_t> copy(code, code + length);
    const std::vector<GSInstruction> at = Decode(code, length);
    for (std::size_t i = 0; i < at.size();) {
        std::size_t spanned = 1;
        if (const uint8_t super = Match(at, i, spanned)) {
            copy[at[i].offset] = super;
            i += spanned;
        } else {
            i += 1;
        }
    }
    return copy;
}

}  // namespace GSRuntime
