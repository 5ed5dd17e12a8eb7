#pragma once
// A bone of a skeleton: a particle with a frame (rest) position and
// orientation, which animation starts from, a local box (±0.01 for the
// bones of loaded meshes) and an optional visible bounding box that it owns.
#include <memory>

#include "engine/scene/Particle.h"
#include "engine/scene/ParticleVisibleBoundingBox.h"

namespace Vek {

class ParticleBone : public Particle {
public:
    static constexpr uint32_t kID = 2;

    ParticleBone() = default;
    explicit ParticleBone(const PString& name) { SetName(name); }

    void SetFramePosition(const Vector3& position) { m_framePosition = position; }
    void SetFrameOrientation(const Quaternion& orientation) { m_frameOrientation = orientation; }
    const Vector3& GetFramePosition() const { return m_framePosition; }
    const Quaternion& GetFrameOrientation() const { return m_frameOrientation; }

    void SetLocalBox(const Vector3& minimum, const Vector3& maximum) {
        m_boxMin = minimum;
        m_boxMax = maximum;
    }
    const Vector3& GetLocalBoxMin() const { return m_boxMin; }
    const Vector3& GetLocalBoxMax() const { return m_boxMax; }

    // Takes ownership of the box (null removes it).
    void SetVisibleBoundingBox(ParticleVisibleBoundingBox* box) { m_visibleBox.reset(box); }
    ParticleVisibleBoundingBox* GetVisibleBoundingBox() const { return m_visibleBox.get(); }

    uint32_t GetID() const override { return kID; }
    Particle* CreateInstance() const override;

private:
    Vector3 m_framePosition;
    Quaternion m_frameOrientation;
    Vector3 m_boxMin;
    Vector3 m_boxMax;
    std::unique_ptr<ParticleVisibleBoundingBox> m_visibleBox;
};

}  // namespace Vek
