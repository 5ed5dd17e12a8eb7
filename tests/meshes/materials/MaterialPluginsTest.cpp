// The product's material plug-ins: which type each profile gets (the
// fallback chains), shared caches and programs, and the plug-in entry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/materials/RenderingCache.h"
#include "engine/materials/RenderingCacheManager.h"
#include "MaterialFixture.h"
#include "meshes/materials/VorlexMaterialPlugins.h"

using namespace Vek;
using MaterialTests::Kernel;

TEST(MaterialPlugins, ProfileAndTokenGiveTheTypeMade) {
    struct Case {
        DisplayProfile profile;
        const char* type;
        const char* made;  // "" for no material
        std::vector<std::string> chain;
    } cases[] = {
        {DisplayProfile::OpenGL(), "tbumpgloss", "tbumpgloss", {"tbumpgloss"}},
        {DisplayProfile::OpenGL(), "tbumptex", "tbumptex", {"tbumptex"}},
        {DisplayProfile::OpenGL(), "tbumpenv", "tbumpenv", {"tbumpenv"}},
        {DisplayProfile::OpenGL(), "tonetexnoalpha", "tonetexnoalpha", {"tonetexnoalpha"}},
        {DisplayProfile::OpenGL(), "tglossrust", "tglossrust", {"tglossrust"}},
        {DisplayProfile::OpenGL(), "tmpfx", "tmpfx", {"tmpfx"}},
        {DisplayProfile::OpenGL(), "nofogtex", "nofogtex", {"nofogtex"}},
        {MaterialTests::NoPrograms(), "tbumpgloss", "tglossrust", {"tbumpgloss", "tglossrust"}},
        {MaterialTests::NoPrograms(), "tbumpenv", "tonetexnoalpha", {"tbumpenv", "tonetexnoalpha"}},
        {MaterialTests::NoPrograms(), "tbumptex", "onetex", {"tbumptex", "onetex"}},
        {MaterialTests::NoPrograms(), "tmpfx", "tmpfx", {"tmpfx"}},
        {MaterialTests::NoCombine(), "tbumpgloss", "onetex", {"tbumpgloss", "tglossrust", "onetex"}},
        {MaterialTests::NoCombine(), "tglossrust", "onetex", {"tglossrust", "onetex"}},
        {MaterialTests::OneStage(), "tmpfx", "onetex", {"tmpfx", "onetex"}},
        {MaterialTests::OneStage(), "nofogtex", "nofogtex", {"nofogtex"}},
        {DisplayProfile::Null(), "tbumptex", "", {}},
        {DisplayProfile::Null(), "nofogtex", "", {}},
    };
    for (const Case& c : cases) {
        Kernel kernel(c.profile);
        ASSERT_TRUE(kernel.Ok());
        const std::string what = c.profile.name + " " + c.type;
        int result = -1;
        AutoReference<Material> material(kernel.Load(c.type, &result));
        if (*c.made == '\0') {
            EXPECT_EQ(result, MaterialManager::kNotFound) << what;
            EXPECT_FALSE(material) << what;
            continue;
        }
        ASSERT_EQ(result, 0) << what;
        ASSERT_TRUE(material) << what;
        EXPECT_STREQ(material->GetTypeName(), c.made) << what;
        std::string resolved;
        std::vector<std::string> chain;
        EXPECT_EQ(kernel.Get().GetMaterialManager()->ResolveType(c.type, resolved, &chain), 0) << what;
        EXPECT_EQ(chain, c.chain) << what;
    }
}

TEST(MaterialPlugins, EntryHandsSevenPluginsThenTheResourceTypesInOrder) {
    Kernel kernel(DisplayProfile::OpenGL());
    std::vector<std::string> names;
    for (const auto& plugin : PluginEntry::Snapshot()) names.push_back(plugin->GetTypeName().c_str());
    EXPECT_EQ(names, (std::vector<std::string>{"tbumpgloss", "tbumptex", "tbumpenv", "tonetexnoalpha", "tglossrust",
                                               "tmpfx", "nofogtex", "im", "pm", "lm.txt", "lm"}));
    AutoReference<MaterialPlugin> bump(kernel.Get().GetMaterialManager()->FindPlugin("tbumptex"));
    ASSERT_TRUE(bump);
    EXPECT_EQ(bump->GetId(), "E34011F3-C721-48ba-B3C0-19621E408CBD");
}

