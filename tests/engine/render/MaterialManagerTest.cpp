// The material manager: decorated names, plug-ins, support tests and
// fallback chains; a simple material draw as the display's trace sees it;
// the shared rendering caches; clones and texture slots.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "engine/display/Viewport.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/materials/Material.h"
#include "engine/materials/MaterialManager.h"
#include "engine/materials/MaterialPlugin.h"
#include "engine/materials/OneTextureMaterial.h"
#include "engine/materials/RenderingCache.h"
#include "engine/materials/RenderingCacheManager.h"
#include "engine/resources/PluginEntry.h"
#include "engine/textures/TextureManager.h"
#include "engine/textures/TextureResource.h"

using namespace Vek;

namespace {

DisplayProfile Without(DisplayProfile p, std::initializer_list<int> caps, int stages = -1) {
    for (int c : caps) p.capabilities.erase(c);
    if (stages >= 0) p.textureStages = stages;
    p.name += "-";
    return p;
}

// A product plug-in whose support test and result the test decides.
class TestPlugin : public MaterialPlugin {
public:
    TestPlugin(const char* type, const char* uid, const char* fallback, bool supported, bool makes)
        : MaterialPlugin(type, uid), m_fallback(fallback), m_supported(supported), m_makes(makes) {}
    bool IsSupported(Display*, std::string& fallback) override {
        fallback = m_supported ? "" : m_fallback;
        return m_supported;
    }
    Material* CreateMaterialInstance(MaterialManager* manager, RenderKernel*) override {
        return m_makes ? new OneTextureMaterial(manager, nullptr, nullptr, nullptr, 0) : nullptr;
    }

private:
    std::string m_fallback;
    bool m_supported;
    bool m_makes;
};

struct ProductPlugins {
    ProductPlugins() {
        PluginEntry::Hand(new TestPlugin("tloopa", "A0000000-0000-0000-0000-000000000001", "tloopb", false, true));
        PluginEntry::Hand(new TestPlugin("tloopb", "A0000000-0000-0000-0000-000000000002", "tloopa", false, true));
        PluginEntry::Hand(new TestPlugin("tnone", "A0000000-0000-0000-0000-000000000003", "", true, false));
        PluginEntry::Hand(new TestPlugin("tfalls", "A0000000-0000-0000-0000-000000000004", "tbumpglosscol", false, true));
    }
    ~ProductPlugins() { PluginEntry::ReleaseAll(); }
};

}  // namespace

TEST(MaterialManager, FallbackChains) {
    ProductPlugins product;
    const DisplayProfile gl = DisplayProfile::OpenGL();
    const DisplayProfile noBump = Without(gl, {17, 21});
    const DisplayProfile noBumpOneStage = Without(gl, {17, 21}, 1);
    const DisplayProfile noPrograms = Without(gl, {17});
    const DisplayProfile bare = Without(gl, {1, 17});
    struct Case {
        const char* name;
        DisplayProfile profile;
        int result;
        const char* type;  // the type made
        std::vector<std::string> chain;
    } cases[] = {
        {"Box.m.onetex", gl, 0, "onetex", {"onetex"}},
        {"plain name", gl, 0, "onetex", {"onetex"}},
        {"a*b*c.m.NoTex", gl, 0, "notex", {"notex"}},
        {"x.m.tbumpglosscol", gl, 0, "tbumpglosscol", {"tbumpglosscol"}},
        {"x.m.tbumpglosscol", noBump, 0, "gloss", {"tbumpglosscol", "gloss"}},
        {"x.m.tbumpglosscol", noBumpOneStage, 0, "onetex", {"tbumpglosscol", "gloss", "onetex"}},
        {"x.m.tbumpcoltex", noBump, 0, "onetex", {"tbumpcoltex", "onetex"}},
        {"x.m.reflect", noBumpOneStage, 0, "onetex", {"reflect", "onetex"}},
        {"x.m.tgroundonetexvs", noPrograms, 0, "tgroundonetex", {"tgroundonetexvs", "tgroundonetex"}},
        {"x.m.tgroundonetexvs", bare, 0, "onetex", {"tgroundonetexvs", "tgroundonetex", "onetex"}},
        {"x.m.tfalls", noBump, 0, "gloss", {"tfalls", "tbumpglosscol", "gloss"}},
        {"x.m.onetex", DisplayProfile::Null(), 3, nullptr, {"onetex"}},
        {"x.m.gloss", DisplayProfile::Null(), 3, nullptr, {"gloss", "onetex"}},
        {"x.m.tunknown", gl, 3, nullptr, {"tunknown"}},
        {"x.m.tloopa", gl, 3, nullptr, {"tloopa", "tloopb"}},
        {"x.m.tnone", gl, 1, nullptr, {"tnone"}},
        {"", gl, 3, nullptr, {}},
    };
    for (const Case& c : cases) {
        RenderKernel kernel(nullptr, 8.0f);
        ASSERT_TRUE(kernel.InitWithProfile(c.profile));
        MaterialManager* manager = kernel.GetMaterialManager();
        Material* material = reinterpret_cast<Material*>(1);
        EXPECT_EQ(manager->LoadMaterial(c.name, &material), c.result) << c.name << " on " << c.profile.name;
        if (c.type) {
            ASSERT_NE(material, nullptr) << c.name;
            EXPECT_STREQ(material->GetTypeName(), c.type) << c.name << " on " << c.profile.name;
            EXPECT_EQ(material->GetRequestName(), c.name);
            EXPECT_NE(material->GetPlugin(), nullptr);
            material->ReleaseReference();
        } else {
            EXPECT_EQ(material, nullptr) << c.name;
        }
        if (*c.name) {
            std::string type = Material::DecoratedTypeName(c.name);
            std::string resolved;
            std::vector<std::string> chain;
            manager->ResolveType(type.empty() ? "onetex" : type, resolved, &chain);
            EXPECT_EQ(chain, c.chain) << c.name << " on " << c.profile.name;
        }
    }
}

