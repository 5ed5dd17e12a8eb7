#include "gsruntime/GSMessageObject.h"

#include <cstring>

#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSScriptInstance.h"

namespace GSRuntime {

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
    // The members go first, as they would with the object; what they
    // release may fill the pool meanwhile.
    header->cls->ReleaseMembers(header);
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
            // members are already), then the initialiser rows.
            uint32_t* data = header->DataStart();
            std::memset(data, 0, sizeof(uint32_t) * cls->DataSlotCount());
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
