// Geometry chunks: the attribute layout each creation hint gives, the packed
// templates, the type word, shared blocks, buffers and chunk data.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/PackedVertex.h"
#include "engine/geometry/VertexType.h"
#include "engine/materials/Material.h"
#include "engine/materials/MaterialManager.h"

using namespace Vek;

namespace {

StandardChunkHint Hint(uint32_t flags, uint8_t options, uint32_t influences, uint32_t sets) {
    StandardChunkHint h;
    h.flags = flags;
    h.options = options;
    h.influences = influences;
    h.texCoordSets = sets;
    return h;
}

}  // namespace

TEST(GeometryChunk, AttributeLayoutsPerHint) {
    RenderKernel kernel(nullptr, 8.0f);
    ASSERT_TRUE(kernel.InitWithProfile(DisplayProfile::OpenGL()));
    struct Case {
        const char* what;
        const char* material;
        StandardChunkHint hint;
        std::set<int> items;
        uint32_t stride;
    } cases[] = {
        {"plain", "a.m.onetex", Hint(0, 0, 0, 1), {1, 4, 15}, 32},
        {"two texture sets", "a.m.onetex", Hint(0, 0, 0, 2), {1, 4, 15, 16}, 40},
        {"untextured type", "a.m.notex", Hint(0, 0, 0, 2), {1, 4}, 24},
        {"software lighting", "a.m.onetex", Hint(0x1, 0, 0, 1), {1, 2, 4, 15}, 36},
        {"hardware skinned, packed weights", "a.m.onetex", Hint(0x2, 0, 4, 1), {1, 4, 9, 10, 15}, 40},
        {"hardware skinned, two float weights", "a.m.onetex", Hint(0x2 | 0x8, 0, 2, 1), {1, 4, 6, 10, 15}, 44},
        {"skinned in software", "a.m.onetex", Hint(0x2 | 0x4, 0, 4, 1), {1, 4, 15}, 32},
        {"separate normals and extra vector", "a.m.onetex", Hint(0, 0x1 | 0x8, 0, 1), {1, 4, 15, 27}, 32},
    };
    for (const Case& c : cases) {
        Material* raw = nullptr;
        ASSERT_EQ(kernel.GetMaterialManager()->LoadMaterial(c.material, &raw), 0);
        AutoReference<Material> material(raw);
        AutoReference<GeometryChunk> chunk(material->CreateGeometryChunk(3, 1, 3, 1, 0, &c.hint));
        ASSERT_TRUE(chunk) << c.what;
        for (int item = 1; item < kItemCount; ++item) {
            uint32_t stride = 99;
            const uint8_t* p = static_cast<const GeometryChunk*>(chunk.Get())->GetItemArray(item, stride);
            EXPECT_EQ(p != nullptr, c.items.count(item) == 1) << c.what << " item " << item;
            if (!p) {
                EXPECT_EQ(stride, 0u) << c.what << " item " << item;
            }
        }
        EXPECT_EQ(chunk->GetVertexSize(), c.stride) << c.what;
        ASSERT_NE(chunk->GetVertexType(), nullptr) << c.what;
        EXPECT_EQ(kernel.GetDisplay()->FindVertexType(chunk->GetVertexTypeID()), chunk->GetVertexType()) << c.what;
        EXPECT_NE(chunk->GetIndexArray(), nullptr);
        EXPECT_NE(chunk->GetFaceNormalArray(), nullptr);
    }
}

