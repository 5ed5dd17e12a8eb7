#pragma once
// The property that names an asset by its KUID ("AssetID" throughout the
// program). Its value text is the KUID's tag form; setting it parses the
// text leniently.
#include "foundation/kuid/KUID.h"
#include "foundation/properties/VorlexPropertyRefCounted.h"

class VorlexPropertyAssetID : public VorlexPropertyRefCounted {
public:
    VorlexPropertyAssetID(const Vek::PString& name, const KUID& kuid)
        : VorlexPropertyRefCounted(name), m_kuid(kuid) {}

    // The KUID becomes the text parsed in lenient mode (the null KUID when
    // it does not parse).
    void SetValueText(const char* text) override;
    // KUID::ToTagString of the KUID.
    void GetValueText(Vek::String& out) const override;

    const KUID& GetKUID() const { return m_kuid; }
    void SetKUID(const KUID& kuid) { m_kuid = kuid; }

protected:
    ~VorlexPropertyAssetID() override = default;

private:
    KUID m_kuid;
};
