#include "meshes/materials/VorlexBumpMaterial.h"

#include <algorithm>
#include <cmath>

#include "engine/display/Display.h"
#include "engine/display/Viewport.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/PackedVertex.h"
#include "engine/materials/MaterialManager.h"
#include "engine/textures/TextureManager.h"
#include "engine/textures/TextureResource.h"
#include "meshes/materials/LayoutVertexType.h"
#include "meshes/materials/MaterialMath.h"

namespace Vek {

void BumpProgramSet::Release() { *this = BumpProgramSet(); }

namespace {

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

float Brightness(const DisplayLight& light) { return light.diffuse.r + light.diffuse.g + light.diffuse.b; }

const DisplayLight* Brightest(const DisplayLightList& lights, int type) {
    const DisplayLight* best = nullptr;
    for (const DisplayLight* light : lights)
        if (light && light->type == type && (!best || Brightness(*light) > Brightness(*best))) best = light;
    return best;
}

// Takes the engine's shared texture 0 into a slot (nothing when there is
// none).
void SetSharedTexture(Material& material, MaterialManager* manager, int slot) {
    if (!manager || !manager->GetTextureManager()) return;
    AutoReference<TextureResource> shared(manager->GetTextureManager()->GetSharedTextures().GetTexture(0));
    if (shared) material.SetTexture(slot, shared.Get(), 1.0f);
}

}  // namespace

VorlexBumpMaterial::VorlexBumpMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                                       RenderingCache* materialChunk, const BumpProgramSet& programs)
    : OneTextureMaterial(manager, alphaBlend, alphaMask, materialChunk, 0), m_programs(programs) {
    SetSharedTexture(*this, manager, kBumpSlot);
    m_cachedAlphaHint = 0;
}

DisplayColor VorlexBumpMaterial::AmbientSum(const Display& display, const DisplayLightList& lights) {
    DisplayColor sum = display.GetAmbientColor();
    for (const DisplayLight* light : lights) {
        if (light && (light->type == DisplayLight::kAmbient || light->type == DisplayLight::kParallel)) {
            sum.r += light->ambient.r;
            sum.g += light->ambient.g;
            sum.b += light->ambient.b;
            sum.a += light->ambient.a;
        }
    }
    return sum;
}

const DisplayLight* VorlexBumpMaterial::FindBrightestParallelLight(const DisplayLightList& lights) {
    return Brightest(lights, DisplayLight::kParallel);
}

const DisplayLight* VorlexBumpMaterial::FindBrightestSpotLight(const DisplayLightList& lights) {
    return Brightest(lights, DisplayLight::kSpot);
}

int VorlexBumpMaterial::IsLoaded() const {
    const TextureResource* bump = GetTexture(kBumpSlot);
    if (!bump) return kNotLoaded;
    return OneTextureMaterial::IsLoaded();
}

GeometryChunk* VorlexBumpMaterial::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                                       uint32_t faceNormalCount, int primitiveType,
                                                       const StandardChunkHint* givenHint) {
    if (GeometryChunk::PrimitiveCode(primitiveType) < 0) return nullptr;
    StandardChunkHint hint;
    if (givenHint) hint = *givenHint;
    bool shared = false;
    if (givenHint && (hint.flags & StandardChunkHint::kFlagSoftwareLighting)) {
        const uint8_t both = StandardChunkHint::kOptionShared | StandardChunkHint::kOptionSharedBuffer;
        shared = (hint.options & both) == both;
        hint.options &= static_cast<uint8_t>(~StandardChunkHint::kOptionSeparateNormals);
        if ((hint.options & StandardChunkHint::kOptionShared) && !(hint.options & StandardChunkHint::kOptionSharedBuffer)) {
            hint.options |= StandardChunkHint::kOptionSharedBuffer;
            shared = true;
        }
    }
    const uint32_t typeWord = GeometryChunk::MakeTypeWord(primitiveType, givenHint ? &hint : nullptr);
    const uint32_t flags = MakeGeometryChunkFlags(primitiveType, givenHint ? &hint : nullptr);
    auto* chunk = new GeometryChunkTemplate<PackedVertexPNTA>(vertexCount, faceCount, indexCount, faceNormalCount, typeWord, flags);
    if (givenHint && (hint.vertexUsage == 1 || (shared && hint.vertexUsage != 0))) chunk->SetVertexDataDynamic(0, -2, true);
    if (shared) chunk->SetVertexDataShared(0, 0, false);
    if (givenHint && hint.indexUsage == 1) chunk->SetIndexDataDynamic(true);
    AttachLayoutVertexType(GetDisplay(), chunk);
    return chunk;
}