TEST(GeometryChunk, PackedTemplatesServeTheirItems) {
    GeometryChunkTemplate<PackedVertexPNT> pnt(2, 0, 0, 0, 4);
    EXPECT_EQ(pnt.GetVertexSize(), 32u);
    EXPECT_EQ(pnt.GetVertexTypeID(), 18);
    uint32_t stride = 0;
    EXPECT_EQ(pnt.GetVector3Array(kItemNormal, stride), reinterpret_cast<float*>(pnt.GetVertexArray() + 12));
    EXPECT_EQ(stride, 32u);
    EXPECT_EQ(pnt.GetUDwordArray(kItemDiffuse, stride), nullptr);
    EXPECT_EQ(stride, 0u);

    auto* nml = new GeometryChunkNmlTemplate<PackedVertexPCT>(2, 0, 0, 0, 4);
    AutoReference<GeometryChunk> held(nml);
    EXPECT_EQ(nml->GetVertexSize(), 24u);
    EXPECT_EQ(nml->GetVertexTypeID(), 19);
    float* normals = nml->GetVector3Array(kItemNormal, stride);
    ASSERT_NE(normals, nullptr);
    EXPECT_EQ(stride, 12u);
    EXPECT_EQ(nml->GetItemOffset(kItemDiffuse), 12);
    normals[3] = 7.0f;
    // Growing keeps the first normals.
    ASSERT_TRUE(nml->ResizeVertexArray(5));
    EXPECT_EQ(nml->GetVertexCount(), 5u);
    EXPECT_EQ(nml->GetVector3Array(kItemNormal, stride)[3], 7.0f);

    GeometryChunkTemplate<PackedVertexPNTA> pnta(1, 0, 0, 0, 4);
    EXPECT_EQ(pnta.GetItemOffset(kItemTangent), 32);
    EXPECT_EQ(pnta.GetVertexSize(), 48u);
}

TEST(GeometryChunk, TheTypeWordHoldsThePrimitiveCodeAndTheFlagWordTheMergeableBit) {
    StandardChunkHint software = Hint(0x2 | 0x4, 0, 4, 1);
    StandardChunkHint hardware = Hint(0x2, 0, 4, 1);
    struct Case {
        int type;
        const StandardChunkHint* hint;
        uint32_t typeWord;
        uint32_t flagWord;
    } cases[] = {
        {GeometryChunk::kTriangleList, nullptr, 4, 0x4},
        {GeometryChunk::kTriangleStrip, nullptr, 8, 0},
        {GeometryChunk::kTriangleFan, nullptr, 16, 0},
        {GeometryChunk::kLineList, nullptr, 1, 0x4},
        {GeometryChunk::kLineStrip, nullptr, 2, 0},
        {GeometryChunk::kPointList, nullptr, 0, 0x4},
        {GeometryChunk::kTriangleList, &software, 4 | 0x40 | 0x1000 | 0x10000, 0x4 | 0x40 | 0x1000 | 0x10000},
        {GeometryChunk::kTriangleList, &hardware, 4, 0x4},
        {GeometryChunk::kTriangleStrip, &hardware, 8, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GeometryChunk::MakeTypeWord(c.type, c.hint), c.typeWord) << c.type;
        EXPECT_EQ(GeometryChunk::MakeFlagWord(c.type, c.hint), c.flagWord) << c.type;
        // A chunk made from the two words keeps the primitive and the flags
        // apart, and so do its copies.
        AutoReference<GeometryChunk> chunk(new GeometryChunk(GeometryChunk::Layout::Standard(nullptr, true), 3, 1, 3,
                                                             0, c.typeWord, c.flagWord));
        AutoReference<GeometryChunk> clone(chunk->Clone());
        AutoReference<GeometryChunk> made(chunk->CreateInstance(3, 1, 3, 0));
        for (GeometryChunk* g : {chunk.Get(), clone.Get(), made.Get()}) {
            EXPECT_EQ(g->GetTypeWord(), c.typeWord) << c.type;
            EXPECT_EQ(g->GetPrimitiveCode(), c.typeWord & 0x1F) << c.type;
            EXPECT_EQ(g->HasFlag(GeometryChunk::kFlagMergeable), (c.flagWord & 0x4) != 0) << c.type;
            EXPECT_EQ(g->HasFlag(GeometryChunk::kFlagSoftwareSkinned), (c.flagWord & 0x40) != 0) << c.type;
        }
    }
    EXPECT_EQ(GeometryChunk::PrimitiveCode(9), -1);
}

