#include "meshes/materials/VorlexGlossRustMaterial.h"

#include <algorithm>
#include <sstream>

#include "engine/display/Display.h"
#include "engine/display/Viewport.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/textures/TextureResource.h"
#include "meshes/materials/MaterialMath.h"

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

bool VorlexGlossRustMaterial::BeginDraw(Display* display, DisplayMaterial& saved) {
    if (!display || !GetTexture(kEnvironmentSlot)) return false;
    saved = GetDisplayMaterial();
    DisplayMaterial values = saved;
    values.ambient = {1, 1, 1, 1};
    SetDisplayMaterialProperties(values);
    OneTextureMaterial::SetDisplayState(display);
    if (m_stateCount > 0) display->SetTexture(1, GetTexture(kEnvironmentSlot));
    return true;
}

void VorlexGlossRustMaterial::ScaleSpecular(const DisplayMaterial& saved, float rust) {
    DisplayMaterial values = GetDisplayMaterial();
    if (rust > 0.5f) {
        const float s = 1.5f - rust;
        values.specular = {saved.specular.r * s, saved.specular.g * s, saved.specular.b * s, saved.specular.a * s};
    } else {
        values.specular = saved.specular;
    }
    SetDisplayMaterialProperties(values);
}

void VorlexGlossRustMaterial::ApplyStates(Display* display, int first) {
    if (m_stateCount < first + 2) return;
    display->ApplyTextureStageState(m_states[first]);
    display->ApplyTextureStageState(m_states[first + 1]);
}

// Sphere maps: the chunk's own coordinates, unless the display makes them.
// Cube maps the display makes coordinates for: the camera-space reflection
// vector turned back by the camera's rotation, then by the texture matrix.
void VorlexGlossRustMaterial::GlossCoordinates(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                               const DisplayMatrix& world) {
    const bool cube = IsCubeMap();
    if (!(GetReflectionOptions() & kOptionDisplaySphereMap) && !cube) {
        SetSphericalTexureCoordinates(chunk, world);
        return;
    }
    const TextureResource* texture = GetTexture(kEnvironmentSlot);
    if (viewport && (GetReflectionOptions() & kOptionCubeMapTransform) && texture && texture->IsLoaded() && cube) {
        const DisplayMatrix transform =
            MaterialMath::Multiply(MaterialMath::RotationTransposed(viewport->GetViewTransform()), GetTextureMatrix());
        display->SetTextureTransform(transform);
        display->SetTextureMatrix(1, transform);
    }
}

// Undoes what ChangeTexGen set for the display-made coordinates.
void VorlexGlossRustMaterial::ResetCoordinateGeneration(Display* display) {
    const uint8_t bit = IsCubeMap() ? kOptionCubeMapTransform : kOptionDisplaySphereMap;
    if (GetReflectionOptions() & bit) display->SetTextureCoordGen(1, Display::kTexGenVertex, 2);
}

void VorlexGlossRustMaterial::Draw(Display* display, GeometryChunk* chunk, const Range* range) {
    if (range)
        chunk->RenderPrimitives(display, chunk->GetVertexProgram(0), range->indexCount, range->indices, range->count,
                                range->type);
    else
        chunk->Render(display, chunk->GetVertexProgram(0));
}

void VorlexGlossRustMaterial::DrawOne(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                      const DisplayLightList& lights, const DisplayMatrix& world, const Range* range) {
    DisplayMaterial saved;
    if (!chunk || !BeginDraw(display, saved)) return;
    const float rust = RustAgeOf(*chunk);
    ScaleSpecular(saved, rust);
    Lighting(display, viewport, chunk, lights, world);
    const float f = GlossFactor(*chunk);
    if (f > kGlossThreshold) {
        ChangeTexGen(display, chunk->GetVertexProgram(0) == nullptr);
        ApplyStates(display, 0);
        SetStageConstants(display, f, f, f, f);
        GlossCoordinates(display, viewport, chunk, world);
        Draw(display, chunk, range);
        ResetCoordinateGeneration(display);
        display->ResetTextureMatrix(1);
    } else {
        ApplyStates(display, 2);
        RustConstants(display, lights, saved.ambient, rust);
        Draw(display, chunk, range);
    }
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

// A batch draws in two phases so that each set of stage states is applied
// once: every glossy chunk first, then every other chunk matt. The rust
// phase takes every chunk the gloss phase left, as a single draw would: a
// chunk whose gloss factor is too small while its RustAge is below 0.5 (a
// reflection amount of 0) is drawn matt rather than left out.
void VorlexGlossRustMaterial::RenderNumChunks(Display* display, Viewport* viewport, GeometryChunk* const* chunks,
                                              const DisplayLightList* lights, const DisplayMatrix* worlds,
                                              int count) {
    if (!chunks || !lights || !worlds || count <= 0) return;
    DisplayMaterial saved;
    if (!BeginDraw(display, saved)) return;

    bool noProgram = !chunks[0] || chunks[0]->GetVertexProgram(0) == nullptr;
    ChangeTexGen(display, noProgram);
    ApplyStates(display, 0);
    for (int i = 0; i < count; ++i) {
        GeometryChunk* chunk = chunks[i];
        if (!chunk) continue;
        const float f = GlossFactor(*chunk);
        if (!(f > kGlossThreshold)) continue;
        SetStageConstants(display, f, f, f, f);
        GlossCoordinates(display, viewport, chunk, worlds[i]);
        const bool lacksProgram = chunk->GetVertexProgram(0) == nullptr;
        if (lacksProgram != noProgram) {
            noProgram = lacksProgram;
            ChangeTexGen(display, noProgram);
        }
        Lighting(display, viewport, chunk, lights[i], worlds[i]);
        Draw(display, chunk, nullptr);
    }

    display->ResetTextureMatrix(1);
    ResetCoordinateGeneration(display);
    ApplyStates(display, 2);
    for (int i = 0; i < count; ++i) {
        GeometryChunk* chunk = chunks[i];
        if (!chunk || GlossFactor(*chunk) > kGlossThreshold) continue;
        const float rust = RustAgeOf(*chunk);
        ScaleSpecular(saved, rust);
        RustConstants(display, lights[i], saved.ambient, rust);
        Lighting(display, viewport, chunk, lights[i], worlds[i]);
        Draw(display, chunk, nullptr);
        ScaleSpecular(saved, 0.0f);
    }

    ClearDisplayState(display);
    SetDisplayMaterialProperties(saved);
}

}  // namespace Vek
