#include "gscompiler/bytecode/GSBytecode.h"

#include <cstring>

namespace {

using O = GSOperands;

constexpr uint8_t kB = kGSBranch;
constexpr uint8_t kN = kGSNoFallThrough;
constexpr uint8_t kV = kGSVariableStack;

// Indexed by opcode. Columns: mnemonic, operands, pops, pushes, flags.
constexpr GSInstructionInfo kInstructions[kGSOpcodeCount] = {
    {"OP_AddInt", O::None, 2, 1, 0},
    {"OP_SubInt", O::None, 2, 1, 0},
    {"OP_MulInt", O::None, 2, 1, 0},
    {"OP_DivInt", O::None, 2, 1, 0},
    {"OP_ModInt", O::None, 2, 1, 0},
    {"OP_NegInt", O::None, 1, 1, 0},
    {"OP_IncInt", O::None, 1, 1, 0},
    {"OP_DecInt", O::None, 1, 1, 0},
    {"OP_IntToFloat", O::None, 1, 1, 0},
    {"OP_CompareInt", O::None, 2, 1, 0},
    {"OP_PushZero", O::None, 0, 1, 0},
    {"OP_PushOne", O::None, 0, 1, 0},
    {"OP_NotInt", O::None, 1, 1, 0},
    {"OP_AndInt", O::None, 2, 1, 0},
    {"OP_OrInt", O::None, 2, 1, 0},
    {"OP_XorInt", O::None, 2, 1, 0},
    {"OP_ComplementInt", O::None, 1, 1, 0},
    {"OP_ShiftLeft", O::None, 2, 1, 0},
    {"OP_ShiftRight", O::None, 2, 1, 0},
    {"OP_AddFloat", O::None, 2, 1, 0},
    {"OP_SubFloat", O::None, 2, 1, 0},
    {"OP_MulFloat", O::None, 2, 1, 0},
    {"OP_DivFloat", O::None, 2, 1, 0},
    {"OP_ModFloat", O::None, 2, 1, 0},
    {"OP_NegFloat", O::None, 1, 1, 0},
    {"OP_IncFloat", O::None, 1, 1, 0},
    {"OP_DecFloat", O::None, 1, 1, 0},
    {"OP_FloatToInt", O::None, 1, 1, 0},
    {"OP_CompareFloat", O::None, 2, 1, 0},
    {"OP_NotFloat", O::None, 1, 1, 0},
    {"OP_PushConst", O::Constant, 0, 1, 0},
    {"OP_LoadLocal", O::LocalSlot, 0, 1, 0},
    {"OP_LoadLocalRef", O::LocalSlot, 0, 1, 0},
    {"OP_StoreLocal", O::LocalSlot, 1, 0, 0},
    {"OP_StoreLocalKeep", O::LocalSlot, 1, 1, 0},
    {"OP_StoreLocalRef", O::LocalSlot, 1, 0, 0},
    {"OP_StoreLocalRefKeep", O::LocalSlot, 1, 1, 0},
    {"OP_Pop", O::None, 1, 0, 0},
    {"OP_PopRef", O::None, 1, 0, 0},
    {"OP_Dup", O::None, 1, 2, 0},
    {"OP_DupRef", O::None, 1, 2, 0},
    {"OP_DupPairRef", O::None, 2, 4, 0},
    {"OP_Swap", O::None, 2, 2, 0},
    {"OP_Jump", O::CodeOffset, 0, 0, kB | kN},
    {"OP_JumpIfZero", O::CodeOffset, 1, 0, kB},
    {"OP_JumpIfNotZero", O::CodeOffset, 1, 0, kB},
    {"OP_JumpIfZeroKeep", O::CodeOffset, 1, 1, kB},
    {"OP_JumpIfNotZeroKeep", O::CodeOffset, 1, 1, kB},
    {"OP_JumpIfLess", O::CodeOffset, 1, 0, kB},
    {"OP_JumpIfLessEqual", O::CodeOffset, 1, 0, kB},
    {"OP_JumpIfGreater", O::CodeOffset, 1, 0, kB},
    {"OP_JumpIfGreaterEqual", O::CodeOffset, 1, 0, kB},
    {"OP_IsLess", O::None, 1, 1, 0},
    {"OP_IsLessEqual", O::None, 1, 1, 0},
    {"OP_IsGreater", O::None, 1, 1, 0},
    {"OP_IsGreaterEqual", O::None, 1, 1, 0},
    {"OP_NewArray", O::None, 1, 1, 0},
    {"OP_NewRefArray", O::None, 1, 1, 0},
    {"OP_ArraySize", O::None, 1, 1, 0},
    {"OP_ArrayCopy", O::None, 1, 1, 0},
    {"OP_ArrayGet", O::None, 2, 1, 0},
    {"OP_ArraySet", O::None, 3, 0, 0},
    {"OP_ArraySetKeep", O::None, 3, 1, 0},
    {"OP_ArrayGetRef", O::None, 2, 1, 0},
    {"OP_ArraySetRef", O::None, 3, 0, 0},
    {"OP_ArraySetRefKeep", O::None, 3, 1, 0},
    {"OP_ArraySlice", O::None, 3, 1, 0},
    {"OP_ArraySetRange", O::None, 4, 0, 0},
    {"OP_ArraySetRangeKeep", O::None, 4, 1, 0},
    {"OP_RefArraySlice", O::None, 3, 1, 0},
    {"OP_RefArraySetRange", O::None, 4, 0, 0},
    {"OP_RefArraySetRangeKeep", O::None, 4, 1, 0},
    {"OP_NewString", O::None, 0, 1, 0},
    {"OP_PushString", O::StringIndex, 0, 1, 0},
    {"OP_IntToString", O::None, 1, 1, 0},
    {"OP_BoolToString", O::None, 1, 1, 0},
    {"OP_FloatToString", O::None, 1, 1, 0},
    {"OP_StringCopy", O::None, 1, 1, 0},
    {"OP_StringSize", O::None, 1, 1, 0},
    {"OP_StringGet", O::None, 2, 1, 0},
    {"OP_StringSet", O::None, 3, 0, 0},
    {"OP_StringSetKeep", O::None, 3, 1, 0},
    {"OP_StringSlice", O::None, 3, 1, 0},
    {"OP_StringSetRange", O::None, 4, 0, 0},
    {"OP_StringSetRangeKeep", O::None, 4, 1, 0},
    {"OP_CompareString", O::None, 2, 1, 0},
    {"OP_ConcatString", O::None, 2, 1, 0},
    {"OP_IsClass", O::ClassIndex, 1, 1, 0},
    {"OP_NewObject", O::ClassIndex, 0, 1, 0},
    {"OP_PushStatic", O::ClassIndex, 0, 1, 0},
    {"OP_Cast", O::ClassIndex, 1, 1, 0},
    {"OP_RefNotEqual", O::None, 2, 1, 0},
    {"OP_IsNull", O::None, 1, 1, 0},
    {"OP_IsNotNull", O::None, 1, 1, 0},
    {"OP_Call", O::Call, 0, 0, kV},
    {"OP_CallNative", O::Call, 0, 0, kV},
    {"OP_CallThread", O::Call, 0, 0, kV},
    {"OP_LoadMember", O::MemberSlot, 1, 1, 0},
    {"OP_LoadMemberRef", O::MemberSlot, 1, 1, 0},
    {"OP_StoreMember", O::MemberSlot, 2, 0, 0},
    {"OP_StoreMemberKeep", O::MemberSlot, 2, 1, 0},
    {"OP_StoreMemberRef", O::MemberSlot, 2, 0, 0},
    {"OP_StoreMemberRefKeep", O::MemberSlot, 2, 1, 0},
    {"OP_LoadMyMember", O::MemberSlot, 0, 1, 0},
    {"OP_LoadMyMemberRef", O::MemberSlot, 0, 1, 0},
    {"OP_StoreMyMember", O::MemberSlot, 1, 0, 0},
    {"OP_StoreMyMemberRef", O::MemberSlot, 1, 0, 0},
    {"OP_StoreMyMemberKeep", O::MemberSlot, 1, 1, 0},
    {"OP_StoreMyMemberRefKeep", O::MemberSlot, 1, 1, 0},
    {"OP_Return", O::None, 0, 0, kN},
    {"OP_ReturnValue", O::None, 1, 0, kN},
    {"OP_ReturnRef", O::None, 1, 0, kN},
    {"OP_Wait", O::Wait, 0, 0, kN | kV},
    {"OP_Switch", O::Switch, 1, 0, kN},
    {"OP_CallBase", O::BaseCall, 0, 0, kV},
    {"OP_NotZero", O::None, 1, 1, 0},
};

uint16_t U16At(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

int32_t I32At(const uint8_t* p) {
    uint32_t value = 0;
    std::memcpy(&value, p, 4);  // the code is little-endian, as is the host
    return static_cast<int32_t>(value);
}

}  // namespace

const GSInstructionInfo* GSInstructionInfoOf(uint8_t opcode) {
    return opcode < kGSOpcodeCount ? &kInstructions[opcode] : nullptr;
}

const char* GSOpcodeName(uint8_t opcode) {
    const GSInstructionInfo* info = GSInstructionInfoOf(opcode);
    return info ? info->mnemonic : "illegal";
}

int32_t GSStackEffect(uint8_t opcode) {
    const GSInstructionInfo* info = GSInstructionInfoOf(opcode);
    if (!info || (info->flags & kGSVariableStack)) return 0;
    return static_cast<int32_t>(info->pushes) - static_cast<int32_t>(info->pops);
}

uint32_t GSFixedInstructionLength(uint8_t opcode) {
    const GSInstructionInfo* info = GSInstructionInfoOf(opcode);
    if (!info) return 0;
    switch (info->operands) {
        case O::None:
            return 1;
        case O::LocalSlot:
        case O::StringIndex:
        case O::ClassIndex:
        case O::MemberSlot:
        case O::BaseCall:
            return 3;
        case O::Constant:
        case O::CodeOffset:
        case O::Call:
            return 5;
        case O::Switch:
        case O::Wait:
            return 0;
    }
    return 0;
}

bool GSDecodeInstruction(const uint8_t* code, uint32_t size, uint32_t offset, GSInstruction& out) {
    if (!code || offset >= size) return false;
    const uint8_t opcode = code[offset];
    const GSInstructionInfo* info = GSInstructionInfoOf(opcode);
    if (!info) return false;
    // Everything below is measured in 64 bits, so no sum can wrap.
    const uint64_t available = static_cast<uint64_t>(size) - offset;
    const uint8_t* operands = code + offset + 1;
    GSInstruction result;
    result.opcode = opcode;
    result.offset = offset;
    uint64_t length = GSFixedInstructionLength(opcode);
    if (length > 0) {
        if (length > available) return false;
        switch (info->operands) {
            case O::LocalSlot:
            case O::StringIndex:
            case O::ClassIndex:
            case O::MemberSlot:
                result.first = U16At(operands);
                break;
            case O::Constant:
            case O::CodeOffset:
                result.first = I32At(operands);
                break;
            case O::Call:
                result.first = static_cast<int16_t>(U16At(operands));
                result.second = U16At(operands + 2);
                break;
            case O::BaseCall:
                result.first = static_cast<int16_t>(U16At(operands));
                break;
            default:
                break;
        }
    } else {
        if (available < 3) return false;
        int32_t count = 0;
        if (info->operands == O::Switch) {
            count = U16At(operands);
            length = 1 + 2 + 8ull * static_cast<uint32_t>(count) + 4;
        } else {
            count = static_cast<int16_t>(U16At(operands));
            if (count < 0) return false;
            length = 1 + 2 + 8ull * static_cast<uint32_t>(count);
        }
        if (length > available) return false;
        result.first = count;
        result.table = offset + 3;
    }
    result.length = static_cast<uint32_t>(length);
    out = result;
    return true;
}

int32_t GSSwitchKey(const uint8_t* code, const GSInstruction& in, uint32_t i) { return I32At(code + in.table + 4 * i); }

int32_t GSSwitchTarget(const uint8_t* code, const GSInstruction& in, uint32_t i) {
    return I32At(code + in.table + 4 * static_cast<uint32_t>(in.first) + 4 * i);
}

int32_t GSSwitchDefault(const uint8_t* code, const GSInstruction& in) {
    return I32At(code + in.table + 8 * static_cast<uint32_t>(in.first));
}

uint16_t GSWaitMajor(const uint8_t* code, const GSInstruction& in, uint32_t i) { return U16At(code + in.table + 4 * i); }

uint16_t GSWaitMinor(const uint8_t* code, const GSInstruction& in, uint32_t i) {
    return U16At(code + in.table + 4 * i + 2);
}

int32_t GSWaitHandler(const uint8_t* code, const GSInstruction& in, uint32_t i) {
    return I32At(code + in.table + 4 * static_cast<uint32_t>(in.first) + 4 * i);
}
