// How the gloss-rust material, loaded through the product's plug-ins,
// drives the headless display: the coordinate generation and texture
// transforms of its glossy draws, and the two phases of a batch.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "MaterialFixture.h"
#include "engine/display/VertexProgram.h"
#include "engine/display/Viewport.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/textures/TextureResource.h"
#include "meshes/materials/VorlexGlossRustMaterial.h"

using namespace Vek;
using MaterialTests::Kernel;

namespace {

// The trace lines that tell how stage 1 is addressed and what is drawn.
const char* const kCoordinateLines[] = {"SetTextureCoordGen", "SetTextureTransform", "SetTextureMatrix",
                                        "ResetTextureMatrix", "DrawChunk"};

std::vector<std::string> Only(const std::vector<std::string>& lines, const std::vector<std::string>& prefixes) {
    std::vector<std::string> out;
    for (const std::string& line : lines)
        for (const std::string& prefix : prefixes)
            if (line.compare(0, prefix.size(), prefix) == 0) {
                out.push_back(line);
                break;
            }
    return out;
}

DisplayMatrix Rows(const float (&rows)[4][4]) {
    DisplayMatrix m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.m[r][c] = rows[r][c];
    return m;
}

// A camera turned a quarter about z and moved away from the origin.
Viewport TurnedCamera() {
    Viewport viewport;
    viewport.viewTransform = Rows({{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 1, 0}, {7, 8, 9, 1}});
    return viewport;
}

DisplayMatrix At(float x) {
    DisplayMatrix m;
    m.m[3][0] = x;
    return m;
}

std::string Constant(float r, float g, float b, float a) {
    std::ostringstream line;
    line << "StageConstant 0 " << r << ' ' << g << ' ' << b << ' ' << a;
    return line.str();
}

struct Material3 {
    Kernel kernel{DisplayProfile::OpenGL()};
    AutoReference<Material> material;
    VorlexGlossRustMaterial* rust = nullptr;
    std::vector<std::string> stateHandles;  // the plug-in's states 0 to 3

    Material3(uint8_t options, bool cube) {
        material = AutoReference<Material>(kernel.Load("tglossrust"));
        rust = dynamic_cast<VorlexGlossRustMaterial*>(material.Get());
        if (!rust) return;
        // The plug-in makes its four states last, after its base's.
        for (const std::string& line : kernel.GetDisplay()->GetTrace().Lines()) {
            std::istringstream in(line);
            std::string op, handle;
            if (in >> op >> handle && op == "CreateTextureStageState") stateHandles.push_back(handle);
        }
        if (stateHandles.size() > 4) stateHandles.erase(stateHandles.begin(), stateHandles.end() - 4);
        rust->SetReflectionOptions(options);
        rust->SetTextureMatrix(Rows({{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 1}}));
        rust->GetTexture(ReflectiveMaterial::kEnvironmentSlot)
            ->SetKind(cube ? TextureResource::kKindCubeMap : TextureResource::kKindPlain);
    }
    AutoReference<GeometryChunk> Chunk(float rustAge, uint32_t texCoordSets = 1) {
        StandardChunkHint hint;
        hint.texCoordSets = texCoordSets;
        AutoReference<GeometryChunk> chunk(
            material->CreateGeometryChunk(3, 1, 3, 0, GeometryChunk::kTriangleList, &hint));
        if (chunk) chunk->SetChunkProperty("RustAge", rustAge);
        return chunk;
    }
    // Trace prefixes of the plug-in's states being applied.
    std::vector<std::string> Applies() const {
        std::vector<std::string> out;
        for (const std::string& handle : stateHandles) out.push_back("ApplyTextureStageState " + handle + " ");
        return out;
    }
    std::string Apply(int state, int stage) const {
        return "ApplyTextureStageState " + stateHandles.at(state) + " " + std::to_string(stage);
    }
};

}  // namespace

