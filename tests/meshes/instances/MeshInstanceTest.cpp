// Static mesh instances: face indices per primitive, ray tests, sharing of
// chunks and materials with the definition, scaled rendering, bone
// particles, reference points and copies.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "engine/bitmap/Bitmap.h"
#include "engine/display/Display.h"
#include "engine/geometry/VertexItem.h"
#include "engine/math/Ray.h"
#include "engine/scene/Camera.h"
#include "engine/scene/ViewPoint.h"
#include "engine/scene/ViewPort.h"
#include "engine/textures/TextureResource.h"
#include "meshes/definitions/VorlexProgressiveMeshDefinition.h"
#include "meshes/instances/ProjectedPointList.h"
#include "meshes/instances/VorlexIndexedMeshInstance.h"
#include "meshes/instances/VorlexProgressiveMeshInstance.h"
#include "MeshTestSupport.h"

using namespace MeshTest;
using namespace Vek;
using ImWriter::MeshModel;

namespace {

class MeshInstance : public Meshes {
protected:
    // An instance of the mesh, loaded as "name".
    VorlexIndexedMeshInstance* Make(const std::string& name, const MeshModel& model) {
        resources.push_back(Load(name, model));
        Particle* made = resources.back()->MakeInstance();
        instances.emplace_back(made);
        return dynamic_cast<VorlexIndexedMeshInstance*>(made);
    }
    VorlexIndexedMeshDefinition* DefinitionOf(const VorlexIndexedMeshInstance* instance) const {
        return static_cast<VorlexGeometryBaseResource*>(instance->GetResource())->GetDefinition();
    }
    std::vector<ResourceRef> resources;
    std::vector<std::unique_ptr<Particle>> instances;
};

}  // namespace

TEST(MeshFaceIndices, EachPrimitiveNamesItsCorners) {
    struct Case {
        uint32_t primitive, face;
        bool known;
        uint32_t positions[3];
    };
    const Case cases[] = {
        {4, 0, true, {0, 1, 2}},  {4, 2, true, {6, 7, 8}},   {8, 0, true, {0, 1, 2}},  {8, 1, true, {1, 3, 2}},
        {8, 4, true, {4, 5, 6}},  {8, 5, true, {5, 7, 6}},   {16, 0, true, {0, 1, 2}}, {16, 3, true, {0, 4, 5}},
        {1, 0, false, {0, 0, 0}}, {2, 0, false, {0, 0, 0}}, {0, 0, false, {0, 0, 0}},
        // Faces whose positions would wrap round past the largest one.
        {4, 0x55555556u, false, {0, 0, 0}}, {8, 0xFFFFFFFEu, false, {0, 0, 0}},
        {16, 0xFFFFFFFFu, false, {0, 0, 0}}, {4, 0x55555554u, true, {0xFFFFFFFCu, 0xFFFFFFFDu, 0xFFFFFFFEu}},
        {16, 0xFFFFFFFDu, true, {0, 0xFFFFFFFEu, 0xFFFFFFFFu}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "primitive " << c.primitive << " face " << c.face);
        uint32_t positions[3] = {};
        ASSERT_EQ(VorlexIndexedMeshInstance::FaceIndexPositions(c.primitive, c.face, positions), c.known);
        if (!c.known) continue;
        for (int k = 0; k < 3; ++k) EXPECT_EQ(positions[k], c.positions[k]);
    }
}

