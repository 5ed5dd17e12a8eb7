#pragma once
// A model in the scene: a particle that also keeps reference points and
// carries attachment points, either on itself or on the bones of its
// skeleton.
#include <memory>
#include <vector>

#include "engine/scene/AttachmentPoint.h"
#include "engine/scene/ReferencePoint.h"
#include "engine/scene/ViewPortParticle.h"

namespace Vek {

class ParticleNameIndex;

class ParticleStructure : public ViewPortParticle {
public:
    static constexpr uint32_t kID = 3;

    // Takes ownership of the point (null is ignored).
    void AddReferencePoint(ReferencePoint* point);
    uint32_t GetReferencePointCount() const { return static_cast<uint32_t>(m_referencePoints.size()); }
    const ReferencePoint* GetReferencePoint(uint32_t index) const {
        return index < m_referencePoints.size() ? m_referencePoints[index].get() : nullptr;
    }
    const ReferencePoint* FindReferencePoint(const PString& name) const;

    // Hangs an attachment point on the model. With `onSkeleton` false the
    // point becomes a child of the structure: true. With `onSkeleton` true
    // it becomes a child of the particle below the structure named by the
    // point's target: true; when the target is empty or not found, nothing
    // changes and the result is false (the caller keeps the point).
    bool AddAttachmentPoint(AttachmentPoint* point, bool onSkeleton);
    // The same on the skeleton, with the target looked up in `names` (made
    // from this structure without itself); the point is added to `names`
    // when it is hung. For many points at once.
    bool AddAttachmentPoint(AttachmentPoint* point, ParticleNameIndex& names);
    // The attachment point of that name below the structure, or null.
    AttachmentPoint* FindAttachmentPoint(const PString& name) const;

    uint32_t GetID() const override { return kID; }
    Particle* CreateInstance() const override;

protected:
    // Copies the particle values and the reference points.
    void InitInstance(const ParticleStructure& source);

private:
    std::vector<std::unique_ptr<ReferencePoint>> m_referencePoints;
};

}  // namespace Vek
