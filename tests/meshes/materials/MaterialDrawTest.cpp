// How the product materials draw through the headless display: the trace of
// representative draws, the display state they leave behind, and the
// program constants against the lighting formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "MaterialFixture.h"
#include "engine/display/Viewport.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/textures/TextureResource.h"
#include "meshes/materials/VorlexBumpMaterial.h"
#include "meshes/materials/VorlexGlossRustMaterial.h"
#include "meshes/materials/VorlexMultiPFXMaterial.h"

using namespace Vek;
using MaterialTests::Kernel;

namespace {

DisplayLight Parallel(float r, float g, float b) {
    DisplayLight l;
    l.type = DisplayLight::kParallel;
    l.diffuse = {r, g, b, 1};
    l.specular = {0.5f, 0.5f, 0.5f, 1};
    l.ambient = {0.1f, 0.1f, 0.1f, 1};
    l.direction[0] = 0;
    l.direction[1] = -1;
    l.direction[2] = 0;
    return l;
}

DisplayLight Spot(float r, float g, float b, float x) {
    DisplayLight l;
    l.type = DisplayLight::kSpot;
    l.diffuse = {r, g, b, 1};
    l.specular = {1, 1, 1, 1};
    l.position[0] = x;
    l.range = 50.0f;
    l.spotAngle = 30.0f;
    return l;
}

enum class Lights { None, Parallel, ParallelAndSpot, EqualSpots };

struct Scene {
    DisplayLight parallel = Parallel(0.5f, 0.6f, 0.7f);
    DisplayLight spotA = Spot(1, 1, 1, 3);
    DisplayLight spotB = Spot(1, 1, 1, 9);  // as bright as A: A is used
    DisplayLightList List(Lights which) const {
        switch (which) {
            case Lights::None: return {};
            case Lights::Parallel: return {&parallel};
            case Lights::ParallelAndSpot: return {&parallel, &spotA};
            case Lights::EqualSpots: return {&parallel, &spotA, &spotB};
        }
        return {};
    }
};

std::vector<std::string> Starting(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : lines)
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Every display state a material may touch.
struct DisplayState {
    bool blend;
    int source, destination;
    bool alphaTest, depthWrite;
    int fog, cull, colorMaterial;
    DisplayColor ambient;
    DisplayMatrix world;
    const TextureResource* textures[8];
    DisplayMatrix textureMatrices[8];
    uint32_t stageStates[8];
    int texGen[8][2];
    const TextureCombiner* combiner;

    static DisplayState Of(const Display& d) {
        DisplayState s{};
        s.blend = d.GetAlphaBlendMode();
        d.GetAlphaBlendFunction(s.source, s.destination);
        s.alphaTest = d.GetAlphaTestMode();
        s.depthWrite = d.GetDepthWriteMode();
        s.fog = d.GetFogMode();
        s.cull = d.GetCullMode();
        s.colorMaterial = d.GetColorMaterialMode();
        s.ambient = d.GetAmbientColor();
        s.world = d.GetWorldMatrix();
        for (int i = 0; i < 8; ++i) {
            s.textures[i] = d.GetTexture(i);
            s.textureMatrices[i] = d.GetTextureMatrix(i);
            s.stageStates[i] = d.GetAppliedStageState(i);
            s.texGen[i][0] = d.GetTextureCoordGenMode(i);
            s.texGen[i][1] = d.GetTextureCoordComponents(i);
        }
        s.combiner = d.GetBoundTextureCombiner();
        return s;
    }

