#include "meshes/materials/MaterialMath.h"

#include <cmath>

namespace Vek::MaterialMath {

DisplayMatrix Multiply(const DisplayMatrix& a, const DisplayMatrix& b) {
    DisplayMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

DisplayMatrix Inverse(const DisplayMatrix& in) {
    // Gauss-Jordan with partial pivoting on [m | I].
    double a[4][8];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            a[i][j] = in.m[i][j];
            a[i][j + 4] = i == j ? 1.0 : 0.0;
        }
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        if (std::fabs(a[pivot][c]) < 1e-12) return DisplayMatrix();
        if (pivot != c)
            for (int j = 0; j < 8; ++j) std::swap(a[c][j], a[pivot][j]);
        const double d = a[c][c];
        for (int j = 0; j < 8; ++j) a[c][j] /= d;
        for (int r = 0; r < 4; ++r) {
            if (r == c) continue;
            const double f = a[r][c];
            if (f != 0.0)
                for (int j = 0; j < 8; ++j) a[r][j] -= f * a[c][j];
        }
    }
    DisplayMatrix out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out.m[i][j] = static_cast<float>(a[i][j + 4]);
    return out;
}

DisplayMatrix ObjectSpace(const DisplayMatrix& view, const DisplayMatrix& world) {
    return Multiply(view, Inverse(world));
}

std::array<float, 3> TransformDirection(const float d[3], const DisplayMatrix& m) {
    std::array<float, 3> r{};
    for (int j = 0; j < 3; ++j) r[j] = d[0] * m.m[0][j] + d[1] * m.m[1][j] + d[2] * m.m[2][j];
    return r;
}

std::array<float, 3> TransformPointDivide(const float p[3], const DisplayMatrix& m) {
    float v[4];
    for (int j = 0; j < 4; ++j) v[j] = p[0] * m.m[0][j] + p[1] * m.m[1][j] + p[2] * m.m[2][j] + m.m[3][j];
    const float w = v[3] != 0.0f ? v[3] : 1.0f;
    return {v[0] / w, v[1] / w, v[2] / w};
}

std::array<float, 3> CameraPosition(const DisplayMatrix& objectSpace) {
    const float origin[3] = {0, 0, 0};
    return TransformPointDivide(origin, objectSpace);
}

DisplayMatrix RotationTransposed(const DisplayMatrix& m) {
    DisplayMatrix r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = m.m[j][i];
    return r;
}

}  // namespace Vek::MaterialMath
