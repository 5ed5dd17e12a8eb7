#include "engine/math/Matrix4.h"

#include <cmath>

#include "engine/math/Rotation.h"

namespace Vek {

Matrix4 Matrix4::FromRotationTranslation(const Quaternion& q, const Vector3& t) {
    float r[9];
    QuaternionToMatrix(q, r);
    Matrix4 result;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) result.m[i][j] = r[i * 3 + j];
    result.SetTranslation(t);
    return result;
}

Matrix4 Matrix4::operator*(const Matrix4& o) const {
    Matrix4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = m[i][0] * o.m[0][j] + m[i][1] * o.m[1][j] + m[i][2] * o.m[2][j] + m[i][3] * o.m[3][j];
    return r;
}

void Matrix4::GetRotation(float rotation[9]) const {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) rotation[i * 3 + j] = m[i][j];
}

Vector3 Matrix4::TransformPoint(const Vector3& p) const {
    return {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
            p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
            p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]};
}

Vector3 Matrix4::TransformPointDivide(const Vector3& p) const {
    Vector3 r = TransformPoint(p);
    float w = p.x * m[0][3] + p.y * m[1][3] + p.z * m[2][3] + m[3][3];
    if (w == 0.0f) return r;
    return r * (1.0f / w);
}

Vector3 Matrix4::TransformVector(const Vector3& d) const {
    return {d.x * m[0][0] + d.y * m[1][0] + d.z * m[2][0], d.x * m[0][1] + d.y * m[1][1] + d.z * m[2][1],
            d.x * m[0][2] + d.y * m[1][2] + d.z * m[2][2]};
}

bool Matrix4::Invert(Matrix4& result) const {
    // Gauss-Jordan elimination with partial pivoting, in double.
    double a[4][8];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            a[i][j] = m[i][j];
            a[i][j + 4] = i == j ? 1.0 : 0.0;
        }
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        if (std::fabs(a[pivot][c]) < 1e-12) return false;
        if (pivot != c)
            for (int j = 0; j < 8; ++j) std::swap(a[c][j], a[pivot][j]);
        double inv = 1.0 / a[c][c];
        for (int j = 0; j < 8; ++j) a[c][j] *= inv;
        for (int r = 0; r < 4; ++r) {
            if (r == c || a[r][c] == 0.0) continue;
            double f = a[r][c];
            for (int j = 0; j < 8; ++j) a[r][j] -= f * a[c][j];
        }
    }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) result.m[i][j] = float(a[i][j + 4]);
    return true;
}

}  // namespace Vek
