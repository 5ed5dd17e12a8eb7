// The influence mesh: hardware skinning matrices against the software sum,
// pose stamps, levels and entries out of range, and the root rule.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/VertexItem.h"
#include "engine/scene/Particle.h"
#include "meshes/instances/VorlexInfluenceMesh.h"

using namespace Vek;

namespace {

using ChunkRef = VorlexInfluenceMesh::ChunkRef;

ChunkRef MakeChunk(uint32_t vertices, uint32_t typeWord) {
    return ChunkRef(new GeometryChunk(GeometryChunk::Layout::Standard(nullptr, false), vertices, 0, 0, 0, typeWord));
}

Vector3 PositionOf(GeometryChunk* chunk, uint32_t v) {
    GeometryChunk::ItemArray a = chunk->GetItemArray(kItemPosition);
    const float* p = reinterpret_cast<const float*>(a.pointer + v * a.stride);
    return {p[0], p[1], p[2]};
}

void SetPosition(GeometryChunk* chunk, uint32_t v, const Vector3& position) {
    GeometryChunk::ItemArray a = chunk->GetItemArray(kItemPosition);
    float* p = reinterpret_cast<float*>(a.pointer + v * a.stride);
    p[0] = position.x, p[1] = position.y, p[2] = position.z;
}

Vector3 Times(const Vector3& p, const DisplayMatrix& m) {
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

// A chain root -> b1 -> b2 of random rest placements, and a skeleton of
// particles of the same names placed at them.
struct Chain {
    explicit Chain(unsigned seed) : random(seed) {
        const char* names[3] = {"root", "b1", "b2"};
        for (int b = 0; b < 3; ++b) {
            InfluenceDefinition bone;
            bone.name = AnsiString(names[b]);
            bone.parentName = AnsiString(b == 0 ? "" : names[b - 1]);
            bone.position = RandomVector();
            Matrix4::FromRotationTranslation(RandomRotation(), {}).GetRotation(bone.orientation);
            bones.push_back(bone);
        }
        skeleton = std::make_unique<Particle>();
        Particle* parent = nullptr;
        for (int b = 0; b < 3; ++b) {
            Particle* particle = b == 0 ? skeleton.get() : new Particle;
            particle->SetName(PString(names[b]));
            Quaternion q;
            q.Set(bones[b].orientation);
            particle->Place(bones[b].position, q);
            if (parent) parent->Add(particle);
            particles.push_back(particle);
            parent = particle;
        }
    }
    Vector3 RandomVector() {
        std::uniform_real_distribution<float> d(-1.0f, 1.0f);
        return {d(random), d(random), d(random)};
    }
    Quaternion RandomRotation() {
        Quaternion q{0, 0, 0, 1};
        const Vector3 v = RandomVector();
        q = {v.x, v.y, v.z, 0.5f};
        q.Normalise();
        return q;
    }
    // Moves every bone to a new random local placement.
    void Move() {
        for (Particle* particle : particles) particle->Place(RandomVector(), RandomRotation());
    }

    std::mt19937 random;
    std::vector<InfluenceDefinition> bones;
    std::unique_ptr<Particle> skeleton;
    std::vector<Particle*> particles;
};

}  // namespace

TEST(InfluenceMesh, HardwareMatricesTimesBindPositionsEqualTheSoftwareSum) {
    for (unsigned seed : {1u, 7u, 42u}) {
        SCOPED_TRACE(seed);
        Chain chain(seed);
        constexpr uint32_t kVertices = 6;
        std::vector<Vector3> rest;
        std::vector<float> weights;  // 3 per vertex, summing to 1
        std::uniform_real_distribution<float> unit(0.1f, 1.0f);
        for (uint32_t v = 0; v < kVertices; ++v) {
            rest.push_back(chain.RandomVector());
            float w[3] = {unit(chain.random), unit(chain.random), unit(chain.random)};
            const float sum = w[0] + w[1] + w[2];
            for (float x : w) weights.push_back(x / sum);
        }

        // Hardware: one chunk whose palette slots name bones 0, 1, 2.
        ChunkRef hardwareChunk = MakeChunk(kVertices, 4);
        for (int b = 0; b < 3; ++b) ASSERT_EQ(hardwareChunk->AddInfluenceMatrix(b), b);
        for (uint32_t v = 0; v < kVertices; ++v) SetPosition(hardwareChunk.Get(), v, rest[v]);
        VorlexInfluenceMesh hardware;
        hardware.BuildFromMeshBones(chain.bones, true, 1, &hardwareChunk);
        hardware.Bind(chain.skeleton.get());
        for (uint32_t b = 0; b < 3; ++b) EXPECT_EQ(hardware.GetBone(b)->particle, chain.particles[b]);

        // Software: each bone's offsets are the rest positions in its bind space.
        std::vector<InfluenceDefinition> skinned = chain.bones;
        for (uint32_t b = 0; b < 3; ++b) {
            InfluenceDefinition::Entry entry;
            entry.chunk = 0;
            for (uint32_t v = 0; v < kVertices; ++v)
                entry.weights.push_back({v, weights[3 * v + b], hardware.GetBone(b)->inverseBind.TransformPoint(rest[v])});
            skinned[b].entries.push_back(entry);
        }
        ChunkRef softwareChunk = MakeChunk(kVertices, 4 | GeometryChunk::kFlagSoftwareSkinned);
        VorlexInfluenceMesh software;
        software.BuildFromMeshBones(skinned, false, 1, &softwareChunk);
        software.Bind(chain.skeleton.get());

        chain.Move();
        hardware.Pose(1, &hardwareChunk, 0, 0);
        software.Pose(1, &softwareChunk, 0, 0);
        for (uint32_t v = 0; v < kVertices; ++v) {
            Vector3 expected;
            for (int b = 0; b < 3; ++b)
                expected += Times(rest[v], *hardwareChunk->GetInfluenceMatrix(b)) * weights[3 * v + b];
            const Vector3 got = PositionOf(softwareChunk.Get(), v);
            EXPECT_NEAR(got.x, expected.x, 1e-3);
            EXPECT_NEAR(got.y, expected.y, 1e-3);
            EXPECT_NEAR(got.z, expected.z, 1e-3);
            // The hardware path leaves the vertices as they were.
            EXPECT_EQ(PositionOf(hardwareChunk.Get(), v), rest[v]);
        }
    }
}

TEST(InfluenceMesh, StampsLevelsAndEntriesOutOfRange) {
    std::vector<InfluenceDefinition> bones(1);
    bones[0].name = AnsiString("root");
    // Weights 0.5 and 0.3 of one offset: a vertex pulled towards the origin.
    // Entries for a chunk the mesh does not have and a vertex past the end
    // are skipped.
    bones[0].entries.push_back({0, {{0, 0.5f, {2, 0, 0}}, {0, 0.3f, {2, 0, 0}}, {9, 1.0f, {1, 1, 1}}}});
    bones[0].entries.push_back({3, {{0, 1.0f, {1, 1, 1}}}});
    ChunkRef chunk = MakeChunk(2, 4 | GeometryChunk::kFlagSoftwareSkinned);
    VorlexInfluenceMesh mesh;
    mesh.BuildFromMeshBones(bones, false, 1, &chunk);
    Particle root;
    root.SetName(PString("root"));
    mesh.Bind(&root);

    mesh.Pose(1, &chunk, 5, 0);
    EXPECT_EQ(PositionOf(chunk.Get(), 0), (Vector3{1.6f, 0, 0}));
    EXPECT_EQ(PositionOf(chunk.Get(), 1), (Vector3{0, 0, 0}));

    // The same non-zero stamp poses once; 0 poses every time.
    root.SetPosition({1, 0, 0});
    mesh.Pose(1, &chunk, 5, 0);
    EXPECT_EQ(PositionOf(chunk.Get(), 0), (Vector3{1.6f, 0, 0}));
    mesh.Pose(1, &chunk, 0, 0);
    EXPECT_NEAR(PositionOf(chunk.Get(), 0).x, 2.4f, 1e-6);
    root.SetPosition({2, 0, 0});
    mesh.Pose(1, &chunk, 0, 0);
    EXPECT_NEAR(PositionOf(chunk.Get(), 0).x, 3.2f, 1e-6);

    // A level the mesh does not have is not posed, and nothing is cleared.
    mesh.Pose(1, &chunk, 0, 1);
    mesh.Pose(1, &chunk, 0, 1000);
    mesh.ClearSkinnedPositions(1, &chunk, 7);
    EXPECT_NEAR(PositionOf(chunk.Get(), 0).x, 3.2f, 1e-6);
}

TEST(InfluenceMesh, TheLastBoneWithoutAParentIsTheRootAndCopiesAreDeep) {
    std::vector<InfluenceDefinition> bones(4);
    const char* names[4][2] = {{"first", ""}, {"child", "second"}, {"second", ""}, {"lost", "nobody"}};
    for (int b = 0; b < 4; ++b) {
        bones[b].name = AnsiString(names[b][0]);
        bones[b].parentName = AnsiString(names[b][1]);
    }
    ChunkRef chunk = MakeChunk(1, 4);
    VorlexInfluenceMesh mesh;
    mesh.BuildFromMeshBones(bones, false, 1, &chunk);
    ASSERT_NE(mesh.GetRootBone(), nullptr);
    EXPECT_STREQ(mesh.GetRootBone()->name.c_str(), "second");
    EXPECT_EQ(mesh.GetRootBone()->children, (std::vector<uint32_t>{1}));
    EXPECT_TRUE(mesh.AddBoneInfluences(3, {0, {{0, 1.0f, {}}}}));
    EXPECT_FALSE(mesh.AddBoneInfluences(4, {0, {}}));

    VorlexInfluenceMesh copy(mesh);
    EXPECT_STREQ(copy.GetRootBone()->name.c_str(), "second");
    EXPECT_EQ(copy.GetStamps(), std::vector<int32_t>(4, 0));
    ASSERT_TRUE(copy.AddBoneInfluences(0, {0, {}}));
    EXPECT_EQ(copy.GetBone(0)->sets[0].entries.size(), 1u);
    EXPECT_TRUE(mesh.GetBone(0)->sets[0].entries.empty());
}

TEST(InfluenceMesh, LevelBonesGiveOneSetPerWeightedLevelAndEveryLevelItsKind) {
    // Three levels: hardware with weights, software without weights (no
    // set), software with weights. Every level is posed; only the levels
    // with weights hold a set.
    ChunkRef hardwareChunk = MakeChunk(1, 4);
    ASSERT_EQ(hardwareChunk->AddInfluenceMatrix(0), 0);
    ChunkRef bareChunk = MakeChunk(1, 4 | GeometryChunk::kFlagSoftwareSkinned);
    ChunkRef softwareChunk = MakeChunk(1, 4 | GeometryChunk::kFlagSoftwareSkinned);
    VorlexInfluenceMesh::LevelBone bone;
    bone.name = PString("root");
    bone.sets = {{}, {{0, {{0, 1.0f, {1, 2, 3}}}}}};
    const std::vector<VorlexInfluenceMesh::LevelSkin> levels = {
        {true, 1, &hardwareChunk}, {false, 1, &bareChunk}, {false, 1, &softwareChunk}};
    VorlexInfluenceMesh mesh;
    mesh.BuildFromLODBones({bone}, levels, {0, 2});
    ASSERT_EQ(mesh.GetBone(0)->sets.size(), 2u);
    EXPECT_TRUE(mesh.IsHardwareLevel(0));
    EXPECT_FALSE(mesh.IsHardwareLevel(1));
    EXPECT_FALSE(mesh.IsHardwareLevel(2));
    EXPECT_EQ(mesh.GetStamps().size(), 3u);
    Particle root;
    root.SetName(PString("root"));
    mesh.Bind(&root);
    root.SetPosition({10, 0, 0});

    mesh.Pose(1, &softwareChunk, 4, 2);
    EXPECT_EQ(PositionOf(softwareChunk.Get(), 0), (Vector3{11, 2, 3}));
    EXPECT_EQ(hardwareChunk->GetInfluenceMatrix(0)->m[3][0], 0.0f);  // level 0 not posed yet
    mesh.Pose(1, &hardwareChunk, 4, 0);
    EXPECT_EQ(hardwareChunk->GetInfluenceMatrix(0)->m[3][0], 10.0f);
    // The level without weights is posed with none: its software chunk is
    // cleared and nothing moves it.
    SetPosition(bareChunk.Get(), 0, {5, 6, 7});
    mesh.Pose(1, &bareChunk, 4, 1);
    EXPECT_EQ(PositionOf(bareChunk.Get(), 0), (Vector3{0, 0, 0}));
    mesh.Pose(1, &bareChunk, 5, 3);  // a level the table does not have
    EXPECT_EQ(mesh.GetStamps(), (std::vector<int32_t>{4, 4, 4}));
}
