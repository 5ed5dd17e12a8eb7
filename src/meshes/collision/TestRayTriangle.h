#pragma once
// The ray/triangle test of mesh instances that have no collision tree
// (Moller-Trumbore form). The ray starts at `origin` and runs along
// `direction`; t is measured in units of `direction`.
//
// One-sided (twoSided false): only a triangle whose normal (B - A) x (C - A)
// points against the direction is hit (det = dot(B - A, d x (C - A)) must be
// at least 1e-6); the division waits until a hit is certain. Two-sided: any
// |det| of at least 1e-6. Points on an edge count as inside.
//
// A hit at t with 0 <= t < nearest sets nearest = t and returns true. Hits
// behind the origin (t < 0) are ignored: a ray only looks forward.
#include "engine/Vector.h"

bool TestRayTriangle(const Vek::Vector3& a, const Vek::Vector3& b, const Vek::Vector3& c, bool twoSided,
                     const Vek::Vector3& origin, const Vek::Vector3& direction, float& nearest);
