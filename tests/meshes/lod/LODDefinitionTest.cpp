// Level-of-detail mesh definitions: the lm.txt build, the .lm writer and
// reader (round trip), the distance rules of both forms, culled
// attachments, and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/VertexItem.h"
#include "engine/scene/ParticleBone.h"
#include "meshes/definitions/MeshResult.h"
#include "engine/scene/Camera.h"
#include "engine/scene/ConstFaceDescriptor.h"
#include "engine/scene/ViewPoint.h"
#include "meshes/lod/VorlexIndexedMeshLODDefinition.h"
#include "meshes/lod/VorlexDynamicIndexedMeshLODInstance.h"
#include "meshes/lod/VorlexIndexedMeshLODInstance.h"
#include "LodFixture.h"
#include "support/LmWriter.h"

using namespace Vek;
using LodTest::Fixture;

namespace {

std::vector<std::string> AttachmentNames(const VorlexIndexedMeshLODDefinition& d) {
    std::vector<std::string> names;
    for (const AttachmentRecord& a : d.GetAttachments()) names.emplace_back(a.name.c_str());
    return names;
}

std::vector<float> Positions(const GeometryChunk* chunk) {
    uint32_t stride = 0;
    const uint8_t* p = chunk->GetItemArray(kItemPosition, stride);
    std::vector<float> out;
    for (uint32_t v = 0; v < chunk->GetVertexCount(); ++v) {
        const float* f = reinterpret_cast<const float*>(p + v * stride);
        out.insert(out.end(), f, f + 3);
    }
    return out;
}

// An .lm file without materials: a bone chunk (tag "BONT" or "RBOT") of
// name and parent records, then `levels` levels without chunks, each with an
// empty "LODB" when `weights` is set.
std::vector<uint8_t> BareLod(const char* boneTag, const std::vector<std::pair<std::string, std::string>>& bones,
                             uint32_t levels, bool weights) {
    LmWriter::LodModel m;
    m.boneTag = boneTag;
    m.bones = bones;
    for (uint32_t l = 0; l < levels; ++l) m.levels.push_back({static_cast<float>(l), weights});
    return LmWriter::Write(m);
}

// A level chunk ("LCHK") of material 0 whose geometry has no vertices,
// faces or indices: the reader drops it.
std::vector<uint8_t> EmptyLevelChunk() {
    ImWriter::Bytes b;
    const std::size_t mark = b.Begin("LCHK", 100);
    b.U32(0);
    b.U32(0);
    const std::size_t geom = b.Begin("GEOM", 201);
    b.U32(4);
    b.U32(0);
    b.F32(0.0f);
    for (int k = 0; k < 5; ++k) b.U32(0);
    b.Str("");
    b.End(geom);
    b.End(mark);
    return b.data;
}

// The .lm file of one level with `before` empty level chunks inserted
// before its first chunk and `after` after its last (the level is the
// file's last chunk); the counts and sizes are patched to match.
std::vector<uint8_t> WithEmptyChunks(std::vector<uint8_t> bytes, uint32_t before, uint32_t after) {
    const std::vector<uint8_t> empty = EmptyLevelChunk();
    const std::size_t mesh = LodTest::FindTag(bytes, "MESH");
    const std::size_t first = LodTest::FindTag(bytes, "LCHK");
    std::vector<uint8_t> out(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(first));
    for (uint32_t k = 0; k < before; ++k) out.insert(out.end(), empty.begin(), empty.end());
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(first), bytes.end());
    for (uint32_t k = 0; k < after; ++k) out.insert(out.end(), empty.begin(), empty.end());
    uint32_t chunks = 0;
    std::memcpy(&chunks, &out[mesh + 12], 4);
    LodTest::PatchU32(out, mesh + 12, chunks + before + after);
    LodTest::PatchU32(out, mesh + 4, static_cast<uint32_t>(out.size() - mesh - 8));
    LodTest::PatchU32(out, 4, static_cast<uint32_t>(out.size() - 8));
    return out;
}

// A tree as text: name(children...).
std::string TreeText(const Particle* p) {
    std::string text = p->GetName().c_str();
    if (!p->GetFirstChild()) return text;
    text += "(";
    for (const Particle* c = p->GetFirstChild(); c; c = c->GetNextSibling())
        text += std::string(c == p->GetFirstChild() ? "" : ",") + TreeText(c);
    return text + ")";
}

}  // namespace

