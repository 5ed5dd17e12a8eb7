#pragma once
// The scene object that draws one level-of-detail mesh
// (VorlexIndexedMeshLODDefinition). Each frame the engine's LOD object
// turns the instance's bounding sphere and the camera into a LOD value; the
// value picks the level drawn (the render level) and is compared with the
// render cut-off (not drawn below it) and the attachment cut-off (culled
// attachments hidden above it).
//
// Independently of drawing, one level is selected: its chunks and
// materials are the base instance's current ones, which ray tests and face
// queries use. The selected level is the one named "collision", else the
// last distance level.
//
// The instance keeps its own copies of the definition's level records;
// their chunk and material arrays are shared with the definition until the
// instance makes them private (chunks flagged private are cloned for every
// instance). A level whose chunks hang from rigid bones draws each chunk
// with its bone's matrix, and only when the bone was culled in the frame.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/PString.h"
#include "engine/scene/ObjectLOD.h"
#include "meshes/instances/VorlexIndexedMeshInstance.h"
#include "meshes/lod/LODLevel.h"

class VorlexIndexedMeshLODDefinition;

class VorlexIndexedMeshLODInstance : public VorlexIndexedMeshInstance, public Vek::ObjectLOD {
public:
    static constexpr uint32_t kID = 21;
    // The bounding sphere's radius is enlarged by this for the LOD value.
    static constexpr float kSphereMargin = 5.0f;

    explicit VorlexIndexedMeshLODInstance(Vek::RenderKernel* renderKernel);
    ~VorlexIndexedMeshLODInstance() override;

    // Called by the resource right after construction: the resource (a
    // reference and a lock), InitFromDefinition, a copy of a rigid bone
    // tree with each level's bone particles, the attachment points, and the
    // particles of the culled attachments. Nothing more for a definition
    // that is not a level-of-detail one.
    void InitFromResource(Vek::Resource* resource, VorlexIndexedMeshDefinition* definition) override;

    // ---- Vek::Particle ----
    uint32_t GetID() const override { return kID; }
    Vek::Particle* CreateInstance() const override;
    bool CullEnter(Vek::ViewPoint& viewPoint, const Vek::Matrix4& parentMatrix) override;
    void CullLeave(Vek::ViewPoint& viewPoint, const Vek::Matrix4& parentMatrix) override;
    void Render(Vek::ViewPort* viewPort, uint32_t pass, const Vek::Matrix4& matrix) override;
    // The opacity of the instance and of every chunk of the distance levels.
    void SetOpacity(float opacity) override;

    // ---- VorlexIndexedMeshInstance ----
    // As the base, then the new array becomes the selected level's.
    void MakeChunkArrayPrivate() override;
    void MakeMaterialArrayPrivate() override;
    // A level-of-detail instance never takes extra chunks.
    bool AddChunk(Vek::GeometryChunk*, Vek::Material*) override { return false; }
    bool MergeChunk(Vek::GeometryChunk*, uint32_t) override { return false; }
    // Keeps the scale (scaled when a component is not 1) without changing
    // the bounding volume.
    void SetScale(float x, float y, float z) override;
    void RenderGeometry(Vek::Display* display, Vek::ViewPort* viewPort, const Vek::Matrix4& matrix,
                        bool lit) override;
    // The per-frame lighting step, for the selected level.
    void UpdateLighting(Vek::Display* display, Vek::ViewPort* viewPort, const Vek::Matrix4& matrix,
                        bool force) override;

    // ---- own operations, in this order ----
    // Works out level `level`'s lighting when it is marked dirty (clearing
    // the mark) or when forced.
    virtual void UpdateLevelLighting(Vek::Display* display, Vek::ViewPort* viewPort, const Vek::Matrix4& matrix,
                                     uint32_t level, bool forced);
    // UpdateLevelLighting for every level, or for the distance levels only.
    virtual void UpdateAllLevelsLighting(Vek::Display* display, Vek::ViewPort* viewPort, const Vek::Matrix4& matrix,
                                         bool distanceLevelsOnly, bool forced);
    // The LOD values, the shared named levels, copies of the level records
    // and the definition's current values; then the default selection.
    virtual void InitFromDefinition(VorlexIndexedMeshLODDefinition* definition);

    // Marks every level (and the instance) for relighting, or none.
    void SetUpdateLighting(bool on);

    // Makes a level's chunks and materials the current ones; nothing for an
    // index that is not a level.
    void SelectLevel(uint32_t index);
    uint32_t GetLevelCount() const { return static_cast<uint32_t>(m_levels.size()); }
    // The level of the first named level with this (interned) name, or -1.
    int FindNamedLevel(const Vek::PString& name) const;

    uint32_t GetSelectedLevel() const { return m_selectedLevel; }
    const LODLevel* GetLevel(uint32_t i) const { return i < m_levels.size() ? &m_levels[i] : nullptr; }
    // The level drawn by the last culling pass that found the instance visible.
    const LODLevel* GetRenderLevel() const { return GetLevel(m_renderLevel); }
    uint32_t GetRenderLevelIndex() const { return m_renderLevel; }
    float GetRenderCutOff() const { return m_renderCutOff; }
    float GetAttachmentCutOff() const { return m_attachmentCutOff; }
    uint32_t GetDirtyLevelCount() const { return m_dirtyLevelCount; }
    bool IsLevelLightingDirty(uint32_t level) const {
        return level < m_levelLightingDirty.size() && m_levelLightingDirty[level] != 0;
    }
    const std::vector<Vek::Particle*>& GetCulledAttachmentParticles() const { return m_culledAttachmentParticles; }

protected:
    // The copy's steps after construction (CreateInstance).
    void InitLODInstance(const VorlexIndexedMeshLODInstance& source);
    // Selects "collision", else the last distance level.
    void SelectDefaultLevel();
    // The culled attachments' particles found below the instance.
    void CollectCulledAttachments(const std::vector<Vek::PString>& names);
    // Draws one chunk of the render level with a world matrix.
    void DrawLevelChunk(Vek::ViewPort* viewPort, Vek::GeometryChunk* chunk, Vek::Material* material,
                        const Vek::Matrix4& world);
    // The world matrix of Render: the instance's scale applied to a copy.
    Vek::Matrix4 ScaledMatrix(const Vek::Matrix4& matrix) const;
    // Lights a level's chunks when it is marked dirty (clearing the mark),
    // or when forced.
    void LightLevel(uint32_t level, uint32_t chunkCount, const void* chunks, const void* materials, bool forced);
    // The LOD value found when the walk entered this instance, used when it
    // leaves it.
    float m_cullLOD = 0.0f;

    // No level is selected: a new private array is not stored in a level.
    static constexpr uint32_t kNoLevel = 0xFFFFFFFFu;

    uint32_t m_selectedLevel = kNoLevel;
    std::shared_ptr<NamedLevelBlock> m_namedLevels;
    LODLevelBlock m_levels;
    uint32_t m_renderLevel = 0;
    std::vector<uint8_t> m_levelLightingDirty;
    uint32_t m_dirtyLevelCount = 0;
    float m_renderCutOff = 0.0f;
    float m_attachmentCutOff = 0.0f;
    std::vector<Vek::Particle*> m_culledAttachmentParticles;
};
