#include <gtest/gtest.h>

#include <string>

#include "engine/config/ConfigParser.h"
#include "engine/config/GeometryConfigData.h"

using namespace Vek;

namespace {

const char* kTriangle = R"(version 1.00
info 1 2 3
orientation 0 0 0 1
chunk {
  texcoordsets 1
  weightspervertex 1
  vertex 0 0 0  0 0 1  0 0
  vertex 1 0 0  0 0 1  1 0
  vertex 0 1 0  0 0 1  0 1
  colour 0xFFFF0000
  colour 0xFF00FF00
  colour 0xFF0000FF
  face 0 1 2
  facenormal 0 0 1
  material {
    name "body.m.onetex"
    flag true
    scalar 0.5
    diffuse 0.5 0.5 0.5
    power 0.25
    texture 0 "body.tga" 2
    property shine "very high"
  }
}
bone {
  name root
  position 0 0 0
  orientation 0 0 0 1
  entry { chunk 0; weight 0 1 0 0 0; weight 2 0.5 0 -1 0 }
}
bone { name arm; parent root; position 1 0 0; entry { chunk 0; weight 2 0.5 0 0 0 } }
attachment { name "a.hand/arm"; position 1 1 0; orientation 0 0 0 1 }
)";

bool Load(const std::string& text, GeometryConfigData& geometry) {
    ConfigParser parser;
    if (parser.ParseText(text) != 0 || !parser.GetRoot()) return false;
    return geometry.LoadConfigData(*parser.GetRoot(), true, true, true, "test.imtxt");
}

}  // namespace

TEST(GeometryConfigDataTest, ReadsChunksMaterialsBonesAndAttachments) {
    GeometryConfigData geometry;
    ASSERT_TRUE(Load(kTriangle, geometry)) << geometry.GetError();
    EXPECT_EQ(geometry.GetNumChunks(), 1u);
    EXPECT_EQ(geometry.GetMaxVertices(), 3u);
    EXPECT_EQ(geometry.infoVector[2], 3.0f);
    EXPECT_EQ(geometry.GetIndexCount(0), 3u);
    EXPECT_EQ(geometry.GetFaceNormalCount(0), 1u);
    EXPECT_EQ(geometry.GetWeightsPerVertex(0), 1u);
    EXPECT_EQ(geometry.maxInfluencesPerVertex, 2u);  // vertex 2 has two bones
    EXPECT_EQ(geometry.maxBonesPerChunk, 2u);

    struct Vertex {
        Vector3 position;
        uint32_t colour;
        Vector2 uv;
    } vertices[3];
    geometry.CopyPositions(0, {sizeof(Vertex), &vertices[0].position});
    geometry.CopyColours(0, {sizeof(Vertex), &vertices[0].colour}, 0x12345678, true);
    geometry.CopyTexCoords(0, 0, {sizeof(Vertex), &vertices[0].uv});
    EXPECT_EQ(vertices[1].position, (Vector3{1, 0, 0}));
    EXPECT_EQ(vertices[1].colour, 0xFF00FF00u);
    EXPECT_EQ(vertices[2].uv, (Vector2{0, 1}));
    geometry.CopyColours(0, {sizeof(Vertex), &vertices[0].colour}, 0x12345678, false);
    EXPECT_EQ(vertices[0].colour, 0x12345678u);  // no second colours: the default
    uint16_t indices[3];
    geometry.CopyIndices(0, indices);
    EXPECT_EQ(indices[2], 2);

    const auto& material = geometry.GetMaterial(0);
    EXPECT_STREQ(material.name.c_str(), "body.m.onetex");
    EXPECT_TRUE(material.flag);
    EXPECT_EQ(material.scalar, 0.5f);
    EXPECT_EQ(material.diffuse.r, 0.5f);
    EXPECT_EQ(material.diffuse.a, 1.0f);
    EXPECT_EQ(material.power, 0.25f);
    ASSERT_EQ(material.textures.size(), 1u);
    EXPECT_STREQ(material.textures[0].fileName.c_str(), "body.tga");
    EXPECT_EQ(material.textures[0].value, 2.0f);
    EXPECT_STREQ(geometry.GetMaterialProperty(0, 0, true), "very high");
    EXPECT_STREQ(geometry.GetMaterialProperty(0, 5, true), "");

    ASSERT_EQ(geometry.GetBoneCount(), 2u);
    EXPECT_STREQ(geometry.GetBone(1).parentName.c_str(), "root");
    ASSERT_EQ(geometry.GetBone(0).entries.size(), 1u);
    EXPECT_EQ(geometry.GetBone(0).entries[0].weights[1].offset.y, -1.0f);
    ASSERT_EQ(geometry.GetAttachmentCount(), 1u);
    EXPECT_STREQ(geometry.GetAttachment(0).name.c_str(), "a.hand/arm");
}

TEST(GeometryConfigDataTest, CountsAndIndicesAreCheckedAgainstTheText) {
    struct Case {
        const char* what;
        std::string from, to;
    } cases[] = {
        {"an index equal to the vertex count", "face 0 1 2", "face 0 1 3"},
        {"a negative index", "face 0 1 2", "face 0 -1 2"},
        {"a fractional index", "face 0 1 2", "face 0 1.5 2"},
        {"a vertex short of a value", "vertex 1 0 0  0 0 1  1 0", "vertex 1 0 0  0 0 1  1"},
        {"colours not one per vertex", "colour 0xFF0000FF", ""},
        {"a weight on a missing vertex", "weight 2 0.5 0 0 0", "weight 3 0.5 0 0 0"},
        {"an entry on a missing chunk", "entry { chunk 0; weight 0", "entry { chunk 1; weight 0"},
        {"too many coordinate sets", "texcoordsets 1", "texcoordsets 9"},
        {"a power above 1", "power 0.25", "power 128"},
        {"a texture stage out of range", "texture 0 ", "texture 8 "},
    };
    for (const Case& c : cases) {
        std::string text = kTriangle;
        std::size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.what;
        text.replace(at, c.from.size(), c.to);
        GeometryConfigData geometry;
        EXPECT_FALSE(Load(text, geometry)) << c.what;
        EXPECT_EQ(geometry.GetMaxVertices(), 0u) << c.what;
        EXPECT_EQ(geometry.GetBoneCount(), 0u) << c.what;
    }
}
