#include "engine/math/OrientedBox.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Vek {

namespace {

// Eigenvectors of a symmetric 3 x 3 matrix by cyclic Jacobi rotations; the
// columns of v are the vectors.
void Jacobi(double a[3][3], double v[3][3]) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) v[i][j] = i == j ? 1.0 : 0.0;
    for (int sweep = 0; sweep < 50; ++sweep) {
        double off = std::fabs(a[0][1]) + std::fabs(a[0][2]) + std::fabs(a[1][2]);
        if (off < 1e-30) break;
        for (int p = 0; p < 2; ++p)
            for (int q = p + 1; q < 3; ++q) {
                if (std::fabs(a[p][q]) < 1e-300) continue;
                double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
                double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                double c = 1 / std::sqrt(t * t + 1), s = t * c;
                for (int k = 0; k < 3; ++k) {
                    double akp = a[k][p], akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (int k = 0; k < 3; ++k) {
                    double apk = a[p][k], aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (int k = 0; k < 3; ++k) {
                    double vkp = v[k][p], vkq = v[k][q];
                    v[k][p] = c * vkp - s * vkq;
                    v[k][q] = s * vkp + c * vkq;
                }
            }
    }
}

}  // namespace

void OrientedBox::Fit(std::size_t count, const Vector3* points) {
    *this = OrientedBox{};
    if (count == 0 || !points) return;
    double mean[3] = {0, 0, 0};
    for (std::size_t i = 0; i < count; ++i) mean[0] += points[i].x, mean[1] += points[i].y, mean[2] += points[i].z;
    for (double& m : mean) m /= double(count);
    double cov[3][3] = {};
    for (std::size_t i = 0; i < count; ++i) {
        double d[3] = {points[i].x - mean[0], points[i].y - mean[1], points[i].z - mean[2]};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) cov[r][c] += d[r] * d[c];
    }
    double v[3][3];
    Jacobi(cov, v);
    double axis[3][3];
    for (int k = 0; k < 3; ++k) {
        double len = std::sqrt(v[0][k] * v[0][k] + v[1][k] * v[1][k] + v[2][k] * v[2][k]);
        for (int r = 0; r < 3; ++r) axis[k][r] = len > 0 ? v[r][k] / len : (r == k ? 1.0 : 0.0);
    }
    // Right-handed: third axis = first x second.
    axis[2][0] = axis[0][1] * axis[1][2] - axis[0][2] * axis[1][1];
    axis[2][1] = axis[0][2] * axis[1][0] - axis[0][0] * axis[1][2];
    axis[2][2] = axis[0][0] * axis[1][1] - axis[0][1] * axis[1][0];
    double lo[3], hi[3];
    for (int k = 0; k < 3; ++k) lo[k] = std::numeric_limits<double>::max(), hi[k] = -lo[k];
    for (std::size_t i = 0; i < count; ++i) {
        double p[3] = {points[i].x, points[i].y, points[i].z};
        for (int k = 0; k < 3; ++k) {
            double d = p[0] * axis[k][0] + p[1] * axis[k][1] + p[2] * axis[k][2];
            lo[k] = std::min(lo[k], d);
            hi[k] = std::max(hi[k], d);
        }
    }
    double c[3] = {0, 0, 0};
    double size = 0;
    for (int k = 0; k < 3; ++k) {
        double mid = (lo[k] + hi[k]) / 2;
        for (int r = 0; r < 3; ++r) c[r] += mid * axis[k][r];
        size = std::max({size, std::fabs(lo[k]), std::fabs(hi[k])});
    }
    double margin = std::max(size * 1e-5, 1e-6);
    centre = {float(c[0]), float(c[1]), float(c[2])};
    for (int k = 0; k < 3; ++k) axes[k] = {float(axis[k][0]), float(axis[k][1]), float(axis[k][2])};
    extents = {float((hi[0] - lo[0]) / 2 + margin), float((hi[1] - lo[1]) / 2 + margin),
               float((hi[2] - lo[2]) / 2 + margin)};
}

bool OrientedBox::IsZero() const {
    return axes[0].LengthSquared() == 0 && axes[1].LengthSquared() == 0 && axes[2].LengthSquared() == 0;
}

void OrientedBox::CalcCorners(Vector3 corners[8]) const {
    for (int i = 0; i < 8; ++i) {
        float sx = (i & 1) ? 1.0f : -1.0f, sy = (i & 2) ? 1.0f : -1.0f, sz = (i & 4) ? 1.0f : -1.0f;
        corners[i] = centre + axes[0] * (sx * extents.x) + axes[1] * (sy * extents.y) + axes[2] * (sz * extents.z);
    }
}

bool OrientedBox::Contains(const Vector3& point, float tolerance) const {
    Vector3 d = point - centre;
    const float e[3] = {extents.x, extents.y, extents.z};
    for (int k = 0; k < 3; ++k)
        if (std::fabs(d.Dot(axes[k])) > e[k] + tolerance) return false;
    return true;
}

bool OrientedBox::TestCollision(const Vector3& origin, const Vector3& direction) const {
    if (IsZero()) return true;
    Vector3 d = origin - centre;
    const float e[3] = {extents.x, extents.y, extents.z};
    double tMin = 0.0, tMax = std::numeric_limits<double>::infinity();
    for (int k = 0; k < 3; ++k) {
        double o = d.Dot(axes[k]);
        double dir = direction.Dot(axes[k]);
        if (std::fabs(dir) < 1e-12) {
            if (std::fabs(o) > e[k]) return false;
            continue;
        }
        double t1 = (-e[k] - o) / dir, t2 = (e[k] - o) / dir;
        if (t1 > t2) std::swap(t1, t2);
        tMin = std::max(tMin, t1);
        tMax = std::min(tMax, t2);
        if (tMin > tMax) return false;
    }
    return true;
}

float OrientedBox::GetBoundingRadius() const { return std::sqrt(extents.LengthSquared()); }

}  // namespace Vek
