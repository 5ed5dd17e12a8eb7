#pragma once
// An oriented box: a centre, three orthonormal axes and a half-extent along
// each axis.
//
// Fitting (our method): the axes are the eigenvectors of the covariance of
// the points (principal axes, found by Jacobi rotations in double
// precision). Every point is then projected on each axis; the box spans the
// smallest and largest projection, so it encloses every point. The extents
// are widened by a rounding margin (1e-5 of the largest projection's
// magnitude, at least 1e-6) so that points on a face still test as inside
// after float rounding.
// Degenerate sets (one point, points on a line or a plane) give zero
// extents along the missing directions; an empty set gives the zeroed box.
//
// A zeroed box (zero axes: never fitted) holds no information; it rejects
// no ray.
#include <cstddef>

#include "engine/Vector.h"

namespace Vek {

struct OrientedBox {
    Vector3 centre;
    Vector3 axes[3];
    Vector3 extents;

    OrientedBox() = default;
    OrientedBox(std::size_t count, const Vector3* points) { Fit(count, points); }

    void Fit(std::size_t count, const Vector3* points);
    bool IsZero() const;

    // The 8 corners: centre ± extent x axis, in the order (−,−,−), (+,−,−),
    // (−,+,−), (+,+,−), (−,−,+), (+,−,+), (−,+,+), (+,+,+).
    void CalcCorners(Vector3 corners[8]) const;

    // True when `point` lies inside the box widened by `tolerance`.
    bool Contains(const Vector3& point, float tolerance = 0.0f) const;

    // True when the ray from `origin` along `direction` (t >= 0) meets the
    // box; a ray starting inside meets it. A zeroed box always answers true.
    bool TestCollision(const Vector3& origin, const Vector3& direction) const;

    // The radius of the sphere around the centre that holds the box.
    float GetBoundingRadius() const;
};

}  // namespace Vek
