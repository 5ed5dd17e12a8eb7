#pragma once
// The base of counted properties: a property with an engine reference
// count. A new object holds one reference, its creator's; the last release
// deletes it.
#include "engine/ReferenceCount.h"
#include "foundation/properties/VorlexProperty.h"

class VorlexPropertyRefCounted : public VorlexProperty, public Vek::ReferenceCount {
public:
    explicit VorlexPropertyRefCounted(const Vek::PString& name) : VorlexProperty(name) {}

    VorlexProperty* AddReference() override {
        Vek::ReferenceCount::AddReference();
        return this;
    }
    void ReleaseReference() override { Vek::ReferenceCount::ReleaseReference(); }

protected:
    ~VorlexPropertyRefCounted() override = default;
};
