// Loading indexed (.im) and progressive (.pm) meshes from memory: damaged
// files, chunk versions, empty chunks, skin weights and palettes, bounds,
// texture detail, the oriented box, materials and attachment points.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/RenderKernel.h"
#include "engine/Resource.h"
#include "engine/display/Display.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/VertexItem.h"
#include "engine/materials/Material.h"
#include "engine/materials/MaterialManager.h"
#include "engine/materials/MaterialPlugin.h"
#include "engine/resources/PluginEntry.h"
#include "engine/scene/AttachmentPoint.h"
#include "engine/scene/ParticleBone.h"
#include "engine/scene/ParticleStructure.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/definitions/VorlexIndexedMeshDefinition.h"
#include "meshes/definitions/VorlexProgressiveMeshDefinition.h"
#include "meshes/materials/CreatePlugins.h"
#include "support/ImWriter.h"

using namespace Vek;
using ImWriter::MeshModel;

namespace {

constexpr uint32_t kVertexColour = 0xAABBCCDD;

DisplayProfile WithoutSkinning() {
    DisplayProfile p = DisplayProfile::OpenGL();
    p.capabilities.erase(DisplayProfile::kCapabilityHardwareSkinning);
    p.name += "-noskin";
    return p;
}

// A render kernel, a resource named "meshes/box.im" without a database,
// and a definition loaded from bytes.
struct Loader {
    explicit Loader(const DisplayProfile& profile = DisplayProfile::OpenGL()) : kernel(nullptr, 8.0f) {
        EXPECT_TRUE(kernel.InitWithProfile(profile));
        resource.Reset(new Resource(PString("meshes/box.im"), nullptr));
    }
    uint32_t Load(const std::vector<uint8_t>& bytes, const MeshLoadOptions& options = {}) {
        definition = std::make_unique<VorlexIndexedMeshDefinition>(options);
        definition->OpenMemory(bytes.data(), bytes.size(), "meshes/box.im");
        return definition->Read(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(), "meshes/box.im",
                                kVertexColour);
    }
    uint32_t LoadProgressive(const std::vector<uint8_t>& bytes) {
        auto pm = std::make_unique<VorlexProgressiveMeshDefinition>();
        uint32_t result =
            pm->ReadMemory(kernel.GetMaterialManager(), resource.Get(), bytes.data(), bytes.size(), "meshes/box.pm",
                           kVertexColour);
        definition = std::move(pm);
        return result;
    }
    RenderKernel kernel;
    AutoReference<Resource> resource;
    std::unique_ptr<VorlexIndexedMeshDefinition> definition;
};

MeshModel OneQuad() {
    MeshModel m;
    m.chunks.push_back(ImWriter::Quad());
    return m;
}

uint32_t Word(GeometryChunk* chunk, int item, uint32_t vertex) {
    uint32_t stride = 0;
    const uint8_t* p = chunk->GetItemArray(item, stride);
    return *reinterpret_cast<const uint32_t*>(p + vertex * stride);
}

}  // namespace

