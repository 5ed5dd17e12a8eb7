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
// frame releases them.
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "gsruntime/GSDataReference.h"

namespace GSRuntime {

class GSClass;
class GSContext;
class GSFunction;
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
    // Writes "function %s, line %d" for every frame, innermost first, to the
    // script log.
    void Dump() const;
    // The context of the innermost frame whose `me` belongs to one; null.
    GSContext* GetContext() const;

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
    const GSFunction* FrameFunction(int32_t frame) const;
    int32_t FrameReturnOffset(int32_t frame) const { return static_cast<int32_t>(m_slots[frame + 1]); }
    int32_t FramePrevious(int32_t frame) const { return static_cast<int32_t>(m_slots[frame + 2]); }
    int32_t FrameLocalsBase(int32_t frame) const { return static_cast<int32_t>(m_slots[frame + 3]); }
    // Local slot k of the current frame (k = 0 is `me`, 1.. the arguments);
    // 0 without a frame.
    uint32_t Local(int32_t k) const;

private:
    void ReleaseFrame(int32_t frame);
    void LogOverflow() const;

    int32_t m_returnOffset = 0;
    int32_t m_top = kNone;
    uint32_t* m_slots = nullptr;
    uint8_t* m_shapes = nullptr;  // beside m_slots: see ResultShapeAt
    int32_t m_capacity = 0;
    int32_t m_frame = kNone;
};

}  // namespace GSRuntime