// A glossy draw sets stage 1's coordinate generation for the chunk, gives
// the display the cube map's transform when it makes the coordinates, and
// puts generation and matrix back after the draw.
TEST(GlossRustDraw, GlossyDrawAddressesStageOneAndResetsIt) {
    // Camera rotation transposed x texture matrix (diagonal 2, 3, 4).
    const DisplayMatrix cubeTransform = Rows({{0, -3, 0, 0}, {2, 0, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 1}});
    struct Case {
        const char* what;
        uint8_t options;
        bool cube;
        std::vector<std::string> lines;
        bool transformSet;
    } cases[] = {
        {"sphere map, coordinates written", 0, false,
         {"SetTextureCoordGen 1 0 2", "DrawChunk triangles=1 program=none", "ResetTextureMatrix 1"}, false},
        {"sphere map made by the display", ReflectiveMaterial::kOptionDisplaySphereMap, false,
         {"SetTextureCoordGen 1 1 2", "DrawChunk triangles=1 program=none", "SetTextureCoordGen 1 0 2",
          "ResetTextureMatrix 1"},
         false},
        {"cube map made by the display", ReflectiveMaterial::kOptionCubeMapTransform, true,
         {"SetTextureCoordGen 1 2 3", "SetTextureTransform", "SetTextureMatrix 1", "DrawChunk triangles=1 program=none",
          "SetTextureCoordGen 1 0 2", "ResetTextureMatrix 1"},
         true},
        {"cube map without the display's coordinates", 0, true,
         {"SetTextureCoordGen 1 0 2", "DrawChunk triangles=1 program=none", "ResetTextureMatrix 1"}, false},
    };
    for (const Case& c : cases) {
        Material3 m(c.options, c.cube);
        ASSERT_TRUE(m.rust) << c.what;
        AutoReference<GeometryChunk> chunk = m.Chunk(0.0f);
        ASSERT_TRUE(chunk) << c.what;
        Display* display = m.kernel.GetDisplay();
        display->GetTrace().Clear();
        Viewport viewport = TurnedCamera();
        m.material->RenderChunk(display, &viewport, chunk.Get(), {}, DisplayMatrix());
        EXPECT_EQ(Only(display->GetTrace().Lines(), {std::begin(kCoordinateLines), std::end(kCoordinateLines)}),
                  c.lines)
            << c.what;
        if (c.transformSet) {
            EXPECT_EQ(display->GetTextureTransform(), cubeTransform) << c.what;
        }
        EXPECT_EQ(display->GetTextureMatrix(1), DisplayMatrix()) << c.what;
        EXPECT_EQ(display->GetTextureCoordGenMode(1), Display::kTexGenVertex) << c.what;
        EXPECT_EQ(display->GetTextureCoordComponents(1), 2) << c.what;
    }
}

// Without a viewport the cube map's transform cannot be made: nothing is
// given to the display, and the generation is still put back.
TEST(GlossRustDraw, CubeMapWithoutViewportSetsNoTransform) {
    Material3 m(ReflectiveMaterial::kOptionCubeMapTransform, true);
    ASSERT_TRUE(m.rust);
    AutoReference<GeometryChunk> chunk = m.Chunk(0.0f);
    Display* display = m.kernel.GetDisplay();
    display->GetTrace().Clear();
    m.material->RenderChunk(display, nullptr, chunk.Get(), {}, DisplayMatrix());
    EXPECT_EQ(Only(display->GetTrace().Lines(), {std::begin(kCoordinateLines), std::end(kCoordinateLines)}),
              (std::vector<std::string>{"SetTextureCoordGen 1 2 3", "DrawChunk triangles=1 program=none",
                                        "SetTextureCoordGen 1 0 2", "ResetTextureMatrix 1"}));
}

