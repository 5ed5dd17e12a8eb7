#pragma once
// The scene object of a progressive mesh definition: an indexed instance
// whose every copy owns its chunks (a copy clones them all), and which
// refuses to add or merge chunks.
#include "meshes/instances/VorlexIndexedMeshInstance.h"

class VorlexProgressiveMeshDefinition;

class VorlexProgressiveMeshInstance : public VorlexIndexedMeshInstance {
public:
    static constexpr uint32_t kID = 19;

    explicit VorlexProgressiveMeshInstance(Vek::RenderKernel* renderKernel)
        : VorlexIndexedMeshInstance(renderKernel) {}

    // Also keeps the progressive definition.
    void InitFromResource(Vek::Resource* resource, VorlexIndexedMeshDefinition* definition) override;

    uint32_t GetID() const override { return kID; }
    Vek::Particle* CreateInstance() const override;
    bool AddChunk(Vek::GeometryChunk*, Vek::Material*) override { return false; }
    bool MergeChunk(Vek::GeometryChunk*, uint32_t) override { return false; }
    void SetDefinition(VorlexIndexedMeshDefinition* definition) override;

    VorlexProgressiveMeshDefinition* GetProgressiveDefinition() const { return m_progressiveDefinition; }

protected:
    // The indexed copy, then a private array of private chunks.
    void InitInstance(const VorlexProgressiveMeshInstance& source);
    // Every chunk becomes a private clone prepared for the display.
    void MakeAllChunksPrivate();

    VorlexProgressiveMeshDefinition* m_progressiveDefinition = nullptr;
};
