#include "meshes/materials/VorlexGlossRustMaterial.h"

#include <algorithm>
#include <sstream>

#include "engine/display/Display.h"
#include "engine/display/Viewport.h"
#include "engine/geometry/GeometryChunk.h"

namespace Vek {

namespace {
float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
}  // namespace

VorlexGlossRustMaterial::VorlexGlossRustMaterial(MaterialManager* manager, RenderingCache* alphaBlend,
                                                 RenderingCache* alphaMask, RenderingCache* materialChunk,
                                                 uint32_t stageState, int stateCount, const uint32_t (&states)[4])
    : ReflectiveMaterial(manager, alphaBlend, alphaMask, materialChunk, stageState), m_stateCount(stateCount) {
    std::copy(std::begin(states), std::end(states), m_states);
}

bool VorlexGlossRustMaterial::Equals(const Material& other) const {
    return dynamic_cast<const VorlexGlossRustMaterial*>(&other) && ReflectiveMaterial::Equals(other);
}

GeometryChunk* VorlexGlossRustMaterial::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount,
                                                            uint32_t indexCount, uint32_t faceNormalCount,
                                                            int primitiveType, const StandardChunkHint* hint) {
    GeometryChunk* chunk = ReflectiveMaterial::CreateGeometryChunk(vertexCount, faceCount, indexCount,
                                                                   faceNormalCount, primitiveType, hint);
    if (!chunk) return nullptr;
    if (!chunk->HasFlag(GeometryChunk::kFlagPrivate)) chunk->SetVertexDataShared(0, -3, false);
    if (chunk->AddChunkProperty(kRustAge)) chunk->SetChunkProperty(kRustAge, 0.0f);
    return chunk;
}

void VorlexGlossRustMaterial::ClearDisplayState(Display* display) {
    if (!display) return;
    OneTextureMaterial::ClearDisplayState(display);
    display->ResetStageState(1);
    display->ResetStageState(0);
    display->DisableStage(1);
}

float VorlexGlossRustMaterial::RustAgeOf(const GeometryChunk& chunk) {
    float rust = 0.0f;
    return chunk.GetChunkProperty(kRustAge, rust) ? rust : 0.0f;
}

float VorlexGlossRustMaterial::GlossFactor(const GeometryChunk& chunk) const {
    return GetEnvironmentAmount() * (1.0f - 2.0f * RustAgeOf(chunk));
}

void VorlexGlossRustMaterial::SetStageConstants(Display* display, float r, float g, float b, float a) {
    m_constant = {r, g, b, a};
    for (int stage = 0; stage < 2; ++stage) {
        std::ostringstream line;
        line << "StageConstant " << stage << ' ' << r << ' ' << g << ' ' << b << ' ' << a;
        display->GetTrace().Add(line.str());
    }
}

void VorlexGlossRustMaterial::RustConstants(Display* display, const DisplayLightList& lights,
                                            const DisplayColor& ambient, float rust) {
    DisplayColor sum = display->GetAmbientColor();
    for (const DisplayLight* light : lights) {
        if (!light) continue;
        sum.r += light->ambient.r;
        sum.g += light->ambient.g;
        sum.b += light->ambient.b;
    }
    SetStageConstants(display, Clamp01(sum.r) * ambient.r, Clamp01(sum.g) * ambient.g, Clamp01(sum.b) * ambient.b,
                      std::max(0.0f, 2.0f * (rust - 0.5f)));
}

void VorlexGlossRustMaterial::Lighting(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                       const DisplayLightList& lights, const DisplayMatrix& world) {
    SetLightingState(display, viewport ? &viewport->GetViewTransform() : nullptr, chunk, chunk->GetVertexProgram(0),
                     lights, world, chunk->GetOpacity() * GetOpacity(), false);
    display->SetWorldMatrix(world);
}

void VorlexGlossRustMaterial::DrawOne(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                      const DisplayLightList& lights, const DisplayMatrix& world, const Range* range) {
    if (!display || !chunk || !GetTexture(kEnvironmentSlot)) return;
    DisplayMaterial values = GetDisplayMaterial();
    const DisplayMaterial saved = values;
    values.ambient = {1, 1, 1, 1};
    const float rust = RustAgeOf(*chunk);
    if (rust > 0.5f) {
        const float s = 1.5f - rust;
        values.specular = {saved.specular.r * s, saved.specular.g * s, saved.specular.b * s, saved.specular.a * s};
    }
    SetDisplayMaterialProperties(values);
    OneTextureMaterial::SetDisplayState(display);
    if (m_stateCount > 0) display->SetTexture(1, GetTexture(kEnvironmentSlot));
    Lighting(display, viewport, chunk, lights, world);
    const float f = GlossFactor(*chunk);
    if (f > kGlossThreshold) {
        if (m_stateCount >= 2) {
            display->ApplyTextureStageState(m_states[0]);
            display->ApplyTextureStageState(m_states[1]);
        }
        SetStageConstants(display, f, f, f, f);
    } else {
        if (m_stateCount >= 4) {
            display->ApplyTextureStageState(m_states[2]);
            display->ApplyTextureStageState(m_states[3]);
        }
        RustConstants(display, lights, saved.ambient, rust);
    }
    if (range)
        chunk->RenderPrimitives(display, chunk->GetVertexProgram(0), range->indexCount, range->indices, range->count,
                                range->type);
    else
        chunk->Render(display, chunk->GetVertexProgram(0));
    display->ResetTextureMatrix(1);
    ClearDisplayState(display);
    SetDisplayMaterialProperties(saved);
}

void VorlexGlossRustMaterial::RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                          const DisplayLightList& lights, const DisplayMatrix& world) {
    DrawOne(display, viewport, chunk, lights, world, nullptr);
}

void VorlexGlossRustMaterial::RenderPrimitives(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                               const DisplayLightList& lights, const DisplayMatrix& world,
                                               uint32_t indexCount, const uint16_t* indices, uint32_t primitives,
                                               int primitiveType) {
    const Range range{indexCount, indices, primitives, primitiveType};
    DrawOne(display, viewport, chunk, lights, world, &range);
}

void VorlexGlossRustMaterial::DrawCached(Display* display, Viewport* viewport, GeometryChunk* chunk, int,
                                         const DisplayMatrix& transform) {
    DrawOne(display, viewport, chunk, DisplayLightList(), transform, nullptr);
}

// A batch draws every chunk as a single draw would: a chunk whose gloss
// factor is too small but whose RustAge is below 0.5 (a reflection amount
// of 0) takes the rust path here too, rather than being left out.
void VorlexGlossRustMaterial::RenderNumChunks(Display* display, Viewport* viewport, GeometryChunk* const* chunks,
                                              const DisplayLightList* lights, const DisplayMatrix* worlds,
                                              int count) {
    if (!chunks || !lights || !worlds) return;
    for (int i = 0; i < count; ++i) DrawOne(display, viewport, chunks[i], lights[i], worlds[i], nullptr);
}

}  // namespace Vek