void VorlexBumpMaterial::SetDisplayState(Display* display) {
    if (!display) return;
    if (TextureResource* bump = GetTexture(kBumpSlot))
        display->SetTexture(1, bump);
    else
        display->DisableStage(1);
    OneTextureMaterial::SetDisplayState(display);
}

void VorlexBumpMaterial::ClearDisplayState(Display* display) {
    if (!display) return;
    display->ResetStageState(1);
    display->DisableStage(1);
    OneTextureMaterial::ClearDisplayState(display);
}

void VorlexBumpMaterial::Draw(Display* display, GeometryChunk* chunk, VertexProgram* program, const Primitives* range) {
    if (range)
        chunk->RenderPrimitives(display, program, range->indexCount, range->indices, range->count, range->type);
    else
        chunk->Render(display, program);
}

void VorlexBumpMaterial::SetParallelLightConstants(Display* display, const DisplayMatrix& view,
                                                   const DisplayLightList& lights, const DisplayMatrix& world) {
    display->SetWorldMatrix(world);
    BeforeParallelPass(display, view);
    VertexProgram* p = m_programs.parallelProgram.Get();
    TextureCombiner* c = m_programs.parallelCombiner.Get();
    const int s = SpecularRegister();
    const DisplayMaterial& m = GetDisplayMaterial();
    const DisplayMatrix o = MaterialMath::ObjectSpace(view, world);
    if (const DisplayLight* light = FindBrightestParallelLight(lights)) {
        const auto d = MaterialMath::TransformDirection(light->direction, o);
        const auto cam = MaterialMath::CameraPosition(o);
        p->SetLocal(7, d[0], d[1], d[2]);
        c->SetRegister(0, light->diffuse.r * m.diffuse.r, light->diffuse.g * m.diffuse.g,
                       light->diffuse.b * m.diffuse.b, m.diffuse.a);
        p->SetLocal(13, cam[0], cam[1], cam[2]);
        c->SetRegister(s, light->specular.r * m.specular.r, light->specular.g * m.specular.g,
                       light->specular.b * m.specular.b, 0.75f);
    } else {
        p->SetLocal(7, 0, 0, 0);
        c->SetRegister(0, 0, 0, 0, 1);
        p->SetLocal(13, 0, 0, 0);
        c->SetRegister(s, 0, 0, 0, 1);
    }
    const DisplayColor sum = AmbientSum(*display, lights);
    c->SetRegister(1, Clamp01(m.ambient.r * sum.r + m.emissive.r), Clamp01(m.ambient.g * sum.g + m.emissive.g),
                   Clamp01(m.ambient.b * sum.b + m.emissive.b), 1.0f);
}

void VorlexBumpMaterial::SetSpotLightConstants(Display* display, const DisplayMatrix& view, const DisplayLight& spot,
                                               const DisplayMatrix& world) {
    display->SetWorldMatrix(world);
    VertexProgram* p = m_programs.spotProgram.Get();
    TextureCombiner* c = m_programs.spotCombiner.Get();
    const int s = SpecularRegister();
    const DisplayMaterial& m = GetDisplayMaterial();
    const DisplayMatrix o = MaterialMath::ObjectSpace(view, world);
    const auto d = MaterialMath::TransformDirection(spot.direction, o);
    const auto cam = MaterialMath::CameraPosition(o);
    const auto pos = MaterialMath::TransformPointDivide(spot.position, o);
    p->SetLocal(7, d[0], d[1], d[2]);
    p->SetLocal(13, cam[0], cam[1], cam[2]);
    p->SetLocal(5, pos[0], pos[1], pos[2]);
    p->SetLocal(6, std::cos(spot.spotAngle * 3.1415927f / 180.0f), spot.range != 0.0f ? 1.0f / spot.range : 0.0f, 0);
    c->SetRegister(0, spot.diffuse.r * m.diffuse.r, spot.diffuse.g * m.diffuse.g, spot.diffuse.b * m.diffuse.b,
                   m.diffuse.a);
    c->SetRegister(1, 0, 0, 0, 1);
    c->SetRegister(s, spot.specular.r * m.specular.r, spot.specular.g * m.specular.g, spot.specular.b * m.specular.b,
                   0.75f);
}

void VorlexBumpMaterial::ParallelPass(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                      const DisplayLightList& lights, const DisplayMatrix& world,
                                      const Primitives* range) {
    SetParallelLightConstants(display, viewport->GetViewTransform(), lights, world);
    display->BindTextureCombiner(m_programs.parallelCombiner.Get());
    Draw(display, chunk, m_programs.parallelProgram.Get(), range);
    display->UnbindTextureCombiner();
}