// The sphere-map coordinates come from the chunk's normals turned by the
// world matrix, into the second coordinate set; a chunk without that set
// keeps its coordinates.
TEST(GlossRustDraw, SphereCoordinatesFollowTheTurnedNormals) {
    const DisplayMatrix quarterTurn = Rows({{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 1, 0}, {5, 5, 5, 1}});
    struct Case {
        uint32_t sets;
        float normal[3];
        DisplayMatrix world;
        float uv[2];  // of set 1; set 0 stays (9, 9)
    } cases[] = {
        {2, {1, 0, 0}, DisplayMatrix(), {1.0f, 0.5f}},
        {2, {1, 0, 0}, quarterTurn, {0.5f, 0.0f}},  // x turns to y
        {2, {0, 0, -4}, DisplayMatrix(), {0.5f, 0.5f}},
        {2, {0, 2, 0}, DisplayMatrix(), {0.5f, 0.0f}},  // normalised
    };
    for (const Case& c : cases) {
        Material3 m(0, false);
        ASSERT_TRUE(m.rust);
        AutoReference<GeometryChunk> chunk = m.Chunk(0.0f, c.sets);
        ASSERT_TRUE(chunk);
        uint32_t ns = 0, s0 = 0, s1 = 0;
        auto* normals = reinterpret_cast<uint8_t*>(chunk->GetVector3Array(kItemNormal, ns));
        auto* set0 = reinterpret_cast<uint8_t*>(chunk->GetVector2Array(kItemTexCoord0, s0));
        auto* set1 = reinterpret_cast<uint8_t*>(chunk->GetVector2Array(kItemTexCoord0 + 1, s1));
        ASSERT_TRUE(normals && set0 && set1);
        for (uint32_t v = 0; v < 3; ++v) {
            std::copy(c.normal, c.normal + 3, reinterpret_cast<float*>(normals + v * ns));
            float* uv0 = reinterpret_cast<float*>(set0 + v * s0);
            uv0[0] = uv0[1] = 9.0f;
        }
        Viewport viewport;
        m.material->RenderChunk(m.kernel.GetDisplay(), &viewport, chunk.Get(), {}, c.world);
        for (uint32_t v = 0; v < 3; ++v) {
            const float* uv0 = reinterpret_cast<const float*>(set0 + v * s0);
            const float* uv1 = reinterpret_cast<const float*>(set1 + v * s1);
            EXPECT_NEAR(uv1[0], c.uv[0], 1e-6f) << c.normal[0] << c.normal[1] << c.normal[2];
            EXPECT_NEAR(uv1[1], c.uv[1], 1e-6f) << c.normal[0] << c.normal[1] << c.normal[2];
            EXPECT_EQ(uv0[0], 9.0f);
            EXPECT_EQ(uv0[1], 9.0f);
        }
    }
    // One set: nothing to write into, and the base coordinates stay.
    Material3 m(0, false);
    AutoReference<GeometryChunk> chunk = m.Chunk(0.0f, 1);
    uint32_t s0 = 0;
    auto* set0 = reinterpret_cast<float*>(chunk->GetVector2Array(kItemTexCoord0, s0));
    ASSERT_TRUE(set0);
    set0[0] = set0[1] = 9.0f;
    Viewport viewport;
    m.material->RenderChunk(m.kernel.GetDisplay(), &viewport, chunk.Get(), {}, DisplayMatrix());
    EXPECT_EQ(set0[0], 9.0f);
    EXPECT_EQ(set0[1], 9.0f);
}

