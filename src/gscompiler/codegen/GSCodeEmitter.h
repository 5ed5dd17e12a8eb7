#pragma once
// GSCodeEmitter: writes the bytecode of one function (or of one class's
// member initialisation) and keeps its operand-stack accounting.
//
// Every emit first calls the line hook (when one is set) with the code
// position of the instruction, then charges the opcode's stack effect from
// the shared instruction table (GSStackEffect), then writes the opcode and
// its operands. Calls and waits have no fixed effect; their generator
// adjusts the depth itself (AdjustDepth).
//
// Jumps whose target is not known yet are written into a gap: Reserve
// leaves room for one, and FillJump later seeks back and emits the jump
// there, so that its line hook and stack effect apply at that moment.
#include <cstdint>
#include <vector>

#include "foundation/containers/GSLibraryBuffer.h"

class GSCodeEmitter {
public:
    // A call instruction and the operand-stack slots its callee leaves (1
    // for a result, 0 for none). The bytecode does not say what a method
    // returns; code checkers read it from here.
    struct CallSite {
        uint32_t offset;
        int32_t results;
    };

    // The code buffer's first block and growth step. Every function of a
    // source keeps its code until the library is written, and most take a
    // few hundred bytes: a small block (which the allocator serves from its
    // lists of small blocks) that doubles when it fills.
    static constexpr uint32_t kGrowthStep = 256;
    // Bytes of a jump: the opcode and its uint32 target.
    static constexpr uint32_t kJumpLength = 5;

    using LineHook = void (*)(void* owner, uint32_t position);

    GSCodeEmitter() { code.Init(kGrowthStep); }
    GSCodeEmitter(const GSCodeEmitter&) = delete;
    GSCodeEmitter& operator=(const GSCodeEmitter&) = delete;

    void SetLineHook(LineHook hook, void* owner) {
        m_hook = hook;
        m_hookOwner = owner;
    }

    void Emit(uint8_t opcode);
    void EmitInt32(uint8_t opcode, int32_t operand);
    void EmitPushFloat(float value);
    void EmitUInt16(uint8_t opcode, uint16_t operand);
    void EmitUInt16Pair(uint8_t opcode, uint16_t first, uint16_t second);

    // depth += the opcode's effect; the maximum follows.
    void ApplyStackEffect(uint8_t opcode);
    // depth += delta, for the instructions whose effect the table leaves open.
    void AdjustDepth(int32_t delta);

    // The current code position (where the next instruction goes).
    uint32_t Position() const { return code.Position(); }
    // Leaves `n` bytes to be filled later; returns where they start.
    uint32_t Reserve(uint32_t n);
    // Emits `opcode` with `target` into the gap at `gap` (a Reserve of
    // kJumpLength bytes) and returns to the current end.
    void FillJump(uint32_t gap, uint8_t opcode, uint32_t target);
    // Overwrites raw bytes already reserved (tables of switches and waits);
    // no line or stack effect.
    void PatchUInt16(uint32_t position, uint16_t value);
    void PatchInt32(uint32_t position, int32_t value);

    // True when the code buffer lost bytes (out of memory) or a seek failed.
    bool Failed() const { return code.HasFailed(); }
    bool IsEmpty() const { return code.Length() == 0; }

    GSLibraryBuffer code;
    int32_t depth = 0;
    int32_t maximumDepth = 0;
    std::vector<CallSite> callSites;

private:
    void Begin(uint8_t opcode);

    LineHook m_hook = nullptr;
    void* m_hookOwner = nullptr;
};
