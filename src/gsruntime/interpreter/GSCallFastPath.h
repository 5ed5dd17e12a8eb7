#pragma once
// Script calls and returns as the threaded loop of verified code
// (GSInterpreter.cpp) runs them inline. The call's fast path takes a call
// of a verified script function whose call site is known to accept it: it
// first checks everything that could make the full handler (GSOpsCalls.cpp)
// raise an error or take another way, and when anything does, it changes
// nothing and answers false, and the full handler runs the instruction. A
// taken fast path does what the full handler does on its success path: the
// same frame, budget charge and current context. The return is the one
// handler both use.
#include <cstdint>

#include "gsruntime/GSClass.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSFunctionTable.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/GSTrackedObjectRegistry.h"
#include "gsruntime/interpreter/GSRunState.h"
#include "gsruntime/interpreter/GSThread.h"

namespace GSRuntime {

// Whether a call site accepts a function depends only on the two records,
// which do not change while they are loaded, unless an argument is the
// result of another call (then the stack says what that call returned). A
// site accepting a function without looking at the stack accepts it on
// every stack, so such pairs are remembered, by their function-table
// numbers (never handed out twice, so an entry never names another
// function), in a small direct-mapped cache that spares most calls the
// search of the caller's contracts.
struct GSAcceptedCall {
    uint32_t caller = 0;
    uint32_t offset = 0;
    uint32_t callee = 0;
};
constexpr uint32_t kGSAcceptedCalls = 256;
inline GSAcceptedCall g_gsAcceptedCalls[kGSAcceptedCalls];

inline GSAcceptedCall& GSAcceptedCallEntry(uint32_t caller, uint32_t offset, uint32_t callee) {
    return g_gsAcceptedCalls[(caller * 31u + offset * 7u + callee) % kGSAcceptedCalls];
}

// True when the pair is in the cache (both numbered).
inline bool GSKnownAcceptedCall(uint32_t caller, uint32_t offset, uint32_t callee) {
    const GSAcceptedCall& entry = GSAcceptedCallEntry(caller, offset, callee);
    return caller && callee && entry.caller == caller && entry.offset == offset && entry.callee == callee;
}

// The context that GSStack::GetContext gives once the current frame's `me`
// is `me`: that of its instance when it is tracked, else the search.
inline GSContext* GSContextAfterEntry(const GSStack& stack, GSDataRef me) {
    if (GSContext* context = GSTrackedObjectRegistry::GetContext(GSScriptInstance::FromReference(me))) return context;
    return stack.GetContext();
}

// OP_Call, its opcode at s.pc - 1 and the registers written back: on the
// fast path the callee's frame is pushed and entered (true); false when the
// full handler must run it (nothing changed).
[[gnu::always_inline]] inline bool GSFastCall(GSRunState& s) {
    const uint8_t* opcode = s.pc - 1;
    const int16_t depth = static_cast<int16_t>(opcode[1] | (opcode[2] << 8));
    const uint16_t method = static_cast<uint16_t>(opcode[3] | (opcode[4] << 8));
    const int32_t targetIndex = s.sp + depth;
    if (depth > 0 || targetIndex <= s.floor) return false;
    const GSDataRef target = s.slots[targetIndex];
    if (!target) return false;
    GSDataRef me = 0;
    const GSFunction* callee = GSClass::Dispatch(target, method, me);
    if (!callee || !me || callee->argumentSlotCount != static_cast<uint32_t>(1 - depth)) return false;
    const uint32_t offset = static_cast<uint32_t>(opcode - s.code);
    if (!GSKnownAcceptedCall(s.function->tableIndex, offset, callee->tableIndex)) return false;
    // A verified callee with code whose frame and deepest operand stack
    // fit, within the budget.
    if (callee->maxStackDepth < 0 || !callee->code || callee->codeLength == 0) return false;
    const int64_t top = s.sp;
    if (top + int64_t(callee->slotsNeeded) >= s.capacity) return false;
    const int64_t floor = top + callee->headerOffset + 3;
    if (floor + callee->maxStackDepth >= int64_t(s.capacity)) return false;
    const uint64_t charged = static_cast<uint64_t>(opcode + 1 - s.runStart);
    if (g_gsExecutedBytes + charged > kGSExecutionBudget) return false;

    g_gsExecutedBytes += charged;
    GSStack& stack = *s.stack;
    stack.SetStackPointer(s.sp);
    stack.PushFrame(callee, static_cast<int32_t>(offset) + 5);
    const int32_t frame = stack.CurrentFrame();
    s.localsBase = stack.FrameLocalsBase(frame);
    s.slots[s.localsBase] = me;
    s.sp = stack.StackPointer();
    s.function = callee;
    s.library = callee->library;
    s.floor = frame + 3;
    s.code = callee->RunCode();
    s.pc = s.runStart = s.code;
    GSSetCurrentContext(GSContextAfterEntry(stack, me));
    return true;
}

// The returns (OP_Return without a value, OP_ReturnValue and OP_ReturnRef
// with one), their opcode at s.pc - 1 and the registers written back: the
// frame ends (with the top value in the place of its `me`); from the
// outermost frame the thread is finished, otherwise the caller continues
// after its call. Inline, as the threaded loop runs every return here.
template <bool WithValue>
[[gnu::always_inline]] inline bool GSReturn(GSRunState& s) {
    const uint8_t* opcode = s.pc - 1;
    GSStack& stack = *s.stack;
    stack.SetStackPointer(s.sp);
    const bool ended = WithValue ? stack.ReturnValue(false) : stack.PopFrame();
    if (!ended) return s.Raise(ER_StackReturnError);
    s.sp = stack.StackPointer();
    if (stack.CurrentFrame() == GSStack::kNone) {
        s.thread->SetState(GSThread::kDead);
        s.thread->SetResumeOffset(0);
        return s.Finish(ER_Done);
    }
    if (!s.Charge(opcode)) return false;
    if (!s.EnterFrame(stack.ReturnOffset())) return false;
    const GSDataRef me = s.Me();
    if (!me) return s.Raise(ER_NullReference);
    GSSetCurrentContext(GSContextAfterEntry(stack, me));
    return true;
}

}  // namespace GSRuntime
