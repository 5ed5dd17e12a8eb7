#include "meshes/collision/VXAxisBoxTree.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <map>
#include <random>
#include <vector>

using Vek::Vector3;

namespace {

using Corners = std::array<Vector3, 3>;

// Triangles held by id, as a mesh definition would hand them out.
class Soup : public VXAxisBoxTreeExternalGeometry {
public:
    int32_t Add(const Corners& corners, int32_t id) {
        triangles[id] = corners;
        return id;
    }
    bool FetchTriangle(int32_t id, float out[9]) const override {
        auto it = triangles.find(id);
        if (it == triangles.end()) return false;
        for (int j = 0; j < 3; ++j) {
            out[3 * j] = it->second[j].x;
            out[3 * j + 1] = it->second[j].y;
            out[3 * j + 2] = it->second[j].z;
        }
        return true;
    }
    void AddAllTo(VXAxisBoxTree& tree) const {
        tree.BeginBuild(this);
        for (const auto& [id, corners] : triangles) tree.AddTriangle(corners[0], corners[1], corners[2], id);
    }
    std::map<int32_t, Corners> triangles;
};

float Axis(const Vector3& v, int i) { return i == 0 ? v.x : (i == 1 ? v.y : v.z); }

// The nearest hit over every triangle, tested one by one: the segment
// crosses or touches the plane and the point lies inside (edges included).
MeshCollisionHit BruteForce(const Soup& soup, const Vector3& s, const Vector3& e) {
    MeshCollisionHit best;
    best.t = VXAxisBoxTree::kNoHit;
    best.identifier = uint32_t(-1);
    for (const auto& [id, c] : soup.triangles) {
        const Vector3 n = (c[1] - c[0]).Cross(c[2] - c[0]);
        const float p = n.Dot(c[0]), a = n.Dot(s), b = n.Dot(e);
        if ((a < p && b < p) || (a > p && b > p)) continue;
        const float t = a == b ? 0.0f : (a - p) / (a - b);
        const Vector3 point = s + (e - s) * t;
        int drop = 0;
        for (int k = 1; k < 3; ++k)
            if (std::fabs(Axis(n, k)) > std::fabs(Axis(n, drop))) drop = k;
        const int i = (drop + 1) % 3, j = (drop + 2) % 3;
        bool inside = true;
        for (int k = 0; k < 3 && inside; ++k) {
            const Vector3& from = c[(k + 2) % 3];
            const Vector3& to = c[k];
            const float cross = (Axis(to, i) - Axis(from, i)) * (Axis(point, j) - Axis(from, j)) -
                                (Axis(to, j) - Axis(from, j)) * (Axis(point, i) - Axis(from, i));
            // (i, j) follow the dropped axis cyclically, so the sign to keep
            // is the normal's own on it.
            inside = cross * Axis(n, drop) >= 0.0f;
        }
        if (inside && t <= best.t) {
            best.t = t;
            best.identifier = uint32_t(id);
            best.point = point;
        }
    }
    return best;
}

Soup RandomSoup(std::mt19937& random, int count, float spread, float size) {
    std::uniform_real_distribution<float> place(-spread, spread), corner(-size, size);
    Soup soup;
    for (int t = 0; t < count; ++t) {
        const Vector3 at{place(random), place(random), place(random)};
        Corners c;
        for (Vector3& v : c) v = at + Vector3{corner(random), corner(random), corner(random)};
        // Spread over chunks, as a definition's ids are.
        soup.Add(c, (t % 7) << 16 | (t / 7) * 3);
    }
    return soup;
}

TEST(VXAxisBoxTreeTest, SegmentQueriesEqualABruteForceTest) {
    std::mt19937 random(11);
    struct Case {
        int triangles;
        float spread;
        float size;
    };
    for (const Case c : {Case{1, 1, 1}, Case{60, 10, 2}, Case{700, 50, 3}, Case{3000, 30, 2}}) {
        Soup soup = RandomSoup(random, c.triangles, c.spread, c.size);
        VXAxisBoxTree tree;
        soup.AddAllTo(tree);
        ASSERT_TRUE(tree.Build());
        std::uniform_real_distribution<float> end(-1.5f * c.spread, 1.5f * c.spread);
        int hits = 0;
        for (int q = 0; q < 400; ++q) {
            Vector3 s{end(random), end(random), end(random)}, e{end(random), end(random), end(random)};
            if (q % 4 == 0) e = s * -1.0f;  // through the middle
            const MeshCollisionHit expected = BruteForce(soup, s, e);
            MeshCollisionHit got;
            const bool hit = tree.QuerySegment(s, e, got);
            ASSERT_EQ(hit, expected.identifier != uint32_t(-1)) << c.triangles << " query " << q;
            if (!hit) continue;
            ++hits;
            EXPECT_EQ(got.t, expected.t);
            float corners[9];
            ASSERT_TRUE(soup.FetchTriangle(int32_t(got.identifier), corners));
            EXPECT_NEAR(std::sqrt(got.normal.LengthSquared()), 1.0f, 1e-3f);
        }
        if (c.triangles > 100) {
            EXPECT_GT(hits, 20) << c.triangles;
        }
    }
}

TEST(VXAxisBoxTreeTest, OneTriangleMakesOneLeaf) {
    Soup soup;
    soup.Add({Vector3{0, 0, 0}, Vector3{1, 0, 0}, Vector3{0, 1, 0}}, 0);
    VXAxisBoxTree tree;
    soup.AddAllTo(tree);
    ASSERT_TRUE(tree.Build());
    ASSERT_EQ(tree.NodeCount(), 1);
    EXPECT_EQ(tree.Node(0).first, -1);
    EXPECT_EQ(tree.Node(0).second, 1);

    // Ends exactly on the plane: t = 1. Lies in the plane with its start
    // inside: t = 0.
    MeshCollisionHit hit;
    ASSERT_TRUE(tree.QuerySegment({0.2f, 0.2f, 1}, {0.2f, 0.2f, 0}, hit));
    EXPECT_EQ(hit.t, 1.0f);
    EXPECT_EQ(int32_t(hit.identifier), 0);
    EXPECT_EQ(hit.normal, (Vector3{0, 0, 1}));
    ASSERT_TRUE(tree.QuerySegment({0.2f, 0.2f, 0}, {3, 3, 0}, hit));
    EXPECT_EQ(hit.t, 0.0f);
    EXPECT_FALSE(tree.QuerySegment({2, 2, 1}, {2, 2, -1}, hit));
    EXPECT_EQ(int32_t(hit.identifier), -1);
}

TEST(VXAxisBoxTreeTest, DropsWhatItCannotHold) {
    const Corners good{Vector3{0, 0, 0}, Vector3{1, 0, 0}, Vector3{0, 1, 0}};
    const Corners pinched{Vector3{0, 0, 0}, Vector3{0, 0, 0}, Vector3{0, 1, 0}};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Corners notANumber{Vector3{nan, 0, 0}, Vector3{1, 0, 0}, Vector3{0, 1, 0}};
    {
        VXAxisBoxTree tree;
        tree.BeginBuild(nullptr);
        tree.AddTriangle(pinched[0], pinched[1], pinched[2], 0);
        tree.AddTriangle(notANumber[0], notANumber[1], notANumber[2], 3);
        tree.AddTriangle(good[0], good[1], good[2], 512 << 16);  // chunk 512
        tree.AddTriangle(good[0], good[1], good[2], 4);          // not a whole group of three
        EXPECT_FALSE(tree.Build());
        EXPECT_EQ(tree.NodeCount(), 0);
        MeshCollisionHit hit;
        EXPECT_FALSE(tree.QuerySegment({0.1f, 0.1f, 1}, {0.1f, 0.1f, -1}, hit));
    }
    Soup soup;
    const int32_t last = soup.Add(good, 511 << 16 | 65535);
    VXAxisBoxTree tree;
    soup.AddAllTo(tree);
    ASSERT_TRUE(tree.Build());
    ASSERT_EQ(tree.ReferenceCount(), 1);
    EXPECT_EQ(tree.Reference(0).Value(), 511u << 15 | 21845u);
    EXPECT_EQ(tree.Reference(0).Id(), last);
    MeshCollisionHit hit;
    ASSERT_TRUE(tree.QuerySegment({0.1f, 0.1f, 1}, {0.1f, 0.1f, -1}, hit));
    EXPECT_EQ(int32_t(hit.identifier), last);
}

TEST(VXAxisBoxTreeTest, OfTwoHitsAtTheSameDistanceTheLaterTestedWins) {
    Soup soup;
    const Corners c{Vector3{0, 0, 0}, Vector3{1, 0, 0}, Vector3{0, 1, 0}};
    soup.Add(c, 3);
    soup.Add(c, 6);
    VXAxisBoxTree tree;
    soup.AddAllTo(tree);
    ASSERT_TRUE(tree.Build());
    MeshCollisionHit hit;
    ASSERT_TRUE(tree.QuerySegment({0.1f, 0.1f, 1}, {0.1f, 0.1f, -1}, hit));
    EXPECT_EQ(int32_t(hit.identifier), 6);
}

// A segment of zero length has no direction; it still meets a triangle it
// lies on, and nothing else, through a tree with internal nodes.
TEST(VXAxisBoxTreeTest, AZeroLengthSegmentMeetsOnlyWhatHoldsItsPoint) {
    std::mt19937 random(5);
    Soup soup = RandomSoup(random, 300, 20, 1);
    soup.Add({Vector3{100, 0, 0}, Vector3{101, 0, 0}, Vector3{100, 1, 0}}, 9 << 16);
    VXAxisBoxTree tree;
    soup.AddAllTo(tree);
    ASSERT_TRUE(tree.Build());
    ASSERT_GT(tree.NodeCount(), 1);
    MeshCollisionHit hit;
    ASSERT_TRUE(tree.QuerySegment({100.25f, 0.25f, 0}, {100.25f, 0.25f, 0}, hit));
    EXPECT_EQ(int32_t(hit.identifier), 9 << 16);
    EXPECT_EQ(hit.t, 0.0f);
    EXPECT_EQ(hit.point, (Vector3{100.25f, 0.25f, 0}));
    EXPECT_FALSE(tree.QuerySegment({100.25f, 0.25f, 3}, {100.25f, 0.25f, 3}, hit));
}

// Far from the origin and tiny, the boxes cannot be covered within 16 bits
// of extent: the build still ends.
TEST(VXAxisBoxTreeTest, BoxesThatCannotBeCoveredDoNotStopTheBuild) {
    Soup soup;
    for (int t = 0; t < 100; ++t) {
        const float x = 1.0e5f + float(t % 10) * 0.05f, y = float(t / 10) * 0.05f;
        soup.Add({Vector3{x, y, 5}, Vector3{x + 0.05f, y, 5}, Vector3{x, y + 0.05f, 5}}, t * 3);
    }
    VXAxisBoxTree tree;
    soup.AddAllTo(tree);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(tree.Build());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_GT(tree.NodeCount(), 1);
    bool capped = false;
    for (int32_t k = 0; k < tree.NodeCount(); ++k)
        for (uint16_t h : tree.Node(k).half) capped = capped || h == 65535;
    EXPECT_TRUE(capped);
}

}  // namespace
