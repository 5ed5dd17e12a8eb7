#include "engine/materials/OneTextureMaterial.h"

#include "engine/display/Display.h"
#include "engine/display/Viewport.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/materials/RenderingCache.h"

namespace Vek {

namespace {

RenderingCache* Hold(RenderingCache* cache) {
    if (cache) cache->AddReference();
    return cache;
}

}  // namespace

OneTextureMaterial::OneTextureMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                                       RenderingCache* materialChunk, uint32_t stageState)
    : Material(manager), m_alphaBlend(Hold(alphaBlend)), m_alphaMask(Hold(alphaMask)),
      m_materialChunk(Hold(materialChunk)), m_stageState(stageState) {}

OneTextureMaterial::~OneTextureMaterial() {
    if (m_alphaBlend) m_alphaBlend->ReleaseReference();
    if (m_alphaMask) m_alphaMask->ReleaseReference();
    if (m_materialChunk) m_materialChunk->ReleaseReference();
}

void OneTextureMaterial::InitInstance(const Material& from) {
    Material::InitInstance(from);
    if (auto* one = dynamic_cast<const OneTextureMaterial*>(&from)) m_stageState = one->m_stageState;
}

void OneTextureMaterial::SetDisplayState(Display* display) {
    if (!display) return;
    Material::SetDisplayState(display);
    if (TextureResource* texture = GetTexture(0))
        display->SetTexture(0, texture);
    else
        display->DisableStage(0);
    if (m_stageState) display->ApplyTextureStageState(m_stageState);
}

void OneTextureMaterial::ClearDisplayState(Display* display) {
    if (!display) return;
    if (m_stageState) display->ResetStageState(0);
    Material::ClearDisplayState(display);
}

void OneTextureMaterial::RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                     const DisplayLightList& lights, const DisplayMatrix& world) {
    if (!display || !chunk) return;
    if (m_alphaBlend && chunk->GetOpacity() * GetOpacity() < 1.0f) {
        m_alphaBlend->Submit(display, viewport, this, chunk, 0, world);
        return;
    }
    Material::RenderChunk(display, viewport, chunk, lights, world);
}

}  // namespace Vek
