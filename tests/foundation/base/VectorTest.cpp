#include "engine/Vector.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>

namespace {

using Vek::Quaternion;
using Vek::StdMath;
using Vek::Vector3;

TEST(FastInverseSqrt, CloseToExactOverTheWholeRange) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> exponent(-140.0, 126.0);
    for (int i = 0; i < 20000; ++i) {
        float d = static_cast<float>(std::exp2(exponent(rng)));
        double exact = 1.0 / std::sqrt(static_cast<double>(d));
        double fast = StdMath::FastInverseSqrt(d);
        ASSERT_NEAR(fast / exact, 1.0, 4e-7) << "d = " << d;
    }
    // Exact powers of four and the bucket edges of the table.
    for (float d : {1.0f, 4.0f, 0.25f, 2.0f, 1.99999988f, 3.99999976f, FLT_MIN, FLT_MAX, FLT_TRUE_MIN}) {
        double exact = 1.0 / std::sqrt(static_cast<double>(d));
        EXPECT_NEAR(StdMath::FastInverseSqrt(d) / exact, 1.0, 4e-7) << "d = " << d;
    }
    float zero = StdMath::FastInverseSqrt(0.0f);
    EXPECT_TRUE(std::isfinite(zero));
    EXPECT_GT(zero, 1e18f);
}

TEST(FastInverseSqrt, TableHoldsMantissasOfInverseSquareRoots) {
    for (uint32_t i = 0; i < 512; ++i) {
        uint32_t entry = StdMath::s_sqrtLUT[i];
        ASSERT_LE(entry, 0x7FFFFFu) << i;
        // Within each exponent parity, larger numbers have smaller inverses.
        if ((i & 0xFF) != 0) {
            ASSERT_LT(entry, StdMath::s_sqrtLUT[i - 1]) << i;
        }
    }
}

TEST(Vector3, LengthAndNormalise) {
    struct Case {
        Vector3 v;
        float length;
        Vector3 unit;
    };
    const Case cases[] = {
        {{3, 4, 0}, 5.0f, {0.6f, 0.8f, 0}},
        {{0, 0, -2}, 2.0f, {0, 0, -1}},
        {{1, 1, 1}, std::sqrt(3.0f), {0.57735027f, 0.57735027f, 0.57735027f}},
        {{0, 0, 0}, 0.0f, {0, 0, 0}},
        // The squared length 25 * 2^-144 is subnormal (exactly).
        {{std::ldexp(3.0f, -72), std::ldexp(4.0f, -72), 0}, std::ldexp(5.0f, -72), {0.6f, 0.8f, 0}},
        {{1e18f, -1e18f, 0}, 1.41421356e18f, {0.70710678f, -0.70710678f, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.v.x << ", " << c.v.y << ", " << c.v.z);
        EXPECT_FLOAT_EQ(c.v.Length(), c.length);
        Vector3 out{9, 9, 9};
        EXPECT_FLOAT_EQ(c.v.NormaliseTo(out), c.length);
        Vector3 inPlace = c.v;
        inPlace.Normalise();
        for (const Vector3& u : {out, inPlace}) {
            EXPECT_NEAR(u.x, c.unit.x, 1e-6f);
            EXPECT_NEAR(u.y, c.unit.y, 1e-6f);
            EXPECT_NEAR(u.z, c.unit.z, 1e-6f);
        }
    }
}

TEST(Vector3, Arithmetic) {
    Vector3 a{1, 2, 3}, b{4, -5, 6};
    EXPECT_EQ(a + b, (Vector3{5, -3, 9}));
    EXPECT_EQ(a - b, (Vector3{-3, 7, -3}));
    EXPECT_EQ(a * 2.0f, (Vector3{2, 4, 6}));
    EXPECT_EQ(a.Cross(b), (Vector3{27, 6, -13}));
    EXPECT_FLOAT_EQ(a.Dot(b), 12.0f);
    Vek::Vector2 p{1, 2}, one{1, 1}, up{0, 2};
    EXPECT_EQ(p * 3.0f + one - up, (Vek::Vector2{4, 5}));
}

TEST(Quaternion, NormaliseDividesByExactLength) {
    Quaternion q{1, 1, 1, 1};
    q.Normalise();
    EXPECT_EQ(q, (Quaternion{0.5f, 0.5f, 0.5f, 0.5f}));
    Quaternion identity{0, 0, 0, 1};
    identity.Normalise();
    EXPECT_EQ(identity, (Quaternion{0, 0, 0, 1}));
    Quaternion scaled{0, 0, 0, 7};
    scaled.Normalise();
    EXPECT_EQ(scaled, (Quaternion{0, 0, 0, 1}));
    // No direction to keep: it stays zero instead of turning into NaNs.
    Quaternion zero{0, 0, 0, 0};
    zero.Normalise();
    EXPECT_EQ(zero, (Quaternion{0, 0, 0, 0}));
}

}  // namespace