TEST_F(MeshInstance, FaceQueriesReadTheChunkThroughItsPrimitive) {
    // A strip of the quad's four corners: 0 1 3 2 gives faces (0 1 3), (1 2 3).
    MeshModel model = OneQuad();
    model.chunks[0].primitiveCode = 8;
    model.chunks[0].indices = {0, 1, 3, 2};
    model.chunks[0].faceCount = 2;
    VorlexIndexedMeshInstance* strip = Make("strip.im", model);
    ASSERT_NE(strip, nullptr);
    const ConstFaceDescriptor second{strip, 1, 0};
    EXPECT_EQ(strip->GetFaceVertex(second, 0), (Vector3{1, 0, 0}));
    EXPECT_EQ(strip->GetFaceVertex(second, 1), (Vector3{1, 1, 0}));
    EXPECT_EQ(strip->GetFaceVertex(second, 2), (Vector3{0, 1, 0}));
    const Vector3 centre = strip->GetFaceCentre(second);
    EXPECT_NEAR(centre.x, 2.0f / 3, 1e-6);
    EXPECT_NEAR(centre.y, 2.0f / 3, 1e-6);
    const Vector3 normal = strip->GetFaceNormal(ConstFaceDescriptor{strip, 0, 0});
    EXPECT_NEAR(normal.z, 1.0f, 1e-3);
    // Past the indices or the chunks: no vertex.
    Vector3 v;
    EXPECT_FALSE(strip->GetFaceVertex(ConstFaceDescriptor{strip, 2, 0}, 2, v));
    EXPECT_FALSE(strip->GetFaceVertex(ConstFaceDescriptor{strip, 0, 1}, 0, v));
    EXPECT_EQ(strip->GetFaceMaterial(ConstFaceDescriptor{strip, 0, 0}), strip->GetMaterial(0));

    // A degenerate face without stored normals has the normal (1, 0, 0).
    MeshModel flat = OneQuad();
    flat.chunks[0].indices = {0, 1, 1, 0, 2, 3};
    VorlexIndexedMeshInstance* degenerate = Make("flat.im", flat);
    EXPECT_EQ(degenerate->GetFaceNormal(ConstFaceDescriptor{degenerate, 0, 0}), (Vector3{1, 0, 0}));
    // 3 x 0x55555556 wraps round to position 2: still no such face.
    EXPECT_FALSE(degenerate->GetFaceVertex(ConstFaceDescriptor{degenerate, 0x55555556u, 0}, 0, v));
}

TEST_F(MeshInstance, FaceNeighboursComeFromTheNeighbourArray) {
    MeshModel model = OneQuad();
    model.chunks[0].neighbours = {0xFFFFFFFFu, 0x00000001u, 0xFFFFFFFFu, 0x00020000u, 0xFFFFFFFFu, 0xFFFFFFFFu};
    VorlexIndexedMeshInstance* instance = Make("n.im", model);
    VorlexIndexedMeshInstance* plain = Make("plain.im", OneQuad());
    ConstFaceDescriptor out{nullptr, 0, 0};
    EXPECT_FALSE(instance->GetFaceNeighbour(out, 0, 0));  // all bits set
    ASSERT_TRUE(instance->GetFaceNeighbour(out, 0, 1));
    EXPECT_EQ(out.geometry, instance);
    EXPECT_EQ(out.face, 1u);
    EXPECT_EQ(out.chunk, 0u);
    out.chunk = 0;
    ASSERT_TRUE(instance->GetFaceNeighbour(out, 1, 0));
    EXPECT_EQ(out.face, 0u);
    EXPECT_EQ(out.chunk, 2u);
    out.chunk = 0;
    EXPECT_FALSE(instance->GetFaceNeighbour(out, 2, 0));  // no face 2
    EXPECT_FALSE(plain->GetFaceNeighbour(out, 0, 0));     // no array
}