TEST(GeometryChunk, ClonesShareBlocksUntilOneIsMadePrivate) {
    Display display(DisplayProfile::OpenGL());
    AutoReference<GeometryChunk> source(new GeometryChunkTemplate<PackedVertexPNT>(2, 1, 3, 0, 4));
    uint32_t stride = 0;
    source->GetVector3Array(kItemPosition, stride)[0] = 1.0f;
    source->GetIndexArray()[2] = 1;
    ASSERT_TRUE(source->AddChunkProperty("RustAge"));
    EXPECT_FALSE(source->AddChunkProperty("RustAge"));
    EXPECT_TRUE(source->SetChunkProperty("RustAge", 0.25f));
    EXPECT_FALSE(source->SetChunkProperty("Other", 1.0f));
    EXPECT_EQ(source->AddInfluenceMatrix(7), 0);
    EXPECT_EQ(source->AddInfluenceMatrix(3), 1);
    EXPECT_EQ(source->AddInfluenceMatrix(7), 0);

    AutoReference<GeometryChunk> copy(source->Clone());
    EXPECT_TRUE(copy->IsVertexArrayShared());
    EXPECT_EQ(copy->GetVertexArray(), source->GetVertexArray());
    float age = 0;
    EXPECT_TRUE(copy->GetChunkProperty("RustAge", age));
    EXPECT_FLOAT_EQ(age, 0.25f);
    EXPECT_EQ(copy->GetInfluenceBone(1), 3);
    EXPECT_EQ(copy->GetTriangleCount(), 1u);

    ASSERT_TRUE(copy->ResizeVertexArray(4));
    copy->GetVector3Array(kItemPosition, stride)[0] = 9.0f;
    EXPECT_FLOAT_EQ(source->GetVector3Array(kItemPosition, stride)[0], 1.0f);
    EXPECT_FLOAT_EQ(copy->GetVector3Array(kItemPosition, stride)[0], 9.0f);
    EXPECT_FALSE(source->IsVertexArrayShared());

    copy->DuplicateUnsharedArrays(&display);
    EXPECT_FALSE(copy->IsIndexArrayShared());
    EXPECT_EQ(copy->GetIndexArray()[2], 1);

    EXPECT_TRUE(source->SetFaceNeighborArray({1, 2, 3}));
    EXPECT_FALSE(source->SetFaceNeighborArray({1, 2}));
}

TEST(GeometryChunk, BuffersAreMadeAndUploadedThroughTheDisplay) {
    Display display(DisplayProfile::OpenGL());
    AutoReference<GeometryChunk> chunk(new GeometryChunkTemplate<PackedVertexPNT>(3, 1, 3, 0, 4));
    chunk->GetIndexArray()[1] = 2;
    EXPECT_TRUE(chunk->InitializeBuffers(&display, true));
    ASSERT_NE(chunk->GetStaticVertexBuffer(), nullptr);
    ASSERT_NE(chunk->GetStaticIndexBuffer(), nullptr);
    EXPECT_EQ(chunk->GetStaticIndexBuffer()->GetData()[1], 2);
    EXPECT_FALSE(chunk->IsVertexDataDirty());
    EXPECT_EQ(chunk->AssignVertexType(&display), display.FindVertexType(18));
    EXPECT_TRUE(chunk->LoadBuffers(&display));
    EXPECT_FALSE(chunk->InitializeBuffers(nullptr, true));

    // A software-skinned chunk has no static vertex buffer.
    AutoReference<GeometryChunk> skinned(
        new GeometryChunkTemplate<PackedVertexPNT>(3, 1, 3, 0, 4 | GeometryChunk::kFlagNoStaticVertexBuffer));
    EXPECT_TRUE(skinned->InitializeBuffers(&display, true));
    EXPECT_EQ(skinned->GetStaticVertexBuffer(), nullptr);
    EXPECT_NE(skinned->GetStaticIndexBuffer(), nullptr);
}

