#pragma once
// A 4 x 4 matrix of row vectors: a point times the matrix, rows 0 to 2 the
// basis, row 3 the translation. a * b applies a first, then b.
#include "engine/Vector.h"

namespace Vek {

struct Matrix4 {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    static Matrix4 Identity() { return Matrix4{}; }
    // Rotation by q, then translation by t.
    static Matrix4 FromRotationTranslation(const Quaternion& q, const Vector3& t);

    Matrix4 operator*(const Matrix4& o) const;
    bool operator==(const Matrix4&) const = default;

    Vector3 GetTranslation() const { return {m[3][0], m[3][1], m[3][2]}; }
    void SetTranslation(const Vector3& t) { m[3][0] = t.x, m[3][1] = t.y, m[3][2] = t.z; }
    // The upper-left 3 x 3, row by row.
    void GetRotation(float rotation[9]) const;

    // (p, 1) times the matrix, without the division by w.
    Vector3 TransformPoint(const Vector3& p) const;
    // (p, 1) times the matrix, divided by the resulting w (unchanged when w is 0).
    Vector3 TransformPointDivide(const Vector3& p) const;
    // d times the upper-left 3 x 3.
    Vector3 TransformVector(const Vector3& d) const;

    // Writes the inverse to `result`; false (and `result` untouched) when the
    // matrix is singular.
    bool Invert(Matrix4& result) const;
};

}  // namespace Vek
