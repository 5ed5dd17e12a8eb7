#pragma once
// A plane: the points p with dot(normal, p) = distance.
#include "engine/Vector.h"

namespace Vek {

struct Plane {
    Vector3 normal;
    float distance = 0.0f;

    Plane() = default;
    Plane(const Vector3& n, float d) : normal(n), distance(d) {}

    // Signed distance of a point (scaled by the normal's length).
    float Evaluate(const Vector3& p) const { return normal.Dot(p) - distance; }
};

}  // namespace Vek
