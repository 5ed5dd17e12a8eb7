#include "gsruntime/GSObject.h"

#include "gsruntime/GSClass.h"
#include "gsruntime/GSScriptInstance.h"

namespace GSRuntime {

GSObject::~GSObject() {
    if (m_instance) {
        GSScriptInstance* header = GSScriptInstance::FromReference(m_instance);
        const int32_t count = header->count;
        if (count <= 1 && header->cls) {
            if (count > 0) header->count = count - 1;
            header->cls->DestroyInstance(header);
        } else {
            // Other references remain: the instance lives on without owner.
            header->owner = nullptr;
            GSScriptInstance::Release(header);
        }
    }
    m_instance = 0;
    m_context = nullptr;
}

bool GSObject::BindClass(GSClass* cls, GSContext* context) {
    if (!cls) {
        Unbind();
        return false;
    }
    if (m_instance) return false;
    m_context = context;
    return cls->CreateInstance(this, context);
}

void GSObject::Unbind() {
    if (!m_instance) return;
    GSScriptInstance* header = GSScriptInstance::FromReference(m_instance);
    m_instance = 0;
    m_context = nullptr;
    header->owner = nullptr;
    GSScriptInstance::Release(header);
}

GSClass* GSObject::GetClass() const { return m_instance ? GSScriptInstance::FromReference(m_instance)->cls : nullptr; }

}  // namespace GSRuntime
