// The product's transparency caches: depth buckets, per-primitive sorting of
// near chunks, draw order, nested windows and the blend state they leave.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "engine/display/Viewport.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/materials/Material.h"
#include "engine/materials/MaterialManager.h"
#include "meshes/materials/AlphaBlendCacheUnsorted.h"
#include "meshes/materials/VorlexAlphaBlendCache.h"

using namespace Vek;

namespace {

DisplayMatrix At(float x, float y = 0.0f, float z = 0.0f) {
    DisplayMatrix m;
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

class AlphaBlendCacheFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kernel.InitWithProfile(DisplayProfile::OpenGL()));
        display = kernel.GetDisplay();
        Material* raw = nullptr;
        ASSERT_EQ(kernel.GetMaterialManager()->LoadMaterial("glass.m.onetex", &raw), 0);
        material.Reset(raw);
        cache.Reset(new VorlexAlphaBlendCache());
    }

    // A chunk whose primitive k has all its vertices at (distances[k], 0, 0).
    GeometryChunk* MakeChunk(int primitiveType, const std::vector<float>& distances, uint32_t perPrimitive,
                             const std::vector<uint16_t>& indices) {
        const uint32_t vertices = static_cast<uint32_t>(distances.size());
        GeometryChunk* chunk = material->CreateGeometryChunk(
            vertices, static_cast<uint32_t>(indices.size() / 3), static_cast<uint32_t>(indices.size()), 0,
            primitiveType, nullptr);
        uint32_t stride = 0;
        float* p = chunk->GetVector3Array(kItemPosition, stride);
        for (uint32_t v = 0; v < vertices; ++v) {
            float* q = reinterpret_cast<float*>(reinterpret_cast<uint8_t*>(p) + std::size_t(v) * stride);
            q[0] = distances[v];
            q[1] = q[2] = 0.0f;
        }
        std::copy(indices.begin(), indices.end(), chunk->GetIndexArray());
        (void)perPrimitive;
        return chunk;
    }

    std::vector<std::string> DrawnTranslations() {
        std::vector<std::string> out;
        for (const std::string& line : display->GetTrace().Lines())
            if (line.rfind("SetWorldMatrix", 0) == 0) out.push_back(line);
        return out;
    }

    RenderKernel kernel{nullptr, 8.0f};
    Display* display = nullptr;
    AutoReference<Material> material;
    AutoReference<VorlexAlphaBlendCache> cache;
    Viewport viewport;
};

}  // namespace

TEST(VorlexAlphaBlendCacheDepth, FastDistanceAndBucketBoundaries) {
    EXPECT_EQ(VorlexAlphaBlendCache::Depth(At(0, 0, 0)), 0.0f);
    for (float d : {0.5f, 3.0f, 349.9f, 1000.0f, 5000.0f}) {
        const float got = VorlexAlphaBlendCache::Depth(At(d * 0.6f, d * 0.8f, 0));
        EXPECT_NEAR(got, d, d * 0.002f) << d;  // one Newton step: within 0.2 %
    }
    struct Case {
        float depth;
        int bucket;
    } cases[] = {{0.0f, 0}, {4.99f, 0}, {5.0f, 1}, {349.9f, 69}, {350.0f, 70}, {995.0f, 199},
                 {5000.0f, 199}, {-3.0f, 0}, {std::nanf(""), 0}};
    for (const Case& c : cases) EXPECT_EQ(VorlexAlphaBlendCache::BucketOf(c.depth), c.bucket) << c.depth;
}

TEST_F(AlphaBlendCacheFixture, NearBucketsAreTriangleSortedAndFarOnesAreNot) {
    AutoReference<GeometryChunk> chunk(MakeChunk(GeometryChunk::kTriangleList, {1, 1, 1, 3, 3, 3, 2, 2, 2}, 3,
                                                 {0, 1, 2, 3, 4, 5, 6, 7, 8}));
    cache->Submit(display, &viewport, material.Get(), chunk.Get(), 0, At(349.0f));  // product about 69.8
    cache->Submit(display, &viewport, material.Get(), chunk.Get(), 0, At(351.0f));  // product above 70
    const int nearBucket = VorlexAlphaBlendCache::BucketOf(VorlexAlphaBlendCache::Depth(At(349.0f)));
    const int farBucket = VorlexAlphaBlendCache::BucketOf(VorlexAlphaBlendCache::Depth(At(351.0f)));
    ASSERT_EQ(nearBucket, 69);
    ASSERT_EQ(farBucket, 70);
    ASSERT_EQ(cache->BucketEntries(69).size(), 1u);
    ASSERT_EQ(cache->BucketEntries(70).size(), 1u);
    EXPECT_TRUE(cache->BucketEntries(69)[0]->ownsIndices);
    EXPECT_FALSE(cache->BucketEntries(70)[0]->ownsIndices);

    AutoReference<VorlexAlphaBlendCache> far(new VorlexAlphaBlendCache());
    far->Submit(display, &viewport, material.Get(), chunk.Get(), 0, At(5000.0f));
    EXPECT_EQ(far->BucketEntries(199).size(), 1u);
}

