// The render set-up at start-up: the caches, the dummy-load materials and
// their chunks, made once and released in order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "MaterialFixture.h"
#include "meshes/materials/VorlexMaterialPlugins.h"
#include "engine/Log.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/materials/RenderingCache.h"
#include "engine/materials/RenderingCacheManager.h"
#include "engine/textures/TextureResource.h"
#include "meshes/RenderSetup.h"
#include "meshes/materials/VorlexAlphaBlendCache.h"
#include "support/TempDir.h"

using namespace Vek;
using MaterialTests::Kernel;

namespace {

std::vector<std::string> UnableLines(const std::string& logPath) {
    std::ifstream in(logPath);
    std::vector<std::string> out;
    std::string line;
    while (std::getline(in, line)) {
        const auto at = line.find("DataManager::RegisterVorlexBumpVertexType> ");
        if (at != std::string::npos) out.push_back(line.substr(at));
    }
    return out;
}

}  // namespace

TEST(RenderSetup, RegistersOnceAndReleasesInOrder) {
    Kernel kernel(DisplayProfile::OpenGL());
    ASSERT_TRUE(RegisterRenderSetup(&kernel.Get()));
    EXPECT_TRUE(IsRenderSetupDone());
    for (const char* type : RenderSetup::kDummyTypes) {
        Material* material = RenderSetup::DummyMaterial(type);
        ASSERT_TRUE(material) << type;
        EXPECT_STREQ(material->GetTypeName(), type);
        EXPECT_EQ(material->GetRequestName(), std::string("VorlexDummyLoad.m.") + type);
    }
    ASSERT_EQ(RenderSetup::ChunkCount(), 4u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(RenderSetup::Chunk(i)->GetVertexCount(), 3u);
    for (const char* type : {"gloss", "reflect"}) {
        TextureResource* texture = RenderSetup::DummyMaterial(type)->GetTexture(9);
        ASSERT_TRUE(texture) << type;
        EXPECT_STREQ(texture->GetName().c_str(), "$shared0");
    }
    // The product's depth-sorted cache is the kernel's alpha-blend cache,
    // so the plug-ins share it.
    RenderingCacheManager* caches = kernel.Get().GetRenderingCacheManager();
    AutoReference<RenderingCache> blend(caches->FindCache(AlphaBlendCache::AlphaBlendCacheID));
    EXPECT_EQ(blend.Get(), RenderSetup::Cache(0));
    EXPECT_TRUE(dynamic_cast<VorlexAlphaBlendCache*>(blend.Get()));
    auto* bump = dynamic_cast<VorlexBumpPluginBase*>(RenderSetup::DummyMaterial("tbumptex")->GetPlugin());
    ASSERT_TRUE(bump);
    EXPECT_EQ(bump->GetAlphaBlendCache(), RenderSetup::Cache(0));

    // A second Register changes nothing.
    Material* first = RenderSetup::DummyMaterial("onetex");
    const std::size_t cacheCount = caches->GetCacheCount();
    EXPECT_FALSE(RegisterRenderSetup(&kernel.Get()));
    EXPECT_EQ(RenderSetup::DummyMaterial("onetex"), first);
    EXPECT_EQ(caches->GetCacheCount(), cacheCount);

    std::vector<std::string> released;
    RenderSetup::SetReleaseObserver([&](const std::string& name) { released.push_back(name); });
    UnregisterRenderSetup();
    RenderSetup::SetReleaseObserver(nullptr);
    std::vector<std::string> expected(4, "chunk");
    for (const char* type : RenderSetup::kReleaseOrder) expected.push_back(type);
    for (const char* cache : {"VorlexAlphaBlendCache", "AlphaBlendCacheUnsorted", "UnsortedAlphaBlendCache"})
        expected.push_back(cache);
    EXPECT_EQ(released, expected);
    EXPECT_FALSE(IsRenderSetupDone());
    EXPECT_EQ(RenderSetup::ChunkCount(), 0u);
    EXPECT_FALSE(RenderSetup::DummyMaterial("onetex"));
    // The caches stay in the kernel's manager.
    EXPECT_EQ(caches->GetCacheCount(), cacheCount);

    // Unregister again does nothing; Register after Unregister runs in full.
    UnregisterRenderSetup();
    EXPECT_TRUE(RegisterRenderSetup(&kernel.Get()));
    EXPECT_EQ(RenderSetup::ChunkCount(), 4u);
    UnregisterRenderSetup();
}

TEST(RenderSetup, FailedLoadsAreLoggedAndSkipped) {
    struct Case {
        const char* what;
        DisplayProfile profile;
        bool productPlugins;
        std::size_t unable;
        std::size_t chunks;
    } cases[] = {
        {"no product plug-ins", DisplayProfile::OpenGL(), false, 6, 4},
        {"null display", DisplayProfile::Null(), true, 14, 0},
    };
    for (const Case& c : cases) {
        VorlexTest::TempDir dir;
        const std::string log = dir / "log.txt";
        Log::Init(("-LogFile=" + log).c_str());
        {
            std::optional<Kernel> withPlugins;
            std::optional<RenderKernel> plain;
            RenderKernel* kernel;
            if (c.productPlugins) {
                withPlugins.emplace(c.profile);
                kernel = &withPlugins->Get();
            } else {
                plain.emplace(nullptr, 8.0f);
                plain->InitWithProfile(c.profile);
                kernel = &*plain;
            }
            ASSERT_TRUE(RegisterRenderSetup(kernel)) << c.what;
            EXPECT_EQ(RenderSetup::ChunkCount(), c.chunks) << c.what;
            UnregisterRenderSetup();
        }
        Log::Shutdown();
        const std::vector<std::string> lines = UnableLines(log);
        std::size_t unable = 0;
        for (const std::string& line : lines)
            if (line.rfind("DataManager::RegisterVorlexBumpVertexType> Unable to load 'm.", 0) == 0) ++unable;
        EXPECT_EQ(unable, c.unable) << c.what;
        if (!c.productPlugins) {
            EXPECT_EQ(lines.front(), "DataManager::RegisterVorlexBumpVertexType> Unable to load 'm.tbumptex'");
        }
    }
}