TEST(LODDefinition, SkinnedMeshWithCollisionLevelAndCulledAttachmentSurvivesWriteAndRead) {
    Fixture f;
    f.WriteStandardLevels();
    ASSERT_EQ(f.LoadText(LodTest::kStandardText), RES_OK);
    // Levels that use one material object write it once.
    f.definition->levels->at(1).materials.Set(0, f.definition->levels->at(0).materials.GetItems()->at(0));
    uint32_t written = 1;
    const std::vector<uint8_t> bytes = f.Write(*f.definition, &written);
    ASSERT_EQ(written, RES_OK);
    // The culled attachment is written back with ":Cull" at the end.
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("a.light:Cull"), std::string::npos);

    uint32_t result = 1;
    auto d = f.Read(bytes, result);
    ASSERT_EQ(result, RES_OK);
    for (const VorlexIndexedMeshLODDefinition* def : {f.definition.get(), d.get()}) {
        SCOPED_TRACE(def == d.get() ? "read back" : "from text");
        ASSERT_EQ(def->GetLevelCount(), 3u);
        EXPECT_EQ(def->levelCount, 3u);
        EXPECT_EQ(def->switchDistances, (std::vector<float>{0.0f, 50.0f}));
        EXPECT_EQ(def->FindNamedLevel(PString("collision")), 2);
        EXPECT_EQ(def->calcPoint, 2u);
        EXPECT_EQ(def->offset, 2.0f);
        EXPECT_EQ(def->multiplier, 1.5f);
        EXPECT_EQ(def->animationCutOff, 40.0f);
        EXPECT_EQ(def->renderCutOff, 3.0f);
        EXPECT_EQ(def->attachmentCutOff, 30.0f);
        EXPECT_EQ(def->GetLevel(0)->chunkCount, 2u);
        EXPECT_EQ(def->GetLevel(1)->chunkCount, 1u);
        EXPECT_EQ(def->GetLevel(0)->vertexTotal, 8u);
        EXPECT_EQ(def->GetLevel(0)->faceTotal, 4u);
        // The current level is the last distance level.
        EXPECT_EQ(def->chunkCount, 1u);
        EXPECT_EQ(def->GetChunk(0), def->GetLevel(1)->GetChunk(0));
        EXPECT_EQ(Positions(def->GetLevel(0)->GetChunk(1)),
                  (std::vector<float>{0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0}));
        EXPECT_EQ(AttachmentNames(*def), (std::vector<std::string>{"a.light", "a.hook"}));
        ASSERT_EQ(def->culledAttachments.size(), 1u);
        EXPECT_STREQ(def->culledAttachments[0].c_str(), "a.light");
        ASSERT_EQ(def->boneCount, 2u);
        ASSERT_EQ(def->boneTable.size(), 2u);
        EXPECT_EQ(def->boneTable[1].name, "arm");
        EXPECT_EQ(def->boneTable[1].parentName, "root");
        EXPECT_EQ(def->boneTable[1].position.x, 1.0f);
        // One influence set per level, with the weights of its chunks.
        ASSERT_EQ(def->boneTable[1].influences.size(), 3u);
        const LODBoneInfluences& arm0 = def->boneTable[1].influences[0];
        ASSERT_EQ(arm0.GetCount(), 2u);
        EXPECT_EQ(arm0.entries[1].chunk, 1u);
        ASSERT_EQ(arm0.entries[1].GetWeightCount(), 2u);
        EXPECT_EQ(arm0.entries[1].weights[1].vertex, 3u);
        EXPECT_EQ(arm0.entries[1].weights[1].weight, 0.5f);
        EXPECT_EQ(arm0.entries[1].weights[1].offset.z, 0.125f);
        ASSERT_NE(def->skeletonRoot, nullptr);
        EXPECT_STREQ(def->skeletonRoot->GetName().c_str(), "root");
        EXPECT_NE(def->skeletonRoot->FindByName("arm"), nullptr);
        // Hardware skinning: both bones in every chunk's palette.
        for (uint32_t l = 0; l < 3; ++l) {
            EXPECT_TRUE(def->GetLevel(l)->hardwareSkinned) << l;
            EXPECT_EQ(def->GetLevel(l)->GetChunk(0)->GetInfluenceMatrixCount(), 2) << l;
        }
    }
    // The levels of a read file share the material objects of "MATT".
    EXPECT_EQ(bytes[LodTest::FindTag(bytes, "MATT") + 12], 3u);
    EXPECT_EQ(d->GetLevel(0)->GetMaterial(0), d->GetLevel(1)->GetMaterial(0));
    EXPECT_NE(d->GetLevel(0)->GetMaterial(0), d->GetLevel(0)->GetMaterial(1));
    EXPECT_NE(d->GetLevel(0)->GetMaterial(0), d->GetLevel(2)->GetMaterial(0));
    // Writing what was read gives the same file.
    EXPECT_EQ(f.Write(*d), bytes);
}

