#include "gscompiler/codegen/GSCodeEmitter.h"

#include <cstring>

#include "gscompiler/bytecode/GSBytecode.h"

void GSCodeEmitter::Begin(uint8_t opcode) {
    if (m_hook) m_hook(m_hookOwner, code.Position());
    ApplyStackEffect(opcode);
    code.WriteUInt8(opcode);
}

void GSCodeEmitter::Emit(uint8_t opcode) { Begin(opcode); }

void GSCodeEmitter::EmitInt32(uint8_t opcode, int32_t operand) {
    Begin(opcode);
    code.WriteUInt32(static_cast<uint32_t>(operand));
}

void GSCodeEmitter::EmitPushFloat(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    EmitInt32(OP_PushConst, static_cast<int32_t>(bits));
}

void GSCodeEmitter::EmitUInt16(uint8_t opcode, uint16_t operand) {
    Begin(opcode);
    code.WriteUInt16(operand);
}

void GSCodeEmitter::EmitUInt16Pair(uint8_t opcode, uint16_t first, uint16_t second) {
    Begin(opcode);
    code.WriteUInt16(first);
    code.WriteUInt16(second);
}

void GSCodeEmitter::ApplyStackEffect(uint8_t opcode) { AdjustDepth(GSStackEffect(opcode)); }

void GSCodeEmitter::AdjustDepth(int32_t delta) {
    depth += delta;
    if (depth > maximumDepth) maximumDepth = depth;
}

uint32_t GSCodeEmitter::Reserve(uint32_t n) {
    // The gap is zeroed rather than skipped, so that no stale bytes can
    // reach a library even if a gap were never filled.
    const uint32_t start = code.Position();
    static const uint8_t kZeros[16] = {};
    for (uint32_t left = n; left > 0;) {
        const uint32_t step = left < sizeof kZeros ? left : static_cast<uint32_t>(sizeof kZeros);
        code.Write(kZeros, step);
        left -= step;
    }
    return start;
}

void GSCodeEmitter::FillJump(uint32_t gap, uint8_t opcode, uint32_t target) {
    const uint32_t end = code.Position();
    code.SetPosition(gap);
    EmitInt32(opcode, static_cast<int32_t>(target));
    code.SetPosition(end);
}

void GSCodeEmitter::PatchUInt16(uint32_t position, uint16_t value) {
    const uint32_t end = code.Position();
    code.SetPosition(position);
    code.WriteUInt16(value);
    code.SetPosition(end);
}

void GSCodeEmitter::PatchInt32(uint32_t position, int32_t value) {
    const uint32_t end = code.Position();
    code.SetPosition(position);
    code.WriteUInt32(static_cast<uint32_t>(value));
    code.SetPosition(end);
}
