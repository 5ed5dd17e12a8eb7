#include "meshes/collision/TestRayTriangle.h"

using Vek::Vector3;

bool TestRayTriangle(const Vector3& a, const Vector3& b, const Vector3& c, bool twoSided, const Vector3& origin,
                     const Vector3& direction, float& nearest) {
    constexpr float kEpsilon = 1e-6f;
    const Vector3 e1 = b - a;
    const Vector3 e2 = c - a;
    const Vector3 q = direction.Cross(e2);
    const float det = e1.Dot(q);
    const Vector3 w = origin - a;
    const Vector3 r = w.Cross(e1);
    float t;
    if (!twoSided) {
        if (det < kEpsilon) return false;
        const float u = w.Dot(q);
        if (u < 0.0f || u > det) return false;
        const float v = direction.Dot(r);
        if (v < 0.0f || u + v > det) return false;
        t = e2.Dot(r) / det;
    } else {
        if (det > -kEpsilon && det < kEpsilon) return false;
        const float f = 1.0f / det;
        const float u = f * w.Dot(q);
        if (u < 0.0f || u > 1.0f) return false;
        const float v = f * direction.Dot(r);
        if (v < 0.0f || u + v > 1.0f) return false;
        t = f * e2.Dot(r);
    }
    if (t < 0.0f || !(t < nearest)) return false;
    nearest = t;
    return true;
}
