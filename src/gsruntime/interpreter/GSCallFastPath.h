#pragma once
// Script calls and returns as the threaded loop of verified code
// (GSInterpreter.cpp) runs them inline. The fast paths take a call of a
// verified script function whose call site is known to accept it, and a
// value return into a verified caller that ends no object: each first
// checks everything that could make the full handler (GSOpsCalls.cpp,
// GSReturn below) raise an error or take another way, and when anything
// does, it changes nothing and answers false, and the full handler runs
// the instruction. A taken fast path does what the full handler does on
// its success path: the same frames, counts, budget charge and current
// context. GSReturn is the full return, which both dispatch halves use.
#include <cstdint>

#include "gsruntime/GSCallSiteMemory.h"
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

// GSClass::Dispatch of method `method` through a view of class `cls`
// whose first virtual-table entry is `firstEntry`, and the site's checks
// of the callee, made once and remembered: false when the full handler
// must run the call.
inline bool GSCheckCallSite(const GSRunState& s, const uint8_t* opcode, int16_t depth, uint32_t method,
                            const GSClass* cls, uint32_t firstEntry, GSCallSite& site) {
    if (!cls || !cls->Machine()) return false;
    const uint64_t entryIndex = uint64_t(firstEntry) + method;
    if (entryIndex >= cls->VirtualCount()) return false;
    const GSClass::VirtualEntry& entry = cls->GetVirtualEntry(static_cast<uint32_t>(entryIndex));
    if (!entry.import || !entry.import->function) return false;
    const GSFunction* callee = entry.import->function;
    if (callee->argumentSlotCount != static_cast<uint32_t>(1 - depth)) return false;
    if (!GSKnownAcceptedCall(s.function->tableIndex, static_cast<uint32_t>(opcode - s.code), callee->tableIndex))
        return false;
    if (callee->maxStackDepth < 0 || !callee->code || callee->codeLength == 0) return false;
    site.call = opcode;
    site.cls = cls;
    site.firstEntry = firstEntry;
    site.dataOffset = entry.dataOffset;
    site.callee = callee;
    const int64_t frameAndStack = int64_t(callee->headerOffset) + 3 + callee->maxStackDepth;
    site.room = frameAndStack > int64_t(callee->slotsNeeded) ? frameAndStack : int64_t(callee->slotsNeeded);
    return true;
}

// OP_Call, its opcode at pc - 1, with the program counter and the stack
// pointer of the threaded loop (the run state holds the rest): on the fast
// path the callee's frame is pushed and entered, pc and sp are the
// callee's (true); false when the full handler must run it (nothing
// changed). With `Borrow`, the call's target (at depth -1, as the
// superinstruction that uses it was matched) is the caller's own `me`,
// `callerMe`, pushed without a count of its own: the callee's frame borrows
// the caller's, and the call is refused (nothing changed) when the callee
// may store into `me`.
template <bool Borrow>
[[gnu::always_inline]] inline bool GSFastCall(GSRunState& s, const uint8_t*& pc, int32_t& sp,
                                              GSDataRef callerMe = 0) {
    const uint8_t* opcode = pc - 1;
    const int16_t depth = Borrow ? -1 : static_cast<int16_t>(GSCodeHalf(pc));
    const uint32_t method = GSCodeHalf(pc + 2);
    if (!Borrow) {
        const int32_t targetIndex = sp + depth;
        if (depth > 0 || targetIndex <= s.floor) return false;
        callerMe = s.Me();
    }
    const GSDataRef target = Borrow ? callerMe : s.slots[sp + depth];
    if (!target) return false;
    // GSClass::Dispatch, the instance's header being that of `me` too.
    uint32_t* const view = GSLiveSlots(target);
    GSScriptInstance* header = GSScriptInstance::FromSlots(view);
    const GSClass* cls = header->cls;
    GSCallSite& site = GSCallSiteOf(opcode);
    if (site.call != opcode || site.cls != cls || site.firstEntry != view[1]) {
        if (!GSCheckCallSite(s, opcode, depth, method, cls, view[1], site)) return false;
    }
    const GSFunction* callee = site.callee;
    if (Borrow && !callee->keepsMe) return false;
    const GSDataRef me = GSOffsetReference(target, int64_t(static_cast<int32_t>(view[0])) + site.dataOffset);
    if (!me) return false;
    // The frame and the callee's deepest operand stack fit; the budget
    // takes the run.
    if (sp + site.room >= s.capacity) return false;
    const uint64_t charged = static_cast<uint64_t>(opcode + 1 - s.runStart);
    if (g_gsExecutedBytes + charged > kGSExecutionBudget) return false;

    g_gsExecutedBytes += charged;
    const int32_t frame = s.stack->PushCheckedFrame(callee, sp, static_cast<int32_t>(opcode - s.code) + 5, Borrow);
    s.localsBase = sp + callee->argumentOffset;
    s.slots[s.localsBase] = me;
    sp += static_cast<int32_t>(callee->frameSize);
    s.function = callee;
    s.library = callee->library;
    s.floor = frame + 3;
    s.code = callee->RunCode();
    pc = s.runStart = s.code;
    // In a frame of the caller's instance, the context stays.
    if (me != callerMe && header != GSScriptInstance::FromReference(callerMe)) {
        GSContext* context = GSTrackedObjectRegistry::GetContext(header);
        GSSetCurrentContext(context ? context : s.stack->GetContext());
    }
    return true;
}

