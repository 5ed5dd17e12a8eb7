#pragma once
// The box that makes a bone visible to picking and culling: two corners in
// the bone's own space.
#include "engine/Vector.h"

namespace Vek {

class ParticleVisibleBoundingBox {
public:
    ParticleVisibleBoundingBox() = default;
    ParticleVisibleBoundingBox(const Vector3& minimum, const Vector3& maximum) : m_min(minimum), m_max(maximum) {}

    void SetBox(const Vector3& minimum, const Vector3& maximum) {
        m_min = minimum;
        m_max = maximum;
    }
    const Vector3& GetMin() const { return m_min; }
    const Vector3& GetMax() const { return m_max; }

private:
    Vector3 m_min;
    Vector3 m_max;
};

}  // namespace Vek