    // The names of the states that differ.
    std::set<std::string> Diff(const DisplayState& o) const {
        std::set<std::string> out;
        if (blend != o.blend || source != o.source || destination != o.destination) out.insert("blend");
        if (alphaTest != o.alphaTest) out.insert("alphaTest");
        if (depthWrite != o.depthWrite) out.insert("depthWrite");
        if (fog != o.fog) out.insert("fog");
        if (cull != o.cull) out.insert("cull");
        if (colorMaterial != o.colorMaterial) out.insert("colorMaterial");
        if (!(ambient == o.ambient)) out.insert("ambient");
        if (world != o.world) out.insert("world");
        for (int i = 0; i < 8; ++i) {
            if (textures[i] != o.textures[i]) out.insert("texture" + std::to_string(i));
            if (textureMatrices[i] != o.textureMatrices[i]) out.insert("textureMatrix" + std::to_string(i));
            if (stageStates[i] != o.stageStates[i]) out.insert("stageState" + std::to_string(i));
            if (texGen[i][0] != o.texGen[i][0] || texGen[i][1] != o.texGen[i][1])
                out.insert("texGen" + std::to_string(i));
        }
        if (combiner != o.combiner) out.insert("combiner");
        return out;
    }
};

// Puts the display in a state no material sets by itself.
void Unusual(Display& d) {
    d.SetAlphaBlendMode(true);
    d.SetAlphaBlendFunction(2, 3);
    d.SetAlphaTestMode(true);
    d.SetDepthWriteMode(false);
    d.SetFogMode(1);
    d.SetCullMode(0);
    d.SetColorMaterialMode(2);
    d.SetAmbientColor({0.1f, 0.2f, 0.3f, 1.0f});
}

DisplayMatrix At(float x, float y, float z) {
    DisplayMatrix m;
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

// The four values of the first trace line starting with `prefix`.
std::vector<float> Values(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const std::string& line : lines) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        std::istringstream in(line.substr(prefix.size()));
        std::vector<float> v;
        float f;
        while (in >> f) v.push_back(f);
        return v;
    }
    return {};
}

void ExpectNear(const std::vector<float>& got, const std::vector<float>& want, const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-4f) << what << " [" << i << "]";
}

}  // namespace

TEST(MaterialDraw, RepresentativeTraceRows) {
    struct Row {
        const char* type;
        DisplayProfile profile;
        Lights lights;
        float rustAge;                     // < 0: the chunk keeps its own
        std::vector<std::string> draws;    // DrawChunk lines in order
        std::vector<std::string> present;  // lines that must appear
        std::vector<std::string> absent;   // lines that must not
    } rows[] = {
        {"tbumptex", DisplayProfile::OpenGL(), Lights::None, -1,
         {"DrawChunk triangles=1 program=VorlexBump_ParallelLight"},
         {"SetCombinerRegister VorlexBumpMat_ParallelLight 0 0 0 0 1", "BindTextureCombiner VorlexBumpMat_ParallelLight",
          "SetTexture 1 $shared0", "UnbindTextureCombiner"},
         {"SetAlphaBlendFunction 4 1"}},
        {"tbumptex", DisplayProfile::OpenGL(), Lights::ParallelAndSpot, -1,
         {"DrawChunk triangles=1 program=VorlexBump_ParallelLight", "DrawChunk triangles=1 program=VorlexBump_SpotLight"},
         {"SetAlphaBlendFunction 4 1", "SetFogMode 0", "SetAlphaBlendFunction 2 3", "SetFogMode 1"},
         {}},
        {"tbumpenv", DisplayProfile::OpenGL(), Lights::Parallel, -1,
         {"DrawChunk triangles=1 program=VorlexBumpEnv_ParallelLight"},
         {"SetEnvironmentMap 3 $shared0", "SetTextureMatrix 1", "BindTextureCombiner VorlexBumpEnvMat_ParallelLight"},
         {}},
        {"tbumpgloss", DisplayProfile::OpenGL(), Lights::EqualSpots, 0.0f,
         {"DrawChunk triangles=1 program=VorlexBumpGloss_ParallelLight",
          "DrawChunk triangles=1 program=VorlexBumpGloss_SpotLight"},
         {"SetAlphaBlendFunction 1 1", "SetTexture 3 $shared0", "SetCombinerRegister VorlexBumpGlossMat_ParallelLight 2 1 1 1 1",
          "SetProgramLocal VorlexBumpGloss_SpotLight 5 3 0 0 0"},
         {"SetAlphaBlendFunction 4 1"}},
        {"tbumpgloss", DisplayProfile::OpenGL(), Lights::ParallelAndSpot, 0.5f, {}, {}, {"BindTextureCombiner"}},
        {"tglossrust", DisplayProfile::OpenGL(), Lights::Parallel, 0.0f,
         {"DrawChunk triangles=1 program=none"},
         {"StageConstant 0 1 1 1 1", "StageConstant 1 1 1 1 1", "SetTexture 1 $shared0"},
         {}},
        {"tglossrust", MaterialTests::NoPrograms(), Lights::None, 0.75f,
         {"DrawChunk triangles=1 program=none"},
         {"StageConstant 0 0.02 0.04 0.06 0.5"},  // clamp(ambient sum) x material ambient 0.2
         {}},
        {"tmpfx", DisplayProfile::OpenGL(), Lights::Parallel, -1,
         {"DrawChunk triangles=1 program=none"},
         {"DisableStage 1", "SetTextureMatrix 1", "ResetTextureMatrix 1"},
         {}},
        {"tonetexnoalpha", MaterialTests::NoPrograms(), Lights::ParallelAndSpot, -1,
         {"DrawChunk triangles=1 program=none"},
         {"SetColorMaterialMode 5", "SetColorMaterialMode 0", "SetDepthWriteMode 1"},
         {}},
        {"nofogtex", MaterialTests::OneStage(), Lights::Parallel, -1,
         {"DrawChunk triangles=1 program=none"},
         {"SetFogMode 0", "SetAlphaBlendFunction 4 5", "SetFogMode 1", "SetAlphaBlendFunction 2 3"},
         {}},
    };
    Scene scene;
    for (const Row& row : rows) {
        const std::string what = std::string(row.type) + " on " + row.profile.name;
        Kernel kernel(row.profile);
        AutoReference<Material> material(kernel.Load(row.type));
        ASSERT_TRUE(material) << what;
        ASSERT_STREQ(material->GetTypeName(), row.type) << what;
        AutoReference<GeometryChunk> chunk(material->CreateGeometryChunk(3, 1, 3, 0, GeometryChunk::kTriangleList, nullptr));
        ASSERT_TRUE(chunk) << what;
        if (row.rustAge >= 0) {
            chunk->AddChunkProperty("RustAge");
            chunk->SetChunkProperty("RustAge", row.rustAge);
        }
        Display* display = kernel.GetDisplay();
        Unusual(*display);
        display->GetTrace().Clear();
        Viewport viewport;
        material->RenderChunk(display, &viewport, chunk.Get(), scene.List(row.lights), DisplayMatrix());
        const auto& lines = display->GetTrace().Lines();
        std::vector<std::string> draws = Starting(lines, "DrawChunk");
        EXPECT_EQ(draws, row.draws) << what;
        for (const std::string& line : row.present) EXPECT_TRUE(Has(lines, line)) << what << ": " << line;
        for (const std::string& prefix : row.absent) EXPECT_TRUE(Starting(lines, prefix).empty()) << what << ": " << prefix;
    }
}