TEST(LODDefinition, DistanceRulesOfTheFileAndTheText) {
    struct Case {
        const char* what;
        bool text;
        std::vector<float> distances;
        uint32_t result;
    };
    const Case cases[] = {
        {"file: rising", false, {0, 50}, RES_OK},
        {"file: equal", false, {20, 20}, RES_OK},
        {"file: falling", false, {50, 20}, RES_FILE_FORMAT_ERROR},
        {"text: rising", true, {0, 50}, RES_OK},
        {"text: equal", true, {20, 20}, RES_FILE_FORMAT_ERROR},
        {"text: falling", true, {50, 20}, RES_FILE_FORMAT_ERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        f.WriteStandardLevels();
        if (c.text) {
            const std::string text = "mesh " + std::to_string(int(c.distances[0])) + " { name lod0.im }\nmesh " +
                                     std::to_string(int(c.distances[1])) + " { name lod1.im }\n";
            EXPECT_EQ(f.LoadText(text), c.result);
            continue;
        }
        ASSERT_EQ(f.LoadText("mesh 0 { name lod0.im }\nmesh 50 { name lod1.im }\n"), RES_OK);
        f.definition->switchDistances = c.distances;
        uint32_t result = 1;
        auto d = f.Read(f.Write(*f.definition), result);
        EXPECT_EQ(result, c.result);
        if (result == RES_OK) {
            EXPECT_EQ(d->switchDistances, c.distances);
        }
    }
}

TEST(LODDefinition, NamedLevelsInPlaceOfDistancesFailToRead) {
    Fixture f;
    f.WriteStandardLevels();
    ASSERT_EQ(f.LoadText(LodTest::kStandardText), RES_OK);
    VorlexIndexedMeshLODDefinition& d = *f.definition;
    uint32_t result = 0;
    // Level 1 without a distance and without a name.
    d.switchDistances = {0};
    f.Read(f.Write(d), result);
    EXPECT_EQ(result, RES_FILE_FORMAT_ERROR);
    // Every level named but none at a distance.
    d.switchDistances.clear();
    d.namedLevels->push_back({PString("near"), 0, false});
    d.namedLevels->push_back({PString("far"), 1, false});
    f.Read(f.Write(d), result);
    EXPECT_EQ(result, RES_FILE_FORMAT_ERROR);
    // Nothing to write without levels.
    d.levels->clear();
    uint32_t written = 0;
    EXPECT_TRUE(f.Write(d, &written).empty());
    EXPECT_EQ(written, RES_UNKNOWN);
}

TEST(LODDefinition, DescriptionTable) {
    struct Case {
        const char* what;
        std::string text;
        uint32_t result;
        uint32_t levels;
        int collision;
    };
    const Case cases[] = {
        {"collision names a third file", LodTest::kStandardText, RES_OK, 3, 2},
        {"collision names the file of level 0", "mesh 0 { name lod0.im }\nmesh 50 { name lod1.im }\n"
                                                "mesh Collision { name lod0.im }\n",
         RES_OK, 2, 0},
        {"a number in exponent form is a name", "mesh 0 { name lod0.im }\nmesh 1e3 { name lod1.im }\n", RES_OK, 2,
         -1},
        {"version 1.005", "version 1.005\nmesh 0 { name lod0.im }\n", RES_OK, 1, -1},
        {"version 0.999", "version 0.999\nmesh 0 { name lod0.im }\n", RES_FILE_VERSION_ERROR, 0, -1},
        {"version 1.5", "version 1.5\nmesh 0 { name lod0.im }\n", RES_FILE_VERSION_ERROR, 0, -1},
        {"no mesh", "offset 1\n", RES_FILE_FORMAT_ERROR, 0, -1},
        {"only a named entry", "mesh collision { name box.im }\n", RES_FILE_FORMAT_ERROR, 0, -1},
        {"names differing in case", "mesh 0 { name lod0.im }\nmesh Hull { name box.im }\nmesh hull { name lod1.im }\n",
         RES_FILE_FORMAT_ERROR, 0, -1},
        {"a distance after a name", "mesh 0 { name lod0.im }\nmesh hull { name box.im }\nmesh 50 { name lod1.im }\n",
         RES_FILE_FORMAT_ERROR, 0, -1},
        {"a distance without a file", "mesh 0\n", RES_FILE_FORMAT_ERROR, 0, -1},
        {"a missing level file", "mesh 0 { name nowhere.im }\n", RES_FILE_OPEN_ERROR, 0, -1},
        {"a level with another attachment count", "mesh 0 { name lod0.im }\nmesh 9 { name bare.im }\n",
         RES_FILE_FORMAT_ERROR, 0, -1},
        {"a level whose bone names differ", "mesh 0 { name lod0.im }\nmesh 9 { name renamed.im }\n",
         RES_FILE_FORMAT_ERROR, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        f.WriteStandardLevels();
        ImWriter::MeshModel bare = LodTest::SkinnedLevel(1);
        bare.attachments.pop_back();
        f.WriteLevel("bare.im", bare);
        f.WriteLevel("renamed.im", LodTest::SkinnedLevel(1, "paint.m.onetex", "leg"));
        EXPECT_EQ(f.LoadText(c.text), c.result);
        if (c.result != RES_OK) continue;
        EXPECT_EQ(f.definition->GetLevelCount(), c.levels);
        EXPECT_EQ(f.definition->FindNamedLevel(PString("collision")), c.collision);
    }
}

TEST(LODDefinition, LevelFilesOutsideTheDescriptionsFolderAreMissing) {
    Fixture f;
    f.WriteStandardLevels();  // beside "sub", which holds the description
    std::filesystem::create_directories(f.dir / "sub");
    f.WriteLevel("sub/inner.im", LodTest::SkinnedLevel(1));
    const std::pair<std::string, uint32_t> cases[] = {
        {"inner.im", RES_OK},
        {"../lod0.im", RES_FILE_OPEN_ERROR},
        {"deeper/../../lod0.im", RES_FILE_OPEN_ERROR},
        {"\"" + (f.dir / "lod0.im") + "\"", RES_FILE_OPEN_ERROR},
        {"\\\\lod0.im", RES_FILE_OPEN_ERROR},
    };
    for (const auto& [level, result] : cases)
        EXPECT_EQ(f.LoadText("mesh 0 { name " + level + " }\n", "sub"), result) << level;
}

TEST(LODDefinition, CalcPointWordsIgnoreCase) {
    const std::pair<const char*, uint32_t> cases[] = {{"NEAR", 1}, {"Far", 2}, {"center", 0}, {"sideways", 0}};
    for (const auto& [word, expected] : cases) {
        Fixture f;
        f.WriteStandardLevels();
        ASSERT_EQ(f.LoadText(std::string("mesh 0 { name lod0.im }\ncalcPoint ") + word + "\n"), RES_OK);
        EXPECT_EQ(f.definition->calcPoint, expected) << word;
        EXPECT_EQ(f.definition->multiplier, 1.0f);
    }
}

TEST(LODDefinition, DamagedFilesFailWithTheirResult) {
    Fixture f;
    f.WriteStandardLevels();
    ASSERT_EQ(f.LoadText(LodTest::kStandardText), RES_OK);
    const std::vector<uint8_t> good = f.Write(*f.definition);
    using LodTest::FindTag;
    using LodTest::PatchU32;
    // The good file with one 32-bit word changed, `offset` bytes into the
    // first chunk of the tag.
    auto Patched = [&](const char* tag, std::size_t offset, uint32_t value) {
        std::vector<uint8_t> bytes = good;
        PatchU32(bytes, FindTag(bytes, tag) + offset, value);
        return bytes;
    };

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        uint32_t result;
    };
    std::vector<Case> cases;
    cases.push_back({"shorter than a tag", {'V', 'I', 'R'}, RES_FILE_FORMAT_ERROR});
    cases.push_back({"cut in half", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2),
                     RES_FILE_FORMAT_ERROR});
    std::vector<uint8_t> b = good;
    b[8] = 'I';
    cases.push_back({"not LODM", b, RES_FILE_FORMAT_ERROR});
    cases.push_back({"MATL version 102", Patched("MATL", 8, 102), RES_FILE_VERSION_ERROR});
    cases.push_back({"a level count beyond the file", Patched("INFO", 12 + 28, 0xFFFFFFFF), RES_FILE_FORMAT_ERROR});
    cases.push_back({"a material count beyond the file", Patched("MATT", 12, 0x10000000), RES_FILE_FORMAT_ERROR});
    cases.push_back({"a material index beyond the list", Patched("LCHK", 16, 7), RES_FILE_FORMAT_ERROR});
    cases.push_back({"an unknown primitive code", Patched("GEOM", 12, 3), RES_FILE_FORMAT_ERROR});
    // "GEOM" 201: header, type, flags, value, four counts, weights per
    // vertex, an empty bone name, 4 vertices of 20 bytes, then indices;
    // index 0 is set to the vertex count.
    cases.push_back({"an index equal to the vertex count", Patched("GEOM", 48 + 80, 4), RES_FILE_FORMAT_ERROR});
    // "LODB": header, the first bone's entry count, chunk, weight count, vertex.
    cases.push_back({"a weight on a vertex the chunk lacks", Patched("LODB", 24, 4), RES_FILE_FORMAT_ERROR});
    cases.push_back({"a weight on a chunk the level lacks", Patched("LODB", 16, 9), RES_FILE_FORMAT_ERROR});
    cases.push_back({"a weight count beyond the file", Patched("LODB", 20, 0x10000000), RES_FILE_FORMAT_ERROR});
    cases.push_back({"a bone count beyond the file", Patched("BONT", 12, 0x10000000), RES_FILE_FORMAT_ERROR});
    b = good;
    b.insert(b.end(), {1, 2, 3, 4});
    cases.push_back({"bytes after the declared end", b, RES_OK});
    b = good;
    PatchU32(b, 4, static_cast<uint32_t>(good.size()));
    cases.push_back({"a size beyond the content", b, RES_FILE_FORMAT_ERROR});

    for (const Case& c : cases) {
        uint32_t result = 0;
        f.Read(c.bytes, result);
        EXPECT_EQ(result, c.result) << c.what;
    }
}

