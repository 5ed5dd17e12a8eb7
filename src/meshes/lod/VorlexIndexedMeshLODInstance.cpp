#include "meshes/lod/VorlexIndexedMeshLODInstance.h"

#include "engine/RenderKernel.h"
#include "engine/Resource.h"
#include "engine/display/Display.h"
#include "engine/scene/ParticleBone.h"
#include "engine/scene/ParticleNameIndex.h"
#include "engine/display/DisplayLight.h"
#include "engine/scene/Camera.h"
#include "engine/scene/ViewPoint.h"
#include "engine/scene/ViewPort.h"
#include "meshes/instances/DisplayMatrixOf.h"
#include "meshes/lod/VorlexIndexedMeshLODDefinition.h"

using namespace Vek;

VorlexIndexedMeshLODInstance::VorlexIndexedMeshLODInstance(RenderKernel* renderKernel)
    : VorlexIndexedMeshInstance(renderKernel) {}

VorlexIndexedMeshLODInstance::~VorlexIndexedMeshLODInstance() = default;

// ---- set-up ----

void VorlexIndexedMeshLODInstance::InitFromDefinition(VorlexIndexedMeshLODDefinition* d) {
    if (!d) return;
    ObjectLOD::Init(d->switchDistances, d->calcPoint);
    m_namedLevels = d->namedLevels;
    SetMultiplier(d->multiplier);
    SetOffset(d->offset);
    m_renderCutOff = d->renderCutOff;
    m_attachmentCutOff = d->attachmentCutOff;
    m_levels.clear();
    m_levels.reserve(d->GetLevelCount());
    m_levelLightingDirty.clear();
    for (uint32_t i = 0; i < d->GetLevelCount(); ++i) {
        m_levels.push_back(*d->GetLevel(i));
        m_levelLightingDirty.push_back(1);
        SelectLevel(i);
        MakeFlaggedChunksPrivate();
    }
    m_dirtyLevelCount = GetLevelCount();
    // The base's set-up takes the definition's current arrays; no level
    // may take them as its own.
    m_selectedLevel = kNoLevel;
    SetDefinition(d);
    SelectDefaultLevel();
    m_renderLevel = 0;
}

void VorlexIndexedMeshLODInstance::SelectDefaultLevel() {
    const int collision = FindNamedLevel(PString("collision"));
    if (collision >= 0)
        SelectLevel(static_cast<uint32_t>(collision));
    else if (ObjectLOD::GetLevelCount() > 0)
        SelectLevel(ObjectLOD::GetLevelCount() - 1);
}

void VorlexIndexedMeshLODInstance::InitFromResource(Resource* resource, VorlexIndexedMeshDefinition* definition) {
    HoldResource(resource);
    auto* d = dynamic_cast<VorlexIndexedMeshLODDefinition*>(definition);
    if (!d) return;
    InitFromDefinition(d);
    if (d->skeletonRoot) {
        Particle* skeleton = d->skeletonRoot->CloneTree();
        Add(skeleton);
        const ParticleNameIndex bones(skeleton);
        for (LODLevel& level : m_levels) {
            level.chunkBones.clear();
            for (uint32_t c = 0; c < level.chunkCount; ++c) {
                const PString bone = c < level.chunkBoneNames.size() ? level.chunkBoneNames[c] : PString();
                Particle* particle = nullptr;
                if (!bone.IsEmpty()) particle = bones.Find(bone);
                level.chunkBones.push_back(particle);
            }
        }
    }
    d->AddAttachmentPoints(this);
    CollectCulledAttachments(d->culledAttachments);
}

void VorlexIndexedMeshLODInstance::CollectCulledAttachments(const std::vector<PString>& names) {
    m_culledAttachmentParticles.clear();
    if (names.empty()) return;
    const ParticleNameIndex particles(this, false);
    for (const PString& name : names)
        if (Particle* particle = particles.Find(name)) m_culledAttachmentParticles.push_back(particle);
}

Particle* VorlexIndexedMeshLODInstance::CreateInstance() const {
    auto* copy = new VorlexIndexedMeshLODInstance(m_renderKernel);
    copy->InitLODInstance(*this);
    return copy;
}