TEST(MaterialDraw, DisplayStateIsRestoredButForTheStatesEachTypeSetsOnPurpose) {
    struct Case {
        const char* type;
        std::set<std::string> onPurpose;
    } cases[] = {
        {"tbumptex", {"cull", "world"}},
        {"tbumpenv", {"cull", "world"}},
        {"tbumpgloss", {"cull", "world"}},
        {"tglossrust", {"cull", "world"}},
        {"tmpfx", {"cull", "world"}},
        {"tonetexnoalpha", {"cull", "world", "depthWrite", "colorMaterial"}},
        {"nofogtex", {"cull", "world"}},
    };
    Scene scene;
    for (const Case& c : cases) {
        for (Lights lights : {Lights::None, Lights::ParallelAndSpot}) {
            Kernel kernel(DisplayProfile::OpenGL());
            AutoReference<Material> material(kernel.Load(c.type));
            ASSERT_TRUE(material) << c.type;
            AutoReference<GeometryChunk> chunk(material->CreateGeometryChunk(3, 1, 3, 0, GeometryChunk::kTriangleList, nullptr));
            Display* display = kernel.GetDisplay();
            Unusual(*display);
            const DisplayState before = DisplayState::Of(*display);
            Viewport viewport;
            material->RenderChunk(display, &viewport, chunk.Get(), scene.List(lights), At(4, 5, 6));
            GeometryChunk* chunks[] = {chunk.Get(), chunk.Get()};
            DisplayLightList lists[] = {scene.List(lights), scene.List(Lights::Parallel)};
            DisplayMatrix worlds[] = {At(1, 2, 3), At(4, 5, 6)};
            material->RenderNumChunks(display, &viewport, chunks, lists, worlds, 2);
            const std::set<std::string> diff = before.Diff(DisplayState::Of(*display));
            for (const std::string& state : diff)
                EXPECT_TRUE(c.onPurpose.count(state)) << c.type << " changed " << state;
        }
    }
}

