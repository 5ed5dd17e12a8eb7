// GSThread::Execute: the run loop of the bytecode interpreter, its entry
// and exits, and the execution budget.

#include "gsruntime/interpreter/GSInterpreter.h"

#include "engine/AnsiString.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSLog.h"
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/interpreter/GSCallFastPath.h"
#include "gsruntime/interpreter/GSDispatchTable.h"
#include "gsruntime/interpreter/GSFrequentOps.h"
#include "gsruntime/interpreter/GSScalarOps.h"
#include "gsruntime/interpreter/GSSuperInstructions.h"
#include "gsruntime/interpreter/GSThread.h"
#include "gscompiler/bytecode/GSBytecode.h"

namespace GSRuntime {

namespace {

int32_t g_depth = 0;
uint64_t& g_bytes = g_gsExecutedBytes;

// One run of Execute: entering it counts a nesting level (the outermost
// starts the budget at 0) and keeps the current thread and context aside;
// every way out restores them.
class RunScope {
public:
    RunScope() : m_thread(GSCurrentThread()), m_context(GSCurrentContext()) {
        if (g_depth == 0) g_bytes = 0;
        ++g_depth;
    }
    ~RunScope() {
        if (!m_ended) --g_depth;
        GSSetCurrentThread(m_thread);
        GSSetCurrentContext(m_context);
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

    // The run is over: the bytes of its last straight-line run are counted
    // and its nesting level goes.
    void End(const GSRunState& s) {
        if (m_ended) return;
        m_ended = true;
        if (s.pc && s.runStart) g_bytes += static_cast<uint64_t>(s.pc - s.runStart);
        --g_depth;
    }

private:
    GSThread* m_thread;
    GSContext* m_context;
    bool m_ended = false;
};

// The error end of a run: the thread exception is reported (log line, host
// callback, stack dump), the thread dies and its stack is cleared.
int32_t EndWithError(GSThread& thread, GSRunState& s, int32_t code) {
    GSStack& stack = thread.Stack();
    const int32_t offset = s.pc && s.code ? static_cast<int32_t>(s.pc - s.code) : 0;
    const int32_t line = s.function ? s.function->LineAt(offset) : -1;
    Vek::String message;
    message.Format("Thread Exception: %s, line %d, file %s", GSThreadResultName(code), line,
                   s.library ? s.library->GetName() : "");
    GSLog("%s", message.c_str());
    if (GSThread::HostExceptionCallback callback = GSThread::GetHostExceptionCallback())
        callback(message.c_str(), &stack, thread.GameObjectConcerned(true), false);
    thread.SetState(GSThread::kDead);
    stack.SetStackPointer(s.sp);
    if (GSLogCallback) {
        GSLog("Stack Dump...");
        stack.Dump();
    }
    stack.Clear();
    return code;
}


// Runs verified code (the running function has a checked maximum depth)
// with threaded dispatch: the program counter and the stack pointer live in
// locals, each instruction jumps straight to the next one's label, and the
// frequent instructions are done here without stack checks. The rest go
// through the unchecked half of the dispatch table, with the registers
// written back to the run state around the call. True when the run goes on
// in a function that was not verified (the caller continues with checked
// dispatch); false when the run ended (the code is in the run state).
bool RunVerified(GSRunState& s, const GSOpHandler* table) {
    static const void* labels[kGSDispatchEntries];
    static bool ready = false;
    if (!ready) {
        for (const void*& label : labels) label = &&other;
        labels[OP_AddInt] = &&addInt;
        labels[OP_SubInt] = &&subInt;
        labels[OP_MulInt] = &&mulInt;
        labels[OP_ModInt] = &&modInt;
        labels[OP_IncInt] = &&incInt;
        labels[OP_DecInt] = &&decInt;
        labels[OP_CompareInt] = &&compareInt;
        labels[OP_PushZero] = &&pushZero;
        labels[OP_PushOne] = &&pushOne;
        labels[OP_PushConst] = &&pushConst;
        labels[OP_LoadLocal] = &&loadLocal;
        labels[OP_StoreLocal] = &&storeLocal;
        labels[OP_StoreLocalKeep] = &&storeLocalKeep;
        labels[OP_Pop] = &&pop;
        labels[OP_Dup] = &&dup;
        labels[OP_Jump] = &&jump;
        labels[OP_JumpIfZero] = &&jumpIfZero;
        labels[OP_JumpIfNotZero] = &&jumpIfNotZero;
        labels[OP_JumpIfLess] = &&jumpIfLess;
        labels[OP_JumpIfLessEqual] = &&jumpIfLessEqual;
        labels[OP_JumpIfGreater] = &&jumpIfGreater;
        labels[OP_JumpIfGreaterEqual] = &&jumpIfGreaterEqual;
        labels[OP_IsLess] = &&isLess;
        labels[OP_IsLessEqual] = &&isLessEqual;
        labels[OP_IsGreater] = &&isGreater;
        labels[OP_IsGreaterEqual] = &&isGreaterEqual;
        labels[OP_LoadLocalRef] = &&loadLocalRef;
        labels[OP_StoreLocalRef] = &&storeLocalRef;
        labels[OP_StoreLocalRefKeep] = &&storeLocalRefKeep;
        labels[OP_PopRef] = &&popRef;
        labels[OP_ArrayGet] = &&arrayGet;
        labels[OP_ArraySet] = &&arraySet;
        labels[OP_ArraySetKeep] = &&arraySetKeep;
        labels[OP_Call] = &&call;
        labels[OP_Return] = &&returnVoid;
        labels[OP_ReturnValue] = &&returnValue;
        labels[OP_ReturnRef] = &&returnValue;
        labels[OPX_IncLocal] = &&incLocal;
        labels[OPX_DecLocal] = &&decLocal;
        const void* const tests[3][4] = {
            {&&jumpUnlessLess, &&jumpUnlessLessEqual, &&jumpUnlessGreater, &&jumpUnlessGreaterEqual},
            {&&jumpUnlessLocalsLess, &&jumpUnlessLocalsLessEqual, &&jumpUnlessLocalsGreater,
             &&jumpUnlessLocalsGreaterEqual},
            {&&jumpUnlessLocalConstLess, &&jumpUnlessLocalConstLessEqual, &&jumpUnlessLocalConstGreater,
             &&jumpUnlessLocalConstGreaterEqual}};
        const uint8_t families[3] = {OPX_JumpUnlessLess, OPX_JumpUnlessLocalsLess, OPX_JumpUnlessLocalConstLess};
        for (int family = 0; family < 3; ++family)
            for (int test = 0; test < 4; ++test) labels[families[family] + test] = tests[family][test];
        labels[OPX_LoadLocalPair] = &&loadLocalPair;
        labels[OPX_AddConst] = &&addConst;
        labels[OPX_SubConst] = &&subConst;
        labels[OPX_MulConst] = &&mulConst;
        labels[OPX_ModConst] = &&modConst;
        labels[OPX_AddOne] = &&addOne;
        labels[OPX_SubOne] = &&subOne;
        labels[OPX_AddStoreLocal] = &&addStoreLocal;
        labels[OPX_LocalArrayGet] = &&localArrayGet;
        labels[OPX_LoadRefAndLocal] = &&loadRefAndLocal;
        labels[OPX_ReturnLocal] = &&returnLocal;
        labels[OPX_ReturnConst] = &&returnConst;
        labels[OPX_ReturnSum] = &&returnSum;
        labels[OPX_SubOneCall] = &&subOneCall;
        labels[OPX_SubConstCall] = &&subConstCall;
        labels[OPX_MeSubOneCall] = &&meSubOneCall;
        labels[OPX_MeSubConstCall] = &&meSubConstCall;
        for (uint32_t op = OPX_ConcatBeforeStore; op < OPX_StringsCallNative; ++op) labels[op] = &&concatBeforeStore;
        ready = true;
    }
    namespace S = GSScalar;
    const GSOpHandler* const unchecked = table + kGSDispatchEntries;
    uint32_t* const slots = s.slots;
    uint32_t* locals = slots + s.localsBase;
    const uint8_t* pc = s.pc;
    int32_t sp = s.sp;
    const uint8_t* opcode = nullptr;
    int32_t target = 0;
    int32_t value = 0;

#define GS_NEXT goto* labels[*pc++]
#define GS_INT(at) static_cast<int32_t>(slots[at])
#define GS_SLOT(at) GSCodeHalf(at)
#define GS_BINARY(op)                                                             \
    --sp;                                                                         \
    slots[sp] = static_cast<uint32_t>(op(GS_INT(sp), GS_INT(sp + 1)));            \
    GS_NEXT
#define GS_UNARY(op)                                                              \
    slots[sp] = static_cast<uint32_t>(op(GS_INT(sp)));                            \
    GS_NEXT
// A taken jump charges the run up to its opcode to the budget.
#define GS_TRANSFER                                                               \
    s.pc = pc;                                                                    \
    if (!s.Charge(opcode)) goto raised;                                           \
    pc = s.code + static_cast<uint32_t>(target);                                  \
    s.runStart = pc;                                                              \
    GS_NEXT
// A superinstruction of a comparison, its test and a conditional jump
// (pc is past the comparison): the jump's opcode is the byte after the
// test, its target after that.
#define GS_JUMP_UNLESS(test)                                                      \
    value = S::CompareInt(GS_INT(sp - 1), GS_INT(sp));                            \
    sp -= 2;                                                                      \
    opcode = pc + 1;                                                              \
    target = GSCodeWord(pc + 2);                                                  \
    pc += 6;                                                                      \
    if (test) GS_NEXT;                                                            \
    GS_TRANSFER
// The same after the load of a local and of another local (or a constant)
// as the comparison's operands: its operands are at pc and pc + 3, the
// jump's opcode `at` bytes past pc, the next instruction `length` bytes.
#define GS_JUMP_UNLESS_ON(other, at, length, test)                                \
    value = S::CompareInt(static_cast<int32_t>(locals[GS_SLOT(pc)]), other);      \
    opcode = pc + (at);                                                           \
    target = GSCodeWord(pc + (at) + 1);                                           \
    pc += (length);                                                               \
    if (test) GS_NEXT;                                                            \
    GS_TRANSFER
#define GS_JUMP_UNLESS_LOCALS(test) GS_JUMP_UNLESS_ON(static_cast<int32_t>(locals[GS_SLOT(pc + 3)]), 7, 12, test)
#define GS_JUMP_UNLESS_LOCAL_CONST(test) GS_JUMP_UNLESS_ON(GSCodeWord(pc + 3), 9, 14, test)
// The four superinstructions of a family, one per test of the comparison
// result `value`, in the order of OP_IsLess to OP_IsGreaterEqual.
#define GS_FOUR_TESTS(name, jumpUnless) \
    name##Less : jumpUnless(value < 0); \
    name##LessEqual : jumpUnless(value <= 0); \
    name##Greater : jumpUnless(value > 0); \
    name##GreaterEqual : jumpUnless(value >= 0);
// A superinstruction of a constant and an operation on the top.
#define GS_WITH_CONST(op, constant, length)                                       \
    slots[sp] = static_cast<uint32_t>(op(GS_INT(sp), constant));                  \
    pc += length;                                                                 \
    GS_NEXT
#define GS_JUMP_IF(test)                                                          \
    opcode = pc - 1;                                                              \
    target = GSCodeWord(pc);                                                      \
    pc += 4;                                                                      \
    value = GS_INT(sp);                                                           \
    --sp;                                                                         \
    if (!(test)) GS_NEXT;                                                         \
    GS_TRANSFER
// A frequent instruction whose body touches counts or arrays runs in place
// on the run state; it neither changes frames nor jumps.
#define GS_IN_PLACE(body)                                                         \
    s.pc = pc;                                                                    \
    s.sp = sp;                                                                    \
    if (!body(s)) return false;                                                   \
    pc = s.pc;                                                                    \
    sp = s.sp;                                                                    \
    GS_NEXT

    GS_NEXT;
addInt:
    GS_BINARY(S::AddInt);
subInt:
    GS_BINARY(S::SubInt);
mulInt:
    GS_BINARY(S::MulInt);
compareInt:
    GS_BINARY(S::CompareInt);
modInt:
    // A zero divisor raises before anything is popped.
    if (slots[sp] == 0) {
        s.pc = pc;
        s.sp = sp;
        return s.Raise(ER_DivideByZero);
    }
    GS_BINARY(S::ModInt);
incInt:
    GS_UNARY(S::IncInt);
decInt:
    GS_UNARY(S::DecInt);
isLess:
    GS_UNARY(S::IsLess);
isLessEqual:
    GS_UNARY(S::IsLessEqual);
isGreater:
    GS_UNARY(S::IsGreater);
isGreaterEqual:
    GS_UNARY(S::IsGreaterEqual);
pushZero:
    slots[++sp] = 0;
    GS_NEXT;
pushOne:
    slots[++sp] = 1;
    GS_NEXT;
pushConst:
    slots[++sp] = static_cast<uint32_t>(GSCodeWord(pc));
    pc += 4;
    GS_NEXT;
loadLocal:
    slots[++sp] = locals[GS_SLOT(pc)];
    pc += 2;
    GS_NEXT;
storeLocal:
    locals[GS_SLOT(pc)] = slots[sp--];
    pc += 2;
    GS_NEXT;
storeLocalKeep:
    locals[GS_SLOT(pc)] = slots[sp];
    pc += 2;
    GS_NEXT;
pop:
    --sp;
    GS_NEXT;
dup:
    slots[sp + 1] = slots[sp];
    ++sp;
    GS_NEXT;
jump:
    opcode = pc - 1;
    target = GSCodeWord(pc);
    pc += 4;
    GS_TRANSFER;
jumpIfZero:
    GS_JUMP_IF(value == 0);
jumpIfNotZero:
    GS_JUMP_IF(value != 0);
jumpIfLess:
    GS_JUMP_IF(value < 0);
jumpIfLessEqual:
    GS_JUMP_IF(value <= 0);
jumpIfGreater:
    GS_JUMP_IF(value > 0);
jumpIfGreaterEqual:
    GS_JUMP_IF(value >= 0);
loadLocalRef:
    value = static_cast<int32_t>(locals[GS_SLOT(pc)]);
    pc += 2;
    GSFrequentOps::AddCount(static_cast<GSDataRef>(value));
    slots[++sp] = static_cast<uint32_t>(value);
    GS_NEXT;
storeLocalRef:
    GS_IN_PLACE(GSFrequentOps::StoreLocalRef<false>);
storeLocalRefKeep:
    GS_IN_PLACE(GSFrequentOps::StoreLocalRef<true>);
popRef:
    GS_IN_PLACE(GSFrequentOps::PopRef);
arrayGet:
    GS_IN_PLACE(GSFrequentOps::ArrayGet);
arraySet:
    GS_IN_PLACE(GSFrequentOps::ArraySet<false>);
arraySetKeep:
    GS_IN_PLACE(GSFrequentOps::ArraySet<true>);
incLocal:
    locals[GS_SLOT(pc)] = static_cast<uint32_t>(S::IncInt(static_cast<int32_t>(locals[GS_SLOT(pc)])));
    pc += 8;
    GS_NEXT;
decLocal:
    locals[GS_SLOT(pc)] = static_cast<uint32_t>(S::DecInt(static_cast<int32_t>(locals[GS_SLOT(pc)])));
    pc += 8;
    GS_NEXT;
    GS_FOUR_TESTS(jumpUnless, GS_JUMP_UNLESS)
    GS_FOUR_TESTS(jumpUnlessLocals, GS_JUMP_UNLESS_LOCALS)
    GS_FOUR_TESTS(jumpUnlessLocalConst, GS_JUMP_UNLESS_LOCAL_CONST)
loadLocalPair:
    slots[sp + 1] = locals[GS_SLOT(pc)];
    slots[sp + 2] = locals[GS_SLOT(pc + 3)];
    sp += 2;
    pc += 5;
    GS_NEXT;
addConst:
    GS_WITH_CONST(S::AddInt, GSCodeWord(pc), 5);
subConst:
    GS_WITH_CONST(S::SubInt, GSCodeWord(pc), 5);
mulConst:
    GS_WITH_CONST(S::MulInt, GSCodeWord(pc), 5);
modConst:
    GS_WITH_CONST(S::ModInt, GSCodeWord(pc), 5);
addOne:
    GS_WITH_CONST(S::AddInt, 1, 1);
subOne:
    GS_WITH_CONST(S::SubInt, 1, 1);
addStoreLocal:
    locals[GS_SLOT(pc + 1)] = static_cast<uint32_t>(S::AddInt(GS_INT(sp - 1), GS_INT(sp)));
    sp -= 2;
    pc += 3;
    GS_NEXT;
loadRefAndLocal:
    value = static_cast<int32_t>(locals[GS_SLOT(pc)]);
    if (value) GSScriptInstance::FromLiveReference(static_cast<GSDataRef>(value))->count += 1;
    slots[sp + 1] = static_cast<uint32_t>(value);
    slots[sp + 2] = locals[GS_SLOT(pc + 3)];
    sp += 2;
    pc += 5;
    GS_NEXT;
// A value and the return after it: the return's opcode is then at pc - 1.
returnLocal:
    slots[++sp] = locals[GS_SLOT(pc)];
    pc += 3;
    goto returnValue;
returnConst:
    slots[++sp] = static_cast<uint32_t>(GSCodeWord(pc));
    pc += 5;
    goto returnValue;
returnSum:
    --sp;
    slots[sp] = static_cast<uint32_t>(S::AddInt(GS_INT(sp), GS_INT(sp + 1)));
    pc += 1;
    goto returnValue;
localArrayGet: {
    // The local keeps its count while the element is read, so the
    // reference is borrowed; anything but a read in bounds runs the plain
    // instructions.
    const GSArray* array = GSArray::FromReference(locals[GS_SLOT(pc)]);
    uint32_t element = 0;
    if (!array || !array->GetElementValue(static_cast<int32_t>(locals[GS_SLOT(pc + 3)]), element)) goto loadLocalRef;
    slots[++sp] = element;
    pc += 6;
    GS_NEXT;
}
concatBeforeStore:
    // The store's local operand lies past its opcode, which the
    // superinstruction's number places.
    s.pc = pc;
    s.sp = sp;
    if (!GSFrequentOps::ConcatIntoLocal(s, GS_SLOT(pc + (pc[-1] - OPX_ConcatBeforeStore) + 1))) {
        if (!unchecked[OP_ConcatString](s)) return false;
    }
    sp = s.sp;
    GS_NEXT;
// An argument less a constant and the call after it: the call's operands
// are then at pc.
subOneCall:
    slots[sp] = static_cast<uint32_t>(S::SubInt(GS_INT(sp), 1));
    pc += 2;
    goto call;
subConstCall:
    slots[sp] = static_cast<uint32_t>(S::SubInt(GS_INT(sp), GSCodeWord(pc)));
    pc += 6;
    goto call;
// A call on the frame's own `me` with a local less a constant: `me` is
// pushed without a count for a callee that borrows it; when the call
// cannot borrow, `me` takes its count and the call runs as the plain one
// (the stack is then what the plain instructions leave).
meSubOneCall:
    value = static_cast<int32_t>(S::SubInt(static_cast<int32_t>(locals[GS_SLOT(pc + 3)]), 1));
    pc += 8;
    goto meCall;
meSubConstCall:
    value = static_cast<int32_t>(S::SubInt(static_cast<int32_t>(locals[GS_SLOT(pc + 3)]), GSCodeWord(pc + 6)));
    pc += 12;
meCall:
    slots[sp + 1] = locals[0];
    slots[sp + 2] = static_cast<uint32_t>(value);
    sp += 2;
    if (GSFastCall<true>(s, pc, sp, locals[0])) {
        locals = slots + s.localsBase;
        GS_NEXT;
    }
    if (locals[0]) GSScriptInstance::FromLiveReference(locals[0])->count += 1;
call:
    if (GSFastCall<false>(s, pc, sp)) {
        locals = slots + s.localsBase;
        GS_NEXT;
    }
    goto other;
returnVoid:
    s.pc = pc;
    s.sp = sp;
    if (!GSReturn<false>(s)) return false;
    goto entered;
returnValue:
    if (GSFastReturnValue(s, pc, sp)) {
        locals = slots + s.localsBase;
        GS_NEXT;
    }
    s.pc = pc;
    s.sp = sp;
    if (!GSReturn<true>(s)) return false;
    goto entered;
other:
    s.pc = pc;
    s.sp = sp;
    if (!unchecked[pc[-1]](s)) return false;
entered:
    pc = s.pc;
    sp = s.sp;
    locals = slots + s.localsBase;
    if (s.function->maxStackDepth < 0) return true;
    GS_NEXT;
raised:
    s.sp = sp;
    return false;

#undef GS_IN_PLACE
#undef GS_JUMP_IF
#undef GS_WITH_CONST
#undef GS_FOUR_TESTS
#undef GS_JUMP_UNLESS
#undef GS_JUMP_UNLESS_LOCAL_CONST
#undef GS_JUMP_UNLESS_LOCALS
#undef GS_JUMP_UNLESS_ON
#undef GS_SLOT
#undef GS_TRANSFER
#undef GS_UNARY
#undef GS_BINARY
#undef GS_INT
#undef GS_NEXT
}

}  // namespace

int32_t GSExecutionDepth() { return g_depth; }

uint64_t GSExecutedBytes() { return g_bytes; }

int32_t GSThread::Execute(float dt) {
    // A blocked thread answers at once and changes nothing else.
    if (m_state == kWaiting) {
        if (m_sleepTime == 0.0f) return ER_Blocked;
        m_sleepTime -= dt;
        if (m_sleepTime > 0.0f) return ER_Blocked;
        m_sleepTime = 0.0f;
    }

    RunScope scope;
    ++m_runs;
    WithdrawBlocks();
    GSSetCurrentThread(this);
    GSSetCurrentContext(m_stack.GetContext());
    m_state = kRunnable;

    GSRunState s;
    s.thread = this;
    s.stack = &m_stack;
    s.slots = m_stack.Slots();
    s.capacity = m_stack.Capacity();
    s.sp = m_stack.StackPointer();
    if (s.slots && s.EnterFrame(m_resumeOffset) && (s.Me() != 0 || s.Raise(ER_NullReference))) {
        const GSOpHandler* table = GSDispatchTable();
        // Verified functions run threaded and unchecked; the others one
        // checked instruction at a time, until a call or return enters a
        // verified one.
        bool going = true;
        while (going) {
            if (s.function->maxStackDepth >= 0) {
                going = RunVerified(s, table);
            } else {
                do {
                    going = table[*s.pc++](s);
                } while (going && s.function->maxStackDepth < 0);
            }
        }
    } else if (!s.slots) {
        s.Raise(ER_NoStackFrame);
    }
    const int32_t code = s.result;
    scope.End(s);
    --m_runs;
    if (code == ER_Done || code == ER_Blocked) return code;
    return EndWithError(*this, s, code);
}

}  // namespace GSRuntime