TEST_F(MeshInstance, RayTestsFindTheNearestFaceAheadOfTheRay) {
    MeshModel twoSidedModel = OneQuad();
    twoSidedModel.chunks[0].material.flag = 1;
    VorlexIndexedMeshInstance* oneSided = Make("one.im", OneQuad());
    VorlexIndexedMeshInstance* twoSided = Make("two.im", twoSidedModel);
    constexpr float kFar = std::numeric_limits<float>::max();
    struct Case {
        const char* name;
        bool twoSided;
        Ray ray;
        float distanceIn;
        bool hit;
        float distance;
        uint32_t face;
    };
    const Case cases[] = {
        {"hit, face 0", false, {{0.75f, 0.25f, 5}, {0, 0, -1}}, kFar, true, 5, 0},
        {"hit, face 1", false, {{0.25f, 0.75f, 5}, {0, 0, -1}}, kFar, true, 5, 1},
        {"on the shared edge", false, {{0.5f, 0.5f, 2}, {0, 0, -1}}, kFar, true, 2, 0},
        {"miss", false, {{2, 2, 5}, {0, 0, -1}}, kFar, false, kFar, 0},
        {"nearer hit known already", false, {{0.75f, 0.25f, 5}, {0, 0, -1}}, 4, false, 4, 0},
        {"back side, one-sided", false, {{0.75f, 0.25f, -5}, {0, 0, 1}}, kFar, false, kFar, 0},
        {"back side, two-sided", true, {{0.75f, 0.25f, -5}, {0, 0, 1}}, kFar, true, 5, 0},
        {"behind the ray", true, {{0.75f, 0.25f, -5}, {0, 0, -1}}, kFar, false, kFar, 0},
        {"behind the ray, one-sided", false, {{0.75f, 0.25f, 5}, {0, 0, 1}}, kFar, false, kFar, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VorlexIndexedMeshInstance* instance = c.twoSided ? twoSided : oneSided;
        float distance = c.distanceIn;
        ConstFaceDescriptor face{nullptr, 99, 99};
        EXPECT_EQ(instance->TestCollisionGeometry(c.ray, distance, face), c.hit);
        EXPECT_FLOAT_EQ(distance, c.distance);
        if (c.hit) {
            EXPECT_EQ(face.geometry, instance);
            EXPECT_EQ(face.face, c.face);
            EXPECT_EQ(face.chunk, 0u);
        }
    }
    // A zero scale component answers no ray.
    oneSided->SetScale(0, 1, 1);
    float distance = kFar;
    ConstFaceDescriptor face;
    EXPECT_FALSE(oneSided->TestCollisionGeometry({{0.75f, 0.25f, 5}, {0, 0, -1}}, distance, face));
}

TEST_F(MeshInstance, ChangesGoToPrivateCopiesNeverToTheDefinition) {
    VorlexIndexedMeshInstance* instance = Make("box.im", OneQuad());
    VorlexIndexedMeshDefinition* definition = DefinitionOf(instance);
    GeometryChunk* original = definition->GetChunk(0);
    Material* originalMaterial = definition->GetMaterial(0);
    ASSERT_EQ(instance->GetChunk(0), original);  // shared until changed
    std::unique_ptr<Particle> copyParticle(instance->CreateInstance());
    auto* copy = dynamic_cast<VorlexIndexedMeshInstance*>(copyParticle.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetChunk(0), original);

    // Merging clones the chunk in the copy only.
    MeshModel other = OneQuad();
    other.chunks[0].positions = {5, 5, 0, 6, 5, 0, 6, 6, 0, 5, 6, 0};
    VorlexIndexedMeshInstance* source = Make("other.im", other);
    ASSERT_TRUE(copy->MergeChunk(source->GetChunk(0), 0));
    EXPECT_NE(copy->GetChunk(0), original);
    EXPECT_EQ(copy->GetChunk(0)->GetVertexCount(), 8u);
    EXPECT_EQ(copy->GetChunk(0)->GetTriangleCount(), 4u);
    EXPECT_EQ(original->GetVertexCount(), 4u);
    EXPECT_EQ(original->GetTriangleCount(), 2u);
    EXPECT_EQ(instance->GetChunk(0), original);
    EXPECT_FALSE(copy->MergeChunk(source->GetChunk(0), 1));  // no chunk 1

    // Adding a chunk grows the copy's arrays only.
    ASSERT_TRUE(copy->AddChunk(source->GetChunk(0), source->GetMaterial(0)));
    EXPECT_EQ(copy->GetChunkCount(), 2u);
    EXPECT_EQ(copy->GetTriangleCount(), 6u);
    EXPECT_EQ(instance->GetChunkCount(), 1u);
    EXPECT_EQ(definition->chunks.size(), 1u);

    // Materials too.
    instance->MakeMaterialPrivate(0);
    EXPECT_NE(instance->GetMaterial(0), originalMaterial);
    EXPECT_EQ(copy->GetMaterial(0), originalMaterial);
    EXPECT_EQ(definition->GetMaterial(0), originalMaterial);
    // A chunk made private in an array shared with a copy stays this instance's.
    std::unique_ptr<Particle> sharing(instance->CreateInstance());
    instance->MakeChunkPrivate(0);
    EXPECT_NE(instance->GetChunk(0), original);
    EXPECT_EQ(static_cast<VorlexIndexedMeshInstance*>(sharing.get())->GetChunk(0), original);
    EXPECT_EQ(definition->GetChunk(0), original);
    instance->MakeChunkPrivate(5);  // out of range: nothing
    EXPECT_EQ(instance->GetChunkCount(), 1u);
}

TEST_F(MeshInstance, ProgressiveCopiesOwnTheirChunksAndRefuseNewOnes) {
    MeshModel model = OneQuad();
    model.pmin = true;
    VorlexIndexedMeshInstance* instance = Make("p.pm", model);
    ASSERT_NE(dynamic_cast<VorlexProgressiveMeshInstance*>(instance), nullptr);
    EXPECT_FALSE(instance->AddChunk(instance->GetChunk(0), instance->GetMaterial(0)));
    EXPECT_FALSE(instance->MergeChunk(instance->GetChunk(0), 0));
    std::unique_ptr<Particle> copy(instance->CreateInstance());
    auto* progressive = dynamic_cast<VorlexProgressiveMeshInstance*>(copy.get());
    ASSERT_NE(progressive, nullptr);
    EXPECT_NE(progressive->GetChunk(0), instance->GetChunk(0));
    EXPECT_FALSE(progressive->GetChunk(0)->IsVertexArrayShared());
    EXPECT_EQ(static_cast<VorlexIndexedMeshDefinition*>(progressive->GetProgressiveDefinition()), DefinitionOf(instance));
}

TEST_F(MeshInstance, RenderScalesACopyOfTheMatrixAndCullingSkipsTheInvisible) {
    VorlexIndexedMeshInstance* instance = Make("box.im", OneQuad());
    Display* display = kernel.GetDisplay();
    Camera camera;
    ViewPort viewPort(display, &camera);
    Matrix4 matrix;
    matrix.m[3][0] = 7;
    const Matrix4 given = matrix;

    instance->Render(&viewPort, 0, matrix);
    EXPECT_EQ(display->GetWorldMatrix().m[0][0], 1.0f);
    instance->SetScale(2, 1, 1);
    EXPECT_TRUE(instance->IsScaled());
    const uint32_t draws = display->GetDrawCount();
    for (int k = 0; k < 2; ++k) {
        instance->Render(&viewPort, 0, matrix);
        EXPECT_EQ(display->GetWorldMatrix().m[0][0], 2.0f);  // not 4 the second time
        EXPECT_EQ(display->GetWorldMatrix().m[1][1], 1.0f);
        EXPECT_EQ(display->GetWorldMatrix().m[3][0], 7.0f);
    }
    EXPECT_EQ(display->GetDrawCount(), draws + 2);
    EXPECT_EQ(matrix, given);
    instance->SetScale(1, 1, 1);
    EXPECT_FALSE(instance->IsScaled());

    ViewPoint viewPoint(&camera, &viewPort);
    instance->Cull(viewPoint, Matrix4());
    EXPECT_EQ(viewPoint.GetVisible().size(), 1u);
    EXPECT_FALSE(instance->IsOutsideFrame(&viewPort));
    viewPoint.NextFrame();
    instance->SetOpacity(0.0f);
    EXPECT_EQ(instance->GetChunk(0)->GetOpacity(), 0.0f);
    instance->Cull(viewPoint, Matrix4());
    EXPECT_TRUE(viewPoint.GetVisible().empty());
}

TEST_F(MeshInstance, ChunksOfBonesAreDrawnOnlyWithACulledBone) {
    // Bones but no bones-per-chunk field: a static instance with a skeleton.
    MeshModel model = OneQuad();
    model.infoVersion = 101;
    model.chunks[0].geomVersion = 200;
    model.chunks[0].boneName = "root";
    model.chunks.push_back(ImWriter::Quad());
    model.chunks[1].geomVersion = 200;  // no bone
    model.bones = {ImWriter::Bone("root", "")};
    VorlexIndexedMeshInstance* instance = Make("bones.im", model);
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(instance->GetBoneParticles().size(), 2u);
    ASSERT_NE(instance->GetBoneParticles()[0], nullptr);
    EXPECT_EQ(instance->GetBoneParticles()[1], nullptr);
    EXPECT_STREQ(instance->GetBoneParticles()[0]->GetName().c_str(), "root");

    Display* display = kernel.GetDisplay();
    Camera camera;
    ViewPort viewPort(display, &camera);
    ViewPoint viewPoint(&camera, &viewPort);
    uint32_t draws = display->GetDrawCount();
    instance->Render(&viewPort, 0, Matrix4());  // the bone was never culled
    EXPECT_EQ(display->GetDrawCount(), draws);
    instance->Cull(viewPoint, Matrix4());
    instance->Render(&viewPort, 0, Matrix4());
    EXPECT_EQ(display->GetDrawCount(), draws + 1);  // chunk 0 only

    // A chunk added later has no bone particle: it is not drawn.
    ASSERT_TRUE(instance->AddChunk(instance->GetChunk(1), instance->GetMaterial(1)));
    draws = display->GetDrawCount();
    instance->Render(&viewPort, 0, Matrix4());
    EXPECT_EQ(display->GetDrawCount(), draws + 1);

    // A copy has no bone particles of its own and draws every chunk.
    std::unique_ptr<Particle> copy(instance->CreateInstance());
    EXPECT_TRUE(static_cast<VorlexIndexedMeshInstance*>(copy.get())->GetBoneParticles().empty());
}

TEST_F(MeshInstance, PointNamesBecomeReferencePointsAndTheNameIsTheMeshs) {
    MeshModel model = OneQuad();
    ImWriter::AttachmentModel p, a;
    p.name = "pDoor";
    p.position[0] = 2;
    a.name = "a.lamp";
    model.attachments = {p, a};
    VorlexIndexedMeshInstance* instance = Make("points.im", model);
    ASSERT_EQ(instance->GetReferencePointCount(), 1u);
    EXPECT_EQ(instance->GetReferencePoint(0)->GetPosition(), (Vector3{2, 0, 0}));
    EXPECT_EQ(instance->GetName(), DefinitionOf(instance)->name);
}

TEST_F(MeshInstance, ProjectedVerticesFillBlocksOfThirteen) {
    MeshModel model;
    for (int c = 0; c < 4; ++c) model.chunks.push_back(ImWriter::Quad(float(c + 1)));
    VorlexIndexedMeshInstance* instance = Make("many.im", model);
    ProjectedPointList list;
    const float m[9] = {0, 1, 0, 1, 0, 0, 0, 0, 1};  // swaps x and y
    instance->AppendProjectedVertices(list, m, Vector2{10, 20});
    EXPECT_EQ(list.GetPointCount(), 16u);
    EXPECT_EQ(list.GetBlockCount(), 2u);
    EXPECT_EQ(list.GetFirst()->count, 13u);
    EXPECT_EQ(list.GetFirst()->next->count, 3u);
    EXPECT_EQ(list.GetFirst()->next->next, list.GetFirst());  // circular
    EXPECT_EQ(list.GetPoint(1).x, 10.0f);  // vertex (1, 0): y becomes x
    EXPECT_EQ(list.GetPoint(1).y, 21.0f);
}

TEST_F(MeshInstance, ReplacedTexturesTakeTheBitmapWhenItsFormatHasADisplayFormat) {
    VorlexIndexedMeshInstance* instance = Make("box.im", OneQuad());
    Bitmap picture;
    ASSERT_TRUE(picture.Init(2, 2, Bitmap::kARGB32));
    EXPECT_FALSE(instance->ReplaceTexture(0, 0, 0, 0, picture));  // the material has no texture
    EXPECT_FALSE(instance->ReplaceTexture(0, 0, 3, 0, picture));  // no chunk 3
    EXPECT_FALSE(instance->ReplaceTextureFromFile(0, 0, 0, 0, (folder / "missing.png").c_str()));

    AutoReference<TextureResource> texture(new TextureResource(PString("t.png"), nullptr));
    ASSERT_EQ(instance->GetMaterial(0)->SetTexture(0, texture.Get(), 1.0f), 0);
    ASSERT_TRUE(instance->ReplaceTexture(0, 0, 0, 0, picture));
    ASSERT_NE(texture->GetImage(), nullptr);
    EXPECT_EQ(texture->GetWidth(), 2);
    Bitmap raw;
    ASSERT_TRUE(raw.Init(4, 4, Bitmap::kRaw, nullptr, 64));
    EXPECT_FALSE(instance->ReplaceTexture(0, 0, 0, 0, raw));
    EXPECT_EQ(texture->GetWidth(), 2);
}

namespace {

// A tree that answers every segment with a fixed t, or with no hit.
class FixedTree : public MeshCollisionTree {
public:
    explicit FixedTree(bool hit) : m_hit(hit) {}
    void AddTriangle(const Vector3*, uint32_t) override {}
    bool Build() override { return true; }
    bool QuerySegment(const Vector3& start, const Vector3& end, MeshCollisionHit& hit) const override {
        segments.emplace_back(start, end);
        hit.t = 0.001f;
        hit.identifier = 0x00010003;
        return m_hit;
    }
    mutable std::vector<std::pair<Vector3, Vector3>> segments;

private:
    bool m_hit;
};

}  // namespace

TEST_F(MeshInstance, WithACollisionTreeTheTreeAloneAnswers) {
    VorlexIndexedMeshInstance* instance = Make("box.im", OneQuad());
    auto* tree = new FixedTree(true);
    DefinitionOf(instance)->collisionTree.reset(tree);
    const Ray ray{{0.75f, 0.25f, 5}, {0, 0, -1}};
    float distance = 100.0f;
    ConstFaceDescriptor face{nullptr, 9, 9};
    ASSERT_TRUE(instance->TestCollisionGeometry(ray, distance, face));
    EXPECT_FLOAT_EQ(distance, 5.0f);  // 5000 x t
    EXPECT_EQ(face.face, 0u);
    EXPECT_EQ(face.chunk, 0u);
    ASSERT_EQ(tree->segments.size(), 1u);
    EXPECT_EQ(tree->segments[0].second, (Vector3{0.75f, 0.25f, -4995}));
    distance = 4.0f;  // nearer already
    EXPECT_FALSE(instance->TestCollisionGeometry(ray, distance, face));

    // The tree's miss is final, though the triangles would be hit.
    DefinitionOf(instance)->collisionTree.reset(new FixedTree(false));
    distance = 100.0f;
    EXPECT_FALSE(instance->TestCollisionGeometry(ray, distance, face));
    EXPECT_FLOAT_EQ(distance, 100.0f);

    // A scaled instance asks its tree in the mesh's own coordinates, as it
    // tests the box and the triangles: (1.5, 0.5) on a quad twice the size
    // is (0.75, 0.25) on the mesh.
    auto* scaledTree = new FixedTree(true);
    DefinitionOf(instance)->collisionTree.reset(scaledTree);
    instance->SetScale(2, 2, 2);
    distance = 100.0f;
    ASSERT_TRUE(instance->TestCollisionGeometry({{1.5f, 0.5f, 5}, {0, 0, -1}}, distance, face));
    ASSERT_EQ(scaledTree->segments.size(), 1u);
    EXPECT_EQ(scaledTree->segments[0].first, (Vector3{0.75f, 0.25f, 2.5f}));
    EXPECT_EQ(scaledTree->segments[0].second, (Vector3{0.75f, 0.25f, -4997.5f}));
}