TEST(IndexedMeshDefinition, DamagedFilesGiveTheirResultAndValidPartsLoad) {
    const std::vector<uint8_t> good = ImWriter::Write(OneQuad());
    MeshModel withAttachment = OneQuad();
    withAttachment.attachments.push_back({"a.one"});
    const std::vector<uint8_t> attached = ImWriter::Write(withAttachment);
    MeshModel trailing = OneQuad();
    trailing.chunks[0].trailing = {1, 2, 3, 4, 5, 6, 7, 8};

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        uint32_t result;
        uint32_t attachments;
    };
    std::vector<Case> cases;
    cases.push_back({"shorter than 4 bytes", {'V', 'I', 'R'}, RES_FILE_FORMAT_ERROR, 0});
    std::vector<uint8_t> magic = good;
    magic[0] = 'X';
    cases.push_back({"wrong magic", magic, RES_FILE_FORMAT_ERROR, 0});
    std::vector<uint8_t> type = good;
    type[8] = 'L';
    cases.push_back({"wrong file type", type, RES_FILE_FORMAT_ERROR, 0});
    // The declared size ends before "ATCH": the attachment is never read.
    std::vector<uint8_t> smaller = attached;
    ImWriter::Bytes patch{smaller};
    patch.Patch(4, static_cast<uint32_t>(good.size() - 8));
    cases.push_back({"size smaller than the content", patch.data, RES_OK, 0});
    std::vector<uint8_t> larger = good;
    ImWriter::Bytes grow{larger};
    grow.Patch(4, static_cast<uint32_t>(good.size()));
    cases.push_back({"size larger than the content", grow.data, RES_FILE_FORMAT_ERROR, 0});
    cases.push_back({"absent optional chunks", good, RES_OK, 0});
    cases.push_back({"with attachments", attached, RES_OK, 1});
    cases.push_back({"GEOM with trailing bytes", ImWriter::Write(trailing), RES_OK, 0});
    MeshModel info = OneQuad();
    info.infoVersion = 105;
    cases.push_back({"INFO version 105", ImWriter::Write(info), RES_FILE_VERSION_ERROR, 0});
    MeshModel matl = OneQuad();
    matl.chunks[0].material.version = 101;
    cases.push_back({"MATL version 101", ImWriter::Write(matl), RES_FILE_VERSION_ERROR, 0});
    MeshModel prim = OneQuad();
    prim.chunks[0].primitiveCode = 3;
    cases.push_back({"unknown primitive code", ImWriter::Write(prim), RES_FILE_FORMAT_ERROR, 0});
    MeshModel index = OneQuad();
    index.chunks[0].indices[5] = 4;  // equal to the vertex count
    cases.push_back({"index equal to the vertex count", ImWriter::Write(index), RES_FILE_FORMAT_ERROR, 0});
    MeshModel many = OneQuad();
    many.boneCountOverride = 1024;
    many.bones.push_back(ImWriter::Bone("root", ""));
    cases.push_back({"INFL with 1024 bones", ImWriter::Write(many), RES_FILE_FORMAT_ERROR, 0});
    // A count of the first chunk's "GEOM" (103: type, value, vertices,
    // faces, indices, face normals) larger than that chunk: the second
    // chunk's bytes are there but are not the first one's geometry.
    MeshModel two = OneQuad();
    two.chunks.push_back(ImWriter::Quad(2.0f));
    const std::vector<uint8_t> twoChunks = ImWriter::Write(two);
    const std::size_t geom = std::string(twoChunks.begin(), twoChunks.end()).find("GEOM");
    auto geomPatched = [&](std::size_t offset, uint32_t value) {
        ImWriter::Bytes b{twoChunks};
        b.Patch(geom + offset, value);
        return b.data;
    };
    cases.push_back({"a vertex more than GEOM holds", geomPatched(20, 5), RES_FILE_FORMAT_ERROR, 0});
    cases.push_back({"a face normal more than GEOM holds", geomPatched(32, 1), RES_FILE_FORMAT_ERROR, 0});

    for (const Case& c : cases) {
        Loader loader;
        EXPECT_EQ(loader.Load(c.bytes), c.result) << c.what;
        if (c.result == RES_OK) {
            EXPECT_EQ(loader.definition->chunkCount, 1u) << c.what;
            EXPECT_EQ(loader.definition->attachmentCount, c.attachments) << c.what;
            EXPECT_EQ(loader.definition->vertexTotal, 4u) << c.what;
            EXPECT_EQ(loader.definition->faceTotal, 2u) << c.what;
        }
    }
}

TEST(IndexedMeshDefinition, CountsBeyondTheDataFailWithoutAllocatingOrOverrunning) {
    // Each count is patched to a huge value in an otherwise good file.
    MeshModel m = OneQuad();
    m.chunks[0].material.properties = {{"key", "value"}};
    m.chunks[0].material.textures = {{0, "wood.tga", 1.0f}};
    m.bones.push_back({"root", "", {0, 0, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1}, {{0, {{0, 1.0f}}}}});
    m.attachments.push_back({"a.one"});
    const std::vector<uint8_t> good = ImWriter::Write(m);
    {
        Loader loader;
        ASSERT_EQ(loader.Load(good), RES_OK);
    }
    // Every prefix with the declared size left as it is fails cleanly.
    for (std::size_t n = 0; n < good.size(); ++n) {
        Loader loader;
        std::vector<uint8_t> cut(good.begin(), good.begin() + n);
        EXPECT_NE(loader.Load(cut), RES_OK) << n;
    }
    // Every 4-byte word set to 0xFFFFFFF0 either loads or fails with a code.
    for (std::size_t at = 12; at + 4 <= good.size(); at += 4) {
        ImWriter::Bytes b{good};
        b.Patch(at, 0xFFFFFFF0u);
        Loader loader;
        uint32_t result = loader.Load(b.data);
        EXPECT_LE(result, 9u) << at;
    }
}