TEST(LODDefinition, LevelsWithoutWeightsGiveTheBonesNoSets) {
    // A level without "LODB" has no bytes of weights behind it: it costs
    // the bones nothing, however many bones and levels the file has.
    struct Case {
        uint32_t levels;
        bool weights;
    } cases[] = {{1, false}, {300, false}, {300, true}};
    std::vector<std::pair<std::string, std::string>> bones{{"root", ""}};
    for (uint32_t k = 1; k < 2000; ++k) bones.emplace_back("b" + std::to_string(k), "root");
    Fixture f;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.levels << " levels, weights " << c.weights);
        uint32_t result = 9;
        auto d = f.Read(BareLod("BONT", bones, c.levels, c.weights), result);
        ASSERT_EQ(result, RES_OK);
        ASSERT_EQ(d->GetLevelCount(), c.levels);
        EXPECT_EQ(d->influenceLevels.size(), c.weights ? c.levels : 0u);
        for (const LODBone& bone : d->boneTable) {
            ASSERT_EQ(bone.influences.size(), c.weights ? c.levels : 0u);
            if (!c.weights) {
                ASSERT_EQ(bone.influences.capacity(), 0u);
            }
        }
    }
}

TEST(LODDefinition, WeightsStayOnTheirLevelAfterALevelWithout) {
    // Two skinned levels; the first level's "LODB" is cut out of the file.
    // The second level's weights stay the second level's: its chunk gets
    // both bones in its palette, the first level's chunk none, and the
    // writer gives the first level an empty "LODB".
    Fixture f;
    f.WriteStandardLevels();
    ASSERT_EQ(f.LoadText("mesh 0 { name lod0.im }\nmesh 50 { name lod1.im }\n"), RES_OK);
    const std::vector<uint8_t> sound = f.Write(*f.definition);
    const std::size_t lodb = LodTest::FindTag(sound, "LODB");
    uint32_t size = 0;
    std::memcpy(&size, &sound[lodb + 4], 4);
    std::vector<uint8_t> bytes(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(lodb));
    bytes.insert(bytes.end(), sound.begin() + static_cast<std::ptrdiff_t>(lodb + 8 + size), sound.end());
    const std::size_t mesh = LodTest::FindTag(bytes, "MESH");
    uint32_t meshSize = 0;
    std::memcpy(&meshSize, &bytes[mesh + 4], 4);
    LodTest::PatchU32(bytes, mesh + 4, meshSize - 8 - size);
    LodTest::PatchU32(bytes, 4, static_cast<uint32_t>(bytes.size() - 8));

    uint32_t result = 1;
    auto d = f.Read(bytes, result);
    ASSERT_EQ(result, RES_OK);
    EXPECT_EQ(d->influenceLevels, (std::vector<uint32_t>{1}));
    for (const LODBone& bone : d->boneTable) {
        SCOPED_TRACE(bone.name);
        EXPECT_EQ(d->GetLevelInfluences(bone, 0), nullptr);
        const LODBoneInfluences* set = d->GetLevelInfluences(bone, 1);
        ASSERT_NE(set, nullptr);
        ASSERT_EQ(set->GetCount(), 1u);
        EXPECT_EQ(set->entries[0].chunk, 0u);
    }
    EXPECT_EQ(d->GetLevel(0)->GetChunk(0)->GetInfluenceMatrixCount(), 0);
    EXPECT_EQ(d->GetLevel(1)->GetChunk(0)->GetInfluenceMatrixCount(), 2);

    auto again = f.Read(f.Write(*d), result);
    ASSERT_EQ(result, RES_OK);
    EXPECT_EQ(again->influenceLevels, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(again->GetLevelInfluences(again->boneTable[1], 0)->GetCount(), 0u);
    EXPECT_EQ(again->GetLevelInfluences(again->boneTable[1], 1)->entries[0].weights[1].weight, 0.5f);
    EXPECT_EQ(again->GetLevel(1)->GetChunk(0)->GetInfluenceMatrixCount(), 2);
}

TEST(LODDefinition, LoadCompletionSharesTheFirstEqualMaterialEvenWhenItIsItself) {
    // Five levels read from an .lm file whose levels name materials of its
    // list: level 1 uses level 0's first material, which equals level 0's
    // second. Each material takes the first equal one of the earlier
    // levels, in level and chunk order: level 1's stays its own (it is that
    // first one), -0 equals +0, and a NaN equals nothing.
    Fixture f;
    f.WriteLevel("l0.im", LodTest::SkinnedLevel(2));
    f.WriteLevel("l1.im", LodTest::SkinnedLevel(1));
    f.WriteLevel("l2.im", LodTest::SkinnedLevel(1));
    f.WriteLevel("l3.im", LodTest::SkinnedLevel(2));
    f.WriteLevel("l4.im", LodTest::SkinnedLevel(1));
    ASSERT_EQ(f.LoadText("mesh 0 { name l0.im }\nmesh 10 { name l1.im }\nmesh 20 { name l2.im }\n"
                         "mesh 30 { name l3.im }\nmesh 40 { name l4.im }\n"),
              RES_OK);
    VorlexIndexedMeshLODDefinition& built = *f.definition;
    LODLevel& one = (*built.levels)[1];
    one.materials.MakePrivate();
    one.materials.Set(0, built.GetLevel(0)->materials.GetItems()->at(0));
    const struct {
        uint32_t level, chunk;
        float scalar;
    } scalars[] = {{0, 0, 0.0f}, {0, 1, 0.0f}, {2, 0, -0.0f}, {3, 0, std::nanf("")}, {3, 1, 2.0f}, {4, 0, 2.0f}};
    for (const auto& s : scalars) built.GetLevel(s.level)->GetMaterial(s.chunk)->SetScalar(s.scalar);

    uint32_t result = 1;
    auto d = f.Read(f.Write(built), result);
    ASSERT_EQ(result, RES_OK);
    auto material = [&d](uint32_t level, uint32_t chunk) { return d->GetLevel(level)->GetMaterial(chunk); };
    ASSERT_EQ(material(1, 0), material(0, 0));
    ASSERT_NE(material(0, 1), material(0, 0));
    const Material* before[5][2] = {};
    for (uint32_t l = 0; l < 5; ++l)
        for (uint32_t c = 0; c < d->GetLevel(l)->chunkCount; ++c) before[l][c] = material(l, c);
    d->ShareLevelMaterials();
    const struct {
        uint32_t level, chunk;
        const Material* expected;
        const char* what;
    } expected[] = {
        {0, 0, before[0][0], "the first level keeps its own"},
        {0, 1, before[0][1], "the first level keeps its own"},
        {1, 0, before[0][0], "the first equal one is the material itself"},
        {2, 0, before[0][0], "-0 equals +0"},
        {3, 0, before[3][0], "a NaN equals nothing"},
        {3, 1, before[3][1], "no earlier equal"},
        {4, 0, before[3][1], "the earlier equal one"},
    };
    for (const auto& e : expected) EXPECT_EQ(material(e.level, e.chunk), e.expected) << e.what;
    // The current level (the last distance level) follows.
    EXPECT_EQ(d->GetMaterial(0), before[3][1]);
}

TEST(LODDefinition, BonesFindTheirParentsByName) {
    // Table: the first other record of the parent name; none, or only the
    // bone itself, puts the bone under the first root. Rigid tree: the bone
    // of that name made before it, the first in pre-order when several
    // share the name; the root itself is never found by name.
    struct Case {
        const char* tag;
        std::vector<std::pair<std::string, std::string>> bones;
        const char* tree;
    } cases[] = {
        {"BONT",
         {{"root", ""}, {"a", "root"}, {"a", "a"}, {"b", "b"}, {"c", "none"}, {"d", "a"}, {"e", ""}},
         "root(a(a,d),b,c,e)"},
        {"RBOT",
         {{"body", ""}, {"a", "body"}, {"a", "a"}, {"x", "a"}, {"y", "none"}, {"z", "x"}},
         "body(a(a,x(z)),y)"},
    };
    Fixture f;
    for (const Case& c : cases) {
        uint32_t result = 9;
        auto d = f.Read(BareLod(c.tag, c.bones, 1, false), result);
        ASSERT_EQ(result, RES_OK) << c.tag;
        ASSERT_NE(d->skeletonRoot, nullptr) << c.tag;
        EXPECT_EQ(TreeText(d->skeletonRoot), c.tree) << c.tag;
    }
}

TEST(LODDefinition, RigidBoneTreeAndUnskinnedLevelsRoundTrip) {
    Fixture f;
    // No skin weights: bone names on the chunks and a skeleton from "SKEL".
    ImWriter::MeshModel m;
    ImWriter::ChunkModel c = ImWriter::Quad();
    c.geomVersion = 200;
    c.boneName = "door";
    m.chunks.push_back(c);
    f.WriteLevel("rigid.im", m);
    ASSERT_EQ(f.LoadText("mesh 0 { name rigid.im }\n"), RES_OK);
    VorlexIndexedMeshLODDefinition& d = *f.definition;
    EXPECT_EQ(d.boneCount, 0u);
    EXPECT_STREQ(d.GetLevel(0)->chunkBoneNames[0].c_str(), "door");
    // A skeleton made by hand: root, door below it, and a non-bone particle
    // that ends its branch.
    auto* root = new ParticleBone(PString("body"));
    auto* door = new ParticleBone(PString("door"));
    door->SetPosition({1, 2, 3});
    root->Add(door);
    auto* other = new Particle();
    other->Add(new ParticleBone(PString("hidden")));
    root->Add(other);
    delete d.skeletonRoot;
    d.skeletonRoot = root;
    const std::vector<uint8_t> bytes = f.Write(d);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()).find("LODB"), std::string::npos);
    uint32_t result = 1;
    auto read = f.Read(bytes, result);
    ASSERT_EQ(result, RES_OK);
    ASSERT_NE(read->skeletonRoot, nullptr);
    EXPECT_STREQ(read->skeletonRoot->GetName().c_str(), "body");
    Particle* readDoor = read->skeletonRoot->FindByName("door");
    ASSERT_NE(readDoor, nullptr);
    EXPECT_EQ(readDoor->GetPosition().z, 3.0f);
    EXPECT_EQ(read->skeletonRoot->FindByName("hidden"), nullptr);
    EXPECT_STREQ(read->GetLevel(0)->chunkBoneNames[0].c_str(), "door");
    EXPECT_FALSE(read->GetLevel(0)->hardwareSkinned);
}

