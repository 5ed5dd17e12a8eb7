#pragma once
// The skinned instance of a progressive mesh: the progressive instance plus
// the influence mesh, posed once per frame before it is drawn.
#include "meshes/instances/VorlexInfluenceMesh.h"
#include "meshes/instances/VorlexProgressiveMeshInstance.h"

class VorlexDynamicProgressiveMeshInstance : public VorlexProgressiveMeshInstance, public VorlexInfluenceMesh {
public:
    static constexpr uint32_t kID = 20;

    explicit VorlexDynamicProgressiveMeshInstance(Vek::RenderKernel* renderKernel)
        : VorlexProgressiveMeshInstance(renderKernel) {}
    // A copy's start: the kernel and a copy of the influence table.
    VorlexDynamicProgressiveMeshInstance(Vek::RenderKernel* renderKernel, const VorlexInfluenceMesh& skin)
        : VorlexProgressiveMeshInstance(renderKernel), VorlexInfluenceMesh(skin) {}

    // As the indexed twin's, and keeps the progressive definition.
    virtual void InitSkinnedFromResource(Vek::Resource* resource, VorlexIndexedMeshDefinition* definition);

    uint32_t GetID() const override { return kID; }
    Vek::Particle* CreateInstance() const override;
    void Render(Vek::ViewPort* viewPort, uint32_t pass, const Vek::Matrix4& matrix) override;
    void RenderGeometry(Vek::Display* display, Vek::ViewPort* viewPort, const Vek::Matrix4& matrix,
                        bool lit) override;

    void PoseChunks(uint32_t stamp);
};