TEST(MaterialDraw, BumpConstantsFollowTheLightingFormulas) {
    Kernel kernel(DisplayProfile::OpenGL());
    AutoReference<Material> material(kernel.Load("tbumptex"));
    ASSERT_TRUE(material);
    DisplayMaterial values;
    values.diffuse = {0.8f, 0.5f, 0.25f, 0.9f};
    values.ambient = {0.5f, 0.5f, 0.5f, 1};
    values.specular = {0.4f, 0.2f, 1.0f, 1};
    values.emissive = {0.05f, 0.0f, 0.9f, 1};
    material->SetDisplayMaterialProperties(values);
    AutoReference<GeometryChunk> chunk(material->CreateGeometryChunk(3, 1, 3, 0, GeometryChunk::kTriangleList, nullptr));
    Display* display = kernel.GetDisplay();
    display->SetAmbientColor({0.2f, 0.3f, 0.4f, 1});
    Scene scene;
    DisplayLight dim = Parallel(0.1f, 0.1f, 0.1f);
    const DisplayLightList lights = {&dim, &scene.parallel, &scene.spotA};
    Viewport viewport;
    display->GetTrace().Clear();
    material->RenderChunk(display, &viewport, chunk.Get(), lights, At(10, 20, 30));
    const auto& lines = display->GetTrace().Lines();

    // Reference formulas.
    const DisplayLight& p = scene.parallel;
    const float sum[3] = {0.2f + 0.1f + 0.1f, 0.3f + 0.1f + 0.1f, 0.4f + 0.1f + 0.1f};
    auto clamp = [](float v) { return std::min(1.0f, std::max(0.0f, v)); };
    ExpectNear(Values(lines, "SetProgramLocal VorlexBump_ParallelLight 7 "), {0, -1, 0, 0}, "direction");
    ExpectNear(Values(lines, "SetProgramLocal VorlexBump_ParallelLight 13 "), {-10, -20, -30, 0}, "camera");
    ExpectNear(Values(lines, "SetCombinerRegister VorlexBumpMat_ParallelLight 0 "),
               {p.diffuse.r * 0.8f, p.diffuse.g * 0.5f, p.diffuse.b * 0.25f, 0.9f}, "LightDiff");
    ExpectNear(Values(lines, "SetCombinerRegister VorlexBumpMat_ParallelLight 1 "),
               {clamp(0.5f * sum[0] + 0.05f), clamp(0.5f * sum[1]), clamp(0.5f * sum[2] + 0.9f), 1}, "LightAmb");
    ExpectNear(Values(lines, "SetCombinerRegister VorlexBumpMat_ParallelLight 2 "),
               {0.5f * 0.4f, 0.5f * 0.2f, 0.5f * 1.0f, 0.75f}, "Specular");
    // Spot pass: position, cone and range, then the spot's colours with no ambient.
    ExpectNear(Values(lines, "SetProgramLocal VorlexBump_SpotLight 5 "), {3 - 10, -20, -30, 0}, "spot position");
    ExpectNear(Values(lines, "SetProgramLocal VorlexBump_SpotLight 6 "),
               {std::cos(30.0f * 3.1415927f / 180.0f), 1.0f / 50.0f, 0, 0}, "spot cone");
    std::vector<float> spotAmbient;
    int seen = 0;
    for (const std::string& line : lines)
        if (line.rfind("SetCombinerRegister VorlexBumpMat_ParallelLight 1 ", 0) == 0 && ++seen == 2)
            spotAmbient = Values({line}, "SetCombinerRegister VorlexBumpMat_ParallelLight 1 ");
    ExpectNear(spotAmbient, {0, 0, 0, 1}, "spot LightAmb");
}

TEST(MaterialDraw, GlossFactorsFollowRustAge) {
    struct Case {
        float rustAge;
        float factor;
    } cases[] = {{0.0f, 1.0f}, {0.25f, 0.5f}, {0.5f, 0.0f}};
    for (const Case& c : cases) {
        Kernel kernel(DisplayProfile::OpenGL());
        AutoReference<Material> material(kernel.Load("tbumpgloss"));
        AutoReference<GeometryChunk> chunk(material->CreateGeometryChunk(3, 1, 3, 0, GeometryChunk::kTriangleList, nullptr));
        float rust = -1;
        ASSERT_TRUE(chunk->GetChunkProperty("RustAge", rust));
        EXPECT_EQ(rust, 0.0f);
        chunk->SetChunkProperty("RustAge", c.rustAge);
        auto* gloss = dynamic_cast<VorlexBumpGlossMaterial*>(material.Get());
        ASSERT_TRUE(gloss);
        EXPECT_FLOAT_EQ(gloss->GlossFactor(*chunk), c.factor) << c.rustAge;
    }
}