TEST(LODDefinition, EveryPrimitiveWritesItsTypeWordAndReadsBackTheSame) {
    // One quad per primitive, unskinned and skinned: loaded from text,
    // written, read back (hardware-skinned, or in software), written again.
    struct Primitive {
        uint32_t code;
        std::vector<uint16_t> indices;
        uint32_t faces;
        bool mergeable;  // lists append as they are
        bool triangles;
        float corners[3][3];  // face 0, for triangles
    } primitives[] = {
        {4, {0, 1, 2, 0, 2, 3}, 2, true, true, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}},
        {8, {0, 1, 3, 2}, 2, false, true, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}},
        {16, {0, 1, 2, 3}, 2, false, true, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}},
        {1, {0, 1, 1, 2}, 2, true, false, {}},
        {2, {0, 1, 2, 3}, 3, false, false, {}},
        {0, {0, 1, 2, 3}, 4, true, false, {}},
    };
    for (const Primitive& p : primitives) {
        for (const bool skinned : {false, true}) {
            SCOPED_TRACE(testing::Message() << "code " << p.code << (skinned ? " skinned" : " unskinned"));
            Fixture f;
            ImWriter::MeshModel m = LodTest::SkinnedLevel(1);
            if (!skinned) {
                m.bones.clear();
                m.maxInfluencesPerVertex = m.maxBonesPerChunk = 0;
                m.chunks[0].weightsPerVertex = 0;
            }
            m.chunks[0].primitiveCode = p.code;
            m.chunks[0].indices = p.indices;
            m.chunks[0].faceCount = p.faces;
            f.WriteLevel("level.im", m);
            ASSERT_EQ(f.LoadText("mesh 0 { name level.im }\n"), RES_OK);
            const GeometryChunk* loaded = f.definition->GetLevel(0)->GetChunk(0);
            EXPECT_EQ(loaded->GetTypeWord(), p.code);
            EXPECT_EQ(loaded->HasFlag(GeometryChunk::kFlagMergeable), p.mergeable);

            const std::vector<uint8_t> bytes = f.Write(*f.definition);
            const std::size_t geom = LodTest::FindTag(bytes, "GEOM");
            EXPECT_EQ(bytes[geom + 12] | bytes[geom + 13] << 8 | bytes[geom + 14] << 16, static_cast<int>(p.code));
            for (const bool software : {false, true}) {
                SCOPED_TRACE(software ? "read skinned in software" : "read");
                MeshLoadOptions options;
                options.SoftwareAnimation = {1, 1};
                uint32_t result = 1;
                auto read = f.Read(bytes, result, software ? options : MeshLoadOptions{});
                ASSERT_EQ(result, RES_OK);
                GeometryChunk* chunk = read->GetLevel(0)->GetChunk(0);
                const uint32_t skinBits = skinned && software ? 0x40 | 0x1000 | 0x10000 : 0;
                EXPECT_EQ(chunk->GetTypeWord(), p.code | skinBits);
                EXPECT_EQ(chunk->GetPrimitiveCode(), p.code);
                EXPECT_EQ(chunk->GetFlagWord(), skinBits | (p.mergeable ? 0x4u : 0u));
                EXPECT_EQ(chunk->GetFaceCount(), p.faces);
                EXPECT_EQ(read->GetLevel(0)->hardwareSkinned, skinned && !software);
                // Written again, it reads back once more with the same words.
                const std::vector<uint8_t> again = f.Write(*read);
                auto twice = f.Read(again, result, software ? options : MeshLoadOptions{});
                ASSERT_EQ(result, RES_OK);
                EXPECT_EQ(twice->GetLevel(0)->GetChunk(0)->GetTypeWord(), chunk->GetTypeWord());
                EXPECT_EQ(twice->GetLevel(0)->GetChunk(0)->GetFlagWord(), chunk->GetFlagWord());

                // An instance reads faces through the primitive: triangles
                // have corners, lines and points have none.
                VorlexIndexedMeshLODInstance instance(&f.kernel);
                instance.InitFromDefinition(read.get());
                ASSERT_EQ(instance.GetChunkCount(), 1u);
                Vector3 corner;
                for (uint32_t k = 0; k < 3; ++k) {
                    ASSERT_EQ(instance.GetFaceVertex(ConstFaceDescriptor{&instance, 0, 0}, k, corner), p.triangles);
                    if (p.triangles) EXPECT_EQ(corner, (Vector3{p.corners[k][0], p.corners[k][1], p.corners[k][2]}));
                }
            }
        }
    }
}

