#pragma once
// GSStack: the value stack of one script thread: 1024 slots of 32 bits
// holding the operand values of the running code, the locals of every
// active function and the four-slot header of every call frame. Positions
// are slot indices: the stack pointer designates the top slot (-1 when the
// stack is empty) and the current frame is the index of the innermost
// frame's header (-1 when there is none).
//
// Frame layout, for a function with a argument slots (`me` and the
// arguments), L locals and temporaries and an operand stack at most D deep,
// pushed when the caller's `me` and arguments are the top a slots (the last
// argument at index t):
//
//     t - (a - 1)        local 0, `me` (the locals base)
//     .. t               locals 1 .. a - 1, the arguments
//     t + 1 .. t + L     the declared locals and temporaries, zeroed
//     t + L + 1 .. + 4   the header: the function's number in the machine's
//                        function table, the return offset, the previous
//                        frame's header index (-1: none), the locals base
//     above              the operand stack; empty when the stack pointer
//                        designates header slot 3
//
// A frame owns `me` and the reference slots its function lists; ending the
// frame releases them. A frame the interpreter pushed for a call on its
// caller's own `me` may instead borrow `me` (FrameBorrowsMe): the caller's
// frame, which lives longer, keeps the instance's count, so ending the
// borrowing frame leaves the count alone. Its function never stores into
// `me` (GSFunction::keepsMe), so the slot holds the borrowed value until
// the frame ends.
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "gsruntime/GSDataReference.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSFunctionTable.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSTrackedObjectRegistry.h"

namespace GSRuntime {

class GSClass;
class GSContext;
class GSObjectReference;

class GSStack {
public:
    static constexpr int32_t kCapacity = 1024;
    static constexpr int32_t kNone = -1;

    // An empty stack with its 1024 slots (none, and every push refused,
    // when they cannot be allocated).
    GSStack();
    // Clear, then the slots are freed.
    virtual ~GSStack();
    GSStack(const GSStack&) = delete;
    GSStack& operator=(const GSStack&) = delete;

    // Pushes a frame for `function` above the top slot. False, the stack
    // unchanged, when the frame does not fit (top index + slots needed must
    // stay below 1024; "GSStack overflow..." and the frames' functions are
    // logged) or when fewer than the function's argument slots are on the
    // stack.
    bool PushFrame(const GSFunction* function, int32_t returnOffset);
    // PushFrame for a call of the interpreter that has made its checks: the
    // function is numbered, its argument slots are the top ones at `top`
    // and top + slotsNeeded is below the capacity. The header's index. The
    // stack pointer is left to the caller (top + frameSize), which keeps
    // it while code runs and writes it back before anything looks at the
    // stack. `borrowsMe`: the frame's `me` will hold no count of its own.
    int32_t PushCheckedFrame(const GSFunction* function, int32_t top, int32_t returnOffset, bool borrowsMe) {
        const int32_t header = top + static_cast<int32_t>(function->headerOffset);
        for (int32_t i = top + 1; i < header; ++i) m_slots[i] = 0;
        m_slots[header] = function->tableIndex;
        m_slots[header + 1] = static_cast<uint32_t>(returnOffset);
        m_slots[header + 2] = static_cast<uint32_t>(m_frame);
        m_slots[header + 3] = static_cast<uint32_t>(top + function->argumentOffset);
        m_frame = header;
        m_borrowed[header] = borrowsMe;
        return header;
    }
    // The end of the current frame, `frame`, for a return with a value
    // whose caller has done the rest of ReturnValue(false): the value is in
    // `me`'s place at `base`, whose count is gone, and the frame lists no
    // reference slot. The result shape is `shape`. The stack pointer (base)
    // is the caller's to keep, as with PushCheckedFrame, and the caller
    // continues at the return offset itself (ReturnOffset is what PopFrame
    // and ReturnValue leave).
    void EndCheckedFrame(int32_t frame, int32_t base, uint8_t shape) {
        m_shapes[base] = shape;
        m_frame = FramePrevious(frame);
    }
    // Ends the current frame of a function without a result. False when
    // there is no frame or its operand stack is not empty.
    bool PopFrame();
    // Ends the current frame of a function with a result: the top value
    // takes the place of the frame's `me` (a reference keeps its count). A
    // native frame with an empty operand stack returns 0. False, with
    // "GSStack::ReturnValue> diff=%d" logged for a wrong height, otherwise.
    bool ReturnValue(bool native);
    // Ends every frame, innermost first, and empties the stack. References
    // on operand stacks are not released.
    void Clear();
    // While another context is torn down: every frame zeroes and releases
    // (a borrowed one: only zeroes) its `me`, its reference locals and the references on its operand
    // stack that are tracked by `dying`, so that the thread finds null
    // there when it runs again. The operand-stack slots that hold
    // references are those its function's pause map names for the offset
    // the frame stands at: the return offset of the frame above it, and
    // `pausedAt` for the innermost frame (-1 when unknown, as while the
    // thread runs; that frame's operand stack is then left as it is).
    void CutReferencesInto(const GSTrackedObjectRegistry& dying, int32_t pausedAt = kNone);
    // Writes "function %s, line %d" for every frame, innermost first, to the
    // script log.
    void Dump() const;
    // The context of the innermost frame whose `me` belongs to one; null.
    // Inline for the usual case, the innermost frame's `me` in a context
    // (the interpreter asks on every call and return).
    GSContext* GetContext() const {
        if (m_frame != kNone) {
            if (const GSDataRef me = m_slots[FrameLocalsBase(m_frame)]) {
                if (GSContext* context = GSTrackedObjectRegistry::GetContext(GSScriptInstance::FromReference(me)))
                    return context;
            }
        }
        return SearchContext();
    }

