#include "engine/math/Transformation.h"

#include "engine/math/Rotation.h"

namespace Vek {

Transformation::Transformation(const float r[9], const Vector3& t) : translation(t) {
    for (int i = 0; i < 9; ++i) rotation[i] = r[i];
}

Transformation::Transformation(const Quaternion& q, const Vector3& t) : translation(t) { QuaternionToMatrix(q, rotation); }

Vector3 Transformation::Rotate(const Vector3& d) const { return RotateRow(d, rotation); }

Vector3 Transformation::Transform(const Vector3& p) const { return RotateRow(p, rotation) + translation; }

void Transformation::MultiplyTransform(const Transformation& local, const Transformation& parent) {
    Vector3 t = parent.Transform(local.translation);
    float r[9];
    MultiplyRotation(local.rotation, parent.rotation, r);
    for (int i = 0; i < 9; ++i) rotation[i] = r[i];
    translation = t;
}

}  // namespace Vek
