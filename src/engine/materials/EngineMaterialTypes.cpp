#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "engine/materials/BumpColorMaterial.h"
#include "engine/materials/MaterialManager.h"
#include "engine/materials/NoTextureMaterial.h"
#include "engine/materials/ReflectiveMaterial.h"
#include "engine/textures/SharedTextureCollection.h"
#include "engine/textures/TextureManager.h"
#include "engine/textures/TextureResource.h"

namespace Vek {

namespace {

void SetShared(Material& material, MaterialManager* manager, int slot, int shared) {
    TextureManager* textures = manager ? manager->GetTextureManager() : nullptr;
    if (!textures) return;
    if (TextureResource* texture = textures->GetSharedTextures().GetTexture(shared)) {
        material.SetTexture(slot, texture, 1.0f);
        texture->ReleaseReference();
    }
}

}  // namespace

void NoTextureMaterial::SetDisplayState(Display* display) {
    if (!display) return;
    Material::SetDisplayState(display);
    display->DisableStage(0);
}

ReflectiveMaterial::ReflectiveMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                                       RenderingCache* materialChunk, uint32_t stageState)
    : OneTextureMaterial(manager, alphaBlend, alphaMask, materialChunk, stageState) {
    SetShared(*this, manager, kEnvironmentSlot, 0);
}

int ReflectiveMaterial::IsLoaded() const {
    TextureResource* environment = GetTexture(kEnvironmentSlot);
    if (!environment || !environment->IsLoaded()) return kNotLoaded;
    return OneTextureMaterial::IsLoaded();
}

void ReflectiveMaterial::SetDisplayState(Display* display) {
    if (!display) return;
    OneTextureMaterial::SetDisplayState(display);
    display->SetEnvironmentMap(1, GetTexture(kEnvironmentSlot));
}

void ReflectiveMaterial::ClearDisplayState(Display* display) {
    if (!display) return;
    display->DisableStage(1);
    OneTextureMaterial::ClearDisplayState(display);
}

void GlossMaterial::SetDisplayState(Display* display) {
    if (!display) return;
    OneTextureMaterial::SetDisplayState(display);
    display->SetTexture(1, GetTexture(kEnvironmentSlot));
}

BumpColorMaterial::BumpColorMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                                     RenderingCache* materialChunk, uint32_t stageState, const char* typeName)
    : OneTextureMaterial(manager, alphaBlend, alphaMask, materialChunk, stageState), m_typeName(typeName) {
    SetShared(*this, manager, kBumpSlot, 2);
    if (HasGloss()) SetShared(*this, manager, kGlossSlot, 0);
}

int BumpColorMaterial::IsLoaded() const {
    TextureResource* bump = GetTexture(kBumpSlot);
    if (!bump || !bump->IsLoaded()) return kNotLoaded;
    if (HasGloss()) {
        TextureResource* gloss = GetTexture(kGlossSlot);
        if (!gloss || !gloss->IsLoaded()) return kNotLoaded;
    }
    return OneTextureMaterial::IsLoaded();
}

void BumpColorMaterial::SetDisplayState(Display* display) {
    if (!display) return;
    OneTextureMaterial::SetDisplayState(display);
    display->SetTexture(1, GetTexture(kBumpSlot));
    if (HasGloss()) display->SetTexture(3, GetTexture(kGlossSlot));
}

void BumpColorMaterial::ClearDisplayState(Display* display) {
    if (!display) return;
    if (HasGloss()) display->DisableStage(3);
    display->DisableStage(1);
    OneTextureMaterial::ClearDisplayState(display);
}

void GroundMaterial::SetDisplayState(Display* display) {
    if (!display) return;
    OneTextureMaterial::SetDisplayState(display);
    m_savedAlphaTest = display->GetAlphaTestMode();
    display->SetAlphaTestMode(true);
    display->SetDepthWriteMode(true);
}

void GroundMaterial::ClearDisplayState(Display* display) {
    if (!display) return;
    OneTextureMaterial::ClearDisplayState(display);
    display->SetAlphaTestMode(m_savedAlphaTest);
    display->SetDepthWriteMode(true);
}

}  // namespace Vek
