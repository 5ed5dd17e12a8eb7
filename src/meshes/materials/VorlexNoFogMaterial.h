#pragma once
// The "nofogtex" material: a one-texture material drawn with fog off; flag
// bit 0 draws without culling, and unless flag bit 1 is set it blends with
// the material's own blend factors. The display's fog mode, and the blend
// state it changed, are put back afterwards (cull mode back to 1).
#include "engine/materials/OneTextureMaterial.h"

namespace Vek {

class VorlexNoFogMaterial : public OneTextureMaterial {
public:
    static constexpr uint32_t kFlagNoCulling = 0x1;
    static constexpr uint32_t kFlagNoBlending = 0x2;

    using OneTextureMaterial::OneTextureMaterial;

    const char* GetTypeName() const override { return "nofogtex"; }
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;

protected:
    ~VorlexNoFogMaterial() override = default;

private:
    int m_savedFog = 0;
    bool m_savedBlend = false;
    int m_savedSource = 1;
    int m_savedDestination = 0;
};

}  // namespace Vek