    // Pushes: each raises the stack pointer by one and writes the slot.
    // False, nothing pushed, on a full stack ("GSStack overflow..." logged);
    // a count that was handed over with the value is then released.
    bool Push(uint32_t value);
    bool PushFloat(float value);
    // A new string of `context` holding the text; its creation count goes
    // to the stack. Null is pushed when no string can be made.
    bool PushPString(GSContext* context, const Vek::PString& text);
    bool PushString(GSContext* context, const Vek::String& text);
    // The object's reference, cast to `cls` when one is given (null when
    // the object is not of it); a non-null result gains a count.
    bool PushObject(GSObjectReference* object, const GSClass* cls);
    // The same, the caller handing over its creation count (released when
    // the cast gives null).
    bool PushNewObject(GSObjectReference* object, const GSClass* cls);
    // A reference cast to `cls` when one is given; counts untouched.
    bool PushCast(GSDataRef reference, const GSClass* cls);

    int32_t StackPointer() const { return m_top; }
    void SetStackPointer(int32_t top) { m_top = top; }
    int32_t CurrentFrame() const { return m_frame; }
    void SetCurrentFrame(int32_t frame) { m_frame = frame; }
    int32_t ReturnOffset() const { return m_returnOffset; }
    int32_t Capacity() const { return m_capacity; }
    uint32_t* Slots() { return m_slots; }
    uint32_t Slot(int32_t index) const { return m_slots[index]; }
    uint32_t Top() const { return m_slots[m_top]; }
    // The result shape (kGSShapeValue or kGSShapeReference, 0 for none
    // known) of the function whose return last wrote slot `index`: what the
    // declared result type of the function called there says. Only a slot
    // a return wrote, and nothing moved since, is asked (the call contracts
    // say which).
    uint8_t ResultShapeAt(int32_t index) const {
        return index >= 0 && index < m_capacity && m_shapes ? m_shapes[index] : 0;
    }