TEST(IndexedMeshDefinition, BoneTreesNestOnlyToTheLimit) {
    auto skeleton = [](uint32_t depth) {
        std::vector<uint8_t> bytes = ImWriter::Write(OneQuad());
        ImWriter::Bytes b{bytes};
        std::size_t skel = b.Begin("SKEL", 100);
        std::vector<std::size_t> marks;
        for (uint32_t d = 0; d < depth; ++d) {
            marks.push_back(b.Begin("BONE", 100));
            b.Str("b" + std::to_string(d));
            for (float f : {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f}) b.F32(f);
            b.U32(d + 1 < depth ? 1 : 0);
        }
        while (!marks.empty()) {
            b.End(marks.back());
            marks.pop_back();
        }
        b.End(skel);
        b.Patch(4, static_cast<uint32_t>(b.data.size() - 8));
        return b.data;
    };
    Loader shallow;
    ASSERT_EQ(shallow.Load(skeleton(3)), RES_OK);
    ASSERT_NE(shallow.definition->skeletonRoot, nullptr);
    EXPECT_STREQ(shallow.definition->skeletonRoot->GetName().c_str(), "b0");
    Loader deep;
    EXPECT_EQ(deep.Load(skeleton(5000)), RES_FILE_FORMAT_ERROR);
}

TEST(IndexedMeshDefinition, GeometryVersionsReadTheirFields) {
    struct Case {
        uint32_t version;
        uint32_t texCoordSets;  // chunk's sets
        bool weightsRead;       // the chunk is skinned (in software here)
        uint32_t colour;        // vertex 0's diffuse colour
        const char* boneName;
    } cases[] = {
        {101, 1, false, kVertexColour, ""},
        {102, 1, true, kVertexColour, ""},
        {103, 2, true, kVertexColour, ""},
        {104, 2, true, 0xFF332211, ""},
        {199, 2, true, 0xFF332211, ""},
        {200, 1, true, kVertexColour, "spine"},
        {201, 1, true, kVertexColour, "spine"},
    };
    for (const Case& c : cases) {
        MeshModel m = OneQuad();
        ImWriter::ChunkModel& chunk = m.chunks[0];
        chunk.geomVersion = c.version;
        chunk.texCoordSets = 2;
        chunk.uvs = {0, 0, 9, 9, 1, 0, 9, 9, 1, 1, 9, 9, 0, 1, 9, 9};
        chunk.weightsPerVertex = 1;
        chunk.colours = {0xFF112233, 0xFF112233, 0xFF112233, 0xFF112233};
        chunk.boneName = "spine";
        chunk.extendedFlags = 1;
        chunk.extraVectors.assign(12, 5.0f);
        Loader loader(WithoutSkinning());
        MeshLoadOptions options;
        options.SoftwareLighting = {1, 1};
        ASSERT_EQ(loader.Load(ImWriter::Write(m), options), RES_OK) << c.version;
        VorlexIndexedMeshDefinition& d = *loader.definition;
        GeometryChunk* g = d.GetChunk(0);
        EXPECT_EQ(d.GetTexCoordSetCount(0), c.texCoordSets) << c.version;
        EXPECT_EQ(g->HasFlag(GeometryChunk::kFlagSoftwareSkinned), c.weightsRead) << c.version;
        EXPECT_EQ(Word(g, kItemDiffuse, 0), c.colour) << c.version;
        EXPECT_STREQ(d.GetChunkBoneName(0).c_str(), c.boneName) << c.version;
        EXPECT_EQ(g->GetPrimitiveCode(), 4u) << c.version;
        // Positions and the first texture-coordinate set arrive whatever the version.
        float uv[8];
        d.CopyTexCoords(0, 0, {8, uv});
        EXPECT_EQ(uv[2], 1.0f) << c.version;
        EXPECT_EQ(uv[5], 1.0f) << c.version;
    }
}

TEST(IndexedMeshDefinition, EmptyChunksVanishAndTheNextTakesTheirPlace) {
    MeshModel m;
    m.chunks.push_back(ImWriter::Quad(1.0f));
    ImWriter::ChunkModel empty = ImWriter::Quad(2.0f);
    empty.indices.clear();
    m.chunks.push_back(empty);
    ImWriter::ChunkModel last = ImWriter::Quad(3.0f);
    last.material.name = "third.m.onetex";
    last.geomVersion = 200;
    last.boneName = "tail";
    m.chunks.push_back(last);
    Loader loader;
    ASSERT_EQ(loader.Load(ImWriter::Write(m)), RES_OK);
    VorlexIndexedMeshDefinition& d = *loader.definition;
    EXPECT_EQ(d.chunkCount, 2u);
    EXPECT_EQ(d.chunks.size(), 2u);
    EXPECT_EQ(d.materials.size(), 2u);
    EXPECT_STREQ(d.GetMaterialName(1).c_str(), "*meshes*third.m.onetex");
    EXPECT_STREQ(d.GetChunkBoneName(1).c_str(), "tail");
    EXPECT_TRUE(d.GetChunkBoneName(2).IsEmpty());
    EXPECT_EQ(d.boundsMax.x, 3.0f);
    EXPECT_EQ(d.vertexTotal, 8u);
}