TEST(LODDefinition, EmptyLevelChunksAreDroppedAndTheRestKeepTheirOrder) {
    // Many empty chunks around two quads: each one read into the position
    // of the dropped one before it, never moving the chunks kept. Erased
    // from the front one at a time, as many took seconds.
    Fixture f;
    ImWriter::MeshModel m = LodTest::SkinnedLevel(2);
    m.bones.clear();
    m.maxInfluencesPerVertex = m.maxBonesPerChunk = 0;
    for (ImWriter::ChunkModel& c : m.chunks) c.weightsPerVertex = 0;
    f.WriteLevel("two.im", m);
    ASSERT_EQ(f.LoadText("mesh 0 { name two.im }\n"), RES_OK);
    const std::vector<uint8_t> sound = f.Write(*f.definition);
    struct Case {
        uint32_t before, after;
    } cases[] = {{0, 0}, {1, 0}, {0, 1}, {3, 2}, {20000, 20000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << " before, " << c.after << " after");
        uint32_t result = 1;
        auto d = f.Read(WithEmptyChunks(sound, c.before, c.after), result);
        ASSERT_EQ(result, RES_OK);
        const LODLevel* level = d->GetLevel(0);
        ASSERT_EQ(level->chunkCount, 2u);
        EXPECT_EQ(level->chunks.GetItems()->size(), 2u);
        EXPECT_EQ(level->materials.GetItems()->size(), 2u);
        EXPECT_EQ(level->chunkBoneNames.size(), 2u);
        EXPECT_EQ(Positions(level->GetChunk(1)), (std::vector<float>{0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0}));
        EXPECT_EQ(level->vertexTotal, 8u);
        // What was read writes back as the file without the empty chunks.
        EXPECT_EQ(f.Write(*d), sound);
    }
}

