#include "assetdb/specs/SpecHandle.h"

#include "assetdb/specs/VorlexBaseSpec.h"

SpecHandle& SpecHandle::operator=(SpecHandle&& other) noexcept {
    if (this != &other) {
        AssetSpec* old = m_spec;
        m_spec = other.m_spec;
        other.m_spec = nullptr;
        if (old) old->DropReference();
    }
    return *this;
}

void SpecHandle::Assign(AssetSpec* spec) {
    if (spec) spec->AddReference();
    AssetSpec* old = m_spec;
    m_spec = spec;
    if (old) old->DropReference();
}

void SpecHandle::Release() {
    AssetSpec* old = m_spec;
    m_spec = nullptr;
    if (old) old->DropReference();
}

VorlexBaseSpec* SpecHandle::AsVorlexBaseSpec() const { return dynamic_cast<VorlexBaseSpec*>(m_spec); }

SpecHandle SpecHandle::CastToVorlexBaseSpec() const { return SpecHandle(AsVorlexBaseSpec()); }