TEST(IndexedMeshDefinition, WeightsFollowTheirChunkPastADroppedOne) {
    // Chunks: a quad, an empty one, a quad. The weights name chunks by their
    // place in the file: those of the empty chunk go, those of the third
    // chunk move with it to place 1, and one naming a chunk beyond the
    // file's stays beyond the mesh's.
    MeshModel m;
    m.maxInfluencesPerVertex = 1;
    m.maxBonesPerChunk = 2;
    m.chunks.push_back(ImWriter::Quad(1.0f));
    ImWriter::ChunkModel empty = ImWriter::Quad(2.0f);
    empty.indices.clear();
    m.chunks.push_back(empty);
    m.chunks.push_back(ImWriter::Quad(3.0f));
    for (ImWriter::ChunkModel& c : m.chunks) c.weightsPerVertex = 1;
    ImWriter::BoneModel root = ImWriter::Bone("root", "");
    root.entries = {{0, {{0, 1.0f}}}, {1, {{1, 1.0f}}}, {2, {{2, 0.25f}}}};
    ImWriter::BoneModel arm = ImWriter::Bone("arm", "root");
    arm.entries = {{2, {{3, 0.75f}}}, {7, {{0, 1.0f}}}};
    m.bones = {root, arm};

    Loader loader;
    ASSERT_EQ(loader.Load(ImWriter::Write(m)), RES_OK);
    VorlexIndexedMeshDefinition& d = *loader.definition;
    ASSERT_EQ(d.chunkCount, 2u);
    ASSERT_EQ(d.bones.size(), 2u);
    const std::vector<std::pair<uint32_t, float>> rootEntries = {{0, 1.0f}, {1, 0.25f}};
    ASSERT_EQ(d.bones[0].entries.size(), rootEntries.size());
    for (std::size_t e = 0; e < rootEntries.size(); ++e) {
        EXPECT_EQ(d.bones[0].entries[e].chunk, rootEntries[e].first) << e;
        EXPECT_EQ(d.bones[0].entries[e].weights[0].weight, rootEntries[e].second) << e;
    }
    ASSERT_EQ(d.bones[1].entries.size(), 2u);
    EXPECT_EQ(d.bones[1].entries[0].chunk, 1u);
    EXPECT_EQ(d.bones[1].entries[0].weights[0].vertex, 3u);
    EXPECT_EQ(d.bones[1].entries[1].chunk, 7u);
    // The palettes: root alone on the first quad, both bones on the second.
    EXPECT_EQ(d.GetChunk(0)->GetInfluenceMatrixCount(), 1);
    EXPECT_EQ(d.GetChunk(1)->GetInfluenceMatrixCount(), 2);
    EXPECT_EQ(Word(d.GetChunk(1), kItemPaletteIndices, 3) & 0xFF, 3u);  // arm's slot
}

