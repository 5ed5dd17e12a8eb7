// The engine's own material types: what each sets on the display around a
// draw and leaves behind, and the start-up dummy loads that register the
// vertex types of their chunks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "engine/display/Viewport.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/materials/Material.h"
#include "engine/materials/MaterialManager.h"
#include "engine/textures/TextureManager.h"
#include "engine/textures/TextureResource.h"

using namespace Vek;

namespace {

std::vector<std::string> Between(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : lines)
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
}

}  // namespace

TEST(EngineMaterialTypes, EachTypeSetsAndRestoresItsStages) {
    struct Case {
        const char* type;
        std::vector<std::string> stageLines;  // texture-stage lines of one draw, in order
        bool alphaTestDuring;
    } cases[] = {
        {"onetex", {"DisableStage 0"}, false},
        {"notex", {"DisableStage 0"}, false},
        {"reflect", {"DisableStage 0", "SetEnvironmentMap 1 $shared0", "DisableStage 1"}, false},
        {"gloss", {"DisableStage 0", "SetTexture 1 $shared0", "DisableStage 1"}, false},
        {"tbumpcoltex", {"DisableStage 0", "SetTexture 1 $shared2", "DisableStage 1"}, false},
        {"tbumpglosscol",
         {"DisableStage 0", "SetTexture 1 $shared2", "SetTexture 3 $shared0", "DisableStage 3", "DisableStage 1"},
         false},
        {"tgroundonetex", {"DisableStage 0"}, true},
        {"tgroundonetexvs", {"DisableStage 0"}, true},
    };
    for (const Case& c : cases) {
        RenderKernel kernel(nullptr, 8.0f);
        ASSERT_TRUE(kernel.InitWithProfile(DisplayProfile::OpenGL()));
        Display* display = kernel.GetDisplay();
        Material* raw = nullptr;
        ASSERT_EQ(kernel.GetMaterialManager()->LoadMaterial((std::string("x.m.") + c.type).c_str(), &raw), 0) << c.type;
        AutoReference<Material> material(raw);
        EXPECT_STREQ(material->GetTypeName(), c.type);
        EXPECT_EQ(material->IsLoaded(), 0) << c.type;
        AutoReference<GeometryChunk> chunk(material->CreateGeometryChunk(3, 1, 3, 0, 0, nullptr));
        ASSERT_TRUE(chunk) << c.type;

        display->SetAlphaTestMode(false);
        display->SetDepthWriteMode(false);
        display->GetTrace().Clear();
        Viewport viewport;
        material->RenderChunk(display, &viewport, chunk.Get(), DisplayLightList(), DisplayMatrix());
        const auto& lines = display->GetTrace().Lines();
        std::vector<std::string> stages = Between(lines, "SetTexture ");
        for (const std::string& l : Between(lines, "DisableStage ")) stages.push_back(l);
        for (const std::string& l : Between(lines, "SetEnvironmentMap ")) stages.push_back(l);
        // Compare in trace order.
        std::vector<std::string> ordered;
        for (const std::string& line : lines)
            if (std::find(stages.begin(), stages.end(), line) != stages.end()) ordered.push_back(line);
        EXPECT_EQ(ordered, c.stageLines) << c.type;
        EXPECT_EQ(display->GetTrace().CountStartingWith("DrawChunk"), 1u) << c.type;
        EXPECT_EQ(display->GetTrace().CountStartingWith("SetAlphaTestMode 1"), c.alphaTestDuring ? 1u : 0u) << c.type;
        EXPECT_FALSE(display->GetAlphaTestMode()) << c.type << ": the alpha test is left as found";
        if (c.alphaTestDuring) {
            EXPECT_TRUE(display->GetDepthWriteMode()) << c.type;
        }
        EXPECT_EQ(display->GetCullMode(), 1) << c.type;
        EXPECT_EQ(display->GetAppliedStageState(0), 0u) << c.type;
    }
}

TEST(EngineMaterialTypes, StartUpDummyLoadsRegisterTheVertexTypesOfTheirChunks) {
    RenderKernel kernel(nullptr, 8.0f);
    ASSERT_TRUE(kernel.InitWithProfile(DisplayProfile::OpenGL()));
    const char* engineTypes[] = {"tbumpcoltex", "tbumpglosscol", "tgroundonetex", "tgroundonetexvs",
                                 "notex",       "onetex",        "gloss",         "reflect"};
    const char* productTypes[] = {"tbumptex", "tbumpenv", "tonetexnoalpha", "tbumpgloss", "tglossrust", "nofogtex"};
    std::vector<AutoReference<Material>> loaded;
    for (const char* type : engineTypes) {
        Material* raw = nullptr;
        EXPECT_EQ(kernel.GetMaterialManager()->LoadMaterial((std::string("VorlexDummyLoad.m.") + type).c_str(), &raw), 0)
            << type;
        loaded.emplace_back(raw);
    }
    for (const char* type : productTypes) {
        Material* raw = nullptr;
        EXPECT_EQ(kernel.GetMaterialManager()->LoadMaterial((std::string("VorlexDummyLoad.m.") + type).c_str(), &raw), 3)
            << type << " has no plug-in without the product";
    }
    AutoReference<TextureResource> shared(kernel.GetTextureManager()->GetSharedTextures().GetTexture(0));
    ASSERT_TRUE(shared);
    StandardChunkHint hint;
    hint.options = (hint.options | 0x2) & ~(0x1 | 0x4 | 0x8);
    hint.influences = 4;
    hint.bones = 24;
    hint.texCoordSets = 1;
    std::size_t before = kernel.GetDisplay()->GetVertexTypeRegistrations();
    std::vector<AutoReference<GeometryChunk>> chunks;
    for (std::size_t i = 4; i < 8; ++i) {
        if (i >= 6) {
            EXPECT_EQ(loaded[i]->SetTexture(9, shared.Get(), 1.0f), 0);
        }
        chunks.emplace_back(loaded[i]->CreateGeometryChunk(3, 1, 3, 0, 0, &hint));
        ASSERT_TRUE(chunks.back());
        EXPECT_EQ(chunks.back()->GetVertexCount(), 3u);
        EXPECT_TRUE(chunks.back()->IsVertexDataShared());
        EXPECT_EQ(kernel.GetDisplay()->FindVertexType(chunks.back()->GetVertexTypeID()), chunks.back()->GetVertexType());
    }
    // notex has its own layout; onetex, gloss and reflect share one.
    EXPECT_EQ(kernel.GetDisplay()->GetVertexTypeRegistrations(), before + 2);
    EXPECT_NE(chunks[0]->GetVertexTypeID(), chunks[1]->GetVertexTypeID());
    EXPECT_EQ(chunks[1]->GetVertexTypeID(), chunks[3]->GetVertexTypeID());
}