void VorlexBumpMaterial::SpotPass(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLight& spot,
                                  const DisplayMatrix& world, const Primitives* range) {
    const bool blend = display->GetAlphaBlendMode();
    int source = 0, destination = 0;
    display->GetAlphaBlendFunction(source, destination);
    const int fog = display->GetFogMode();
    display->SetAlphaBlendMode(true);
    display->SetAlphaBlendFunction(SpotSourceFactor(), SpotDestinationFactor());
    display->SetFogMode(0);
    SetSpotLightConstants(display, viewport->GetViewTransform(), spot, world);
    display->BindTextureCombiner(m_programs.spotCombiner.Get());
    Draw(display, chunk, m_programs.spotProgram.Get(), range);
    display->UnbindTextureCombiner();
    display->SetAlphaBlendMode(blend);
    display->SetAlphaBlendFunction(source, destination);
    display->SetFogMode(fog);
}

void VorlexBumpMaterial::DrawPasses(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                    const DisplayLightList& lights, const DisplayMatrix& world,
                                    const Primitives* range) {
    if (!display || !viewport || !chunk || !m_programs.Loaded()) return;
    SetDisplayState(display);
    ParallelPass(display, viewport, chunk, lights, world, range);
    if (const DisplayLight* spot = FindBrightestSpotLight(lights)) SpotPass(display, viewport, chunk, *spot, world, range);
    ClearDisplayState(display);
}

void VorlexBumpMaterial::RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                     const DisplayLightList& lights, const DisplayMatrix& world) {
    DrawPasses(display, viewport, chunk, lights, world, nullptr);
}

void VorlexBumpMaterial::RenderPrimitives(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                          const DisplayLightList& lights, const DisplayMatrix& world,
                                          uint32_t indexCount, const uint16_t* indices, uint32_t primitives,
                                          int primitiveType) {
    const Primitives range{indexCount, indices, primitives, primitiveType};
    DrawPasses(display, viewport, chunk, lights, world, &range);
}

void VorlexBumpMaterial::RenderNumChunks(Display* display, Viewport* viewport, GeometryChunk* const* chunks,
                                         const DisplayLightList* lights, const DisplayMatrix* worlds, int count) {
    if (!display || !viewport || !chunks || !lights || !worlds || count <= 0 || !m_programs.Loaded()) return;
    SetDisplayState(display);
    for (int i = 0; i < count; ++i)
        if (chunks[i]) ParallelPass(display, viewport, chunks[i], lights[i], worlds[i], nullptr);
    for (int i = 0; i < count; ++i)
        if (chunks[i])
            if (const DisplayLight* spot = FindBrightestSpotLight(lights[i]))
                SpotPass(display, viewport, chunks[i], *spot, worlds[i], nullptr);
    ClearDisplayState(display);
}

void VorlexBumpMaterial::DrawCached(Display* display, Viewport* viewport, GeometryChunk* chunk, int,
                                    const DisplayMatrix& transform) {
    RenderChunk(display, viewport, chunk, DisplayLightList(), transform);
}

// ---- tbumpenv ----

VorlexBumpEnvMaterial::VorlexBumpEnvMaterial(MaterialManager* manager, RenderingCache* alphaBlend,
                                             RenderingCache* alphaMask, RenderingCache* materialChunk,
                                             const BumpProgramSet& programs)
    : VorlexBumpMaterial(manager, alphaBlend, alphaMask, materialChunk, programs) {
    SetSharedTexture(*this, manager, kSecondSlot);
    const float rows[4][4] = {{1, 0, 0, 0}, {0, 0, 1, 0}, {0, -1, 0, 0}, {0, 0, 0, 1}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m_envMatrix.m[r][c] = rows[r][c];
}

int VorlexBumpEnvMaterial::IsLoaded() const {
    if (!GetTexture(kSecondSlot)) return kNotLoaded;
    return VorlexBumpMaterial::IsLoaded();
}

GeometryChunk* VorlexBumpEnvMaterial::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount,
                                                          uint32_t indexCount, uint32_t faceNormalCount,
                                                          int primitiveType, const StandardChunkHint* hint) {
    GeometryChunk* chunk = VorlexBumpMaterial::CreateGeometryChunk(vertexCount, faceCount, indexCount,
                                                                   faceNormalCount, primitiveType, hint);
    if (chunk && !chunk->HasFlag(GeometryChunk::kFlagPrivate)) chunk->SetVertexDataShared(0, -3, false);
    return chunk;
}

void VorlexBumpEnvMaterial::ClearDisplayState(Display* display) {
    if (!display) return;
    display->DisableStage(3);
    display->ResetTextureMatrix(1);
    VorlexBumpMaterial::ClearDisplayState(display);
}

void VorlexBumpEnvMaterial::BeforeParallelPass(Display* display, const DisplayMatrix& view) {
    if (!GetTexture(kSecondSlot)) return;
    display->SetTextureMatrix(1, MaterialMath::Multiply(MaterialMath::RotationTransposed(view), m_envMatrix));
}

