// Level-of-detail resources and instances: the resource types ("x.lm"
// falling back to "x.lm.txt"), load completion sharing materials, failed
// loads, level selection, culling with the three cut-offs, and copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/scene/AttachmentPoint.h"
#include "engine/scene/Camera.h"
#include "engine/scene/ViewPoint.h"
#include "engine/scene/ViewPort.h"
#include "meshes/instances/MeshTestSupport.h"
#include "meshes/lod/LODBone.h"
#include "meshes/lod/VorlexDynamicIndexedMeshLODInstance.h"
#include "meshes/lod/VorlexIndexedMeshLODInstance.h"
#include "meshes/resources/VorlexIndexedMeshLODResource.h"
#include "LodFixture.h"

using namespace Vek;

namespace {

// Quads without bones, with the attachments "a.light:Cull" and "a.hook".
ImWriter::MeshModel StaticLevel(uint32_t quads, const std::string& material = "paint.m.onetex") {
    ImWriter::MeshModel m;
    for (uint32_t q = 0; q < quads; ++q) {
        ImWriter::ChunkModel c = ImWriter::Quad(1.0f + q);
        c.material.name = material;
        m.chunks.push_back(c);
    }
    m.attachments.push_back({"a.light:Cull"});
    m.attachments.push_back({"a.hook"});
    return m;
}

class LodResources : public MeshTest::Meshes {
protected:
    void WriteLevels(bool skinned) {
        WriteFile("lod0.im", ImWriter::Write(skinned ? LodTest::SkinnedLevel(2) : StaticLevel(2)));
        WriteFile("lod1.im", ImWriter::Write(skinned ? LodTest::SkinnedLevel(1) : StaticLevel(1)));
        WriteFile("box.im", ImWriter::Write(skinned ? LodTest::SkinnedLevel(1, "box.m.notex")
                                                    : StaticLevel(1, "box.m.notex")));
    }
    void WriteText(const std::string& name, const std::string& text) {
        WriteFile(name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    // Locks "<name>" (its text form "<name>.txt" when only that exists).
    MeshTest::ResourceRef Lock(const std::string& name, int expected = 0) {
        MeshTest::ResourceRef r = MakeResource(folder / name);
        if (r.Get()) {
            EXPECT_EQ(r->Lock(), expected) << name;
        }
        return r;
    }
    static VorlexIndexedMeshLODResource* Lod(const MeshTest::ResourceRef& r) {
        return dynamic_cast<VorlexIndexedMeshLODResource*>(r.Get());
    }
    // Culls the instance seen from a camera at (0, 0, distance).
    static bool CullFrom(VorlexIndexedMeshLODInstance& instance, float distance) {
        Camera camera;
        camera.Place({0, 0, distance}, {});
        ViewPort viewPort(nullptr, &camera);
        ViewPoint viewPoint(&camera, &viewPort);
        instance.Cull(viewPoint, Matrix4());
        return !viewPoint.GetVisible().empty();
    }
};

template <typename T>
struct Owned {
    explicit Owned(Particle* p) : instance(dynamic_cast<T*>(p)), particle(p) {}
    ~Owned() { delete particle; }
    T* operator->() const { return instance; }
    T* instance;
    Particle* particle;
};

}  // namespace

TEST_F(LodResources, LmFallsBackToTheTextAndMakesAnInstance) {
    WriteLevels(true);
    WriteText("train.lm.txt", LodTest::kStandardText);
    MeshTest::ResourceRef text = Lock("train.lm");
    ASSERT_NE(Lod(text), nullptr);
    VorlexIndexedMeshLODDefinition* d = Lod(text)->GetLODDefinition();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetLevelCount(), 3u);
    EXPECT_TRUE(d->subDefinitions.empty());  // released at load completion
    EXPECT_GT(text->CalculateDataSize(), 0u);
    Owned<VorlexDynamicIndexedMeshLODInstance> skinned(text->MakeInstance());
    ASSERT_NE(skinned.instance, nullptr);
    EXPECT_EQ(skinned->GetID(), 22u);
    EXPECT_EQ(skinned->GetSelectedLevel(), 2u);
    EXPECT_EQ(skinned->GetBoneCount(), 2u);
    EXPECT_NE(skinned->FindByName("arm"), nullptr);
    // Each instance poses its own hardware-skinned chunks.
    EXPECT_NE(skinned->GetLevel(0)->GetChunk(0), d->GetLevel(0)->GetChunk(0));