// A batch applies the gloss states once and draws every glossy chunk, then
// resets stage 1, applies the rust states once and draws every other chunk,
// each in the batch's order.
TEST(GlossRustDraw, BatchDrawsEveryGlossPassBeforeEveryRustPass) {
    struct Row {
        const char* what;
        uint8_t options;
        bool cube;
        std::vector<std::string> glossStart;  // before the first chunk
        std::vector<std::string> perGloss;    // before each glossy chunk's draw
        std::vector<std::string> between;     // after the gloss phase
    } rows[] = {
        {"sphere map", 0, false, {"SetTextureCoordGen 1 0 2"}, {}, {"ResetTextureMatrix 1"}},
        {"cube map made by the display", ReflectiveMaterial::kOptionCubeMapTransform, true,
         {"SetTextureCoordGen 1 2 3"}, {"SetTextureTransform", "SetTextureMatrix 1"},
         {"ResetTextureMatrix 1", "SetTextureCoordGen 1 0 2"}},
    };
    for (const Row& row : rows) {
        Material3 m(row.options, row.cube);
        ASSERT_TRUE(m.rust) << row.what;
        ASSERT_EQ(m.stateHandles.size(), 4u) << row.what;
        DisplayMaterial values = m.material->GetDisplayMaterial();
        values.ambient = {0.5f, 0.5f, 0.5f, 1};
        m.material->SetDisplayMaterialProperties(values);
        // With a reflection amount of 1: glossy, rusted, glossy, and matt
        // exactly at RustAge 0.5 (gloss factor 0, constant alpha 0).
        const float ages[] = {0.0f, 0.75f, 0.1f, 0.5f};
        AutoReference<GeometryChunk> chunks[4];
        GeometryChunk* raw[4];
        DisplayLightList lights[4];
        DisplayMatrix worlds[4];
        for (int i = 0; i < 4; ++i) {
            chunks[i] = m.Chunk(ages[i]);
            ASSERT_TRUE(chunks[i]) << row.what;
            raw[i] = chunks[i].Get();
            worlds[i] = At(float(i + 1));
        }
        Display* display = m.kernel.GetDisplay();
        display->SetAmbientColor({0.2f, 0.4f, 0.6f, 1});
        display->GetTrace().Clear();
        Viewport viewport = TurnedCamera();
        m.material->RenderNumChunks(display, &viewport, raw, lights, worlds, 4);

        auto glossChunk = [&](int i, float f) {
            std::vector<std::string> out = {Constant(f, f, f, f)};
            out.insert(out.end(), row.perGloss.begin(), row.perGloss.end());
            out.push_back("SetWorldMatrix " + std::to_string(i + 1) + " 0 0");
            out.push_back("DrawChunk triangles=1 program=none");
            return out;
        };
        auto rustChunk = [&](int i, float alpha) {
            return std::vector<std::string>{Constant(0.2f * 0.5f, 0.4f * 0.5f, 0.6f * 0.5f, alpha),
                                            "SetWorldMatrix " + std::to_string(i + 1) + " 0 0",
                                            "DrawChunk triangles=1 program=none"};
        };
        std::vector<std::string> want = row.glossStart;
        want.push_back(m.Apply(0, 0));
        want.push_back(m.Apply(1, 1));
        for (const auto& part : {glossChunk(0, 1.0f), glossChunk(2, 0.8f)}) want.insert(want.end(), part.begin(), part.end());
        want.insert(want.end(), row.between.begin(), row.between.end());
        want.push_back(m.Apply(2, 0));
        want.push_back(m.Apply(3, 1));
        for (const auto& part : {rustChunk(1, 0.5f), rustChunk(3, 0.0f)}) want.insert(want.end(), part.begin(), part.end());

        std::vector<std::string> prefixes(std::begin(kCoordinateLines), std::end(kCoordinateLines));
        prefixes.insert(prefixes.end(), {"StageConstant 0", "SetWorldMatrix"});
        for (const std::string& apply : m.Applies()) prefixes.push_back(apply);
        EXPECT_EQ(Only(display->GetTrace().Lines(), prefixes), want) << row.what;
        EXPECT_EQ(display->GetTextureMatrix(1), DisplayMatrix()) << row.what;
        EXPECT_EQ(display->GetTextureCoordGenMode(1), Display::kTexGenVertex) << row.what;
        EXPECT_EQ(m.material->GetDisplayMaterial().ambient, values.ambient) << row.what;
    }
}

