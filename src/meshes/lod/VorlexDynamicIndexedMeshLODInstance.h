#pragma once
// The skinned level-of-detail instance: the level-of-detail instance plus
// the influence mesh built from the definition's bone table (one influence
// set per level) and bound to a copy of its skeleton.
//
// Animation band: around the animation cut-off, half as wide as the LOD
// offset on each side. Above it (LOD value - offset > cut-off) bit 1 of the
// skin flags is set and the "b." bone trees below the instance are hidden;
// below it (LOD value + offset < cut-off) both are cleared; inside nothing
// changes. A pose runs when bit 0 (a pose is due; set at construction) or
// bit 1 is set: the render level, then every animated level.
//
// Each level's chunks that are skinned in hardware are the instance's own
// clones, so that one instance's pose never reaches another's chunks.
#include <cstdint>
#include <vector>

#include "meshes/instances/VorlexInfluenceMesh.h"
#include "meshes/lod/VorlexIndexedMeshLODInstance.h"

class VorlexDynamicIndexedMeshLODInstance : public VorlexIndexedMeshLODInstance, public VorlexInfluenceMesh {
public:
    static constexpr uint32_t kID = 22;
    enum SkinFlags : uint8_t { kPoseDue = 0x1, kAboveBand = 0x2 };

    explicit VorlexDynamicIndexedMeshLODInstance(Vek::RenderKernel* renderKernel)
        : VorlexIndexedMeshLODInstance(renderKernel) {}
    // A copy's start: the kernel and a copy of the influence table.
    VorlexDynamicIndexedMeshLODInstance(Vek::RenderKernel* renderKernel, const VorlexInfluenceMesh& skin)
        : VorlexIndexedMeshLODInstance(renderKernel), VorlexInfluenceMesh(skin) {}

    // The resource, InitFromDefinition, the animation cut-off, the
    // influence mesh built from the bone table over the levels, the animated
    // levels, a copy of the skeleton bound and added as a child, and the
    // attachment points. No culled attachment particles are collected.
    void InitFromResource(Vek::Resource* resource, VorlexIndexedMeshDefinition* definition) override;

    uint32_t GetID() const override { return kID; }
    Vek::Particle* CreateInstance() const override;
    void Render(Vek::ViewPort* viewPort, uint32_t pass, const Vek::Matrix4& matrix) override;
    void RenderGeometry(Vek::Display* display, Vek::ViewPort* viewPort, const Vek::Matrix4& matrix,
                        bool lit) override;
    virtual bool IsSkinnedInSoftware() const { return false; }
    virtual bool IsSkinShared() const { return false; }

    // True when the index is animated already or is appended now; false for
    // an index that is not a level.
    bool AddAnimatedLevel(uint32_t index);
    const std::vector<uint32_t>& GetAnimatedLevels() const { return m_animatedLevels; }
    float GetAnimationCutOff() const { return m_animationCutOff; }
    uint8_t GetSkinFlags() const { return m_skinFlags; }

    // The skinning step of a frame (see above).
    void UpdateSkin(uint32_t frame);

private:
    // Gives the selected level private clones of its chunks that are not
    // skinned in software; `assign` gives each clone the bone matrices.
    void MakeSkinnedChunksPrivate(bool assign);

    std::vector<uint32_t> m_animatedLevels;
    float m_animationCutOff = 0.0f;
    uint8_t m_skinFlags = kPoseDue | kAboveBand;
};