TEST(LODDefinition, AFaceCountBeyondTheIndicesIsRefused) {
    Fixture f;
    f.WriteLevel("one.im", LodTest::SkinnedLevel(1));
    ASSERT_EQ(f.LoadText("mesh 0 { name one.im }\n"), RES_OK);
    const std::vector<uint8_t> sound = f.Write(*f.definition);
    // The face count follows the type, flags, chunk value and vertex count.
    const std::size_t faces = LodTest::FindTag(sound, "GEOM") + 28;
    for (const uint32_t count : {1u, 2u, 3u, 0xFFFFFFF0u}) {
        std::vector<uint8_t> bytes = sound;
        LodTest::PatchU32(bytes, faces, count);
        uint32_t result = 1;
        auto d = f.Read(bytes, result);
        EXPECT_EQ(result, count <= 2 ? RES_OK : RES_FILE_FORMAT_ERROR) << count;
    }
}

TEST(LODDefinition, MemoryForBonesStaysWithinAFewTimesTheFile) {
    // Many bones and one level of weights: every bone gets a set, and the
    // room made for them (the bone table and each bone's sets) is bounded by
    // what the bytes can encode, not 128 sets a bone ahead.
    constexpr uint32_t kBones = 20000;
    std::vector<std::pair<std::string, std::string>> bones{{"root", ""}};
    for (uint32_t k = 1; k < kBones; ++k) bones.emplace_back("b" + std::to_string(k), "root");
    Fixture f;
    for (const uint32_t levels : {1u, 3u}) {
        SCOPED_TRACE(testing::Message() << levels << " levels");
        const std::vector<uint8_t> bytes = BareLod("BONT", bones, levels, true);
        uint32_t result = 9;
        auto d = f.Read(bytes, result);
        ASSERT_EQ(result, RES_OK);
        ASSERT_EQ(d->boneTable.size(), kBones);
        std::size_t reserved = d->boneTable.capacity() * sizeof(LODBone);
        for (const LODBone& bone : d->boneTable) {
            ASSERT_EQ(bone.influences.size(), levels);
            reserved += bone.influences.capacity() * sizeof(LODBoneInfluences);
        }
        EXPECT_LE(reserved, 8 * bytes.size());
    }
}

TEST(LODDefinition, BoneChainsOfAnyDepthLoadInstanceCullAndWrite) {
    // A chain of bones each the child of the one before, as a bone table
    // and as a rigid bone tree: loaded, made into an instance, culled,
    // copied, written and read again without a walk that recurses by depth.
    constexpr uint32_t kDepth = 50000;
    std::vector<std::pair<std::string, std::string>> chain{{"b0", ""}};
    for (uint32_t k = 1; k < kDepth; ++k) chain.emplace_back("b" + std::to_string(k), "b" + std::to_string(k - 1));
    Fixture f;
    for (const char* tag : {"BONT", "RBOT"}) {
        SCOPED_TRACE(tag);
        uint32_t result = 9;
        auto d = f.Read(BareLod(tag, chain, 1, std::string(tag) == "BONT"), result);
        ASSERT_EQ(result, RES_OK);
        ASSERT_NE(d->skeletonRoot, nullptr);
        const Particle* last = d->skeletonRoot->FindByName("b49999");
        ASSERT_NE(last, nullptr);
        ASSERT_NE(last->GetParent(), nullptr);
        EXPECT_STREQ(last->GetParent()->GetName().c_str(), "b49998");

        auto* instance = new VorlexDynamicIndexedMeshLODInstance(&f.kernel);
        instance->InitFromResource(nullptr, d.get());
        Camera camera;
        ViewPoint view(&camera, nullptr);
        view.NextFrame();
        instance->Cull(view, Matrix4::Identity());
        Particle* bone = instance->FindByName("b49999");
        ASSERT_NE(bone, nullptr);
        EXPECT_EQ(bone->GetLastCulledFrame(), view.GetFrame());
        std::unique_ptr<Particle> copy(instance->CreateInstance());
        EXPECT_NE(copy, nullptr);
        delete instance;

        // The rigid tree is written back depth first.
        if (std::string(tag) == "BONT") continue;
        auto again = f.Read(f.Write(*d), result);
        ASSERT_EQ(result, RES_OK);
        ASSERT_NE(again->skeletonRoot, nullptr);
        const Particle* read = again->skeletonRoot->FindByName("b49999");
        ASSERT_NE(read, nullptr);
        EXPECT_STREQ(read->GetParent()->GetName().c_str(), "b49998");
    }
}