TEST(MaterialDraw, GlossRustSpecularAndStageConstants) {
    struct Case {
        float rustAge;
        float alpha;
    } cases[] = {{0.0f, 1.0f}, {0.75f, 0.5f}, {0.5f, 0.0f}};
    for (const Case& c : cases) {
        Kernel kernel(DisplayProfile::OpenGL());
        AutoReference<Material> material(kernel.Load("tglossrust"));
        auto* rust = dynamic_cast<VorlexGlossRustMaterial*>(material.Get());
        ASSERT_TRUE(rust);
        DisplayMaterial values = material->GetDisplayMaterial();
        values.specular = {0.8f, 0.8f, 0.8f, 1};
        material->SetDisplayMaterialProperties(values);
        AutoReference<GeometryChunk> chunk(material->CreateGeometryChunk(3, 1, 3, 0, GeometryChunk::kTriangleList, nullptr));
        chunk->SetChunkProperty("RustAge", c.rustAge);
        Viewport viewport;
        kernel.GetDisplay()->GetTrace().Clear();
        material->RenderChunk(kernel.GetDisplay(), &viewport, chunk.Get(), {}, DisplayMatrix());
        EXPECT_FLOAT_EQ(rust->GetStageConstant()[3], c.alpha) << c.rustAge;
        // The specular colour is changed only while drawn.
        EXPECT_EQ(material->GetDisplayMaterial().specular.r, 0.8f);
        EXPECT_EQ(kernel.GetDisplay()->GetTrace().CountStartingWith("DrawChunk"), 1u);
    }
}

TEST(MaterialDraw, MultiPfxBuildsItsVertexTypeOnceAndNeedsASecondTexture) {
    Kernel kernel(DisplayProfile::OpenGL());
    AutoReference<Material> material(kernel.Load("tmpfx"));
    auto* pfx = dynamic_cast<VorlexMultiPFXMaterial*>(material.Get());
    ASSERT_TRUE(pfx);
    EXPECT_EQ(material->IsLoaded(), Material::kNotLoaded);
    const std::size_t registrations = kernel.GetDisplay()->GetVertexTypeRegistrations();
    AutoReference<GeometryChunk> a(material->CreateGeometryChunk(3, 1, 3, 0, GeometryChunk::kTriangleList, nullptr));
    AutoReference<GeometryChunk> b(material->CreateGeometryChunk(4, 2, 6, 0, GeometryChunk::kTriangleList, nullptr));
    EXPECT_EQ(kernel.GetDisplay()->GetVertexTypeRegistrations(), registrations + 1);
    ASSERT_TRUE(pfx->GetVertexType());
    EXPECT_EQ(pfx->GetVertexType()->GetID(), 99);
    EXPECT_EQ(pfx->GetVertexType()->GetItems().size(), 4u);
    EXPECT_EQ(a->GetVertexType(), b->GetVertexType());
    EXPECT_EQ(a->GetVertexSize(), 24u);
    uint32_t stride = 0;
    EXPECT_TRUE(a->GetVector3Array(kItemNormal, stride));
    EXPECT_EQ(stride, 12u);
}

TEST(MaterialDraw, OneTexNoAlphaChunkLayoutFollowsTheHint) {
    Kernel kernel(DisplayProfile::OpenGL());
    AutoReference<Material> material(kernel.Load("tonetexnoalpha"));
    StandardChunkHint hint;
    hint.flags = StandardChunkHint::kFlagSoftwareLighting;
    hint.options = StandardChunkHint::kOptionSeparateNormals;
    AutoReference<GeometryChunk> separate(material->CreateGeometryChunk(3, 1, 3, 0, GeometryChunk::kTriangleList, &hint));
    hint.options = 0;
    AutoReference<GeometryChunk> packed(material->CreateGeometryChunk(3, 1, 3, 0, GeometryChunk::kTriangleList, &hint));
    EXPECT_TRUE(separate->GetLayout().separateNormals);
    EXPECT_EQ(separate->GetVertexTypeID(), 19);
    EXPECT_TRUE(separate->IsVertexDataShared());
    EXPECT_FALSE(packed->GetLayout().separateNormals);
    EXPECT_EQ(packed->GetVertexTypeID(), 18);
    EXPECT_EQ(packed->GetVertexSize(), 32u);
}
