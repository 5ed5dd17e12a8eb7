#include <cmath>

#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "engine/geometry/GeometryChunk.h"
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

void ReflectiveMaterial::InitInstance(const Material& from) {
    OneTextureMaterial::InitInstance(from);
    if (const auto* reflective = dynamic_cast<const ReflectiveMaterial*>(&from)) {
        m_options = reflective->m_options;
        m_textureMatrix = reflective->m_textureMatrix;
    }
}

bool ReflectiveMaterial::Equals(const Material& other) const {
    const auto* reflective = dynamic_cast<const ReflectiveMaterial*>(&other);
    return reflective && m_options == reflective->m_options && m_textureMatrix == reflective->m_textureMatrix &&
           OneTextureMaterial::Equals(other);
}

bool ReflectiveMaterial::IsCubeMap() const {
    const TextureResource* texture = GetTexture(kEnvironmentSlot);
    return texture && texture->GetKind() == TextureResource::kKindCubeMap;
}

void ReflectiveMaterial::ChangeTexGen(Display* display, bool noProgram) const {
    if (!display) return;
    if (noProgram && IsCubeMap() && (m_options & kOptionCubeMapTransform))
        display->SetTextureCoordGen(1, Display::kTexGenReflection, 3);
    else if (noProgram && !IsCubeMap() && (m_options & kOptionDisplaySphereMap))
        display->SetTextureCoordGen(1, Display::kTexGenSphereMap, 2);
    else
        display->SetTextureCoordGen(1, Display::kTexGenVertex, 2);
}

void ReflectiveMaterial::SetSphericalTexureCoordinates(GeometryChunk* chunk, const DisplayMatrix& world) {
    if (!chunk) return;
    uint32_t normalStride = 0, coordStride = 0;
    float* normals = chunk->GetVector3Array(kItemNormal, normalStride);
    float* coords = chunk->GetVector2Array(kItemTexCoord0 + 1, coordStride);
    if (!normals || !coords || normalStride == 0 || coordStride == 0) return;
    auto* normalBytes = reinterpret_cast<uint8_t*>(normals);
    auto* coordBytes = reinterpret_cast<uint8_t*>(coords);
    for (uint32_t v = 0; v < chunk->GetVertexCount(); ++v) {
        const float* n = reinterpret_cast<const float*>(normalBytes + std::size_t(v) * normalStride);
        float* uv = reinterpret_cast<float*>(coordBytes + std::size_t(v) * coordStride);
        float d[3];
        for (int c = 0; c < 3; ++c) d[c] = n[0] * world.m[0][c] + n[1] * world.m[1][c] + n[2] * world.m[2][c];
        const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (length > 0.0f) {
            d[0] /= length;
            d[1] /= length;
        }
        uv[0] = 0.5f + 0.5f * d[0];
        uv[1] = 0.5f - 0.5f * d[1];
    }
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
