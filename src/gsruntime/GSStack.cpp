#include "gsruntime/GSStack.h"

#include <cstring>

#include "engine/Alloc.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSLog.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSObjectReference.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSString.h"
#include "gsruntime/GSTrackedObjectRegistry.h"

namespace GSRuntime {

GSStack::GSStack() {
    m_slots = static_cast<uint32_t*>(Vek::Alloc::New(std::size_t(kCapacity) * 4));
    m_shapes = static_cast<uint8_t*>(Vek::Alloc::New(std::size_t(kCapacity)));
    if (m_slots && m_shapes) {
        std::memset(m_slots, 0, std::size_t(kCapacity) * 4);
        std::memset(m_shapes, 0, std::size_t(kCapacity));
        m_capacity = kCapacity;
    }
}

GSStack::~GSStack() {
    Clear();
    Vek::Alloc::Delete(m_slots);
    Vek::Alloc::Delete(m_shapes);
}

const GSFunction* GSStack::FrameFunction(int32_t frame) const {
    return GSMachine::Instance()->Functions().Get(m_slots[frame]);
}

uint32_t GSStack::Local(int32_t k) const {
    if (m_frame == kNone) return 0;
    const int64_t index = int64_t(FrameLocalsBase(m_frame)) + k;
    return index >= 0 && index < m_capacity ? m_slots[index] : 0;
}

void GSStack::LogOverflow() const {
    GSLog("GSStack overflow...");
    for (int32_t frame = m_frame; frame != kNone; frame = FramePrevious(frame)) {
        const GSFunction* function = FrameFunction(frame);
        GSLog("function %s", function ? function->signature : "");
    }
}

bool GSStack::PushFrame(const GSFunction* function, int32_t returnOffset) {
    if (!function || !function->tableIndex) return false;
    const int64_t top = m_top;
    // `me` and the arguments must be on the stack: they become the frame's
    // first locals.
    if (top + 1 < int64_t(function->argumentSlotCount)) return false;
    if (top + int64_t(function->slotsNeeded) >= m_capacity) {
        LogOverflow();
        return false;
    }
    for (int64_t i = top + 1; i < top + int64_t(function->slotsNeeded); ++i) m_slots[i] = 0;
    const int64_t header = top + function->headerOffset;
    m_slots[header] = function->tableIndex;
    m_slots[header + 1] = static_cast<uint32_t>(returnOffset);
    m_slots[header + 2] = static_cast<uint32_t>(m_frame);
    m_slots[header + 3] = static_cast<uint32_t>(top + function->argumentOffset);
    m_frame = static_cast<int32_t>(header);
    m_top = static_cast<int32_t>(top + function->frameSize);
    return true;
}

void GSStack::ReleaseFrame(int32_t frame) {
    const int32_t base = FrameLocalsBase(frame);
    if (const GSFunction* function = FrameFunction(frame)) {
        for (uint32_t i = function->referenceSlotCount; i-- > 0;) {
            uint32_t& slot = m_slots[base + function->ReferenceSlot(i)];
            const GSDataRef value = slot;
            slot = 0;
            GSScriptInstance::ReleaseReference(value);
        }
    }
    const GSDataRef me = m_slots[base];
    m_slots[base] = 0;
    GSScriptInstance::ReleaseReference(me);
}

bool GSStack::PopFrame() {
    if (m_frame == kNone) return false;
    const int32_t frame = m_frame;
    if (m_top != frame + 3) return false;
    ReleaseFrame(frame);
    m_top = FrameLocalsBase(frame) - 1;
    m_returnOffset = FrameReturnOffset(frame);
    m_frame = FramePrevious(frame);
    return true;
}

bool GSStack::ReturnValue(bool native) {
    if (m_frame == kNone) return false;
    const int32_t frame = m_frame;
    const int32_t n = m_top - frame;
    uint32_t value = 0;
    if (!(native && n == 3)) {
        if (n != 4) {
            GSLog("GSStack::ReturnValue> diff=%d", n);
            return false;
        }
        value = m_slots[m_top];
    }
    const GSFunction* function = FrameFunction(frame);
    const uint8_t shape = function ? function->resultShape : 0;
    ReleaseFrame(frame);
    const int32_t base = FrameLocalsBase(frame);
    m_top = base;
    m_slots[base] = value;
    m_shapes[base] = shape;
    m_returnOffset = FrameReturnOffset(frame);
    m_frame = FramePrevious(frame);
    return true;
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

GSContext* GSStack::GetContext() const {
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
    GSString* string = new GSString(context, text);
    const GSDataRef reference = string ? string->GetReference() : 0;
    if (Push(reference)) return true;
    GSScriptInstance::ReleaseReference(reference);
    return false;
}

bool GSStack::PushString(GSContext* context, const Vek::String& text) {
    GSString* string = new GSString(context, text);
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