TEST(IndexedMeshDefinition, PalettesFillFreeSlotsAndSkipForeignVertices) {
    MeshModel m = OneQuad();
    m.maxInfluencesPerVertex = 2;
    m.maxBonesPerChunk = 2;
    m.chunks[0].weightsPerVertex = 2;
    ImWriter::BoneModel root = ImWriter::Bone("root", "");
    root.entries.push_back({0, {{0, 0.5f}, {1, 1.0f}}});
    ImWriter::BoneModel arm = ImWriter::Bone("arm", "root");
    // Vertex 99 is not in the chunk; 2.0 and -1.0 clamp to 255 and 0.
    arm.entries.push_back({0, {{0, 0.5f}, {99, 1.0f}, {2, 2.0f}, {3, -1.0f}}});
    ImWriter::BoneModel idle = ImWriter::Bone("idle", "root");
    idle.entries.push_back({0, {}});
    m.bones = {root, arm, idle};

    Loader loader;
    ASSERT_EQ(loader.Load(ImWriter::Write(m)), RES_OK);
    VorlexIndexedMeshDefinition& d = *loader.definition;
    EXPECT_TRUE(d.hardwareSkinned);
    EXPECT_EQ(d.boneLimit, 24u);
    EXPECT_EQ(d.GetBoneEntryCount(2), 0u);  // the entry with no weights is dropped
    GeometryChunk* g = d.GetChunk(0);
    struct Expect {
        uint32_t vertex, weights, indices;
    } expected[] = {
        {0, 0x00007F7F, 0x00FE0300},
        {1, 0x000000FF, 0x0000FE00},
        {2, 0x000000FF, 0x0000FE03},
        {3, 0x00000000, 0x0000FE03},
    };
    for (const Expect& e : expected) {
        EXPECT_EQ(Word(g, kItemPackedWeights, e.vertex), e.weights) << e.vertex;
        EXPECT_EQ(Word(g, kItemPaletteIndices, e.vertex), e.indices) << e.vertex;
    }
    EXPECT_EQ(d.GetChunkInfluencesPerVertex(0), 2u);
    ASSERT_NE(d.skeletonRoot, nullptr);
    EXPECT_EQ(d.skeletonRoot->GetChildCount(), 2u);

    // Without capability 29 the bone limit stays 25 and the chunk is skinned in software.
    Loader plain(WithoutSkinning());
    ASSERT_EQ(plain.Load(ImWriter::Write(m)), RES_OK);
    EXPECT_EQ(plain.definition->boneLimit, 25u);
    EXPECT_FALSE(plain.definition->hardwareSkinned);
    EXPECT_TRUE(plain.definition->GetChunk(0)->HasFlag(GeometryChunk::kFlagSoftwareSkinned));
}

TEST(IndexedMeshDefinition, NamesAfterAnOddIndexCountRead) {
    // One triangle has three 16-bit indices, so the bone names and the
    // attachment after its chunk stand 2 bytes off a multiple of 4; their
    // padding follows their own length.
    MeshModel m;
    ImWriter::ChunkModel triangle;
    triangle.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    triangle.uvs = {0, 0, 1, 0, 0, 1};
    triangle.indices = {0, 1, 2};
    triangle.weightsPerVertex = 1;
    m.chunks.push_back(triangle);
    m.maxInfluencesPerVertex = 1;
    m.maxBonesPerChunk = 2;
    for (const char* name : {"root", "arm.l"}) {
        m.bones.push_back(ImWriter::Bone(name, m.bones.empty() ? "" : "root"));
        m.bones.back().entries.push_back({0, {{m.bones.size() == 1 ? 0u : 1u, 1.0f}}});
    }
    m.attachments.push_back({"a.hook"});

    Loader loader;
    ASSERT_EQ(loader.Load(ImWriter::Write(m)), RES_OK);
    VorlexIndexedMeshDefinition& d = *loader.definition;
    ASSERT_EQ(d.bones.size(), 2u);
    EXPECT_STREQ(d.bones[1].name.c_str(), "arm.l");
    EXPECT_STREQ(d.bones[1].parentName.c_str(), "root");
    EXPECT_EQ(d.attachmentCount, 1u);
}

TEST(IndexedMeshDefinition, BoundsTextureDetailAndOrientedBox) {
    // A 2 x 2 quad over texture coordinates 0 to 1: 2 world units per unit.
    MeshModel m;
    m.chunks.push_back(ImWriter::Quad(2.0f, 1.0f));
    ImWriter::ChunkModel skew;
    skew.positions = {5, 1, -1, 6, 2, 3, 4, -2, 0, 7, 0.5f, 1, 5.5f, 3, 2};
    skew.indices = {0, 1, 2, 2, 3, 4, 0};  // the seventh index gives no triangle
    m.chunks.push_back(skew);
    Loader loader;
    ASSERT_EQ(loader.Load(ImWriter::Write(m)), RES_OK);
    VorlexIndexedMeshDefinition& d = *loader.definition;
    EXPECT_EQ(d.boundsMin.x, 0.0f);
    EXPECT_EQ(d.boundsMin.y, -2.0f);
    EXPECT_EQ(d.boundsMin.z, -1.0f);
    EXPECT_EQ(d.boundsMax.x, 7.0f);
    EXPECT_EQ(d.boundsMax.z, 3.0f);
    // The skewed chunk's coordinates are all 0: only the quad counts.
    EXPECT_NEAR(d.textureDetail, 2.0f, 1e-2f);
    for (uint32_t c = 0; c < d.chunkCount; ++c) {
        std::vector<Vector3> p(d.GetVertexCount(c));
        d.CopyPositions(c, {12, p.data()});
        for (const Vector3& v : p) EXPECT_TRUE(d.orientedBox.Contains(v, 1e-4f)) << v.x << " " << v.y << " " << v.z;
    }
    Vector3 corners[3];
    EXPECT_TRUE(d.GetTriangle(65536 + 3, corners));
    EXPECT_EQ(corners[0].x, 4.0f);
    EXPECT_FALSE(d.GetTriangle(65536 + 6, corners));

    Loader none;
    MeshModel emptyMesh;
    ASSERT_EQ(none.Load(ImWriter::Write(emptyMesh)), RES_OK);
    EXPECT_EQ(none.definition->textureDetail, 0.0f);
    EXPECT_EQ(none.definition->boundsMin, Vector3{});
    EXPECT_EQ(none.definition->boundsMax, Vector3{});
    EXPECT_TRUE(none.definition->orientedBox.IsZero());
}