TEST(LODDefinition, WeightsFollowTheirChunkPastADroppedOne) {
    // Two skinned quads, the first replaced by an empty chunk: its weights
    // go with it, and the second quad's weights move with the quad to
    // place 0. What loads writes back and reads again the same.
    Fixture f;
    ImWriter::MeshModel m = LodTest::SkinnedLevel(2);
    m.bones[0].entries[1].weights = {{0, 0.25f}, {1, 0.75f}};  // the second quad's own root weights
    f.WriteLevel("two.im", m);
    ASSERT_EQ(f.LoadText("mesh 0 { name two.im }\n"), RES_OK);
    const std::vector<uint8_t> sound = f.Write(*f.definition);
    const std::size_t first = LodTest::FindTag(sound, "LCHK");
    uint32_t size = 0;
    std::memcpy(&size, &sound[first + 4], 4);
    const std::vector<uint8_t> empty = EmptyLevelChunk();
    std::vector<uint8_t> bytes(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(first));
    bytes.insert(bytes.end(), empty.begin(), empty.end());
    bytes.insert(bytes.end(), sound.begin() + static_cast<std::ptrdiff_t>(first + 8 + size), sound.end());
    const std::size_t mesh = LodTest::FindTag(bytes, "MESH");
    LodTest::PatchU32(bytes, mesh + 4, static_cast<uint32_t>(bytes.size() - mesh - 8));
    LodTest::PatchU32(bytes, 4, static_cast<uint32_t>(bytes.size() - 8));

    uint32_t result = 1;
    auto d = f.Read(bytes, result);
    ASSERT_EQ(result, RES_OK);
    ASSERT_EQ(d->GetLevel(0)->chunkCount, 1u);
    for (const LODBone& bone : d->boneTable) {
        SCOPED_TRACE(bone.name);
        ASSERT_EQ(bone.influences.size(), 1u);
        ASSERT_EQ(bone.influences[0].GetCount(), 1u);
        EXPECT_EQ(bone.influences[0].entries[0].chunk, 0u);
    }
    const LODChunkInfluence& root = d->boneTable[0].influences[0].entries[0];
    ASSERT_EQ(root.GetWeightCount(), 2u);
    EXPECT_EQ(root.weights[0].weight, 0.25f);
    EXPECT_EQ(root.weights[1].weight, 0.75f);
    // Both bones sit in the kept chunk's palette.
    EXPECT_EQ(d->GetLevel(0)->GetChunk(0)->GetInfluenceMatrixCount(), 2);

    const std::vector<uint8_t> written = f.Write(*d);
    auto again = f.Read(written, result);
    ASSERT_EQ(result, RES_OK);
    ASSERT_EQ(again->GetLevel(0)->chunkCount, 1u);
    EXPECT_EQ(again->boneTable[0].influences[0].entries[0].weights[0].weight, 0.25f);
    EXPECT_EQ(f.Write(*again), written);
}

TEST(LODDefinition, LevelFileWeightsFollowTheirChunkPastADroppedOne) {
    // A level file whose first chunk is empty: the level's weights are
    // those of its second chunk, now its only one, and the .lm written
    // from the description reads back with them there.
    Fixture f;
    ImWriter::MeshModel m = LodTest::SkinnedLevel(2);
    m.chunks[0].indices.clear();
    m.bones[0].entries[1].weights = {{0, 0.25f}, {1, 0.75f}};
    f.WriteLevel("first-empty.im", m);
    ASSERT_EQ(f.LoadText("mesh 0 { name first-empty.im }\n"), RES_OK);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "lm.txt" : ".lm");
        uint32_t result = RES_OK;
        std::unique_ptr<VorlexIndexedMeshLODDefinition> read;
        if (pass == 1) read = f.Read(f.Write(*f.definition), result);
        ASSERT_EQ(result, RES_OK);
        const VorlexIndexedMeshLODDefinition& d = pass == 0 ? *f.definition : *read;
        ASSERT_EQ(d.GetLevel(0)->chunkCount, 1u);
        for (const LODBone& bone : d.boneTable) {
            const LODBoneInfluences* set = d.GetLevelInfluences(bone, 0);
            ASSERT_NE(set, nullptr) << bone.name;
            ASSERT_EQ(set->GetCount(), 1u) << bone.name;
            EXPECT_EQ(set->entries[0].chunk, 0u) << bone.name;
        }
        const LODChunkInfluence& root = d.GetLevelInfluences(d.boneTable[0], 0)->entries[0];
        ASSERT_EQ(root.GetWeightCount(), 2u);
        EXPECT_EQ(root.weights[0].weight, 0.25f);
        EXPECT_EQ(root.weights[1].weight, 0.75f);
    }
}
