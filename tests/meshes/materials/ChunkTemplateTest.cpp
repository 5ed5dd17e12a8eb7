// The packed chunk layouts the product materials use: item offsets, shared
// blocks unshared by a resize, grown normal arrays and missing items.
#include <gtest/gtest.h>

#include <cstddef>

#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/PackedVertex.h"

using namespace Vek;

static_assert(offsetof(PackedVertexPNT, normal) == 12 && offsetof(PackedVertexPNT, uv) == 24);
static_assert(offsetof(PackedVertexPCT, color) == 12 && offsetof(PackedVertexPCT, uv) == 16);
static_assert(offsetof(PackedVertexPNTA, uv) == 24 && offsetof(PackedVertexPNTA, tangent) == 32);

TEST(ChunkTemplates, ItemOffsetTablesMatchTheStructs) {
    struct Case {
        const int* table;
        int item;
        int offset;
    } cases[] = {
        {PackedVertexPNT::vertexItemOffset, kItemPosition, 0},
        {PackedVertexPNT::vertexItemOffset, kItemNormal, int(offsetof(PackedVertexPNT, normal))},
        {PackedVertexPNT::vertexItemOffset, kItemTexCoord0, int(offsetof(PackedVertexPNT, uv))},
        {PackedVertexPNT::vertexItemOffset, kItemDiffuse, -1},
        {PackedVertexPCT::vertexItemOffset, kItemDiffuse, int(offsetof(PackedVertexPCT, color))},
        {PackedVertexPCT::vertexItemOffset, kItemTexCoord0, int(offsetof(PackedVertexPCT, uv))},
        {PackedVertexPCT::vertexItemOffset, kItemNormal, -1},
        {PackedVertexPNTA::vertexItemOffset, kItemTangent, int(offsetof(PackedVertexPNTA, tangent))},
    };
    for (const Case& c : cases) EXPECT_EQ(c.table[c.item], c.offset) << c.item;
}

TEST(ChunkTemplates, ResizingASharedBlockGivesAPrivateOneAndZeroFillsNewNormals) {
    AutoReference<GeometryChunk> source(new GeometryChunkNmlTemplate<PackedVertexPCT>(2, 0, 0, 0, 4));
    uint32_t stride = 0;
    float* normals = source->GetVector3Array(kItemNormal, stride);
    ASSERT_TRUE(normals);
    EXPECT_EQ(stride, 12u);
    for (int i = 0; i < 6; ++i) normals[i] = float(i + 1);
    float* positions = source->GetVector3Array(kItemPosition, stride);
    EXPECT_EQ(stride, 24u);
    positions[0] = 7.0f;

    AutoReference<GeometryChunk> copy(source->Clone());
    EXPECT_TRUE(source->IsVertexArrayShared());
    ASSERT_TRUE(copy->ResizeVertexArray(5));
    EXPECT_FALSE(copy->IsVertexArrayShared());
    EXPECT_EQ(copy->GetVertexCount(), 5u);
    float* grown = copy->GetVector3Array(kItemNormal, stride);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(grown[i], float(i + 1));
    for (int i = 6; i < 15; ++i) EXPECT_EQ(grown[i], 0.0f) << "new normals start at zero";
    // The source keeps its vertices.
    copy->GetVector3Array(kItemPosition, stride)[0] = 9.0f;
    EXPECT_EQ(source->GetVector3Array(kItemPosition, stride)[0], 7.0f);
    EXPECT_EQ(source->GetVertexCount(), 2u);
}

TEST(ChunkTemplates, AnItemTheLayoutLacksIsNullWithStrideZero) {
    AutoReference<GeometryChunk> pnt(new GeometryChunkTemplate<PackedVertexPNT>(3, 1, 3, 0, 4));
    uint32_t stride = 99;
    EXPECT_EQ(pnt->GetUDwordArray(kItemDiffuse, stride), nullptr);
    EXPECT_EQ(stride, 0u);
    EXPECT_EQ(pnt->GetVertexSize(), 32u);
    EXPECT_EQ(pnt->GetVertexTypeID(), 18);
    AutoReference<GeometryChunk> pct(new GeometryChunkTemplate<PackedVertexPCT>(3, 1, 3, 0, 4));
    EXPECT_EQ(pct->GetVector3Array(kItemNormal, stride), nullptr);
    EXPECT_EQ(stride, 0u);
    EXPECT_EQ(pct->GetVertexSize(), 24u);
    EXPECT_EQ(pct->GetVertexTypeID(), 19);
}
