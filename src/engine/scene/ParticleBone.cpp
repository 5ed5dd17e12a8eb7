#include "engine/scene/ParticleBone.h"

namespace Vek {

Particle* ParticleBone::CreateInstance() const {
    auto* copy = new ParticleBone;
    copy->InitInstance(*this);
    copy->m_framePosition = m_framePosition;
    copy->m_frameOrientation = m_frameOrientation;
    copy->m_boxMin = m_boxMin;
    copy->m_boxMax = m_boxMax;
    if (m_visibleBox) copy->m_visibleBox = std::make_unique<ParticleVisibleBoundingBox>(*m_visibleBox);
    return copy;
}

}  // namespace Vek
