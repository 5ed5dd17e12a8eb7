// Skinned instances: software and hardware posing through the instance,
// copies that pose on their own, palettes kept apart from the definition,
// and skinned chunks added with their influences.
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "engine/display/Display.h"
#include "engine/geometry/VertexItem.h"
#include "engine/scene/Camera.h"
#include "engine/scene/ViewPort.h"
#include "meshes/instances/VorlexDynamicIndexedMeshInstance.h"
#include "MeshTestSupport.h"

using namespace MeshTest;
using namespace Vek;
using ImWriter::MeshModel;

namespace {

Vector3 PositionOf(GeometryChunk* chunk, uint32_t v) {
    GeometryChunk::ItemArray a = chunk->GetItemArray(kItemPosition);
    const float* p = reinterpret_cast<const float*>(a.pointer + v * a.stride);
    return {p[0], p[1], p[2]};
}

template <typename Base>
class Skinned : public Base {
protected:
    VorlexDynamicIndexedMeshInstance* Make(const std::string& name, const MeshModel& model) {
        resources.push_back(this->Load(name, model));
        Particle* made = resources.back()->MakeInstance();
        instances.emplace_back(made);
        return dynamic_cast<VorlexDynamicIndexedMeshInstance*>(made);
    }
    static VorlexIndexedMeshDefinition* DefinitionOf(const VorlexIndexedMeshInstance* instance) {
        return static_cast<VorlexGeometryBaseResource*>(instance->GetResource())->GetDefinition();
    }
    std::vector<ResourceRef> resources;
    std::vector<std::unique_ptr<Particle>> instances;
};

class SoftwareMeshes : public Meshes {
protected:
    SoftwareMeshes() : Meshes(WithoutSkinning()) {}
};

using SoftwareSkinned = Skinned<SoftwareMeshes>;
using HardwareSkinned = Skinned<Meshes>;

// SkinnedQuad with other bone names for the arm.
MeshModel WithArmNamed(const char* name) {
    MeshModel m = SkinnedQuad();
    m.bones[1].name = name;
    return m;
}

}  // namespace

TEST_F(SoftwareSkinned, ACopyPosesOnItsOwnAndTheDefinitionKeepsItsVertices) {
    VorlexDynamicIndexedMeshInstance* instance = Make("skin.im", SkinnedQuad());
    ASSERT_NE(instance, nullptr);
    GeometryChunk* definitionChunk = DefinitionOf(instance)->GetChunk(0);
    ASSERT_NE(instance->GetChunk(0), definitionChunk);
    instance->PoseChunks(0);
    EXPECT_EQ(PositionOf(instance->GetChunk(0), 2), (Vector3{1, 1, 0}));

    std::unique_ptr<Particle> tree(instance->CloneTree());
    auto* copy = dynamic_cast<VorlexDynamicIndexedMeshInstance*>(tree.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->GetChunk(0), instance->GetChunk(0));
    copy->Bind(copy->FindByName("root"));
    copy->FindByName("arm")->SetPosition({5, 5, 0});
    copy->PoseChunks(0);
    EXPECT_EQ(PositionOf(copy->GetChunk(0), 2), (Vector3{6, 5, 0}));
    EXPECT_EQ(PositionOf(copy->GetChunk(0), 0), (Vector3{0, 0, 0}));
    EXPECT_EQ(PositionOf(instance->GetChunk(0), 2), (Vector3{1, 1, 0}));
    EXPECT_EQ(PositionOf(definitionChunk, 2), (Vector3{1, 1, 0}));

    // Posing the original again leaves the copy.
    instance->FindByName("arm")->SetPosition({0, 3, 0});
    instance->PoseChunks(0);
    EXPECT_EQ(PositionOf(instance->GetChunk(0), 2), (Vector3{1, 3, 0}));
    EXPECT_EQ(PositionOf(copy->GetChunk(0), 2), (Vector3{6, 5, 0}));
}

TEST_F(SoftwareSkinned, AddedChunksBringTheirInfluencesOnlyWhenEveryBoneMatches) {
    VorlexDynamicIndexedMeshInstance* instance = Make("skin.im", SkinnedQuad());
    VorlexDynamicIndexedMeshInstance* foreign = Make("leg.im", WithArmNamed("leg"));
    VorlexDynamicIndexedMeshInstance* alike = Make("alike.im", SkinnedQuad());
    ASSERT_TRUE(instance && foreign && alike);

    // "leg" has no bone here: nothing is added, and no bone gains an entry
    // for the chunk that was never added.
    EXPECT_FALSE(instance->AddSkinnedChunk(foreign->GetChunk(0), foreign->GetMaterial(0), foreign, 0));
    EXPECT_EQ(instance->GetChunkCount(), 1u);
    for (uint32_t b = 0; b < instance->GetBoneCount(); ++b)
        for (const auto& entry : instance->GetBone(b)->sets[0].entries) EXPECT_EQ(entry.chunk, 0u);
    EXPECT_FALSE(instance->AddSkinnedChunk(foreign->GetChunk(0), foreign->GetMaterial(0), nullptr, 0));

    ASSERT_TRUE(instance->AddSkinnedChunk(alike->GetChunk(0), alike->GetMaterial(0), alike, 0));
    ASSERT_EQ(instance->GetChunkCount(), 2u);
    EXPECT_NE(instance->GetChunk(1), alike->GetChunk(0));
    const int arm = instance->FindBone(PString("arm"));
    ASSERT_GE(arm, 0);
    EXPECT_NE(instance->GetBone(static_cast<uint32_t>(arm))->sets[0].FindEntry(1), nullptr);
    instance->FindByName("arm")->SetPosition({0, 2, 0});
    instance->PoseChunks(0);
    EXPECT_EQ(PositionOf(instance->GetChunk(1), 2), (Vector3{1, 2, 0}));
    EXPECT_EQ(PositionOf(instance->GetChunk(0), 2), (Vector3{1, 2, 0}));
    EXPECT_EQ(PositionOf(alike->GetChunk(0), 2), (Vector3{1, 1, 0}));
}