namespace {

class NoMaterialPlugin : public MaterialPlugin {
public:
    NoMaterialPlugin() : MaterialPlugin("tnomake", "B0000000-0000-0000-0000-000000000001") {}
    bool IsSupported(Display*, std::string& fallback) override {
        fallback.clear();
        return true;
    }
    Material* CreateMaterialInstance(MaterialManager*, RenderKernel*) override { return nullptr; }
};

}  // namespace

TEST(IndexedMeshDefinition, MaterialManagerAnswersBecomeLoadResults) {
    PluginEntry::Hand(new NoMaterialPlugin());
    struct Case {
        const char* name;
        int manager;  // what the manager answers
        uint32_t result;
    } cases[] = {
        {"paint.m.onetex", 0, RES_OK},
        {"paint.m.tunknown", 3, RES_UNSUPPORTED_MATERIAL},
        {"paint.m.tnomake", 1, RES_UNKNOWN_MATERIAL},
    };
    for (const Case& c : cases) {
        MeshModel m = OneQuad();
        m.chunks[0].material.name = c.name;
        Loader loader;
        Material* probe = nullptr;
        EXPECT_EQ(loader.kernel.GetMaterialManager()->LoadMaterial(c.name, &probe), c.manager) << c.name;
        if (probe) probe->ReleaseReference();
        EXPECT_EQ(loader.Load(ImWriter::Write(m)), c.result) << c.name;
        const auto& missing = loader.definition->GetMissingMaterials();
        if (c.result == RES_OK) {
            EXPECT_TRUE(missing.empty());
        } else {
            ASSERT_EQ(missing.size(), 1u) << c.name;
            EXPECT_EQ(missing[0], std::string("*meshes*") + c.name);
        }
    }
    PluginEntry::ReleaseAll();

    Loader loader;
    auto definition = std::make_unique<VorlexIndexedMeshDefinition>();
    std::vector<uint8_t> bytes = ImWriter::Write(OneQuad());
    definition->OpenMemory(bytes.data(), bytes.size(), "x.im");
    EXPECT_EQ(definition->Read(loader.kernel.GetDisplay(), nullptr, loader.resource.Get(), "x.im", 0),
              RES_NO_MATERIAL_MANAGER);
}

TEST(IndexedMeshDefinition, MaterialValuesFollowTheirVersion) {
    for (uint32_t version : {102u, 103u}) {
        MeshModel m = OneQuad();
        ImWriter::MaterialModel& mat = m.chunks[0].material;
        mat.version = version;
        mat.power = 4.0f;
        mat.flag = 1;
        mat.scalar = 0.25f;
        mat.properties = {{"key", "value"}, {"", "x"}};
        mat.textures = {{0, "Some\\Folder\\Wood.TGA", 0.5f}};
        Loader loader;
        ASSERT_EQ(loader.Load(ImWriter::Write(m)), RES_OK) << version;
        VorlexIndexedMeshDefinition& d = *loader.definition;
        DisplayMaterial dm;
        d.GetDisplayMaterial(0, dm);
        EXPECT_FLOAT_EQ(dm.emissive.r, 0.2f) << version;
        EXPECT_FLOAT_EQ(dm.emissive.a, 0.5f) << version;
        EXPECT_FLOAT_EQ(dm.specular.r, version == 102 ? 0.0f : 0.5f) << version;
        EXPECT_FLOAT_EQ(dm.power, 10.0f) << version;
        EXPECT_TRUE(d.GetMaterialFlag(0));
        EXPECT_FLOAT_EQ(d.GetMaterialScalar(0), 0.25f);
        ASSERT_EQ(d.GetMaterialPropertyCount(0), 2u);
        char* key = d.GetMaterialProperty(0, 0, false);
        ASSERT_NE(key, nullptr);
        EXPECT_STREQ(key, "key");
        delete[] key;
        EXPECT_EQ(d.GetMaterialProperty(0, 1, false), nullptr);
        ASSERT_EQ(d.pendingMaterials.size(), 1u);
        ASSERT_EQ(d.pendingMaterials[0].textures.size(), 1u);
        EXPECT_EQ(d.pendingMaterials[0].textures[0].name, "meshes/wood.tga");
        // The texture is not there: it is reported missing, and a second
        // completion loads nothing.
        d.LoadPendingTextures();
        EXPECT_EQ(d.pendingMaterials.size(), 0u);
        EXPECT_EQ(d.GetMissingTextures().size(), 1u);
        d.LoadPendingTextures();
        EXPECT_EQ(d.GetMissingTextures().size(), 1u);
        EXPECT_EQ(d.InitializeChunkBuffers(loader.kernel.GetDisplay()), RES_OK);
    }
}

