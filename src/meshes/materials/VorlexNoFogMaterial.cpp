#include "meshes/materials/VorlexNoFogMaterial.h"

#include "engine/display/Display.h"

namespace Vek {

void VorlexNoFogMaterial::SetDisplayState(Display* display) {
    if (!display) return;
    m_savedFog = display->GetFogMode();
    display->SetFogMode(0);
    display->SetCullMode((GetFlags() & kFlagNoCulling) ? 0 : 1);
    if (TextureResource* texture = GetTexture(0))
        display->SetTexture(0, texture);
    else
        display->DisableStage(0);
    if (!(GetFlags() & kFlagNoBlending)) {
        m_savedBlend = display->GetAlphaBlendMode();
        display->GetAlphaBlendFunction(m_savedSource, m_savedDestination);
        display->SetAlphaBlendFunction(GetBlendSource(), GetBlendDestination());
        display->SetAlphaBlendMode(true);
    }
    if (GetStageState()) display->ApplyTextureStageState(GetStageState());
}

void VorlexNoFogMaterial::ClearDisplayState(Display* display) {
    if (!display) return;
    display->SetFogMode(m_savedFog);
    display->SetCullMode(1);
    if (!(GetFlags() & kFlagNoBlending)) {
        display->SetAlphaBlendMode(m_savedBlend);
        display->SetAlphaBlendFunction(m_savedSource, m_savedDestination);
    }
    if (GetStageState()) display->ResetStageState(0);
}

}  // namespace Vek
