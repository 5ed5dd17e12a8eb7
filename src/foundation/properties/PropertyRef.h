#pragma once
// A counted pointer to a property. Copying takes a reference (AddReference,
// keeping what it returns); destruction releases it; Attach stores a
// freshly made property without taking one, because the new object
// already holds its creator's reference.
#include <utility>

#include "engine/AnsiString.h"
#include "foundation/properties/VorlexProperty.h"

class PropertyRef {
public:
    PropertyRef() = default;
    PropertyRef(const PropertyRef& other) : m_property(other.m_property ? other.m_property->AddReference() : nullptr) {}
    PropertyRef(PropertyRef&& other) noexcept : m_property(std::exchange(other.m_property, nullptr)) {}
    ~PropertyRef() { Reset(); }

    PropertyRef& operator=(const PropertyRef& other) {
        VorlexProperty* taken = other.m_property ? other.m_property->AddReference() : nullptr;
        Reset();
        m_property = taken;
        return *this;
    }
    PropertyRef& operator=(PropertyRef&& other) noexcept {
        if (this != &other) {
            Reset();
            m_property = std::exchange(other.m_property, nullptr);
        }
        return *this;
    }

    // A reference holding a freshly made property (its creator's reference).
    static PropertyRef Adopt(VorlexProperty* fresh) {
        PropertyRef ref;
        ref.m_property = fresh;
        return ref;
    }
    // Releases what is held and stores `fresh` without taking a reference.
    void Attach(VorlexProperty* fresh) {
        Reset();
        m_property = fresh;
    }
    // Releases what is held; the reference becomes null.
    void Reset() {
        if (VorlexProperty* p = std::exchange(m_property, nullptr)) p->ReleaseReference();
    }

    VorlexProperty* Get() const { return m_property; }
    VorlexProperty* operator->() const { return m_property; }
    explicit operator bool() const { return m_property != nullptr; }
    bool IsNull() const { return m_property == nullptr; }

    // The property's value text; the empty text for a null reference.
    Vek::String GetValueText() const {
        Vek::String text;
        if (m_property) m_property->GetValueText(text);
        return text;
    }

private:
    VorlexProperty* m_property = nullptr;
};