    // The binary form of the same mesh loads through the "lm" type.
    Vek::File out;
    ASSERT_TRUE(out.Open((folder / "binary.lm").c_str(), Vek::File::kModeWrite | Vek::File::kModeCreate));
    ASSERT_EQ(d->WriteLOD(out), RES_OK);
    out.Close();
    MeshTest::ResourceRef binary = Lock("binary.lm");
    ASSERT_NE(Lod(binary), nullptr);
    ASSERT_NE(Lod(binary)->GetLODDefinition(), nullptr);
    EXPECT_EQ(Lod(binary)->GetLODDefinition()->GetLevelCount(), 3u);
    Owned<VorlexDynamicIndexedMeshLODInstance> fromBinary(binary->MakeInstance());
    ASSERT_NE(fromBinary.instance, nullptr);
    EXPECT_EQ(fromBinary->GetSelectedLevel(), 2u);
}

TEST_F(LodResources, CompletionSharesEqualMaterialsAcrossLevels) {
    WriteLevels(false);
    WriteText("train.lm.txt", LodTest::kStandardText);
    MeshTest::ResourceRef r = Lock("train.lm.txt");
    VorlexIndexedMeshLODDefinition* d = Lod(r)->GetLODDefinition();
    ASSERT_NE(d, nullptr);
    // lod0 and lod1 were loaded from separate files; their "paint" materials
    // are equal and end as one object, "box" stays its own.
    EXPECT_EQ(d->GetLevel(1)->GetMaterial(0), d->GetLevel(0)->GetMaterial(0));
    // Only later levels take an earlier level's material.
    EXPECT_NE(d->GetLevel(0)->GetMaterial(1), d->GetLevel(0)->GetMaterial(0));
    EXPECT_NE(d->GetLevel(2)->GetMaterial(0), d->GetLevel(0)->GetMaterial(0));
    // The current arrays of the definition follow.
    EXPECT_EQ(d->GetMaterial(0), d->GetLevel(0)->GetMaterial(0));
}

TEST_F(LodResources, FailedLoadsMakeNoInstance) {
    WriteLevels(false);
    WriteText("broken.lm.txt", "mesh 0 { name lod0.im }\nmesh 50 { name missing.im }\n");
    MeshTest::ResourceRef text = Lock("broken.lm.txt", 1);
    // What the text build made stays, but no instance is made of it.
    ASSERT_NE(text->GetDefinition(), nullptr);
    EXPECT_EQ(Lod(text)->GetLODDefinition()->GetLevelCount(), 1u);
    EXPECT_EQ(text->MakeInstance(), nullptr);

    WriteFile("garbage.lm", {'V', 'I', 'R', 'F', 4, 0, 0, 0, 'L', 'O', 'D', 'M'});
    MeshTest::ResourceRef binary = Lock("garbage.lm", 1);
    EXPECT_EQ(binary->GetDefinition(), nullptr);
    EXPECT_EQ(binary->MakeInstance(), nullptr);
}

TEST_F(LodResources, BonesWithoutASkeletonMakeNoInstance) {
    WriteLevels(true);
    WriteText("train.lm.txt", "mesh 0 { name lod0.im }\n");
    MeshTest::ResourceRef text = Lock("train.lm");
    VorlexIndexedMeshLODDefinition* d = Lod(text)->GetLODDefinition();
    ASSERT_NE(d, nullptr);
    // No bone without a parent: the reader builds no skeleton.
    for (LODBone& bone : d->boneTable) bone.parentName = "elsewhere";
    Vek::File out;
    ASSERT_TRUE(out.Open((folder / "rootless.lm").c_str(), Vek::File::kModeWrite | Vek::File::kModeCreate));
    ASSERT_EQ(d->WriteLOD(out), RES_OK);
    out.Close();
    MeshTest::ResourceRef binary = Lock("rootless.lm");
    ASSERT_NE(Lod(binary)->GetLODDefinition(), nullptr);
    EXPECT_EQ(Lod(binary)->GetLODDefinition()->boneCount, 2u);
    EXPECT_EQ(Lod(binary)->GetLODDefinition()->skeletonRoot, nullptr);
    EXPECT_EQ(binary->MakeInstance(), nullptr);
}

TEST_F(LodResources, LevelSelection) {
    WriteLevels(false);
    struct Case {
        const char* what;
        std::string text;
        uint32_t selected;
    };
    const Case cases[] = {
        {"no collision level: the last distance level", "mesh 0 { name lod0.im }\nmesh 50 { name lod1.im }\n", 1},
        {"collision names level 0",
         "mesh 0 { name lod0.im }\nmesh 50 { name lod1.im }\nmesh collision { name lod0.im }\n", 0},
        {"collision is a level of its own", LodTest::kStandardText, 2},
        {"another named level only", "mesh 0 { name lod0.im }\nmesh 50 { name lod1.im }\nmesh hull { name box.im }\n",
         1},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = "select" + std::to_string(n++) + ".lm.txt";
        WriteText(name, c.text);
        MeshTest::ResourceRef r = Lock(name);
        Owned<VorlexIndexedMeshLODInstance> instance(r->MakeInstance());
        ASSERT_NE(instance.instance, nullptr);
        EXPECT_EQ(instance->GetID(), 21u);
        EXPECT_EQ(instance->GetSelectedLevel(), c.selected);
        const LODLevel* level = instance->GetLevel(c.selected);
        EXPECT_EQ(instance->GetChunkCount(), level->chunkCount);
        EXPECT_EQ(instance->GetChunk(0), level->GetChunk(0));
        // The base's queries and ray tests use the selected level.
        EXPECT_EQ(instance->GetTriangleCount(), level->faceTotal);
        // Selecting a level that is not there changes nothing.
        instance->SelectLevel(7);
        EXPECT_EQ(instance->GetSelectedLevel(), c.selected);
    }

    // A definition without levels gives an instance without levels.
    VorlexIndexedMeshLODDefinition empty;
    VorlexIndexedMeshLODInstance bare(&kernel);
    bare.InitFromDefinition(&empty);
    EXPECT_EQ(bare.GetLevelCount(), 0u);
    bare.SelectLevel(0);
    EXPECT_EQ(bare.GetChunkCount(), 0u);
}

TEST_F(LodResources, CullingPicksTheLevelAndAppliesTheCutOffs) {
    WriteLevels(false);
    WriteText("cut.lm.txt", "mesh 0 { name lod0.im }\nmesh 50 { name lod1.im }\nrenderCutOff 20\n"
                            "attachmentCutOff 30\n");
    MeshTest::ResourceRef r = Lock("cut.lm.txt");
    Owned<VorlexIndexedMeshLODInstance> instance(r->MakeInstance());
    ASSERT_NE(instance.instance, nullptr);
    ASSERT_EQ(instance->GetCulledAttachmentParticles().size(), 1u);
    Particle* light = instance->GetCulledAttachmentParticles()[0];
    EXPECT_STREQ(light->GetName().c_str(), "a.light");

    struct Case {
        float distance;
        bool drawn;
        uint32_t level;
        bool lightHidden;
    };
    // LOD value = the distance to the sphere's centre (centre point, multiplier 1, offset 0).
    const Case cases[] = {{10, false, 0, false}, {25, true, 0, false}, {40, true, 0, true}, {80, true, 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        EXPECT_EQ(CullFrom(*instance.instance, c.distance), c.drawn);
        EXPECT_EQ(instance->GetRenderLevelIndex(), c.level);
        EXPECT_EQ(light->HasFlag(Particle::kFlagHidden), c.lightHidden);
    }
    // An instance of opacity 0 is never drawn.
    instance->SetOpacity(0.0f);
    EXPECT_FALSE(CullFrom(*instance.instance, 80));

    // Without a render cut-off every visible instance is drawn.
    WriteText("near.lm.txt", "mesh 0 { name lod0.im }\n");
    MeshTest::ResourceRef near = Lock("near.lm.txt");
    Owned<VorlexIndexedMeshLODInstance> plain(near->MakeInstance());
    EXPECT_TRUE(CullFrom(*plain.instance, 0.0f));
}

TEST_F(LodResources, CopiesKeepCutOffsAndTheSelectedLevel) {
    WriteLevels(false);
    WriteText("copy.lm.txt", std::string(LodTest::kStandardText));
    MeshTest::ResourceRef r = Lock("copy.lm.txt");
    Owned<VorlexIndexedMeshLODInstance> source(r->MakeInstance());
    ASSERT_NE(source.instance, nullptr);
    source->SelectLevel(1);
    Owned<VorlexIndexedMeshLODInstance> copy(source->CreateInstance());
    ASSERT_NE(copy.instance, nullptr);
    EXPECT_EQ(copy->GetID(), 21u);
    EXPECT_EQ(copy->GetSelectedLevel(), 1u);
    EXPECT_EQ(copy->GetRenderCutOff(), 3.0f);
    EXPECT_EQ(copy->GetAttachmentCutOff(), 30.0f);
    EXPECT_EQ(copy->GetLevelCount(), 3u);
    EXPECT_EQ(copy->GetChunk(0), source->GetLevel(1)->GetChunk(0));

    WriteLevels(true);
    WriteText("skin.lm.txt", std::string(LodTest::kStandardText));
    MeshTest::ResourceRef s = Lock("skin.lm.txt");
    Owned<VorlexDynamicIndexedMeshLODInstance> skinned(s->MakeInstance());
    ASSERT_NE(skinned.instance, nullptr);
    skinned->SelectLevel(0);
    Owned<VorlexDynamicIndexedMeshLODInstance> skinnedCopy(skinned->CreateInstance());
    ASSERT_NE(skinnedCopy.instance, nullptr);
    EXPECT_EQ(skinnedCopy->GetID(), 22u);
    EXPECT_EQ(skinnedCopy->GetSelectedLevel(), 0u);
    EXPECT_EQ(skinnedCopy->GetAnimationCutOff(), 40.0f);
    // The copy's hardware-skinned chunks are its own.
    EXPECT_NE(skinnedCopy->GetLevel(0)->GetChunk(0), skinned->GetLevel(0)->GetChunk(0));
}

TEST_F(LodResources, AnimatedLevelsAndTheAnimationBand) {
    WriteLevels(true);
    WriteText("anim.lm.txt", "mesh 0 { name lod0.im }\nmesh 50 { name lod1.im }\n"
                             "mesh far { name box.im; animated true }\noffset 5\nanimationCutOff 40\n");
    MeshTest::ResourceRef r = Lock("anim.lm.txt");
    Owned<VorlexDynamicIndexedMeshLODInstance> instance(r->MakeInstance());
    ASSERT_NE(instance.instance, nullptr);
    EXPECT_EQ(instance->GetAnimatedLevels(), (std::vector<uint32_t>{2}));
    EXPECT_TRUE(instance->AddAnimatedLevel(2));
    EXPECT_FALSE(instance->AddAnimatedLevel(3));
    EXPECT_TRUE(instance->AddAnimatedLevel(1));
    auto* bones = new Particle();
    bones->SetName(PString("b.arm"));
    bones->Add(new Particle());
    instance.particle->Add(bones);

    // LOD value = distance + offset 5; the band is 40 +- 5.
    struct Case {
        float distance;
        bool above;
    };
    const Case cases[] = {{50, true}, {33, true}, {20, false}, {38, false}, {41, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        CullFrom(*instance.instance, c.distance);
        instance->UpdateSkin(1);
        EXPECT_EQ((instance->GetSkinFlags() & VorlexDynamicIndexedMeshLODInstance::kAboveBand) != 0, c.above);
        EXPECT_EQ(bones->GetFirstChild()->HasFlag(Particle::kFlagHidden), c.above);
    }
}

TEST_F(LodResources, ManyBonesAndAttachmentsAreFoundByName) {
    // Thousands of bones below "root" and "arm" in a .lm file, an
    // attachment on each, and a bone and an attachment sharing the name of
    // an earlier one: the first of a name is the one found. Searched for one
    // by one, as many bones took seconds; looked up, milliseconds.
    constexpr uint32_t kBones = 20000;
    LodTest::Fixture f;
    f.WriteLevel("one.im", LodTest::SkinnedLevel(1));
    ASSERT_EQ(f.LoadText("mesh 0 { name one.im }\n"), 0u);
    VorlexIndexedMeshLODDefinition& d = *f.definition;
    auto addBone = [&d](const std::string& name, const char* parent) {
        LODBone bone;
        bone.name = name;
        bone.parentName = parent;
        bone.influences.resize(1);
        d.boneTable.push_back(std::move(bone));
    };
    auto addAttachment = [&d](const std::string& name) {
        AttachmentRecord a;
        a.name = PString(name.c_str());
        d.attachments.push_back(a);
    };
    for (uint32_t k = 0; k < kBones; ++k) {
        addBone("b" + std::to_string(k), k % 2 ? "arm" : "root");
        addAttachment("a.p" + std::to_string(k) + "/b" + std::to_string(k));
    }
    addBone("b7", "arm");     // a second "b7"
    addAttachment("a.p9/b8");  // a second "a.p9"
    d.boneCount = static_cast<uint32_t>(d.boneTable.size());
    d.attachmentCount = static_cast<uint32_t>(d.attachments.size());
    WriteFile("many.lm", f.Write(d));
    MeshTest::ResourceRef r = Lock("many.lm");
    Owned<VorlexDynamicIndexedMeshLODInstance> instance(r->MakeInstance());
    ASSERT_NE(instance.instance, nullptr);
    ASSERT_EQ(instance->GetBoneCount(), kBones + 3);
    const VorlexInfluenceMesh::Bone* root = instance->GetRootBone();
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->name.c_str(), "root");
    const int arm = instance->FindBone(PString("arm"));
    ASSERT_EQ(arm, 1);
    EXPECT_EQ(root->children.size(), 1u + kBones / 2);
    EXPECT_EQ(instance->GetBone(1)->children.size(), kBones / 2 + 1);
    EXPECT_EQ(instance->FindBone(PString("b7")), 9);
    EXPECT_EQ(instance->FindBone(PString("b19999")), static_cast<int>(kBones + 1));
    // Every bone is bound to its particle.
    for (const uint32_t b : {0u, 1u, 9u, kBones + 1}) {
        const VorlexInfluenceMesh::Bone* bone = instance->GetBone(b);
        ASSERT_NE(bone->particle, nullptr) << b;
        EXPECT_EQ(bone->particle->GetName(), bone->name) << b;
    }
    // Each attachment hangs from its bone.
    for (const uint32_t k : {0u, 8u, kBones - 1}) {
        const std::string name = "a.p" + std::to_string(k);
        AttachmentPoint* point = instance->FindAttachmentPoint(PString(name.c_str()));
        ASSERT_NE(point, nullptr) << name;
        ASSERT_NE(point->GetParent(), nullptr) << name;
        EXPECT_STREQ(point->GetParent()->GetName().c_str(), ("b" + std::to_string(k)).c_str());
    }
    // The second "a.p9" hangs from "b8", after the first one.
    const Particle* b8 = instance->FindByName("b8");
    ASSERT_NE(b8, nullptr);
    int points = 0;
    for (const Particle* c = b8->GetFirstChild(); c; c = c->GetNextSibling()) points += c->GetName() == PString("a.p9");
    EXPECT_EQ(points, 1);
}
