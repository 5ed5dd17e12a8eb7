// The collision tree of an indexed mesh, built through the collision
// services: none without a loader, triangles by groups of three indices.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/RenderKernel.h"
#include "engine/Resource.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/definitions/VorlexIndexedMeshDefinition.h"
#include "support/ImWriter.h"

using namespace Vek;

namespace {

struct Recorded {
    std::vector<uint32_t> ids;
    std::vector<Vector3> firstCorners;
};

class RecordingTree : public MeshCollisionTree {
public:
    explicit RecordingTree(Recorded& r) : m_r(r) {}
    void AddTriangle(const Vector3 corners[3], uint32_t identifier) override {
        m_r.ids.push_back(identifier);
        m_r.firstCorners.push_back(corners[0]);
    }
    bool Build() override { return true; }
    bool QuerySegment(const Vector3&, const Vector3&, MeshCollisionHit&) const override { return false; }

private:
    Recorded& m_r;
};

class Job : public MeshCollisionJob {
public:
    bool finished = false;
    bool IsFinished() const override { return finished; }
};

// A loader that runs the work when the test says so.
class ManualServices : public MeshCollisionServices {
public:
    std::unique_ptr<MeshCollisionTree> MakeTree(const VXAxisBoxTreeExternalGeometry*) override { return std::make_unique<RecordingTree>(recorded); }
    std::unique_ptr<MeshCollisionJob> Submit(const char*, std::function<bool()> w,
                                             std::function<void()> c) override {
        work = std::move(w);
        complete = std::move(c);
        auto j = std::make_unique<Job>();
        job = j.get();
        return j;
    }
    Recorded recorded;
    std::function<bool()> work;
    std::function<void()> complete;
    Job* job = nullptr;
};

std::unique_ptr<VorlexIndexedMeshDefinition> LoadTwoChunks(RenderKernel& kernel) {
    ImWriter::MeshModel m;
    ImWriter::ChunkModel a = ImWriter::Quad(1.0f);
    a.indices = {0, 1, 2, 3};  // one triangle and a leftover index
    a.faceCount = 1;
    ImWriter::ChunkModel b = ImWriter::Quad(2.0f);
    m.chunks = {a, b};
    std::vector<uint8_t> bytes = ImWriter::Write(m);
    AutoReference<Resource> resource(new Resource(PString("box.im"), nullptr));
    auto d = std::make_unique<VorlexIndexedMeshDefinition>();
    d->OpenMemory(bytes.data(), bytes.size(), "box.im");
    EXPECT_EQ(d->Read(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(), "box.im", 0), RES_OK);
    return d;
}

}  // namespace

TEST(CollisionTree, NoLoaderMeansNoTreeAndNoJob) {
    RenderKernel kernel(nullptr, 8.0f);
    ASSERT_TRUE(kernel.InitWithProfile(DisplayProfile::OpenGL()));
    auto d = LoadTwoChunks(kernel);
    EXPECT_EQ(d->GetCollisionTree(), nullptr);
    EXPECT_EQ(d->collisionJob, nullptr);
    EXPECT_FALSE(d->BuildCollisionTree());
}

TEST(CollisionTree, AJobBuildsTheTreeFromWholeTriangles) {
    RenderKernel kernel(nullptr, 8.0f);
    ASSERT_TRUE(kernel.InitWithProfile(DisplayProfile::OpenGL()));
    ManualServices services;
    MeshCollisionServices::Install(&services);
    auto d = LoadTwoChunks(kernel);
    EXPECT_EQ(d->GetCollisionTree(), nullptr);
    ASSERT_NE(d->collisionJob, nullptr);
    ASSERT_TRUE(services.work());
    services.complete();
    services.job->finished = true;
    MeshCollisionTree* tree = d->GetCollisionTree();
    EXPECT_NE(tree, nullptr);
    EXPECT_EQ(d->GetCollisionTree(), tree);
    EXPECT_EQ(services.recorded.ids, (std::vector<uint32_t>{0, 65536, 65536 + 3}));
    for (std::size_t t = 0; t < services.recorded.ids.size(); ++t) {
        Vector3 corners[3];
        ASSERT_TRUE(d->GetTriangle(services.recorded.ids[t], corners));
        EXPECT_EQ(corners[0], services.recorded.firstCorners[t]);
    }
    Vector3 corners[3];
    EXPECT_FALSE(d->GetTriangle(3, corners));  // the leftover index is no triangle
    d.reset();
    MeshCollisionServices::Install(nullptr);
}

// Identifiers keep 16 bits of the index position: groups that start past
// 65535 would repeat earlier identifiers, so they are left out.
TEST(CollisionTree, GroupsPastTheIdentifierRangeAreLeftOut) {
    RenderKernel kernel(nullptr, 8.0f);
    ASSERT_TRUE(kernel.InitWithProfile(DisplayProfile::OpenGL()));
    ManualServices services;
    MeshCollisionServices::Install(&services);
    ImWriter::MeshModel m;
    ImWriter::ChunkModel big = ImWriter::Quad(1.0f);
    big.indices.clear();
    for (int t = 0; t < 22000; ++t) big.indices.insert(big.indices.end(), {0, 1, 2});
    m.chunks = {big};
    std::vector<uint8_t> bytes = ImWriter::Write(m);
    AutoReference<Resource> resource(new Resource(PString("big.im"), nullptr));
    VorlexIndexedMeshDefinition d;
    d.OpenMemory(bytes.data(), bytes.size(), "big.im");
    ASSERT_EQ(d.Read(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(), "big.im", 0), RES_OK);
    EXPECT_TRUE(d.BuildCollisionTree());
    ASSERT_EQ(services.recorded.ids.size(), 65536u / 3 + 1);
    EXPECT_EQ(services.recorded.ids.back(), 65535u - 65535u % 3);
    MeshCollisionServices::Install(nullptr);
}