void VorlexIndexedMeshLODInstance::InitLODInstance(const VorlexIndexedMeshLODInstance& source) {
    m_selectedLevel = kNoLevel;
    VorlexIndexedMeshInstance::InitInstance(source);
    ObjectLOD::InitInstance(source);
    m_namedLevels = source.m_namedLevels;
    m_dirtyLevelCount = source.m_dirtyLevelCount;
    m_renderCutOff = source.m_renderCutOff;
    m_attachmentCutOff = source.m_attachmentCutOff;
    m_levels.clear();
    m_levels.reserve(source.m_levels.size());
    m_levelLightingDirty.clear();
    for (uint32_t i = 0; i < source.m_levels.size(); ++i) {
        m_levels.push_back(source.m_levels[i]);
        // The source's bone particles are not this copy's: its chunks are
        // drawn with the copy's own matrix.
        m_levels.back().chunkBones.clear();
        m_levelLightingDirty.push_back(source.m_levelLightingDirty[i]);
        SelectLevel(i);
        MakeFlaggedChunksPrivate();
    }
    SelectLevel(source.m_selectedLevel);
    m_renderLevel = 0;
    std::vector<PString> names;
    for (const Particle* particle : source.m_culledAttachmentParticles) names.push_back(particle->GetName());
    CollectCulledAttachments(names);
}

// ---- levels ----

void VorlexIndexedMeshLODInstance::SelectLevel(uint32_t index) {
    if (index >= m_levels.size()) return;
    const LODLevel& level = m_levels[index];
    m_chunkCount = level.chunkCount;
    m_chunks.Share(level.chunks);
    m_materials.Share(level.materials);
    m_selectedLevel = index;
}

int VorlexIndexedMeshLODInstance::FindNamedLevel(const PString& name) const {
    if (!m_namedLevels) return -1;
    for (const NamedLevel& n : *m_namedLevels)
        if (n.name == name) return static_cast<int>(n.level);
    return -1;
}

void VorlexIndexedMeshLODInstance::MakeChunkArrayPrivate() {
    VorlexIndexedMeshInstance::MakeChunkArrayPrivate();
    if (m_selectedLevel < m_levels.size()) m_levels[m_selectedLevel].chunks.Share(m_chunks);
}

void VorlexIndexedMeshLODInstance::MakeMaterialArrayPrivate() {
    VorlexIndexedMeshInstance::MakeMaterialArrayPrivate();
    if (m_selectedLevel < m_levels.size()) m_levels[m_selectedLevel].materials.Share(m_materials);
}

void VorlexIndexedMeshLODInstance::SetScale(float x, float y, float z) {
    m_scale = {x, y, z};
    m_scaled = x != 1.0f || y != 1.0f || z != 1.0f;
}

// ---- culling and drawing ----

// Culls like the engine's LOD objects (the skinned kind too): the level
// value decides, before the subtree is walked, which culled attachments
// hide, and afterwards which level is drawn.
bool VorlexIndexedMeshLODInstance::CullEnter(ViewPoint& viewPoint, const Matrix4& parentMatrix) {
    Vector3 centre;
    float radius = 0.0f;
    GetGlobalBoundingSphere(centre, radius);
    m_cullLOD = viewPoint.GetCamera() ? FindLOD(centre, radius + kSphereMargin, *viewPoint.GetCamera())
                                      : GetCurrentLOD();
    for (Particle* particle : m_culledAttachmentParticles)
        particle->SetFlag(kFlagHidden, m_attachmentCutOff < m_cullLOD);
    return Particle::CullEnter(viewPoint, parentMatrix);
}

void VorlexIndexedMeshLODInstance::CullLeave(ViewPoint& viewPoint, const Matrix4& parentMatrix) {
    const float d = m_cullLOD;
    if (m_opacity <= 0.0f) SetLastCulledFrame(0);
    if (GetLastCulledFrame() != viewPoint.GetFrame()) return;
    m_renderLevel = FindLODIndex(d);
    if (m_renderCutOff > GetCurrentLOD()) return;
    if (const LODLevel* level = GetRenderLevel())
        for (uint32_t c = 0; c < level->chunkCount; ++c)
            if (Material* material = level->GetMaterial(c)) material->Activate();
    const Matrix4 world = GetLocalMatrix() * parentMatrix;
    viewPoint.Add(this, world);
    StoreMatrix(viewPoint.GetViewPort(), world);
}

Matrix4 VorlexIndexedMeshLODInstance::ScaledMatrix(const Matrix4& matrix) const {
    Matrix4 world = matrix;
    if (m_scaled) {
        const float scale[3] = {m_scale.x, m_scale.y, m_scale.z};
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column) world.m[row][column] *= scale[row];
    }
    return world;
}

void VorlexIndexedMeshLODInstance::DrawLevelChunk(ViewPort* viewPort, GeometryChunk* chunk, Material* material,
                                                  const Matrix4& world) {
    if (!chunk || !material) return;
    static const DisplayLightList kNoLights;
    material->RenderChunk(GetDisplay(), viewPort ? viewPort->GetDisplayViewport() : nullptr, chunk, kNoLights,
                          DisplayMatrixOf(world));
}