TEST(VertexType, ItemsAreLaidOutPerStream) {
    AutoReference<VertexType> type(new VertexType(99));
    VertexType::Item early;
    early.item = kItemPosition;
    EXPECT_FALSE(type->AddItem(early));  // no stream yet
    ASSERT_EQ(type->CreateStream(), 0);
    VertexType::Item position;
    position.item = kItemPosition;
    EXPECT_TRUE(type->AddItem(position));
    VertexType::Item colour = position;
    colour.item = kItemDiffuse;
    EXPECT_TRUE(type->AddItem(colour));
    VertexType::Item uv = position;
    uv.item = 15;
    EXPECT_TRUE(type->AddItem(uv));
    EXPECT_TRUE(type->AddItem(16, 15));
    EXPECT_FALSE(type->AddItem(16, 15));  // present already
    EXPECT_FALSE(type->AddItem(17, 3));   // no item 3 to copy
    EXPECT_EQ(type->GetVertexSize(0), 32u);
    EXPECT_EQ(type->FindItem(16)->offset, 24);
    EXPECT_EQ(type->GetItemStream(15), 0);
    EXPECT_EQ(type->GetItemStream(10), -1);
}

TEST(GeometryChunk, AppendingMovesTheIndicesAndRefusesOtherLayouts) {
    Display display(DisplayProfile::OpenGL());
    AutoReference<GeometryChunk> a(new GeometryChunkNmlTemplate<PackedVertexPCT>(3, 1, 3, 1, 4));
    AutoReference<GeometryChunk> b(new GeometryChunkNmlTemplate<PackedVertexPCT>(3, 1, 3, 1, 4));
    uint32_t stride = 0;
    for (int i = 0; i < 3; ++i) {
        a->GetIndexArray()[i] = static_cast<uint16_t>(i);
        b->GetIndexArray()[i] = static_cast<uint16_t>(2 - i);
        b->GetVector3Array(kItemNormal, stride)[i * 3] = 5.0f;
    }
    AutoReference<GeometryChunk> shared(a->Clone());
    ASSERT_TRUE(a->InitializeBuffers(&display, true));
    ASSERT_TRUE(a->AppendChunk(*b, &display));
    EXPECT_EQ(a->GetVertexCount(), 6u);
    EXPECT_EQ(a->GetIndexCount(), 6u);
    EXPECT_EQ(a->GetTriangleCount(), 2u);
    EXPECT_EQ(a->GetFaceNormalCount(), 2u);
    const std::vector<uint16_t> indices(a->GetIndexArray(), a->GetIndexArray() + 6);
    EXPECT_EQ(indices, (std::vector<uint16_t>{0, 1, 2, 5, 4, 3}));
    EXPECT_EQ(a->GetVector3Array(kItemNormal, stride)[9], 5.0f);
    EXPECT_EQ(a->GetStaticIndexBuffer()->GetData()[3], 5);
    EXPECT_EQ(shared->GetVertexCount(), 3u);  // the clone keeps the old blocks
    EXPECT_EQ(shared->GetIndexCount(), 3u);

    AutoReference<GeometryChunk> other(new GeometryChunkTemplate<PackedVertexPNT>(3, 1, 3, 0, 4));
    EXPECT_FALSE(a->AcceptsVertices(*other));
    EXPECT_FALSE(a->AppendChunk(*other, &display));
    AutoReference<GeometryChunk> big(new GeometryChunkNmlTemplate<PackedVertexPCT>(65535, 0, 0, 0, 4));
    EXPECT_FALSE(a->AppendChunk(*big, &display));  // indices would pass 65535
    EXPECT_EQ(a->GetVertexCount(), 6u);
}