TEST(MaterialPlugins, BumpPluginsShareTheKernelsCachesAndLoadProgramsOnce) {
    Kernel kernel(DisplayProfile::OpenGL());
    AutoReference<Material> bump(kernel.Load("tbumptex"));
    AutoReference<Material> env(kernel.Load("tbumpenv"));
    AutoReference<Material> bump2(kernel.Load("tbumptex"));
    ASSERT_TRUE(bump && env && bump2);
    RenderingCacheManager* caches = kernel.Get().GetRenderingCacheManager();
    EXPECT_EQ(caches->GetCacheCount(), 3u);
    auto* p1 = dynamic_cast<VorlexBumpPluginBase*>(bump->GetPlugin());
    auto* p2 = dynamic_cast<VorlexBumpPluginBase*>(env->GetPlugin());
    ASSERT_TRUE(p1 && p2);
    EXPECT_EQ(p1->GetAlphaBlendCache(), p2->GetAlphaBlendCache());
    EXPECT_EQ(p1->GetAlphaMaskCache(), p2->GetAlphaMaskCache());
    EXPECT_EQ(p1->GetMaterialChunkCache(), p2->GetMaterialChunkCache());
    AutoReference<RenderingCache> blend(caches->FindCache(AlphaBlendCache::AlphaBlendCacheID));
    EXPECT_EQ(blend.Get(), p1->GetAlphaBlendCache());
    // The same program objects in both materials of a type.
    auto* m1 = dynamic_cast<VorlexBumpMaterial*>(bump.Get());
    auto* m2 = dynamic_cast<VorlexBumpMaterial*>(bump2.Get());
    ASSERT_TRUE(m1 && m2);
    EXPECT_EQ(m1->GetPrograms().parallelProgram.Get(), m2->GetPrograms().parallelProgram.Get());
    EXPECT_EQ(m1->GetPrograms().parallelProgram->GetName(), "VorlexBump_ParallelLight");
    EXPECT_EQ(m1->GetPrograms().spotCombiner->GetName(), "VorlexBumpMat_ParallelLight");
}

TEST(MaterialPlugins, BumpGlossHoldsTheRustPrograms) {
    Kernel kernel(DisplayProfile::OpenGL());
    AutoReference<Material> gloss(kernel.Load("tbumpgloss"));
    auto* m = dynamic_cast<VorlexBumpGlossMaterial*>(gloss.Get());
    ASSERT_TRUE(m);
    const BumpProgramSet& p = m->GetPrograms();
    EXPECT_EQ(p.parallelProgram->GetName(), "VorlexBumpGloss_ParallelLight");
    EXPECT_EQ(p.spotCombiner->GetName(), "VorlexBumpGlossMat_SpotLight");
    ASSERT_TRUE(p.rustParallelProgram && p.rustSpotProgram && p.rustCombiner && p.rustCombiner2);
    EXPECT_EQ(p.rustCombiner.Get(), p.rustCombiner2.Get());
    EXPECT_EQ(p.rustCombiner->GetName(), "VorlexBumpRustMat_ParallelLight");
}

TEST(MaterialPlugins, GlossRustAndMultiPfxMakeTheirStagesOnce) {
    Kernel kernel(DisplayProfile::OpenGL());
    const std::size_t before = kernel.GetDisplay()->GetTextureStageStateCount();
    AutoReference<Material> a(kernel.Load("tglossrust"));
    AutoReference<Material> b(kernel.Load("tglossrust"));
    AutoReference<Material> c(kernel.Load("tmpfx"));
    AutoReference<Material> d(kernel.Load("tmpfx"));
    ASSERT_TRUE(a && b && c && d);
    auto* rust = dynamic_cast<VorlexGlossRustMaterialPlugin*>(a->GetPlugin());
    ASSERT_TRUE(rust);
    EXPECT_EQ(rust->GetStateCount(), 4);
    // Four gloss-rust states, two multi-PFX states, and the engine base's
    // stage-0 state of the one-texture plug-in base.
    EXPECT_EQ(kernel.GetDisplay()->GetTextureStageStateCount() - before, 7u);
}
