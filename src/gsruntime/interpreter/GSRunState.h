#pragma once
// GSRunState: the interpreter's registers while GSThread::Execute runs a
// thread: the program counter, the code start of the running function, the
// start of the current straight-line run (for the execution budget), the
// stack pointer, the current frame's locals base and operand-stack floor,
// and the running library. The stack pointer lives here while code runs;
// WriteBack stores it into the thread's GSStack before anything that may
// look at the stack (calls, object creation, waits, returns, natives) and at
// the end of a run.
//
// Instruction handlers (GSDispatchTable.h) read their operands through the
// program counter and end the run by returning Raise (an ER_ code) or
// Finish (ER_Done, ER_Blocked).
#include <cstdint>
#include <cstring>

#include "gsruntime/GSExecutionBudget.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSThreadResult.h"

namespace GSRuntime {

class GSFunction;
class GSLibrary;
class GSThread;

// A little-endian int32 of the code (as is the host).
inline int32_t GSCodeWord(const uint8_t* at) {
    uint32_t value;
    std::memcpy(&value, at, 4);
    return static_cast<int32_t>(value);
}

// A little-endian uint16 of the code.
inline uint32_t GSCodeHalf(const uint8_t* at) {
    uint16_t value;
    std::memcpy(&value, at, 2);
    return value;
}

struct GSRunState {
    GSThread* thread = nullptr;
    GSStack* stack = nullptr;
    uint32_t* slots = nullptr;
    int32_t capacity = 0;
    int32_t sp = GSStack::kNone;
    // Header slot 3 of the current frame: the operand stack is empty when
    // the stack pointer designates it.
    int32_t floor = GSStack::kNone;
    int32_t localsBase = 0;
    const GSFunction* function = nullptr;
    const uint8_t* code = nullptr;
    const uint8_t* pc = nullptr;
    const uint8_t* runStart = nullptr;
    GSLibrary* library = nullptr;
    int32_t result = ER_Done;

    // Operands, read at the program counter and stepped over.
    uint16_t U16() {
        const uint16_t value = static_cast<uint16_t>(pc[0] | (pc[1] << 8));
        pc += 2;
        return value;
    }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    int32_t I32() {
        const int32_t value = GSCodeWord(pc);
        pc += 4;
        return value;
    }

    // The operand stack: Top is the top slot, At(n) the slot n below it.
    uint32_t& Top() { return slots[sp]; }
    uint32_t& At(int32_t below) { return slots[sp - below]; }
    uint32_t Pop() { return slots[sp--]; }
    void Push(uint32_t value) { slots[++sp] = value; }
    // Slots on the current frame's operand stack.
    int32_t Depth() const { return sp - floor; }

    uint32_t& Local(uint32_t k) { return slots[localsBase + static_cast<int32_t>(k)]; }
    uint32_t Me() const { return slots[localsBase]; }

    void WriteBack() { stack->SetStackPointer(sp); }

    // Ends the run with an error code.
    bool Raise(int32_t code) {
        result = code;
        return false;
    }
    // Ends the run normally (ER_Done or ER_Blocked).
    bool Finish(int32_t code) {
        result = code;
        return false;
    }

    // Charges the current run, up to and including the opcode byte at
    // `opcode`, to the budget. False, with ER_Timeout raised, when the count
    // then exceeds the budget.
    bool Charge(const uint8_t* opcode) {
        const uint64_t bytes = static_cast<uint64_t>(opcode + 1 - runStart);
        runStart = opcode + 1;
        if (GSAddExecutedBytes(bytes) > kGSExecutionBudget) return Raise(ER_Timeout);
        return true;
    }
    // Continues at a code offset of the running function; a new run starts
    // there.
    void JumpTo(uint32_t offset) {
        pc = code + offset;
        runStart = pc;
    }

    // Takes the stack's current frame as the running one: its function,
    // code, library, locals base and floor, continuing at `offset`. False,
    // with the error raised, when there is no frame (ER_NoStackFrame) or the
    // frame's function has no code at that offset (ER_IllegalInstruction).
    bool EnterFrame(int32_t offset) {
        const int32_t frame = stack->CurrentFrame();
        if (frame == GSStack::kNone) return Raise(ER_NoStackFrame);
        return EnterFunction(stack->FrameFunction(frame), frame, offset);
    }
    // The same for a frame whose function the caller has looked up (a call
    // that has just pushed the frame of `entered`).
    bool EnterFunction(const GSFunction* entered, int32_t frame, int32_t offset) {
        if (!entered) return Raise(ER_NoStackFrame);
        function = entered;
        library = entered->library;
        localsBase = stack->FrameLocalsBase(frame);
        floor = frame + 3;
        code = entered->maxStackDepth >= 0 ? entered->RunCode() : entered->code;
        if (!code || offset < 0 || static_cast<uint32_t>(offset) >= entered->codeLength) {
            pc = runStart = code;
            return Raise(ER_IllegalInstruction);
        }
        JumpTo(static_cast<uint32_t>(offset));
        // Verified code runs without per-instruction stack checks: its
        // deepest operand stack must fit above the frame.
        if (entered->maxStackDepth >= 0 && int64_t(floor) + entered->maxStackDepth >= int64_t(capacity))
            return Raise(ER_StackOverflow);
        return true;
    }
};

}  // namespace GSRuntime