void VorlexIndexedMeshLODInstance::Render(ViewPort* viewPort, uint32_t, const Matrix4& matrix) {
    const Matrix4 world = ScaledMatrix(matrix);
    UpdateLevelLighting(GetDisplay(), viewPort, world, GetCurrentLevel(), false);
    const LODLevel* level = GetRenderLevel();
    if (!level) return;
    for (uint32_t i = 0; i < level->chunkCount; ++i) {
        GeometryChunk* chunk = level->GetChunk(i);
        if (!chunk || chunk->GetFaceCount() == 0) continue;
        if (level->chunkBones.empty()) {
            DrawLevelChunk(viewPort, chunk, level->GetMaterial(i), world);
            continue;
        }
        // A chunk without a bone of its own is not drawn.
        const Particle* bone = i < level->chunkBones.size() ? level->chunkBones[i] : nullptr;
        if (!bone || !viewPort || bone->GetLastCulledFrame() != viewPort->GetFrameNumber()) continue;
        DrawLevelChunk(viewPort, chunk, level->GetMaterial(i), bone->GetGlobalMatrix());
    }
}

void VorlexIndexedMeshLODInstance::RenderGeometry(Display* display, ViewPort* viewPort, const Matrix4& matrix,
                                                  bool lit) {
    const LODLevel* level = GetRenderLevel();
    if (!display || !level) return;
    const DisplayMatrix world = DisplayMatrixOf(matrix);
    static const DisplayLightList kNoLights;
    for (uint32_t i = 0; i < level->chunkCount; ++i) {
        GeometryChunk* chunk = level->GetChunk(i);
        if (!chunk || chunk->GetFaceCount() == 0) continue;
        display->SetWorldMatrix(world);
        VertexProgram* program = chunk->GetVertexProgram(0);
        if (lit) {
            Matrix4 view;
            if (viewPort && viewPort->GetCamera()) viewPort->GetCamera()->GetViewTransform(view);
            const DisplayMatrix viewMatrix = DisplayMatrixOf(view);
            if (Material* material = level->GetMaterial(i))
                material->SetLightingState(display, &viewMatrix, chunk, program, kNoLights, world, m_opacity, true);
        }
        chunk->Render(display, program);
    }
}

void VorlexIndexedMeshLODInstance::SetOpacity(float opacity) {
    m_opacity = opacity;
    for (uint32_t l = 0; l < ObjectLOD::GetLevelCount() && l < m_levels.size(); ++l)
        for (uint32_t c = 0; c < m_levels[l].chunkCount; ++c)
            if (GeometryChunk* chunk = m_levels[l].GetChunk(c)) chunk->SetOpacity(GetDisplay(), opacity);
    Particle::SetOpacity(opacity);
}

// ---- lighting ----

void VorlexIndexedMeshLODInstance::SetUpdateLighting(bool on) {
    for (uint8_t& dirty : m_levelLightingDirty) dirty = on ? 1 : 0;
    LightTarget::SetUpdateLighting(on);
    m_dirtyLevelCount = on ? GetLevelCount() : 0;
}

void VorlexIndexedMeshLODInstance::LightLevel(uint32_t level, uint32_t chunkCount, const void* chunks,
                                              const void* materials, bool forced) {
    if (level >= m_levelLightingDirty.size()) return;
    if (m_levelLightingDirty[level]) {
        CalculateLighting(chunkCount, chunks, materials);
        m_levelLightingDirty[level] = 0;
        if (m_dirtyLevelCount > 0 && --m_dirtyLevelCount == 0) LightTarget::SetUpdateLighting(false);
    } else if (forced) {
        CalculateLighting(chunkCount, chunks, materials);
    }
}

void VorlexIndexedMeshLODInstance::UpdateLevelLighting(Display*, ViewPort*, const Matrix4&, uint32_t level,
                                                       bool forced) {
    if (const LODLevel* record = GetLevel(level))
        LightLevel(level, record->chunkCount, record->chunks.GetItems(), record->materials.GetItems(), forced);
}

void VorlexIndexedMeshLODInstance::UpdateLighting(Display*, ViewPort*, const Matrix4&, bool force) {
    LightLevel(m_selectedLevel, m_chunkCount, m_chunks.GetItems(), m_materials.GetItems(), force);
}

void VorlexIndexedMeshLODInstance::UpdateAllLevelsLighting(Display* display, ViewPort* viewPort,
                                                           const Matrix4& matrix, bool distanceLevelsOnly,
                                                           bool forced) {
    const uint32_t count = distanceLevelsOnly ? ObjectLOD::GetLevelCount() : GetLevelCount();
    for (uint32_t l = 0; l < count; ++l) UpdateLevelLighting(display, viewPort, matrix, l, forced);
}
