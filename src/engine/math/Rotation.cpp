#include "engine/math/Rotation.h"

#include <cmath>

namespace Vek {

void QuaternionToMatrix(const Quaternion& q, float m[9]) {
    float x = q.x, y = q.y, z = q.z, w = q.w;
    m[0] = 1 - 2 * (y * y + z * z);
    m[1] = 2 * (x * y + z * w);
    m[2] = 2 * (x * z - y * w);
    m[3] = 2 * (x * y - z * w);
    m[4] = 1 - 2 * (x * x + z * z);
    m[5] = 2 * (y * z + x * w);
    m[6] = 2 * (x * z + y * w);
    m[7] = 2 * (y * z - x * w);
    m[8] = 1 - 2 * (x * x + y * y);
}

Quaternion MatrixToQuaternion(const float m[9]) {
    double m00 = m[0], m01 = m[1], m02 = m[2];
    double m10 = m[3], m11 = m[4], m12 = m[5];
    double m20 = m[6], m21 = m[7], m22 = m[8];
    double trace = m00 + m11 + m22;
    double x, y, z, w;
    if (trace > 0) {
        double s = std::sqrt(trace + 1.0) * 2;  // 4w
        w = 0.25 * s;
        x = (m12 - m21) / s;
        y = (m20 - m02) / s;
        z = (m01 - m10) / s;
    } else if (m00 > m11 && m00 > m22) {
        double s = std::sqrt(1.0 + m00 - m11 - m22) * 2;  // 4x
        x = 0.25 * s;
        w = (m12 - m21) / s;
        y = (m01 + m10) / s;
        z = (m20 + m02) / s;
    } else if (m11 > m22) {
        double s = std::sqrt(1.0 + m11 - m00 - m22) * 2;  // 4y
        y = 0.25 * s;
        w = (m20 - m02) / s;
        x = (m01 + m10) / s;
        z = (m12 + m21) / s;
    } else {
        double s = std::sqrt(1.0 + m22 - m00 - m11) * 2;  // 4z
        z = 0.25 * s;
        w = (m01 - m10) / s;
        x = (m20 + m02) / s;
        y = (m12 + m21) / s;
    }
    if (!std::isfinite(x + y + z + w)) return Quaternion{};
    if (w < 0) x = -x, y = -y, z = -z, w = -w;
    Quaternion q{float(x), float(y), float(z), float(w)};
    q.Normalise();
    return q;
}

Vector3 RotateRow(const Vector3& v, const float m[9]) {
    return {v.x * m[0] + v.y * m[3] + v.z * m[6], v.x * m[1] + v.y * m[4] + v.z * m[7],
            v.x * m[2] + v.y * m[5] + v.z * m[8]};
}

void MultiplyRotation(const float a[9], const float b[9], float r[9]) {
    float t[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
    for (int i = 0; i < 9; ++i) r[i] = t[i];
}

void Quaternion::Set(const float matrix[9]) { *this = MatrixToQuaternion(matrix); }

}  // namespace Vek