void VorlexBumpEnvMaterial::RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                        const DisplayLightList& lights, const DisplayMatrix& world) {
    if (!display || !viewport || !chunk || !m_programs.Loaded()) return;
    SetDisplayState(display);
    display->SetEnvironmentMap(3, GetTexture(kSecondSlot));
    ParallelPass(display, viewport, chunk, lights, world, nullptr);
    if (const DisplayLight* spot = FindBrightestSpotLight(lights)) SpotPass(display, viewport, chunk, *spot, world, nullptr);
    ClearDisplayState(display);
}

void VorlexBumpEnvMaterial::RenderNumChunks(Display* display, Viewport* viewport, GeometryChunk* const* chunks,
                                            const DisplayLightList* lights, const DisplayMatrix* worlds, int count) {
    if (!chunks || !lights || !worlds) return;
    for (int i = 0; i < count; ++i) RenderChunk(display, viewport, chunks[i], lights[i], worlds[i]);
}

// ---- tbumpgloss ----

VorlexBumpGlossMaterial::VorlexBumpGlossMaterial(MaterialManager* manager, RenderingCache* alphaBlend,
                                                 RenderingCache* alphaMask, RenderingCache* materialChunk,
                                                 const BumpProgramSet& programs)
    : VorlexBumpMaterial(manager, alphaBlend, alphaMask, materialChunk, programs) {
    SetSharedTexture(*this, manager, kSecondSlot);
}

int VorlexBumpGlossMaterial::IsLoaded() const {
    if (!GetTexture(kSecondSlot)) return kNotLoaded;
    return VorlexBumpMaterial::IsLoaded();
}

GeometryChunk* VorlexBumpGlossMaterial::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount,
                                                            uint32_t indexCount, uint32_t faceNormalCount,
                                                            int primitiveType, const StandardChunkHint* hint) {
    GeometryChunk* chunk = VorlexBumpMaterial::CreateGeometryChunk(vertexCount, faceCount, indexCount,
                                                                   faceNormalCount, primitiveType, hint);
    if (!chunk) return nullptr;
    if (!chunk->HasFlag(GeometryChunk::kFlagPrivate)) chunk->SetVertexDataShared(0, -3, false);
    if (chunk->AddChunkProperty(kRustAge)) chunk->SetChunkProperty(kRustAge, 0.0f);
    return chunk;
}

void VorlexBumpGlossMaterial::SetDisplayState(Display* display) {
    if (!display) return;
    if (TextureResource* gloss = GetTexture(kSecondSlot))
        display->SetTexture(3, gloss);
    else
        display->DisableStage(3);
    VorlexBumpMaterial::SetDisplayState(display);
}

void VorlexBumpGlossMaterial::ClearDisplayState(Display* display) {
    if (!display) return;
    display->DisableStage(3);
    VorlexBumpMaterial::ClearDisplayState(display);
}

float VorlexBumpGlossMaterial::GlossFactor(const GeometryChunk& chunk) const {
    float rust = 0.0f;
    if (!chunk.GetChunkProperty(kRustAge, rust)) rust = 0.0f;
    return GetTextureAmount(kSecondSlot) * (1.0f - 2.0f * rust);
}

void VorlexBumpGlossMaterial::RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                          const DisplayLightList& lights, const DisplayMatrix& world) {
    if (!display || !viewport || !chunk || !m_programs.Loaded()) return;
    DisplayMaterial values = GetDisplayMaterial();
    const DisplayMaterial saved = values;
    values.ambient = {1, 1, 1, 1};
    SetDisplayMaterialProperties(values);
    const float f = GlossFactor(*chunk);
    SetDisplayState(display);
    if (f > kGlossThreshold) {
        m_programs.parallelCombiner->SetRegister(2, f, f, f, f);
        ParallelPass(display, viewport, chunk, lights, world, nullptr);
        if (const DisplayLight* spot = FindBrightestSpotLight(lights)) {
            m_programs.spotCombiner->SetRegister(2, f, f, f, f);
            SpotPass(display, viewport, chunk, *spot, world, nullptr);
        }
    }
    ClearDisplayState(display);
    SetDisplayMaterialProperties(saved);
}

void VorlexBumpGlossMaterial::RenderNumChunks(Display* display, Viewport* viewport, GeometryChunk* const* chunks,
                                              const DisplayLightList* lights, const DisplayMatrix* worlds,
                                              int count) {
    if (!chunks || !lights || !worlds) return;
    for (int i = 0; i < count; ++i) RenderChunk(display, viewport, chunks[i], lights[i], worlds[i]);
}

}  // namespace Vek