TEST(IndexedMeshDefinition, AttachmentPointsKeepOnlyNamesBeginningWithA) {
    MeshModel m = OneQuad();
    for (const char* name : {"a.one", "A.two", "p.three", "b.four", ""}) {
        ImWriter::AttachmentModel a{name};
        a.position[0] = 1.5f;
        m.attachments.push_back(a);
    }
    Loader loader;
    ASSERT_EQ(loader.Load(ImWriter::Write(m)), RES_OK);
    VorlexIndexedMeshDefinition& d = *loader.definition;
    EXPECT_EQ(d.attachmentCount, 5u);
    EXPECT_STREQ(d.GetAttachmentName(2).c_str(), "p.three");
    ParticleStructure structure;
    d.AddAttachmentPoints(&structure);
    EXPECT_EQ(structure.GetChildCount(), 2u);
    AttachmentPoint* one = structure.FindAttachmentPoint(PString("a.one"));
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->GetPosition().x, 1.5f);
    EXPECT_NE(structure.FindAttachmentPoint(PString("A.two")), nullptr);
    EXPECT_EQ(structure.FindAttachmentPoint(PString("p.three")), nullptr);
}

TEST(ProgressiveMeshDefinition, LoadsIndexedFilesAndStepsOverPmin) {
    MeshModel skinned = OneQuad();
    skinned.maxInfluencesPerVertex = 1;
    skinned.maxBonesPerChunk = 1;
    skinned.chunks[0].weightsPerVertex = 1;
    skinned.bones.push_back({"root", "", {0, 0, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1}, {{0, {{0, 1.0f}}}}});
    struct Case {
        const char* what;
        bool pmin;
        uint32_t version;
        uint32_t sizes[4];
        uint32_t result;
    } cases[] = {
        {"an .im named .pm", false, 101, {0, 0, 0, 0}, RES_OK},
        {"with PMIN", true, 101, {3, 2, 2, 1}, RES_OK},
        {"D values beyond C", true, 101, {1, 1, 1, 5}, RES_OK},
        {"bad PMIN version", true, 100, {1, 1, 1, 1}, RES_FILE_FORMAT_ERROR},
    };
    for (const Case& c : cases) {
        MeshModel m = skinned;
        m.pmin = c.pmin;
        m.pminVersion = c.version;
        std::copy(c.sizes, c.sizes + 4, m.pminSizes);
        Loader loader;
        EXPECT_EQ(loader.LoadProgressive(ImWriter::Write(m)), c.result) << c.what;
        if (c.result != RES_OK) continue;
        VorlexIndexedMeshDefinition& d = *loader.definition;
        EXPECT_STREQ(d.name.c_str(), "box.pm") << c.what;
        EXPECT_EQ(d.textureDetail, 0.0f) << c.what;
        EXPECT_FALSE(d.hardwareSkinned) << c.what;
        EXPECT_EQ(d.boneLimit, 25u);
        EXPECT_TRUE(d.GetChunk(0)->HasFlag(GeometryChunk::kFlagSoftwareSkinned)) << c.what;
    }
    // PMIN sizes beyond the bytes that remain fail instead of being followed.
    std::vector<uint8_t> bytes = ImWriter::Write([&] {
        MeshModel m = OneQuad();
        m.pmin = true;
        return m;
    }());
    ImWriter::Bytes b{bytes};
    b.Patch(bytes.size() - 4 * (2 + 4 + 2 + 1) - 16, 0x40000000u);
    Loader loader;
    EXPECT_EQ(loader.LoadProgressive(b.data), RES_FILE_FORMAT_ERROR);
}