TEST_F(HardwareSkinned, PalettesBelongToTheInstanceAndRenderPosesOncePerFrame) {
    VorlexDynamicIndexedMeshInstance* instance = Make("skin.im", SkinnedQuad());
    ASSERT_NE(instance, nullptr);
    ASSERT_TRUE(instance->IsHardwareLevel(0));
    GeometryChunk* definitionChunk = DefinitionOf(instance)->GetChunk(0);
    GeometryChunk* chunk = instance->GetChunk(0);
    ASSERT_NE(chunk, definitionChunk);
    ASSERT_EQ(chunk->GetInfluenceMatrixCount(), 2);
    const int armSlot = chunk->GetInfluenceBone(0) == 1 ? 0 : 1;
    const DisplayMatrix before = *definitionChunk->GetInfluenceMatrix(armSlot);

    Camera camera;
    ViewPort viewPort(kernel.GetDisplay(), &camera);
    viewPort.SetFrameNumber(3);
    instance->FindByName("arm")->SetPosition({0, 4, 0});
    instance->Render(&viewPort, 0, Matrix4());
    EXPECT_EQ(instance->GetStamps()[0], 3);
    // The arm moved 3 along y from where it was bound.
    EXPECT_FLOAT_EQ(chunk->GetInfluenceMatrix(armSlot)->m[3][1], 3.0f);
    EXPECT_EQ(*definitionChunk->GetInfluenceMatrix(armSlot), before);

    // The same frame again: not posed again.
    instance->FindByName("arm")->SetPosition({0, 9, 0});
    instance->Render(&viewPort, 0, Matrix4());
    EXPECT_FLOAT_EQ(chunk->GetInfluenceMatrix(armSlot)->m[3][1], 3.0f);

    // A chunk made private keeps following the bones.
    instance->MakeChunkPrivate(0);
    GeometryChunk* clone = instance->GetChunk(0);
    ASSERT_NE(clone, chunk);
    instance->PoseChunks(0);
    EXPECT_FLOAT_EQ(clone->GetInfluenceMatrix(armSlot)->m[3][1], 8.0f);
}

TEST_F(HardwareSkinned, AddedChunksMapTheirPaletteToTheseBonesByName) {
    VorlexDynamicIndexedMeshInstance* instance = Make("skin.im", SkinnedQuad());
    // The source lists its bones the other way round: its palette names
    // "arm" as bone 0 and "root" as bone 1.
    MeshModel swapped = SkinnedQuad();
    std::swap(swapped.bones[0], swapped.bones[1]);
    VorlexDynamicIndexedMeshInstance* source = Make("swapped.im", swapped);
    ASSERT_TRUE(instance && source);
    ASSERT_TRUE(instance->AddSkinnedChunk(source->GetChunk(0), source->GetMaterial(0), source, 0));
    GeometryChunk* added = instance->GetChunk(1);
    const int arm = instance->FindBone(PString("arm"));
    ASSERT_EQ(added->GetInfluenceMatrixCount(), 2);
    int armSlot = -1;
    for (int slot = 0; slot < 2; ++slot)
        if (added->GetInfluenceBone(slot) == arm) armSlot = slot;
    ASSERT_GE(armSlot, 0);
    // The slot follows this instance's arm bone.
    instance->FindByName("arm")->SetPosition({0, 6, 0});
    instance->PoseChunks(0);
    EXPECT_FLOAT_EQ(added->GetInfluenceMatrix(armSlot)->m[3][1], 5.0f);
    // A static chunk is of neither skinned kind.
    resources.push_back(Load("plain.im", OneQuad()));
    std::unique_ptr<Particle> plain(resources.back()->MakeInstance());
    auto* plainInstance = static_cast<VorlexIndexedMeshInstance*>(plain.get());
    EXPECT_FALSE(instance->AddSkinnedChunk(plainInstance->GetChunk(0), plainInstance->GetMaterial(0), source, 0));
}

