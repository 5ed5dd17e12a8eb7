// Mesh resources: loading through Lock by file type, failed loads, the
// missing-material list, the kind of instance each mesh gets, and the
// progressive resource's dynamic-index option.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/scene/Particle.h"
#include "meshes/definitions/VorlexProgressiveMeshDefinition.h"
#include "meshes/instances/VorlexDynamicIndexedMeshInstance.h"
#include "meshes/instances/VorlexDynamicProgressiveMeshInstance.h"
#include "meshes/resources/VorlexIndexedMeshResource.h"
#include "meshes/resources/VorlexProgressiveMeshResource.h"
#include "MeshTestSupport.h"

using namespace MeshTest;
using ImWriter::MeshModel;

namespace {

class MeshResource : public Meshes {};

class SkinlessMeshResource : public Meshes {
protected:
    SkinlessMeshResource() : Meshes(WithoutSkinning()) {}
};

MeshModel Progressive(MeshModel m) {
    m.pmin = true;
    return m;
}

std::unique_ptr<Vek::Particle> Instance(const ResourceRef& resource) {
    return std::unique_ptr<Vek::Particle>(resource.Get() ? resource->MakeInstance() : nullptr);
}

}  // namespace

TEST_F(MeshResource, LockLoadsEachFileTypeThroughItsResourceClass) {
    ResourceRef indexed = Load("box.im", OneQuad());
    ResourceRef progressive = Load("box.pm", Progressive(OneQuad()));
    ASSERT_NE(dynamic_cast<VorlexIndexedMeshResource*>(indexed.Get()), nullptr);
    ASSERT_NE(dynamic_cast<VorlexProgressiveMeshResource*>(progressive.Get()), nullptr);
    EXPECT_TRUE(indexed->IsLoaded());
    EXPECT_NE(dynamic_cast<VorlexProgressiveMeshDefinition*>(progressive->GetDefinition()), nullptr);
    EXPECT_EQ(indexed->IsAllLoaded(), 0);
    EXPECT_TRUE(indexed->LoadAll());
    EXPECT_GT(indexed->CalculateDataSize(), 0u);

    std::unique_ptr<Vek::Particle> a = Instance(indexed), b = Instance(progressive);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->GetID(), 17u);
    EXPECT_EQ(b->GetID(), 19u);
    // Each instance holds a reference and a lock on its resource.
    EXPECT_EQ(indexed->GetLockCount(), 2);
    a.reset();
    EXPECT_EQ(indexed->GetLockCount(), 1);
}

TEST_F(MeshResource, LoadFailuresKeepNoDefinition) {
    // No render kernel: nothing is made.
    ResourceRef bare = MakeResource(WriteFile("bare.im", ImWriter::Write(OneQuad())), false);
    EXPECT_EQ(bare->Lock(), 1);
    EXPECT_EQ(bare->GetDefinition(), nullptr);
    EXPECT_EQ(bare->MakeInstance(), nullptr);
    EXPECT_EQ(bare->CalculateDataSize(), 0u);

    // A damaged file: result 1, the definition dropped.
    std::vector<uint8_t> bytes = ImWriter::Write(OneQuad());
    bytes.resize(bytes.size() - 10);
    ResourceRef damaged = MakeResource(WriteFile("damaged.im", bytes));
    EXPECT_EQ(damaged->Lock(), 1);
    EXPECT_EQ(damaged->GetDefinition(), nullptr);
}

TEST_F(MeshResource, ASecondLoadStartsWithNoMissingMaterials) {
    MeshModel bad = OneQuad();
    bad.chunks[0].material.name = "paint.m.nosuchtype";
    const std::string badPath = WriteFile("bad.im", ImWriter::Write(bad));
    const std::string goodPath = WriteFile("good.im", ImWriter::Write(OneQuad()));
    ResourceRef resource = MakeResource(badPath);
    EXPECT_EQ(resource->Load(badPath.c_str()), 1);
    ASSERT_EQ(resource->missingMaterials.size(), 1u);
    EXPECT_TRUE(std::string(resource->missingMaterials[0].c_str()).ends_with("paint.m.nosuchtype"));
    EXPECT_EQ(resource->GetDefinition(), nullptr);

    EXPECT_EQ(resource->Load(goodPath.c_str()), 0);
    EXPECT_TRUE(resource->missingMaterials.empty());
    EXPECT_NE(resource->GetDefinition(), nullptr);
}

TEST_F(MeshResource, TheMeshDecidesTheKindOfInstance) {
    struct Case {
        const char* name;
        MeshModel model;
        int id;  // -1: no instance
    };
    MeshModel oldInfo = SkinnedQuad();  // bones, but no bones-per-chunk field
    oldInfo.infoVersion = 101;
    MeshModel noSkeleton = SkinnedQuad();  // no bone without a parent: no skeleton
    noSkeleton.bones[0].parent = "elsewhere";
    const Case cases[] = {
        {"no bones", OneQuad(), 17},
        {"INFO 101 with bones", oldInfo, 17},
        {"bones without a skeleton", noSkeleton, -1},
        {"bones and a skeleton", SkinnedQuad(), 18},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResourceRef resource = Load("mesh" + std::to_string(n++) + ".im", c.model);
        std::unique_ptr<Vek::Particle> instance = Instance(resource);
        if (c.id < 0) {
            EXPECT_EQ(instance, nullptr);
        } else {
            ASSERT_NE(instance, nullptr);
            EXPECT_EQ(instance->GetID(), static_cast<uint32_t>(c.id));
        }
    }
    ResourceRef skinnedProgressive = Load("skin.pm", Progressive(SkinnedQuad()));
    std::unique_ptr<Vek::Particle> instance = Instance(skinnedProgressive);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->GetID(), 20u);
}

TEST_F(MeshResource, ProgressiveDynamicIndicesAreOnUnlessTheOptionsSayOtherwise) {
    const std::string path = WriteFile("p.pm", ImWriter::Write(Progressive(OneQuad())));
    struct Case {
        MeshLoadOption given;
        MeshLoadOption expected;
    };
    const Case cases[] = {{{0, 0}, {1, 1}}, {{0, 1}, {0, 1}}, {{1, 1}, {1, 1}}};
    for (const Case& c : cases) {
        ResourceRef resource = MakeResource(path);
        resource->loadOptions.DynamicIndex = c.given;
        ASSERT_EQ(resource->Load(path.c_str()), 0);
        EXPECT_EQ(resource->GetDefinition()->loadOptions.DynamicIndex.value, c.expected.value);
        EXPECT_EQ(resource->GetDefinition()->loadOptions.DynamicIndex.set, c.expected.set);
        // The user's options are left as they were.
        EXPECT_EQ(resource->loadOptions.DynamicIndex.set, c.given.set);
    }
}

TEST_F(SkinlessMeshResource, SkinnedMeshesGetSoftwareSkinnedInstances) {
    ResourceRef resource = Load("skin.im", SkinnedQuad());
    std::unique_ptr<Vek::Particle> particle = Instance(resource);
    auto* instance = dynamic_cast<VorlexDynamicIndexedMeshInstance*>(particle.get());
    ASSERT_NE(instance, nullptr);
    EXPECT_FALSE(instance->IsHardwareLevel(0));
    EXPECT_TRUE(instance->GetChunk(0)->HasFlag(Vek::GeometryChunk::kFlagSoftwareSkinned));
    ASSERT_NE(instance->GetRootBone(), nullptr);
    EXPECT_STREQ(instance->GetRootBone()->name.c_str(), "root");
}
