#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "engine/math/Matrix4.h"
#include "engine/math/OrientedBox.h"
#include "engine/math/Rotation.h"
#include "engine/math/Transformation.h"

using namespace Vek;

namespace {

Quaternion RandomRotation(std::mt19937& rng) {
    std::normal_distribution<float> n(0.0f, 1.0f);
    Quaternion q{n(rng), n(rng), n(rng), n(rng)};
    q.Normalise();
    return q;
}

// q and -q are the same rotation.
void ExpectSameRotation(const Quaternion& a, const Quaternion& b) {
    float dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    EXPECT_NEAR(std::fabs(dot), 1.0f, 1e-5f);
}

void ExpectNear(const Vector3& a, const Vector3& b, float tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

}  // namespace

TEST(RotationTest, QuaternionMatrixRoundTrips) {
    std::mt19937 rng(1234);
    std::vector<Quaternion> cases = {{0, 0, 0, 1}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0},
                                     {0.70710678f, 0, 0, 0.70710678f}, {0, 0.70710678f, 0.70710678f, 0}};
    for (int i = 0; i < 200; ++i) cases.push_back(RandomRotation(rng));
    for (const Quaternion& q : cases) {
        float m[9];
        QuaternionToMatrix(q, m);
        Quaternion back;
        back.Set(m);
        ExpectSameRotation(q, back);
        EXPECT_GE(back.w, 0.0f);
    }
}

TEST(RotationTest, MatricesAreRowVectorRotations) {
    // A quarter turn about z carries x onto y with row vectors.
    Quaternion q{0, 0, std::sqrt(0.5f), std::sqrt(0.5f)};
    float m[9];
    QuaternionToMatrix(q, m);
    ExpectNear(RotateRow({1, 0, 0}, m), {0, 1, 0}, 1e-6f);
}

TEST(Matrix4Test, InverseRoundTripsAndSingularMatricesAreRefused) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> u(-100.0f, 100.0f);
    for (int i = 0; i < 100; ++i) {
        Matrix4 m = Matrix4::FromRotationTranslation(RandomRotation(rng), {u(rng), u(rng), u(rng)});
        m.m[0][0] *= 2.0f;  // not only rigid matrices
        Matrix4 inverse;
        ASSERT_TRUE(m.Invert(inverse));
        Matrix4 product = m * inverse;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) EXPECT_NEAR(product.m[r][c], r == c ? 1.0f : 0.0f, 1e-4f);
        Vector3 p{u(rng), u(rng), u(rng)};
        ExpectNear(inverse.TransformPoint(m.TransformPoint(p)), p, 1e-3f);
    }
    Matrix4 singular;
    singular.m[1][1] = 0.0f;
    Matrix4 untouched;
    untouched.m[0][1] = 42.0f;
    EXPECT_FALSE(singular.Invert(untouched));
    EXPECT_EQ(untouched.m[0][1], 42.0f);
}

TEST(TransformationTest, MultiplyAppliesLocalThenParent) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-10.0f, 10.0f);
    for (int i = 0; i < 50; ++i) {
        Transformation local(RandomRotation(rng), {u(rng), u(rng), u(rng)});
        Transformation parent(RandomRotation(rng), {u(rng), u(rng), u(rng)});
        Transformation both;
        both.MultiplyTransform(local, parent);
        Vector3 p{u(rng), u(rng), u(rng)};
        ExpectNear(both.Transform(p), parent.Transform(local.Transform(p)), 1e-3f);
    }
}

TEST(OrientedBoxTest, AFittedBoxEnclosesEveryPoint) {
    std::mt19937 rng(2026);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::uniform_real_distribution<float> scale(0.001f, 1000.0f);
    std::uniform_int_distribution<int> count(1, 300);
    for (int trial = 0; trial < 300; ++trial) {
        // Random sets: stretched, rotated and shifted clouds, some flat
        // (a plane or a line) and some single points.
        Quaternion q = RandomRotation(rng);
        float m[9];
        QuaternionToMatrix(q, m);
        Vector3 stretch{scale(rng), scale(rng), trial % 5 == 0 ? 0.0f : scale(rng)};
        if (trial % 7 == 0) stretch.y = 0.0f;
        Vector3 shift{u(rng) * 500, u(rng) * 500, u(rng) * 500};
        std::vector<Vector3> points(count(rng));
        for (Vector3& p : points) p = RotateRow({u(rng) * stretch.x, u(rng) * stretch.y, u(rng) * stretch.z}, m) + shift;

        OrientedBox box(points.size(), points.data());
        for (const Vector3& p : points) ASSERT_TRUE(box.Contains(p)) << "trial " << trial;
        // Axes are orthonormal.
        for (int a = 0; a < 3; ++a) {
            EXPECT_NEAR(box.axes[a].LengthSquared(), 1.0f, 1e-4f);
            for (int b = a + 1; b < 3; ++b) EXPECT_NEAR(box.axes[a].Dot(box.axes[b]), 0.0f, 1e-4f);
        }
        // The corners hold the points too: a box fitted to them contains them all.
        Vector3 corners[8];
        box.CalcCorners(corners);
        OrientedBox outer(8, corners);
        for (const Vector3& p : points) EXPECT_TRUE(outer.Contains(p, 1e-3f * (1 + shift.Length())));
    }
}

TEST(OrientedBoxTest, RayTests) {
    std::vector<Vector3> points = {{-1, -1, -1}, {1, 1, 1}, {1, -1, 1}, {-1, 1, -1}, {1, 1, -1}, {-1, -1, 1}};
    OrientedBox box(points.size(), points.data());
    EXPECT_TRUE(box.TestCollision({-5, 0, 0}, {1, 0, 0}));
    EXPECT_FALSE(box.TestCollision({-5, 0, 0}, {-1, 0, 0}));  // pointing away
    EXPECT_FALSE(box.TestCollision({-5, 3, 0}, {1, 0, 0}));   // passes beside
    EXPECT_TRUE(box.TestCollision({0, 0, 0}, {0, 1, 0}));     // starts inside
    EXPECT_TRUE(box.TestCollision({-5, -5, -5}, {1, 1, 1}));

    OrientedBox zero;
    EXPECT_TRUE(zero.IsZero());
    EXPECT_TRUE(zero.TestCollision({100, 0, 0}, {0, 1, 0}));
    OrientedBox empty(0, nullptr);
    EXPECT_TRUE(empty.IsZero());
}
