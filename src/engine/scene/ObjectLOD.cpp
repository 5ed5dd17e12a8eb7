#include "engine/scene/ObjectLOD.h"

#include <algorithm>
#include <cmath>

#include "engine/scene/Camera.h"

namespace Vek {

void ObjectLOD::Init(const std::vector<float>& switchDistances, uint32_t calcPoint) {
    Init(switchDistances.data(), static_cast<uint32_t>(switchDistances.size()), calcPoint);
}

void ObjectLOD::Init(const float* switchDistances, uint32_t count, uint32_t calcPoint) {
    m_distances.assign(switchDistances, switchDistances + (switchDistances ? count : 0));
    m_calcPoint = calcPoint <= kFar ? calcPoint : kCentre;
    m_currentLevel = 0;
    m_currentLOD = 0.0f;
}

float ObjectLOD::FindLOD(const Vector3& centre, float radius, const Camera& camera) {
    float distance = std::sqrt((centre - camera.GetPosition()).LengthSquared());
    if (m_calcPoint == kNear) distance = std::max(0.0f, distance - radius);
    if (m_calcPoint == kFar) distance += radius;
    m_currentLOD = distance * m_multiplier + m_offset;
    return m_currentLOD;
}

uint32_t ObjectLOD::FindLODIndex(float lod) {
    uint32_t level = 0;
    for (uint32_t i = 0; i < m_distances.size(); ++i)
        if (m_distances[i] <= lod) level = i;
    m_currentLevel = level;
    return level;
}

}  // namespace Vek