TEST(MaterialManager, DecoratedNamesAreCompletedByTheirTextures) {
    EXPECT_EQ(Material::DecoratedTypeName("VorlexDummyLoad.m.tbumptex"), "tbumptex");
    EXPECT_EQ(Material::DecoratedTypeName("a.M.Gloss"), "gloss");
    EXPECT_EQ(Material::DecoratedTypeName("m.reflect"), "reflect");
    EXPECT_EQ(Material::DecoratedTypeName("wood"), "");
    EXPECT_EQ(Material::DecoratedTypeName("a.m.b*c"), "");
    Material::TextureDefinition textured{0, "wood.tga", 1.0f};
    std::string name = "*box*1f*wood*";
    EXPECT_TRUE(Material::VerifyDecoratedName(name, 1, &textured));
    EXPECT_EQ(name, "*box*1f*wood*.m.onetex");
    name = "*box*1f*paint*";
    EXPECT_TRUE(Material::VerifyDecoratedName(name, 0, nullptr));
    EXPECT_EQ(name, "*box*1f*paint*.m.notex");
    EXPECT_FALSE(Material::VerifyDecoratedName(name, 0, nullptr));
}

TEST(MaterialManager, ASimpleMaterialDrawAsTheTraceSeesIt) {
    RenderKernel kernel(nullptr, 8.0f);
    ASSERT_TRUE(kernel.InitWithProfile(DisplayProfile::OpenGL()));
    Display* display = kernel.GetDisplay();
    Material* raw = nullptr;
    ASSERT_EQ(kernel.GetMaterialManager()->LoadMaterial("box.m.onetex", &raw), 0);
    AutoReference<Material> material(raw);
    AutoReference<TextureResource> white(kernel.GetTextureManager()->GetSharedTextures().GetTexture(0));
    ASSERT_EQ(material->SetTexture(0, white.Get(), 1.0f), 0);
    AutoReference<GeometryChunk> chunk(material->CreateGeometryChunk(3, 1, 3, 0, GeometryChunk::kTriangleList, nullptr));
    ASSERT_TRUE(chunk);

    uint32_t state = static_cast<OneTextureMaterial*>(material.Get())->GetStageState();
    ASSERT_NE(state, 0u);
    display->GetTrace().Clear();
    Viewport viewport;
    DisplayMatrix world;
    world.m[3][0] = 5.0f;
    material->RenderChunk(display, &viewport, chunk.Get(), DisplayLightList(), world);
    const std::vector<std::string> expected = {
        "SetCullMode 1",
        "SetTexture 0 $shared0",
        "ApplyTextureStageState " + std::to_string(state) + " 0",
        "SetLightingState lights=0 opacity=1",
        "SetWorldMatrix 5 0 0",
        "DrawChunk triangles=1 program=none",
        "ResetStageState 0",
        "SetCullMode 1",
    };
    EXPECT_EQ(display->GetTrace().Lines(), expected);
    EXPECT_EQ(display->GetDrawCount(), 1u);

    // A transparent chunk waits in the alpha-blend cache until it is drawn.
    display->GetTrace().Clear();
    chunk->SetOpacity(nullptr, 0.5f);
    material->RenderChunk(display, &viewport, chunk.Get(), DisplayLightList(), world);
    EXPECT_EQ(display->GetTrace().CountStartingWith("DrawChunk"), 0u);
    AutoReference<RenderingCache> blend(kernel.GetRenderingCacheManager()->FindCache(AlphaBlendCache::AlphaBlendCacheID));
    ASSERT_TRUE(blend);
    EXPECT_EQ(blend->GetEntryCount(), 1u);
    blend->Draw(display, &viewport);
    EXPECT_EQ(blend->GetEntryCount(), 0u);
    EXPECT_EQ(display->GetTrace().CountStartingWith("DrawChunk triangles=1"), 1u);
}

