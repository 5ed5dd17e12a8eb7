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

// The offset from OPX_JumpUnlessLess of the jump after a comparison at
// instruction i, with its test and JumpIfZero; -1 for none.
int32_t ComparisonJump(const std::vector<GSInstruction>& at, std::size_t i) {
    if (!Is(at, i, OP_CompareInt) || !Is(at, i + 2, OP_JumpIfZero)) return -1;
    switch (at[i + 1].opcode) {
    case OP_IsLess: return 0;
    case OP_IsLessEqual: return 1;
    case OP_IsGreater: return 2;
    case OP_IsGreaterEqual: return 3;
    default: return -1;
    }
}

// True when the push at instruction i is subtracted from the top and a call
// follows (three instructions spanned).
bool SubtractsThenCalls(const std::vector<GSInstruction>& at, std::size_t i, std::size_t& spanned) {
    if (!Is(at, i + 1, OP_SubInt) || !Is(at, i + 2, OP_Call)) return false;
    spanned = 3;
    return true;
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
        if (Is(at, i + 1, OP_LoadLocal) || Is(at, i + 1, OP_PushConst)) {
            const int32_t jump = ComparisonJump(at, i + 2);
            if (jump >= 0) {
                spanned = 5;
                return static_cast<uint8_t>(
                    (at[i + 1].opcode == OP_LoadLocal ? OPX_JumpUnlessLocalsLess : OPX_JumpUnlessLocalConstLess) + jump);
            }
        }
        spanned = 2;
        if (Is(at, i + 1, OP_LoadLocal)) return OPX_LoadLocalPair;
        if (Is(at, i + 1, OP_ReturnValue)) return OPX_ReturnLocal;
        return 0;
    case OP_LoadLocalRef:
        if (Is(at, i + 1, OP_LoadLocal) && Is(at, i + 2, OP_ArrayGet)) {
            spanned = 3;
            return OPX_LocalArrayGet;
        }
        spanned = 2;
        if (!Is(at, i + 1, OP_LoadLocal)) return 0;
        // `me` must be the call's target (depth -1), not an argument.
        if (first.first == 0 && Is(at, i + 3, OP_SubInt) && Is(at, i + 4, OP_Call) && at[i + 4].first == -1) {
            if (Is(at, i + 2, OP_PushOne)) return OPX_MeSubOneCall;
            if (Is(at, i + 2, OP_PushConst)) return OPX_MeSubConstCall;
        }
        return OPX_LoadRefAndLocal;
    case OP_CompareInt: {
        const int32_t jump = ComparisonJump(at, i);
        spanned = 3;
        return jump < 0 ? 0 : static_cast<uint8_t>(OPX_JumpUnlessLess + jump);
    }
    case OP_PushConst:
        if (SubtractsThenCalls(at, i, spanned)) return OPX_SubConstCall;
        spanned = 2;
        if (Is(at, i + 1, OP_AddInt)) return OPX_AddConst;
        if (Is(at, i + 1, OP_SubInt)) return OPX_SubConst;
        if (Is(at, i + 1, OP_MulInt)) return OPX_MulConst;
        // A zero divisor raises: that stays with the plain instructions.
        if (Is(at, i + 1, OP_ModInt) && first.first != 0) return OPX_ModConst;
        if (Is(at, i + 1, OP_ReturnValue)) return OPX_ReturnConst;
        return 0;
    case OP_PushOne:
        if (SubtractsThenCalls(at, i, spanned)) return OPX_SubOneCall;
        spanned = 2;
        if (Is(at, i + 1, OP_AddInt)) return OPX_AddOne;
        if (Is(at, i + 1, OP_SubInt)) return OPX_SubOne;
        return 0;
    case OP_AddInt:
        spanned = 2;
        if (Is(at, i + 1, OP_StoreLocal)) return OPX_AddStoreLocal;
        return Is(at, i + 1, OP_ReturnValue) ? OPX_ReturnSum : 0;
    case OP_ConcatString:
        spanned = 1;
        return ConcatBeforeStore(at, i);
    case OP_PushString: {
        std::size_t strings = 1;
        while (strings < kGSMaxLentStrings && Is(at, i + strings, OP_PushString)) ++strings;
        std::size_t values = 0;
        while (values < kGSMaxValuesAfterLentStrings && i + strings + values < at.size() &&
               GSIsPlainValuePush(at[i + strings + values].opcode))
            ++values;
        if (!Is(at, i + strings + values, OP_CallNative)) return 0;
        spanned = strings + values + 1;
        return static_cast<uint8_t>(OPX_StringsCallNative + strings - 1);
    }
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

bool GSStoresLocalZero(const uint8_t* code, uint32_t length) {
    for (const GSInstruction& in : Decode(code, length)) {
        const GSInstructionInfo* info = GSInstructionInfoOf(in.opcode);
        if (info && info->operands == GSOperands::LocalSlot && in.first == 0 && in.opcode != OP_LoadLocal &&
            in.opcode != OP_LoadLocalRef)
            return true;
    }
    return false;
}

}  // namespace GSRuntime
