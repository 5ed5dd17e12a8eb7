#pragma once
// Level-of-detail selection by distance.
//
// The LOD value of an object is its distance from the camera, measured to
// the centre of its bounding sphere (calculation point 0), to its nearest
// point (1: centre distance minus radius, not below 0) or to its farthest
// point (2: plus radius), times the multiplier plus the offset. The level
// for a value is the last switch distance at or below it (0 below the
// first). Init keeps the number of distance levels.
#include <cstdint>
#include <vector>

#include "engine/Vector.h"

namespace Vek {

class Camera;

class ObjectLOD {
public:
    enum CalcPoint : uint32_t { kCentre = 0, kNear = 1, kFar = 2 };

    void Init(const std::vector<float>& switchDistances, uint32_t calcPoint);
    void Init(const float* switchDistances, uint32_t count, uint32_t calcPoint);
    void InitInstance(const ObjectLOD& source) { *this = source; }

    uint32_t GetLevelCount() const { return static_cast<uint32_t>(m_distances.size()); }
    uint32_t GetCalcPoint() const { return m_calcPoint; }
    float GetMultiplier() const { return m_multiplier; }
    float GetOffset() const { return m_offset; }
    void SetMultiplier(float multiplier) { m_multiplier = multiplier; }
    void SetOffset(float offset) { m_offset = offset; }
    uint32_t GetCurrentLevel() const { return m_currentLevel; }
    float GetCurrentLOD() const { return m_currentLOD; }

    // The LOD value of a sphere seen from the camera (kept as the current
    // value).
    float FindLOD(const Vector3& centre, float radius, const Camera& camera);
    // The level for a LOD value (kept as the current level).
    uint32_t FindLODIndex(float lod);

private:
    std::vector<float> m_distances;
    uint32_t m_calcPoint = kCentre;
    float m_multiplier = 1.0f;
    float m_offset = 0.0f;
    uint32_t m_currentLevel = 0;
    float m_currentLOD = 0.0f;
};

}  // namespace Vek