TEST(MaterialManager, PluginsShareTheKernelsCachesAndMaterialsCloneAndCompare) {
    RenderKernel kernel(nullptr, 8.0f);
    ASSERT_TRUE(kernel.InitWithProfile(DisplayProfile::OpenGL()));
    MaterialManager* manager = kernel.GetMaterialManager();
    Material* a = nullptr;
    Material* b = nullptr;
    ASSERT_EQ(manager->LoadMaterial("a.m.onetex", &a), 0);
    ASSERT_EQ(manager->LoadMaterial("b.m.reflect", &b), 0);
    AutoReference<Material> one(a), reflect(b);
    EXPECT_EQ(kernel.GetRenderingCacheManager()->GetCacheCount(), 3u);
    auto* oneTex = static_cast<OneTextureMaterial*>(one.Get());
    auto* refl = static_cast<OneTextureMaterial*>(reflect.Get());
    EXPECT_EQ(oneTex->GetAlphaBlendCache(), refl->GetAlphaBlendCache());
    EXPECT_EQ(oneTex->GetMaterialChunkCache(), refl->GetMaterialChunkCache());
    EXPECT_NE(oneTex->GetAlphaBlendCache(), nullptr);

    // The reflective material starts with shared texture 0 in slot 9.
    ASSERT_NE(reflect->GetTexture(9), nullptr);
    EXPECT_EQ(reflect->IsLoaded(), 0);

    one->SetScalar(0.5f);
    one->AddProperty("k", "v");
    AutoReference<Material> copy(one->Clone());
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->Equals(*one));
    EXPECT_FALSE(copy->Equals(*reflect));
    EXPECT_EQ(copy->GetTypeID(), one->GetTypeID());
    EXPECT_NE(copy->GetTypeID(), reflect->GetTypeID());
    copy->SetFlags(1);
    EXPECT_FALSE(copy->Equals(*one));
}

TEST(MaterialManager, TextureSlotsKeepTheirTextureWhenAReplacementFails) {
    RenderKernel kernel(nullptr, 8.0f);
    ASSERT_TRUE(kernel.InitWithProfile(DisplayProfile::OpenGL()));
    Material* raw = nullptr;
    ASSERT_EQ(kernel.GetMaterialManager()->LoadMaterial("a.m.onetex", &raw), 0);
    AutoReference<Material> material(raw);
    AutoReference<TextureResource> black(kernel.GetTextureManager()->GetSharedTextures().GetTexture(1));
    ASSERT_EQ(material->SetTexture(0, black.Get(), 0.5f), 0);
    EXPECT_EQ(material->SetTexture(0, nullptr, 1.0f), 3);
    EXPECT_EQ(material->SetTexture(0, nullptr, "no/such/file.tga", 1.0f), 3);
    EXPECT_EQ(material->GetTexture(0), black.Get());
    ASSERT_EQ(material->GetTextureDefinitions().size(), 1u);
    EXPECT_EQ(material->GetTextureDefinitions()[0].name, "$shared1");
    EXPECT_FLOAT_EQ(material->GetTextureDefinitions()[0].amount, 0.5f);
    EXPECT_EQ(material->DuplicateTexture(3), 3);
    EXPECT_EQ(material->DuplicateTexture(0), 0);
    EXPECT_NE(material->GetTexture(0), black.Get());
    EXPECT_EQ(material->IsLoaded(), 0);
}

TEST(MaterialManager, AKernelGoesWithUndrawnCacheEntries) {
    // Entries hold their material, which holds the cache: the kernel's
    // shutdown must break that circle (the leak check sees it otherwise).
    Material* raw = nullptr;
    AutoReference<GeometryChunk> chunk;
    {
        RenderKernel kernel(nullptr, 8.0f);
        ASSERT_TRUE(kernel.InitWithProfile(DisplayProfile::OpenGL()));
        ASSERT_EQ(kernel.GetMaterialManager()->LoadMaterial("glass.m.onetex", &raw), 0);
        chunk.Reset(raw->CreateGeometryChunk(3, 1, 3, 0, 0, nullptr));
        chunk->SetOpacity(nullptr, 0.25f);
        raw->RenderChunk(kernel.GetDisplay(), nullptr, chunk.Get(), DisplayLightList(), DisplayMatrix());
        raw->ReleaseReference();
        AutoReference<RenderingCache> blend(
            kernel.GetRenderingCacheManager()->FindCache(AlphaBlendCache::AlphaBlendCacheID));
        EXPECT_EQ(blend->GetEntryCount(), 1u);
    }
    EXPECT_EQ(chunk->GetReferenceCount(), 1);
}