TEST_F(AlphaBlendCacheFixture, SortExampleAndPrimitiveLayouts) {
    // Triangles at squared eye distances 1, 9 and 4 (the eye is at the
    // origin): sorted far to near, key the mean of the extremes.
    AutoReference<GeometryChunk> list(MakeChunk(GeometryChunk::kTriangleList, {1, 1, 1, 3, 3, 3, 2, 2, 2}, 3,
                                                {0, 1, 2, 3, 4, 5, 6, 7, 8}));
    cache->Submit(display, &viewport, material.Get(), list.Get(), 0, At(0));
    auto entries = cache->BucketEntries(0);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->indices, (std::vector<uint16_t>{3, 4, 5, 6, 7, 8, 0, 1, 2}));
    EXPECT_FLOAT_EQ(entries[0]->key, 5.0f);
    EXPECT_EQ(entries[0]->primitiveCount, 3u);
    EXPECT_EQ(entries[0]->drawKind, GeometryChunk::kTriangleList);
    cache->Reset();

    // A fan 0-1-2-3 gives (0, 1, 2) and (0, 2, 3); vertex 3 is far, so the
    // second triangle comes first.
    AutoReference<GeometryChunk> fan(MakeChunk(GeometryChunk::kTriangleFan, {0, 1, 1, 9}, 3, {0, 1, 2, 3}));
    cache->Submit(display, &viewport, material.Get(), fan.Get(), 0, At(0));
    entries = cache->BucketEntries(0);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->indices, (std::vector<uint16_t>{0, 2, 3, 0, 1, 2}));
    EXPECT_EQ(entries[0]->primitiveCount, 2u);
    EXPECT_EQ(entries[0]->drawKind, GeometryChunk::kTriangleList);
}

TEST_F(AlphaBlendCacheFixture, ShortAndOverclaimingChunksDoNotReadPastTheirIndices) {
    // A strip of two indices has no triangle (index count - 2 would wrap);
    // a list claiming more triangles than its indices hold is cut to them.
    AutoReference<GeometryChunk> strip(MakeChunk(GeometryChunk::kTriangleStrip, {1, 2}, 3, {0, 1}));
    cache->Submit(display, &viewport, material.Get(), strip.Get(), 0, At(0));
    auto entries = cache->BucketEntries(0);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_FALSE(entries[0]->ownsIndices);
    cache->Reset();

    AutoReference<GeometryChunk> list(material->CreateGeometryChunk(3, 5, 3, 0, GeometryChunk::kTriangleList, nullptr));
    uint16_t* idx = list->GetIndexArray();
    idx[0] = 0;
    idx[1] = 1;
    idx[2] = 2;
    ASSERT_EQ(list->GetTriangleCount(), 5u);
    cache->Submit(display, &viewport, material.Get(), list.Get(), 0, At(0));
    entries = cache->BucketEntries(0);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->primitiveCount, 1u);
    EXPECT_EQ(entries[0]->indices.size(), 3u);
}

