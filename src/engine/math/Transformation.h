#pragma once
// A rigid transformation of row vectors: a rotation (3 x 3, row by row)
// followed by a translation. Transform(p) = p x rotation + translation.
#include "engine/Vector.h"

namespace Vek {

struct Transformation {
    float rotation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    Vector3 translation;

    Transformation() = default;
    Transformation(const float r[9], const Vector3& t);
    Transformation(const Quaternion& q, const Vector3& t);

    Vector3 Transform(const Vector3& p) const;
    // Direction only: p x rotation.
    Vector3 Rotate(const Vector3& d) const;
    // This becomes `local` followed by `parent`: a point in the local frame
    // is carried into the parent's parent frame.
    void MultiplyTransform(const Transformation& local, const Transformation& parent);
};

}  // namespace Vek