// A chunk that is not glossy although its RustAge is below 0.5 (a material
// without reflection) is drawn matt in a batch, as a single draw draws it;
// an empty batch touches nothing.
TEST(GlossRustDraw, BatchDrawsEveryChunkOnce) {
    Material3 m(0, false);
    ASSERT_TRUE(m.rust);
    m.material->SetTexture(ReflectiveMaterial::kEnvironmentSlot, m.rust->GetTexture(ReflectiveMaterial::kEnvironmentSlot),
                           0.0f);
    AutoReference<GeometryChunk> a = m.Chunk(0.0f), b = m.Chunk(0.2f);
    GeometryChunk* raw[] = {a.Get(), b.Get()};
    DisplayLightList lights[2];
    DisplayMatrix worlds[] = {At(1), At(2)};
    Display* display = m.kernel.GetDisplay();
    Viewport viewport;
    display->GetTrace().Clear();
    m.material->RenderNumChunks(display, &viewport, raw, lights, worlds, 2);
    std::vector<std::string> prefixes = m.Applies();
    prefixes.insert(prefixes.end(), {"SetWorldMatrix", "DrawChunk"});
    EXPECT_EQ(Only(display->GetTrace().Lines(), prefixes),
              (std::vector<std::string>{m.Apply(0, 0), m.Apply(1, 1), m.Apply(2, 0), m.Apply(3, 1), "SetWorldMatrix 1 0 0",
                                        "DrawChunk triangles=1 program=none", "SetWorldMatrix 2 0 0",
                                        "DrawChunk triangles=1 program=none"}));

    display->GetTrace().Clear();
    m.material->RenderNumChunks(display, &viewport, raw, lights, worlds, 0);
    EXPECT_EQ(display->GetTrace().Count(), 0u);
}

// A clone addresses its reflection texture as the original does, and the
// way of addressing it tells materials apart.
TEST(GlossRustDraw, CloneKeepsOptionsAndTextureMatrix) {
    Material3 m(ReflectiveMaterial::kOptionCubeMapTransform, true);
    ASSERT_TRUE(m.rust);
    AutoReference<Material> copy(m.material->Clone());
    auto* rust = dynamic_cast<VorlexGlossRustMaterial*>(copy.Get());
    ASSERT_TRUE(rust);
    EXPECT_EQ(rust->GetReflectionOptions(), ReflectiveMaterial::kOptionCubeMapTransform);
    EXPECT_EQ(rust->GetTextureMatrix(), m.rust->GetTextureMatrix());
    EXPECT_TRUE(rust->Equals(*m.material));
    rust->SetReflectionOptions(ReflectiveMaterial::kOptionDisplaySphereMap);
    EXPECT_FALSE(rust->Equals(*m.material));
    rust->SetReflectionOptions(ReflectiveMaterial::kOptionCubeMapTransform);
    rust->SetTextureMatrix(DisplayMatrix());
    EXPECT_FALSE(rust->Equals(*m.material));
}

// Within a batch's gloss phase the coordinate generation changes only where
// a chunk with a vertex program follows one without, or the reverse.
TEST(GlossRustDraw, BatchChangesGenerationOnlyWhereTheProgramChanges) {
    Material3 m(ReflectiveMaterial::kOptionCubeMapTransform, true);
    ASSERT_TRUE(m.rust);
    Display* display = m.kernel.GetDisplay();
    AutoReference<VertexProgram> program(new VertexProgram(display, "P", "G", "", {}, 0));
    const bool hasProgram[] = {false, true, true, false};
    AutoReference<GeometryChunk> chunks[4];
    GeometryChunk* raw[4];
    DisplayLightList lights[4];
    DisplayMatrix worlds[4];
    for (int i = 0; i < 4; ++i) {
        chunks[i] = m.Chunk(0.0f);
        ASSERT_TRUE(chunks[i]);
        if (hasProgram[i]) chunks[i]->SetVertexProgram(0, program.Get());
        raw[i] = chunks[i].Get();
    }
    display->GetTrace().Clear();
    Viewport viewport = TurnedCamera();
    m.material->RenderNumChunks(display, &viewport, raw, lights, worlds, 4);
    const std::string none = "DrawChunk triangles=1 program=none", withP = "DrawChunk triangles=1 program=P";
    EXPECT_EQ(Only(display->GetTrace().Lines(), {"SetTextureCoordGen", "DrawChunk"}),
              (std::vector<std::string>{"SetTextureCoordGen 1 2 3", none, "SetTextureCoordGen 1 0 2", withP, withP,
                                        "SetTextureCoordGen 1 2 3", none, "SetTextureCoordGen 1 0 2"}));
}