TEST_F(AlphaBlendCacheFixture, DrawOrderMatchesAStableSortOfRandomInserts) {
    AutoReference<GeometryChunk> chunk(material->CreateGeometryChunk(3, 1, 3, 0, GeometryChunk::kTriangleList, nullptr));
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> distance(360.0f, 1200.0f);  // unsorted buckets: key = depth
    struct Insert {
        float x;
        float depth;
        int bucket;
    };
    std::vector<Insert> inserts;
    for (int i = 0; i < 200; ++i) {
        // Some exact repeats give equal keys.
        const float x = (i % 7 == 3 && !inserts.empty()) ? inserts[static_cast<std::size_t>(i / 2)].x
                                                          : std::round(distance(random));
        const float depth = VorlexAlphaBlendCache::Depth(At(x));
        inserts.push_back({x, depth, VorlexAlphaBlendCache::BucketOf(depth)});
        cache->Submit(display, &viewport, material.Get(), chunk.Get(), 0, At(x));
    }
    // Later inserts first, then a stable sort by bucket and key, farthest first.
    std::vector<Insert> expected(inserts.rbegin(), inserts.rend());
    std::stable_sort(expected.begin(), expected.end(), [](const Insert& a, const Insert& b) {
        if (a.bucket != b.bucket) return a.bucket > b.bucket;
        return a.depth > b.depth;
    });
    display->GetTrace().Clear();
    cache->Draw(display, &viewport);
    const std::vector<std::string> drawn = DrawnTranslations();
    ASSERT_EQ(drawn.size(), expected.size());
    for (std::size_t i = 0; i < drawn.size(); ++i)
        EXPECT_EQ(drawn[i], "SetWorldMatrix " + std::to_string(static_cast<int>(expected[i].x)) + " 0 0") << i;
    EXPECT_TRUE(cache->IsEmpty());
    EXPECT_EQ(display->GetTrace().CountStartingWith("SetAlphaBlendFunction 4 5"), expected.size());
    // The blend state left behind.
    EXPECT_FALSE(display->GetAlphaBlendMode());
    EXPECT_FALSE(display->GetAlphaTestMode());
    EXPECT_TRUE(display->GetDepthWriteMode());
    int source = -1, destination = -1;
    display->GetAlphaBlendFunction(source, destination);
    EXPECT_EQ(source, 1);
    EXPECT_EQ(destination, 0);
}

TEST_F(AlphaBlendCacheFixture, NestedWindowsAndAnUnmatchedLeave) {
    AutoReference<GeometryChunk> chunk(material->CreateGeometryChunk(3, 1, 3, 0, GeometryChunk::kTriangleList, nullptr));
    cache->Submit(display, &viewport, material.Get(), chunk.Get(), 0, At(500));
    cache->Enter(display, &viewport, true);
    EXPECT_EQ(cache->GetWindowStart(), 200);
    EXPECT_TRUE(cache->IsEmpty());
    EXPECT_EQ(cache->GetBucketCount(), 400u);

    // An empty inner window draws nothing and gives the outer one back.
    display->GetTrace().Clear();
    cache->Leave(display, &viewport, true);
    EXPECT_EQ(display->GetTrace().CountStartingWith("DrawChunk"), 0u);
    EXPECT_EQ(cache->GetWindowStart(), 0);
    EXPECT_FALSE(cache->IsEmpty());

    // A Leave without its Enter leaves the window where it is.
    cache->Leave(display, &viewport, true);
    EXPECT_EQ(cache->GetWindowStart(), 0);
    EXPECT_FALSE(cache->IsEmpty());

    // Not nested: nothing happens.
    cache->Enter(display, &viewport, false);
    EXPECT_EQ(cache->GetWindowStart(), 0);
    cache->Reset();
    EXPECT_TRUE(cache->IsEmpty());
}

TEST_F(AlphaBlendCacheFixture, SortDistanceSetsTheNearBucketCount) {
    cache->SetSortDistance(400.0f);
    EXPECT_EQ(cache->GetSortDistance(), 400.0f);
    EXPECT_EQ(cache->GetNearBucketCount(), 80);
}

TEST_F(AlphaBlendCacheFixture, UnsortedCacheDrawsInArrivalOrderAndKeepsItsEntries) {
    AutoReference<AlphaBlendCacheUnsorted> unsorted(new AlphaBlendCacheUnsorted());
    AutoReference<GeometryChunk> chunk(material->CreateGeometryChunk(3, 1, 3, 0, GeometryChunk::kTriangleList, nullptr));
    for (float x : {5.0f, 900.0f, 50.0f}) unsorted->Submit(display, &viewport, material.Get(), chunk.Get(), 0, At(x));
    display->SetAlphaBlendFunction(2, 3);
    for (int round = 0; round < 2; ++round) {
        display->GetTrace().Clear();
        unsorted->Draw(display, &viewport);
        EXPECT_EQ(DrawnTranslations(),
                  (std::vector<std::string>{"SetWorldMatrix 5 0 0", "SetWorldMatrix 900 0 0", "SetWorldMatrix 50 0 0"}));
        EXPECT_EQ(display->GetTrace().Lines().front(), "SetAlphaBlendFunction 4 5");
        int source = -1, destination = -1;
        display->GetAlphaBlendFunction(source, destination);
        EXPECT_EQ(source, 2);
        EXPECT_EQ(destination, 3);
        EXPECT_FALSE(display->GetAlphaBlendMode());
        EXPECT_TRUE(display->GetDepthWriteMode());
    }
    unsorted->Reset();
    EXPECT_EQ(unsorted->GetEntryCount(), 0u);
}
