// The ray/triangle test of instances without a collision tree: hits, misses,
// sides, edges, degenerate triangles, the nearest distance, and hits behind
// the ray's point.
#include <gtest/gtest.h>

#include <limits>

#include "meshes/collision/TestRayTriangle.h"

using Vek::Vector3;

namespace {

// Triangle A, B, C in the plane z = 0 with (B - A) x (C - A) = +z.
const Vector3 kA{0, 0, 0}, kB{1, 0, 0}, kC{0, 1, 0};

struct RayCase {
    const char* name;
    Vector3 origin;
    Vector3 direction;
    bool twoSided;
    float nearestIn;
    bool hit;
    float nearestOut;
};

constexpr float kFar = std::numeric_limits<float>::max();

const RayCase kCases[] = {
    {"front face, one-sided", {0.25f, 0.25f, 4}, {0, 0, -1}, false, kFar, true, 4.0f},
    {"back face, one-sided", {0.25f, 0.25f, -4}, {0, 0, 1}, false, kFar, false, kFar},
    {"back face, two-sided", {0.25f, 0.25f, -4}, {0, 0, 1}, true, kFar, true, 4.0f},
    {"beside the triangle", {0.75f, 0.75f, 4}, {0, 0, -1}, true, kFar, false, kFar},
    {"on an edge", {0.5f, 0.0f, 2}, {0, 0, -1}, false, kFar, true, 2.0f},
    {"on a corner", {0.0f, 1.0f, 2}, {0, 0, -1}, true, kFar, true, 2.0f},
    {"t measured in direction units", {0.25f, 0.25f, 4}, {0, 0, -2}, false, kFar, true, 2.0f},
    {"farther than the nearest so far", {0.25f, 0.25f, 4}, {0, 0, -1}, false, 3.0f, false, 3.0f},
    {"parallel to the plane", {0.25f, 0.25f, 1}, {1, 0, 0}, true, kFar, false, kFar},
    // The plane lies behind the ray's point: not a hit on either side.
    {"behind, facing", {0.25f, 0.25f, -4}, {0, 0, -1}, true, kFar, false, kFar},
    {"behind, one-sided facing", {0.25f, 0.25f, 4}, {0, 0, 1}, false, kFar, false, kFar},
    {"behind, one-sided back", {0.25f, 0.25f, -4}, {0, 0, -1}, false, kFar, false, kFar},
    {"starting on the plane", {0.25f, 0.25f, 0}, {0, 0, -1}, false, kFar, true, 0.0f},
};

}  // namespace

TEST(TestRayTriangle, CaseTable) {
    for (const RayCase& c : kCases) {
        SCOPED_TRACE(c.name);
        float nearest = c.nearestIn;
        EXPECT_EQ(TestRayTriangle(kA, kB, kC, c.twoSided, c.origin, c.direction, nearest), c.hit);
        EXPECT_FLOAT_EQ(nearest, c.nearestOut);
    }
}

TEST(TestRayTriangle, DegenerateTrianglesAreNeverHit) {
    const Vector3 line[3] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    const Vector3 point[3] = {{1, 1, 0}, {1, 1, 0}, {1, 1, 0}};
    for (bool twoSided : {false, true}) {
        float nearest = kFar;
        EXPECT_FALSE(TestRayTriangle(line[0], line[1], line[2], twoSided, {1, 0, 3}, {0, 0, -1}, nearest));
        EXPECT_FALSE(TestRayTriangle(point[0], point[1], point[2], twoSided, {1, 1, 3}, {0, 0, -1}, nearest));
        EXPECT_EQ(nearest, kFar);
    }
}