TEST_F(SoftwareSkinned, MergedChunksBringTheirInfluencesPastTheOldVertices) {
    VorlexDynamicIndexedMeshInstance* instance = Make("skin.im", SkinnedQuad());
    VorlexDynamicIndexedMeshInstance* foreign = Make("leg.im", WithArmNamed("leg"));
    MeshModel shifted = SkinnedQuad();
    shifted.bones[0].entries[0].weights[1].offset[1] = 7;  // vertex 1 follows root at (1, 7, 0)
    // A weight for a vertex the source lacks: moved past the 4 old vertices
    // it would wrap round to vertex 2.
    shifted.bones[0].entries[0].weights.push_back({0xFFFFFFFEu, 1.0f, {9, 9, 0}});
    VorlexDynamicIndexedMeshInstance* source = Make("shifted.im", shifted);
    ASSERT_TRUE(instance && foreign && source);
    GeometryChunk* before = instance->GetChunk(0);
    AutoReference<GeometryChunk> kept;
    kept.Share(before);  // the merge drops the instance's reference
    const int root = instance->FindBone(PString("root"));

    EXPECT_FALSE(instance->MergeSkinnedChunk(foreign->GetChunk(0), 0, foreign, 0));
    EXPECT_FALSE(instance->MergeSkinnedChunk(source->GetChunk(0), 1, source, 0));  // no chunk 1
    EXPECT_EQ(instance->GetChunk(0), before);
    EXPECT_EQ(instance->GetBone(static_cast<uint32_t>(root))->sets[0].FindEntry(0)->weights.size(), 2u);

    ASSERT_TRUE(instance->MergeSkinnedChunk(source->GetChunk(0), 0, source, 0));
    GeometryChunk* merged = instance->GetChunk(0);
    ASSERT_NE(merged, before);
    EXPECT_EQ(merged->GetVertexCount(), 8u);
    EXPECT_EQ(before->GetVertexCount(), 4u);
    const auto* entry = instance->GetBone(static_cast<uint32_t>(root))->sets[0].FindEntry(0);
    ASSERT_EQ(entry->weights.size(), 4u);
    EXPECT_EQ(entry->weights[3].vertex, 5u);
    instance->PoseChunks(0);
    EXPECT_EQ(PositionOf(merged, 5), (Vector3{1, 7, 0}));
    EXPECT_EQ(PositionOf(merged, 6), (Vector3{1, 1, 0}));
    EXPECT_EQ(PositionOf(merged, 2), (Vector3{1, 1, 0}));
    EXPECT_EQ(PositionOf(source->GetChunk(0), 1), (Vector3{1, 0, 0}));
}

TEST_F(SoftwareSkinned, AChunkMergedIntoItselfTakesItsOwnInfluencesOnce) {
    // The source influences are this instance's own: the weights copied
    // are read from the very list that grows.
    VorlexDynamicIndexedMeshInstance* instance = Make("skin.im", SkinnedQuad());
    ASSERT_NE(instance, nullptr);
    AutoReference<GeometryChunk> kept;
    kept.Share(instance->GetChunk(0));
    ASSERT_TRUE(instance->MergeSkinnedChunk(kept.Get(), 0, instance, 0));
    GeometryChunk* merged = instance->GetChunk(0);
    ASSERT_EQ(merged->GetVertexCount(), 8u);
    for (const char* name : {"root", "arm"}) {
        SCOPED_TRACE(name);
        const int bone = instance->FindBone(PString(name));
        ASSERT_GE(bone, 0);
        const auto& entries = instance->GetBone(static_cast<uint32_t>(bone))->sets[0].entries;
        ASSERT_EQ(entries.size(), 1u);
        ASSERT_EQ(entries[0].weights.size(), 4u);
        EXPECT_EQ(entries[0].weights[2].vertex, entries[0].weights[0].vertex + 4);
        EXPECT_EQ(entries[0].weights[3].vertex, entries[0].weights[1].vertex + 4);
    }
    instance->FindByName("arm")->SetPosition({0, 2, 0});
    instance->PoseChunks(0);
    EXPECT_EQ(PositionOf(merged, 2), (Vector3{1, 2, 0}));
    EXPECT_EQ(PositionOf(merged, 6), (Vector3{1, 2, 0}));
}

TEST_F(SoftwareSkinned, PosingLeavesTheDefinitionsUnskinnedChunksAlone) {
    // A rigid second chunk without weights shares its vertices with the
    // definition; posing the skinned chunk must not write into them.
    MeshModel model = SkinnedQuad();
    model.chunks.push_back(ImWriter::Quad());
    VorlexDynamicIndexedMeshInstance* instance = Make("rigid.im", model);
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(instance->GetChunkCount(), 2u);
    GeometryChunk* definitionChunk = DefinitionOf(instance)->GetChunk(1);
    ASSERT_FALSE(definitionChunk->HasFlag(GeometryChunk::kFlagSoftwareSkinned));
    const Vector3 before = PositionOf(definitionChunk, 2);
    ASSERT_NE(before, (Vector3{0, 0, 0}));
    instance->PoseChunks(0);
    EXPECT_EQ(PositionOf(definitionChunk, 2), before);
    EXPECT_EQ(PositionOf(instance->GetChunk(1), 2), before);
    EXPECT_EQ(PositionOf(instance->GetChunk(0), 2), (Vector3{1, 1, 0}));
}
