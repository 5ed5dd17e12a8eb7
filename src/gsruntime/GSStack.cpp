#include "gsruntime/GSStack.h"

#include <algorithm>
#include <cstring>

#include "engine/Alloc.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSLog.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSObjectReference.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSScriptMemoryAccount.h"
#include "gsruntime/GSScriptMemoryBudget.h"
#include "gsruntime/GSString.h"
#include "gsruntime/GSTrackedObjectRegistry.h"
#include "gsruntime/GSExecutionBudget.h"

namespace GSRuntime {

GSStack::GSStack() {
    m_slots = static_cast<uint32_t*>(Vek::Alloc::New(std::size_t(kCapacity) * 4));
    m_shapes = static_cast<uint8_t*>(Vek::Alloc::New(std::size_t(kCapacity)));
    m_borrowed = static_cast<bool*>(Vek::Alloc::New(std::size_t(kCapacity) * sizeof(bool)));
    if (m_slots && m_shapes && m_borrowed) {
        std::memset(m_slots, 0, std::size_t(kCapacity) * 4);
        std::memset(m_shapes, 0, std::size_t(kCapacity));
        std::fill(m_borrowed, m_borrowed + kCapacity, false);
        m_capacity = kCapacity;
    }
}

GSStack::~GSStack() {
    Clear();
    Vek::Alloc::Delete(m_slots);
    Vek::Alloc::Delete(m_shapes);
    Vek::Alloc::Delete(m_borrowed);
}

const GSFunction* GSStack::MachineFunction(uint32_t index) { return GSMachine::Instance()->Functions().Get(index); }

void GSStack::LogReturnHeight(int32_t n) { GSLog("GSStack::ReturnValue> diff=%d", n); }

void GSStack::LogOverflow() const {
    GSLog("GSStack overflow...");
    for (int32_t frame = m_frame; frame != kNone; frame = FramePrevious(frame)) {
        const GSFunction* function = FrameFunction(frame);
        GSLog("function %s", function ? function->signature : "");
    }
}

void GSStack::Clear() {
    while (m_frame != kNone) {
        const int32_t frame = m_frame;
        m_frame = FramePrevious(frame);
        ReleaseFrame(frame);
    }
    m_top = kNone;
    m_returnOffset = 0;
}

void GSStack::CutReferencesInto(const GSTrackedObjectRegistry& dying, int32_t pausedAt) {
    // `counted`: the slot holds a count of its own to release.
    auto cut = [&](uint32_t& slot, bool counted = true) {
        const GSDataRef value = slot;
        if (!value || !dying.Tracks(GSScriptInstance::FromReference(value))) return;
        slot = 0;
        if (counted) GSScriptInstance::ReleaseReference(value);
    };
    int32_t top = m_top;    // the frame's top operand slot
    int32_t at = pausedAt;  // the code offset the frame stands at
    for (int32_t frame = m_frame; frame != kNone; frame = FramePrevious(frame)) {
        const int32_t base = FrameLocalsBase(frame);
        const GSFunction* function = FrameFunction(frame);
        if (function && at >= 0) {
            // The operand stack is the slots between the header and `top`.
            const int32_t operands = frame + 4;
            const uint16_t* entry = nullptr;
            const uint16_t* last = nullptr;
            function->pauseSlots.At(static_cast<uint32_t>(at), entry, last);
            for (; entry != last; ++entry) {
                const int32_t index = operands + (*entry & GSPauseSlots::kPositionMask);
                if (index > top) break;
                if ((*entry & GSPauseSlots::kCallResult) && ResultShapeAt(index) != kGSShapeReference) continue;
                cut(m_slots[index]);
            }
        }
        if (function) {
            for (uint32_t i = 0; i < function->referenceSlotCount; ++i) cut(m_slots[base + function->ReferenceSlot(i)]);
        }
        // A borrowed `me` is the caller's, whose frame (further out) holds
        // the count.
        cut(m_slots[base], !FrameBorrowsMe(frame));
        // The frame below stands after the call that pushed this one; a
        // native's frame keeps no return offset.
        top = base - 1;
        at = function && !function->IsNative() ? FrameReturnOffset(frame) : kNone;
    }
}

void GSStack::Dump() const {
    int32_t line = -1;
    for (int32_t frame = m_frame; frame != kNone; frame = FramePrevious(frame)) {
        const GSFunction* function = FrameFunction(frame);
        GSLog("function %s, line %d", function ? function->signature : "", line);
        // The next frame outward is at the position after its call, kept by
        // this frame as its return offset.
        const GSFunction* caller = FramePrevious(frame) != kNone ? FrameFunction(FramePrevious(frame)) : nullptr;
        line = caller ? caller->LineAt(FrameReturnOffset(frame)) : -1;
    }
}

GSContext* GSStack::SearchContext() const {
    for (int32_t frame = m_frame; frame != kNone; frame = FramePrevious(frame)) {
        const GSDataRef me = m_slots[FrameLocalsBase(frame)];
        if (!me) continue;
        if (GSContext* context = GSTrackedObjectRegistry::GetContext(GSScriptInstance::FromReference(me)))
            return context;
    }
    return nullptr;
}

bool GSStack::Push(uint32_t value) {
    if (m_top + 1 >= m_capacity) {
        LogOverflow();
        return false;
    }
    m_slots[++m_top] = value;
    return true;
}

bool GSStack::PushFloat(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return Push(bits);
}

bool GSStack::PushPString(GSContext* context, const Vek::PString& text) {
    // The text a native hands over was made for it: charged as a unit a
    // byte for the making and one for the copy (GSExecutionBudget.h).
    GSChargeWork(2 * uint64_t(text.Length()));
    // A text the memory budget has no room for gives null, as a full heap.
    GSString* string = GSScriptMemoryBudget::Fits(GSScriptMemoryAccount::Of(context), text.Length())
                           ? new GSString(context, text)
                           : nullptr;
    const GSDataRef reference = string ? string->GetReference() : 0;
    if (Push(reference)) return true;
    GSScriptInstance::ReleaseReference(reference);
    return false;
}

bool GSStack::PushString(GSContext* context, const Vek::String& text) {
    GSChargeWork(2 * uint64_t(text.Length()));
    // A text the memory budget has no room for gives null, as a full heap.
    GSString* string = GSScriptMemoryBudget::Fits(GSScriptMemoryAccount::Of(context), text.Length())
                           ? new GSString(context, text)
                           : nullptr;
    const GSDataRef reference = string ? string->GetReference() : 0;
    if (Push(reference)) return true;
    GSScriptInstance::ReleaseReference(reference);
    return false;
}

bool GSStack::PushObject(GSObjectReference* object, const GSClass* cls) {
    GSDataRef reference = object ? object->GetReference() : 0;
    if (reference && cls) reference = GSClass::CastInstance(cls, GSScriptInstance::FromReference(reference));
    if (reference) GSScriptInstance::AddRef(reference);
    if (Push(reference)) return true;
    GSScriptInstance::ReleaseReference(reference);
    return false;
}

bool GSStack::PushNewObject(GSObjectReference* object, const GSClass* cls) {
    const GSDataRef created = object ? object->GetReference() : 0;
    GSDataRef reference = created;
    if (reference && cls) reference = GSClass::CastInstance(cls, GSScriptInstance::FromReference(reference));
    if (!reference) GSScriptInstance::ReleaseReference(created);
    if (Push(reference)) return true;
    GSScriptInstance::ReleaseReference(reference);
    return false;
}

bool GSStack::PushCast(GSDataRef reference, const GSClass* cls) {
    if (reference && cls) reference = GSClass::CastInstance(cls, GSScriptInstance::FromReference(reference));
    return Push(reference);
}

}  // namespace GSRuntime