TEST(MeshResult, CodesHaveNamesAndTexts) {
    EXPECT_STREQ(MeshResultName(RES_FILE_FORMAT_ERROR), "RES_FILE_FORMAT_ERROR");
    EXPECT_STREQ(MeshResultText(RES_NO_MATERIAL_MANAGER), "Unable to find material manager in Render Kernel");
    EXPECT_STREQ(MeshResultText(RES_FILE_DATA_ERROR), "File contains invalid data");
    EXPECT_STREQ(MeshResultName(0), "");
    EXPECT_STREQ(MeshResultName(10), "");
}

TEST(IndexedMeshDefinition, AFaceCountMustFitTheIndicesOfItsPrimitive) {
    // Six indices: 2 triangles of a list, 4 of a strip or a fan, 3 lines of
    // a list, 5 of a strip, 6 points. More is refused (a huge count drove
    // the ray test through billions of faces); fewer stays legal.
    struct Case {
        uint32_t code;
        uint32_t most;
    } cases[] = {{4, 2}, {8, 4}, {16, 4}, {1, 3}, {2, 5}, {0, 6}};
    for (const Case& c : cases) {
        for (const uint32_t faces : {1u, c.most, c.most + 1, 0xFFFFFFF0u}) {
            SCOPED_TRACE(testing::Message() << "code " << c.code << ", " << faces << " faces");
            MeshModel m = OneQuad();
            m.chunks[0].primitiveCode = c.code;
            m.chunks[0].faceCount = faces;
            Loader loader;
            const uint32_t result = loader.Load(ImWriter::Write(m));
            EXPECT_EQ(result, faces <= c.most ? RES_OK : RES_FILE_FORMAT_ERROR);
            if (result == RES_OK) EXPECT_EQ(loader.definition->GetChunk(0)->GetFaceCount(), faces);
        }
    }
}

// A chunk's arrays are allocated without clearing, since the file's blocks
// fill them; bytes that no block fills still read as zero: a layout item
// the file does not give (the bump material's tangents), and every array
// of a chunk whose read stopped part-way (an index past the vertices).
// (Allocations under the address sanitizer start filled with 0xBE.)
TEST(IndexedMeshDefinition, ChunkBytesTheFileDoesNotFillReadZero) {
    struct Case {
        const char* what;
        const char* material;
        uint16_t lastIndex;
        uint32_t result;
    } cases[] = {
        {"tangents of the bump layout", "wall.m.tbumptex", 3, RES_OK},
        {"an index past the vertices", "wall.m.onetex", 9, RES_FILE_FORMAT_ERROR},
    };
    // The product's materials, withdrawn after the kernel ends.
    struct Plugins {
        Plugins() {
            PluginEntry::Set(&VekGetPlugins);
            PluginEntry::Call();
        }
        ~Plugins() { PluginEntry::ReleaseAll(); }
    };
    for (const Case& c : cases) {
        MeshModel m = OneQuad();
        m.chunks[0].material.name = c.material;
        m.chunks[0].indices.back() = c.lastIndex;
        Plugins plugins;
        Loader loader;
        ASSERT_EQ(loader.Load(ImWriter::Write(m)), c.result) << c.what;
        GeometryChunk* g = loader.definition->GetChunk(0);
        ASSERT_NE(g, nullptr) << c.what;
        ASSERT_EQ(g->GetVertexCount(), 4u) << c.what;
        if (c.result == RES_OK) {
            ASSERT_TRUE(g->GetLayout().Has(kItemTangent)) << c.what;
            for (uint32_t v = 0; v < 4; ++v) {
                uint32_t stride = 0;
                const uint8_t* tangent = g->GetItemArray(kItemTangent, stride) + v * stride;
                for (uint32_t b = 0; b < VertexItemSize(kItemTangent); ++b) EXPECT_EQ(tangent[b], 0) << c.what << v;
            }
            uint32_t stride = 0;
            const float* position = reinterpret_cast<const float*>(g->GetItemArray(kItemPosition, stride) + stride);
            EXPECT_EQ(position[0], 1.0f) << c.what;
        } else {
            const uint8_t* vertices = g->GetVertexArray();
            for (uint32_t b = 0; b < 4 * g->GetVertexSize(); ++b) EXPECT_EQ(vertices[b], 0) << c.what << b;
            for (uint32_t i = 0; i < g->GetIndexCount(); ++i) EXPECT_EQ(g->GetIndexArray()[i], 0) << c.what << i;
        }
    }
}