// OP_ReturnValue and OP_ReturnRef of a function that lists no reference
// slot into a verified caller, its opcode at pc - 1, with the program
// counter and the stack pointer of the threaded loop: on the fast path the
// frame ends and the caller runs again after its call, pc and sp are the
// caller's (true); false when GSReturn must run it (nothing changed). `me`
// keeps a count after the frame's goes (its instance is still the caller's
// or another frame's), or the frame borrowed it, so no object ends here.
// The running function is the frame's (its record lives while its code
// runs).
[[gnu::always_inline]] inline bool GSFastReturnValue(GSRunState& s, const uint8_t*& pc, int32_t& sp) {
    const GSFunction* function = s.function;
    uint32_t* const slots = s.slots;
    GSStack& stack = *s.stack;
    const int32_t frame = s.floor - 3;
    if (function->referenceSlotCount != 0 || sp != frame + 4 || stack.CurrentFrame() != frame) return false;
    const int32_t previous = static_cast<int32_t>(slots[frame + 2]);
    if (previous == GSStack::kNone) return false;
    const GSFunctionTable* table = GSFunctionTable::MachineTable();
    if (!table) return false;
    // The caller's frame is where it was when the caller's code was
    // entered, so its deepest operand stack still fits; a function with
    // code at the return offset has code.
    const GSFunction* caller = table->Get(slots[previous]);
    if (!caller || caller->maxStackDepth < 0) return false;
    const uint32_t returnOffset = slots[frame + 1];
    if (returnOffset >= caller->codeLength) return false;
    const int32_t callerBase = static_cast<int32_t>(slots[previous + 3]);
    const GSDataRef callerMe = slots[callerBase];
    const int32_t base = s.localsBase;
    const GSDataRef me = slots[base];
    if (!callerMe || !me) return false;
    const bool borrowed = stack.FrameBorrowsMe(frame);
    GSScriptInstance* const meHeader = borrowed ? nullptr : GSScriptInstance::FromLiveReference(me);
    if (!borrowed && meHeader->count <= 1) return false;
    const uint8_t* opcode = pc - 1;
    const uint64_t charged = static_cast<uint64_t>(opcode + 1 - s.runStart);
    if (g_gsExecutedBytes + charged > kGSExecutionBudget) return false;

    if (!borrowed) meHeader->count -= 1;
    slots[base] = slots[sp];
    const uint8_t shape = function->resultShape;
    g_gsExecutedBytes += charged;
    sp = base;
    s.function = caller;
    s.library = caller->library;
    s.localsBase = callerBase;
    s.floor = previous + 3;
    s.code = caller->RunCode();
    pc = s.runStart = s.code + returnOffset;
    // Last, as the shape is a byte that may alias anything.
    stack.EndCheckedFrame(frame, base, shape);
    // Back in a frame of the same instance, the context stays.
    if (callerMe != me &&
        GSScriptInstance::FromLiveReference(callerMe) != GSScriptInstance::FromLiveReference(me)) {
        GSContext* context = GSTrackedObjectRegistry::GetContext(GSScriptInstance::FromLiveReference(callerMe));
        GSSetCurrentContext(context ? context : stack.GetContext());
    }
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
