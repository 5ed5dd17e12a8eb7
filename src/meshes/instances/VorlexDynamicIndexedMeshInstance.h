#pragma once
// The skinned instance of an indexed mesh: the instance plus the influence
// mesh built from the definition's bones and bound to a copy of its
// skeleton. Each render poses the mesh once for the frame. Chunks of the
// same kind (software skinned: flag 0x40, no palette; hardware skinned: no
// flag 0x40, a palette) can be added or merged with their influences.
#include "meshes/instances/VorlexIndexedMeshInstance.h"
#include "meshes/instances/VorlexInfluenceMesh.h"

class VorlexDynamicIndexedMeshInstance : public VorlexIndexedMeshInstance, public VorlexInfluenceMesh {
public:
    static constexpr uint32_t kID = 18;

    explicit VorlexDynamicIndexedMeshInstance(Vek::RenderKernel* renderKernel)
        : VorlexIndexedMeshInstance(renderKernel) {}
    // A copy's start: the kernel and a copy of the influence table.
    VorlexDynamicIndexedMeshInstance(Vek::RenderKernel* renderKernel, const VorlexInfluenceMesh& skin)
        : VorlexIndexedMeshInstance(renderKernel), VorlexInfluenceMesh(skin) {}

    // Stores the resource, SetDefinition, builds the influence mesh, copies
    // the skeleton, binds to it and adds it as a child, then the
    // attachment points. No per-chunk bone particles are collected.
    virtual void InitSkinnedFromResource(Vek::Resource* resource, VorlexIndexedMeshDefinition* definition);

    uint32_t GetID() const override { return kID; }
    Vek::Particle* CreateInstance() const override;
    void Render(Vek::ViewPort* viewPort, uint32_t pass, const Vek::Matrix4& matrix) override;
    void RenderGeometry(Vek::Display* display, Vek::ViewPort* viewPort, const Vek::Matrix4& matrix,
                        bool lit) override;
    // As the base, and the clone keeps the old chunk's bone matrices.
    void MakeChunkPrivate(uint32_t index) override;

    // Adds a clone of `chunk` with `material`; `sourceInfluences` are the
    // bones of the mesh the chunk comes from and `key` its chunk index
    // there. All bones are matched before anything is appended, so a failure
    // leaves the instance unchanged.
    virtual bool AddSkinnedChunk(Vek::GeometryChunk* chunk, Vek::Material* material,
                                 const VorlexInfluenceMesh* sourceInfluences, uint32_t key);
    // Merges `source` (chunk `key` of the mesh of `sourceInfluences`) into a
    // clone of chunk `index`, with its influences.
    virtual bool MergeSkinnedChunk(Vek::GeometryChunk* source, uint32_t index,
                                   const VorlexInfluenceMesh* sourceInfluences, uint32_t key);

    // Pose level 0 with this instance's chunks.
    void PoseChunks(uint32_t stamp);

    // The most palette matrices a merged hardware-skinned chunk may use.
    static constexpr int kMaxPaletteMatrices = 25;
};
