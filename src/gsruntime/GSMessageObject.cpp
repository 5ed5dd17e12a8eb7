#include "gsruntime/GSMessageObject.h"

#include <cstring>

#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSString.h"

namespace GSRuntime {

namespace {

constexpr uint32_t kNameSlots[] = {GSMessageObject::kMajor, GSMessageObject::kMinor};

// A string of `context` that only its one holder counts.
bool OnlyHeldString(GSContext* context, GSDataRef value) {
    GSString* string = value ? GSString::FromReference(value) : nullptr;
    return string && string->Header().count == 1 && context->Registry().Tracks(&string->Header());
}

// Whether a text holds exactly the bytes of a NUL-terminated name (a text
// with a NUL of its own holds no name). Names are short: compared here
// rather than through the library.
bool SameText(const GSString& text, const char* name) {
    const char* at = text.c_str();
    const char* end = at + text.Length();
    for (; at != end; ++at, ++name) {
        if (*name == 0 || *at != *name) return false;
    }
    return *name == 0;
}

}  // namespace

bool GSMessageObject::KeepsName(GSDataRef self, uint32_t slot, const char* name) {
    GSString* kept = name && *name ? GSString::FromReference(GSSlots(self)[slot]) : nullptr;
    return kept && kept->Header().count == 1 && SameText(*kept, name);
}

bool GSMessageObject::Recyclable(const GSClass* cls) {
    if (!cls || cls->BaseCount() != 0) return false;
    const GSFunction* init = cls->InitFunction();
    return !init || init->codeLength == 0;
}

bool GSMessageObject::DeferDestruction() {
    GSContext* context = GetContext();
    const GSDataRef self = GetReference();
    if (!context || !self) return false;
    GSScriptInstance* header = GSScriptInstance::FromReference(self);
    if (header->count != 0 || !Recyclable(header->cls)) return false;
    // The members go first, as they would with the object, but for name
    // strings held only here; what they release may fill the pool meanwhile.
    uint32_t* data = header->DataStart();
    GSDataRef names[2] = {};
    for (int i = 0; i < 2; ++i) {
        if (!OnlyHeldString(context, data[kNameSlots[i]])) continue;
        names[i] = data[kNameSlots[i]];
        data[kNameSlots[i]] = 0;
    }
    header->cls->ReleaseMembers(header);
    for (int i = 0; i < 2; ++i) data[kNameSlots[i]] = names[i];
    // Counted again meanwhile: the object lives on until the last count.
    if (header->count != 0) return true;
    return context->MessagePool().Put(this);
}

GSMessageObject* GSMessageObjectPool::Take(const GSClass* cls) {
    while (m_count > 0) {
        GSMessageObject* object = m_objects[--m_count];
        m_objects[m_count] = nullptr;
        GSScriptInstance* header = GSScriptInstance::FromReference(object->GetReference());
        if (header->cls == cls) {
            // As GSClass::CreateInstance leaves it: every slot cleared (the
            // members are already, but for kept names), then the initialiser
            // rows, which write only the view's first two slots.
            uint32_t* data = header->DataStart();
            const GSDataRef names[2] = {data[kNameSlots[0]], data[kNameSlots[1]]};
            std::memset(data, 0, sizeof(uint32_t) * cls->DataSlotCount());
            for (int n = 0; n < 2; ++n) data[kNameSlots[n]] = names[n];
            for (uint32_t i = 0; i < cls->InitRowCount(); ++i) {
                const GSClass::InitRow row = cls->GetInitRow(i);
                data[row.slot] = static_cast<uint32_t>(row.value);
            }
            header->count = 1;
            return object;
        }
        delete object;
    }
    return nullptr;
}

bool GSMessageObjectPool::Put(GSMessageObject* object) {
    if (m_closed || m_count >= kCapacity) return false;
    m_objects[m_count++] = object;
    return true;
}

void GSMessageObjectPool::Close() {
    m_closed = true;
    while (m_count > 0) {
        GSMessageObject* object = m_objects[--m_count];
        m_objects[m_count] = nullptr;
        delete object;
    }
}

}  // namespace GSRuntime