    // The parts of a frame header.
    const GSFunction* FrameFunction(int32_t frame) const {
        const GSFunctionTable* table = GSFunctionTable::MachineTable();
        return table ? table->Get(m_slots[frame]) : MachineFunction(m_slots[frame]);
    }
    int32_t FrameReturnOffset(int32_t frame) const { return static_cast<int32_t>(m_slots[frame + 1]); }
    int32_t FramePrevious(int32_t frame) const { return static_cast<int32_t>(m_slots[frame + 2]); }
    int32_t FrameLocalsBase(int32_t frame) const { return static_cast<int32_t>(m_slots[frame + 3]); }
    // Whether the frame's `me` is borrowed from its caller's frame.
    bool FrameBorrowsMe(int32_t frame) const { return m_borrowed[frame]; }
    // Local slot k of the current frame (k = 0 is `me`, 1.. the arguments);
    // 0 without a frame. (Inline: natives read every argument through it.)
    uint32_t Local(int32_t k) const {
        if (m_frame == kNone) return 0;
        const int64_t index = int64_t(FrameLocalsBase(m_frame)) + k;
        return index >= 0 && index < m_capacity ? m_slots[index] : 0;
    }

private:
    // Ends a frame's counts: its reference slots, last first, then `me`.
    void ReleaseFrame(int32_t frame) { ReleaseFrame(frame, FrameFunction(frame)); }
    // The same, with the frame's function already looked up.
    void ReleaseFrame(int32_t frame, const GSFunction* function) {
        const int32_t base = FrameLocalsBase(frame);
        if (function) {
            for (uint32_t i = function->referenceSlotCount; i-- > 0;) {
                uint32_t& slot = m_slots[base + function->ReferenceSlot(i)];
                const GSDataRef value = slot;
                slot = 0;
                GSScriptInstance::ReleaseReference(value);
            }
        }
        const GSDataRef me = m_slots[base];
        m_slots[base] = 0;
        if (!m_borrowed[frame]) GSScriptInstance::ReleaseReference(me);
    }
    GSContext* SearchContext() const;
    static const GSFunction* MachineFunction(uint32_t index);
    void LogOverflow() const;
    static void LogReturnHeight(int32_t n);

    int32_t m_returnOffset = 0;
    int32_t m_top = kNone;
    uint32_t* m_slots = nullptr;
    uint8_t* m_shapes = nullptr;  // beside m_slots: see ResultShapeAt
    bool* m_borrowed = nullptr;  // by frame header index: see FrameBorrowsMe
    int32_t m_capacity = 0;
    int32_t m_frame = kNone;
};

// The frame operations run on every script call and return: inline.

inline bool GSStack::PushFrame(const GSFunction* function, int32_t returnOffset) {
    if (!function || !function->tableIndex) return false;
    const int64_t top = m_top;
    // `me` and the arguments must be on the stack: they become the frame's
    // first locals.
    if (top + 1 < int64_t(function->argumentSlotCount)) return false;
    if (top + int64_t(function->slotsNeeded) >= m_capacity) {
        LogOverflow();
        return false;
    }
    // The declared locals and temporaries start at zero; the header is
    // written below, and the operand stack above it is written before it
    // is read.
    const int64_t header = top + function->headerOffset;
    for (int64_t i = top + 1; i < header; ++i) m_slots[i] = 0;
    m_slots[header] = function->tableIndex;
    m_slots[header + 1] = static_cast<uint32_t>(returnOffset);
    m_slots[header + 2] = static_cast<uint32_t>(m_frame);
    m_slots[header + 3] = static_cast<uint32_t>(top + function->argumentOffset);
    m_borrowed[header] = false;
    m_frame = static_cast<int32_t>(header);
    m_top = static_cast<int32_t>(top + function->frameSize);
    return true;
}

inline bool GSStack::PopFrame() {
    if (m_frame == kNone) return false;
    const int32_t frame = m_frame;
    if (m_top != frame + 3) return false;
    ReleaseFrame(frame);
    m_top = FrameLocalsBase(frame) - 1;
    m_returnOffset = FrameReturnOffset(frame);
    m_frame = FramePrevious(frame);
    return true;
}

inline bool GSStack::ReturnValue(bool native) {
    if (m_frame == kNone) return false;
    const int32_t frame = m_frame;
    const int32_t n = m_top - frame;
    uint32_t value = 0;
    if (!(native && n == 3)) {
        if (n != 4) {
            LogReturnHeight(n);
            return false;
        }
        value = m_slots[m_top];
    }
    const GSFunction* function = FrameFunction(frame);
    const uint8_t shape = function ? function->resultShape : 0;
    ReleaseFrame(frame, function);
    const int32_t base = FrameLocalsBase(frame);
    m_top = base;
    m_slots[base] = value;
    m_shapes[base] = shape;
    m_returnOffset = FrameReturnOffset(frame);
    m_frame = FramePrevious(frame);
    return true;
}

}  // namespace GSRuntime
