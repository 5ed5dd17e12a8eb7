// Calls and returns (opcodes 94 to 96, 109 to 111 and 114), step by step in
// the order in which their effects happen, since the order decides which
// error is raised and what the stack holds when it is.
//
// The target of a call is the operand-stack slot at the call's depth
// operand (0: the top, -n: n slots below it), with the arguments above it.
// A target outside the current frame's operand stack raises
// ER_IllegalInstruction; a method index outside the target's virtual
// table, a function whose argument count does not match the depth, and a
// script call or base call of a function without code raise ER_LinkError.

#include "gscompiler/GSTypes.h"
#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSConstantStrings.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSNativeFunction.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSScriptMemoryBudget.h"
#include "gsruntime/GSString.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/GSExecutionBudget.h"
#include "gsruntime/interpreter/GSCallFastPath.h"
#include "gsruntime/interpreter/GSDispatchTable.h"
#include "gsruntime/interpreter/GSGameObjectServices.h"
#include "gsruntime/interpreter/GSSuperInstructions.h"
#include "gsruntime/interpreter/GSThread.h"

namespace GSRuntime {

namespace {

// Bytes of a call instruction and of a base call.
constexpr int32_t kCallLength = 5;
constexpr int32_t kBaseCallLength = 3;

int32_t OffsetOf(const GSRunState& s, const uint8_t* opcode) { return static_cast<int32_t>(opcode - s.code); }

// The target slot of a call with `depth`: its index, checked to lie on the
// current frame's operand stack.
bool TargetIndex(GSRunState& s, int16_t depth, int32_t& index) {
    index = s.sp + depth;
    if (depth > 0 || index <= s.floor) return s.Raise(ER_IllegalInstruction);
    return true;
}

// A function fits a call of `depth` when its argument slots (`me`
// included) are the target and the slots above it.
bool Fits(GSRunState& s, const GSFunction* function, int16_t depth) {
    if (function->argumentSlotCount != static_cast<uint32_t>(1 - depth)) return s.Raise(ER_LinkError);
    return true;
}

// The loader verified the code after each call for the results it may
// leave and the kinds of its arguments: the function called must be one of
// those (a thread start leaves nothing here, whatever its result). Pairs
// accepted whatever the stack holds are remembered (GSCallFastPath.h).
bool Verified(GSRunState& s, const uint8_t* opcode, const GSFunction* callee, int32_t targetIndex) {
    const GSFunction* caller = s.function;
    if (!caller) return s.Raise(ER_LinkError);
    const uint32_t offset = static_cast<uint32_t>(OffsetOf(s, opcode));
    const uint32_t callerNumber = caller->tableIndex;
    const uint32_t calleeNumber = callee->tableIndex;
    if (GSKnownAcceptedCall(callerNumber, offset, calleeNumber)) return true;
    const bool thread = *opcode == OP_CallThread;
    if (caller->AcceptsCallee(offset, callee, thread)) {
        if (callerNumber && calleeNumber)
            GSAcceptedCallEntry(callerNumber, offset, calleeNumber) = GSAcceptedCall{callerNumber, offset, calleeNumber};
        return true;
    }
    if (!caller->AcceptsCallee(offset, callee, thread, s.stack, targetIndex + 1)) return s.Raise(ER_LinkError);
    return true;
}

struct Callee {
    int32_t targetIndex = 0;
    GSFunction* function = nullptr;
    GSDataRef me = 0;  // the view the function expects as `me`
};

// The last steps of Resolve, for a callee found: the function must fit the
// call and be one the code after the call was verified for.
bool Check(GSRunState& s, const uint8_t* opcode, int16_t depth, const Callee& callee) {
    if (!callee.function || !callee.me) return s.Raise(ER_LinkError);
    if (!Fits(s, callee.function, depth)) return false;
    return Verified(s, opcode, callee.function, callee.targetIndex);
}

// Steps shared by the calls: the target (null raises ER_NullReference) and
// the method-table entry of its view.
bool Resolve(GSRunState& s, const uint8_t* opcode, int16_t depth, uint16_t method, Callee& callee) {
    if (!TargetIndex(s, depth, callee.targetIndex)) return false;
    const GSDataRef target = s.slots[callee.targetIndex];
    if (!target) return s.Raise(ER_NullReference);
    callee.function = GSClass::Dispatch(target, method, callee.me);
    return Check(s, opcode, depth, callee);
}

bool HasCode(const GSFunction* function) { return function->code && function->codeLength > 0; }

// After a frame was pushed: `me` in its slot 0, the stack pointer taken.
void SetFrameMe(GSRunState& s, GSDataRef me) {
    s.slots[s.stack->FrameLocalsBase(s.stack->CurrentFrame())] = me;
    s.sp = s.stack->StackPointer();
}

// Runs the stack's current frame from `offset` and recomputes the current
// context.
bool Continue(GSRunState& s, int32_t offset) {
    if (!s.EnterFrame(offset)) return false;
    GSSetCurrentContext(s.stack->GetContext());
    return true;
}

// A call's first steps (pc past its opcode): its operands, the stack
// pointer written back, and the callee resolved.
bool ReadAndResolve(GSRunState& s, const uint8_t*& opcode, Callee& callee) {
    opcode = s.pc - 1;
    const int16_t depth = s.I16();
    const uint16_t method = s.U16();
    s.WriteBack();
    return Resolve(s, opcode, depth, method, callee);
}

bool Call(GSRunState& s) {
    const uint8_t* opcode = nullptr;
    Callee callee;
    if (!ReadAndResolve(s, opcode, callee)) return false;
    if (!HasCode(callee.function)) return s.Raise(ER_LinkError);
    s.library = callee.function->library;
    const int32_t returnOffset = OffsetOf(s, opcode) + kCallLength;
    if (!s.Charge(opcode)) return false;
    if (!s.stack->PushFrame(callee.function, returnOffset)) return s.Raise(ER_StackOverflow);
    SetFrameMe(s, callee.me);
    // The frame just pushed is the callee's.
    if (!s.EnterFunction(callee.function, s.stack->CurrentFrame(), 0)) return false;
    GSSetCurrentContext(s.stack->GetContext());
    return true;
}

// The native call from its frame on, for a callee resolved.
bool CallResolvedNative(GSRunState& s, const uint8_t* opcode, const Callee& callee) {
    const GSFunction* function = callee.function;
    if (!s.stack->PushFrame(function, 0)) return s.Raise(ER_StackOverflow);
    SetFrameMe(s, callee.me);

    GSNativeFunction* native = function->native;
    if (!native) return s.Raise(ER_NativeCallError);
    GSObjectReference* owner = GSScriptInstance::OwnerOf(callee.me);
    GSObject* target = owner && (owner->GetType() == kGSRefObject || owner->GetType() == kGSRefGameObject)
                           ? static_cast<GSObject*>(owner)
                           : nullptr;
    const bool called = native->Call(target, s.stack);
    s.sp = s.stack->StackPointer();
    if (!called) return s.Raise(ER_NativeCallError);

    const bool ended = function->resultType == kGSTypeVoid ? s.stack->PopFrame() : s.stack->ReturnValue(true);
    s.sp = s.stack->StackPointer();
    if (!ended) return s.Raise(ER_StackReturnError);

    GSThread& thread = *s.thread;
    // A native whose work took the count past the execution budget
    // (GSExecutionBudget.h) ends the run here, as the next transfer would.
    if (thread.State() != GSThread::kDead && !GSExecutionBudgetHolds()) return s.Raise(ER_Timeout);
    if (thread.State() == GSThread::kWaiting) {
        thread.SetResumeOffset(OffsetOf(s, opcode) + kCallLength);
        return s.Finish(ER_Blocked);
    }
    if (thread.State() == GSThread::kDead) return s.Raise(ER_Exception);
    return true;
}

bool CallNative(GSRunState& s) {
    const uint8_t* opcode = nullptr;
    Callee callee;
    return ReadAndResolve(s, opcode, callee) && CallResolvedNative(s, opcode, callee);
}

// Bytes of a string push.
constexpr int32_t kPushStringLength = 3;

// The callee of the native call whose target lies at `targetIndex` when it
// is a native that borrows its string arguments (GSNativeFunction); false
// for any other, and for anything that would make the call fail: the plain
// instructions then raise what they raise.
bool LendsStrings(const GSRunState& s, int32_t targetIndex, uint16_t method, Callee& callee) {
    if (targetIndex <= s.floor || targetIndex > s.sp || !s.library) return false;
    const GSDataRef target = s.slots[targetIndex];
    if (!target) return false;
    callee.targetIndex = targetIndex;
    callee.function = GSClass::Dispatch(target, method, callee.me);
    return callee.function && callee.me && callee.function->native &&
           callee.function->native->BorrowsStringArguments();
}

// The plain string push, for the first push of a superinstruction that
// does not lend its strings (pc past the opcode).
bool PlainPushString(GSRunState& s) { return GSDispatchTable()[kGSDispatchEntries + OP_PushString](s); }

// OPX_StringsCallNative + n - 1, pc past its opcode: n string pushes, the
// plain value pushes after them and the native call. A native that borrows its string arguments
// gets the library's constant objects, each counted for the call; each
// push asks the memory budget as the plain push does. Otherwise, and for a
// constant that cannot be made, the plain instructions run from the push
// concerned. Nothing between the pushes and the call can change what the
// call's target dispatches to.
bool StringsCallNative(GSRunState& s) {
    const uint8_t* first = s.pc - 1;
    const int32_t strings = *first - OPX_StringsCallNative + 1;
    const uint8_t* values = first + kPushStringLength * strings;
    // The plain value pushes between the strings and the call.
    int32_t valueCount = 0;
    const uint8_t* call = values;
    while (*call != OP_CallNative) {
        call += *call == OP_PushConst ? 5 : *call == OP_LoadLocal ? 3 : 1;
        valueCount += 1;
    }
    const int16_t depth = static_cast<int16_t>(GSCodeHalf(call + 1));
    const uint16_t method = static_cast<uint16_t>(GSCodeHalf(call + 3));
    Callee callee;
    // The target is on the stack already, below the strings.
    if (!LendsStrings(s, s.sp + strings + valueCount + depth, method, callee)) return PlainPushString(s);
    GSLibrary& library = *s.library;
    GSConstantStrings& constants = library.Constants();
    for (int32_t i = 0; i < strings; ++i) {
        s.pc = first + kPushStringLength * i + 1;
        const uint16_t index = static_cast<uint16_t>(GSCodeHalf(s.pc));
        if (index >= library.StringCount()) return PlainPushString(s);
        const Vek::String& text = library.GetStringCopy(index);
        GSString* constant = GSScriptMemoryBudget::Fits(text.Length())
                                 ? constants.String(index, text.c_str(), text.Length())
                                 : nullptr;
        if (!constant) return PlainPushString(s);
        constant->Header().count += 1;
        s.Push(constant->GetReference());
    }
    for (const uint8_t* at = values; at != call;) {
        switch (*at) {
        case OP_PushConst:
            s.Push(static_cast<uint32_t>(GSCodeWord(at + 1)));
            at += 5;
            break;
        case OP_LoadLocal:
            s.Push(s.Local(GSCodeHalf(at + 1)));
            at += 3;
            break;
        default:
            s.Push(*at == OP_PushOne ? 1 : 0);
            at += 1;
            break;
        }
    }
    s.pc = call + kCallLength;
    s.WriteBack();
    if (!Check(s, call, depth, callee)) return false;
    return CallResolvedNative(s, call, callee);
}

// Gives back the counts of a thread start that could not get its frame:
// `me` and the reference arguments among `slots` (the target's slot first).
void DropThreadStart(const GSFunction* function, GSDataRef me, const uint32_t* slots) {
    GSScriptInstance::ReleaseReference(me);
    for (uint32_t i = 0; i < function->referenceSlotCount; ++i) {
        const int32_t slot = function->ReferenceSlot(i);
        if (slot >= 1 && static_cast<uint32_t>(slot) < function->argumentSlotCount)
            GSScriptInstance::ReleaseReference(slots[slot]);
    }
}

bool CallThread(GSRunState& s) {
    const uint8_t* opcode = s.pc - 1;
    const int16_t depth = s.I16();
    const uint16_t method = s.U16();
    Callee callee;
    if (!Resolve(s, opcode, depth, method, callee)) return false;
    GSObjectReference* owner = GSScriptInstance::OwnerOf(callee.me);
    GSObject* gameObject = owner && owner->GetType() == kGSRefGameObject ? static_cast<GSObject*>(owner) : nullptr;
    if (!GSIsRoutedGameObject(gameObject)) return s.Raise(ER_ThreadError);
    GSThread* thread = gameObject->CreateThread();
    if (!thread) return s.Raise(ER_ThreadError);

    // `me` and the arguments move to the new thread with their counts.
    GSStack& stack = thread->Stack();
    const int32_t first = stack.StackPointer() + 1;
    const int32_t count = s.sp - callee.targetIndex + 1;
    bool started = first + count <= stack.Capacity();
    if (started) {
        stack.Push(callee.me);
        for (int32_t i = callee.targetIndex + 1; i <= s.sp; ++i) stack.Push(s.slots[i]);
        started = stack.PushFrame(callee.function, 0);
        if (!started) stack.SetStackPointer(first - 1);
    }
    // A thread without its frame keeps an empty stack (its first run ends
    // it); the counts it would have owned are given back.
    if (!started) DropThreadStart(callee.function, callee.me, s.slots + callee.targetIndex);
    s.sp = callee.targetIndex - 1;
    return true;
}

bool CallBase(GSRunState& s) {
    const uint8_t* opcode = s.pc - 1;
    const int16_t depth = s.I16();
    s.WriteBack();
    int32_t targetIndex = 0;
    if (!TargetIndex(s, depth, targetIndex)) return false;
    const GSDataRef target = s.slots[targetIndex];
    if (!target) return s.Raise(ER_NullReference);
    const GSFunction* base = s.function ? s.function->overridden : nullptr;
    if (!base) return s.Raise(ER_NullReference);
    if (!Fits(s, base, depth) || !HasCode(base)) return s.Raise(ER_LinkError);
    if (!Verified(s, opcode, base, targetIndex)) return false;
    const GSScriptInstance* header = GSScriptInstance::FromReference(target);
    const uint64_t viewOffset = uint64_t(GSScriptInstance::ViewOffset(target)) + s.function->baseOffset;
    if (!header->cls || viewOffset >= header->cls->DataSlotCount()) return s.Raise(ER_LinkError);
    // The base's view must be one the instance's class lays out there.
    const uint8_t* kinds = header->cls->DataSlotKinds();
    if (!kinds || kinds[viewOffset] != GSClass::kDataViewStart) return s.Raise(ER_LinkError);
    const GSDataRef view = GSOffsetReference(target, s.function->baseOffset);
    s.library = base->library;
    const int32_t returnOffset = OffsetOf(s, opcode) + kBaseCallLength;
    // The base's frame is pushed before the run is charged.
    if (!s.stack->PushFrame(base, returnOffset)) return s.Raise(ER_StackOverflow);
    SetFrameMe(s, view);
    if (!s.Charge(opcode)) return false;
    return Continue(s, 0);
}

// 109 to 111 (GSCallFastPath.h).
template <bool WithValue>
bool Return(GSRunState& s) {
    return GSReturn<WithValue>(s);
}

}  // namespace

bool GSStringsCallNative(GSRunState& s) { return StringsCallNative(s); }

void GSInstallCallHandlers(GSOpHandler* table) {
    table[OP_Call] = &Call;
    table[OP_CallNative] = &CallNative;
    table[OP_CallThread] = &CallThread;
    table[OP_CallBase] = &CallBase;
    table[OP_Return] = &Return<false>;
    table[OP_ReturnValue] = &Return<true>;
    table[OP_ReturnRef] = &Return<true>;
}

}  // namespace GSRuntime
