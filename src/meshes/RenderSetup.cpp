#include "meshes/RenderSetup.h"

#include <cstring>

#include "engine/RenderKernel.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/StandardChunkHint.h"
#include "engine/materials/Material.h"
#include "engine/materials/MaterialManager.h"
#include "engine/materials/RenderingCache.h"
#include "engine/materials/RenderingCacheManager.h"
#include "engine/textures/TextureManager.h"
#include "engine/textures/TextureResource.h"
#include "foundation/log/LogPrintf.h"
#include "meshes/materials/AlphaBlendCacheUnsorted.h"
#include "meshes/materials/VorlexAlphaBlendCache.h"

namespace RenderSetup {

const char* const kDummyTypes[kDummyCount] = {
    "tbumptex",       "tbumpcoltex", "tbumpglosscol", "tbumpenv", "tgroundonetex", "tgroundonetexvs", "tonetexnoalpha",
    "tbumpgloss",     "tglossrust",  "notex",         "onetex",   "nofogtex",      "gloss",           "reflect"};

const char* const kReleaseOrder[kDummyCount] = {
    "tbumptex",       "tbumpcoltex", "tbumpglosscol", "tbumpenv", "tgroundonetex", "tgroundonetexvs", "tonetexnoalpha",
    "tbumpgloss",     "tglossrust",  "notex",         "nofogtex", "onetex",        "gloss",           "reflect"};

}  // namespace RenderSetup

namespace {

constexpr const char* kCacheNames[3] = {"VorlexAlphaBlendCache", "AlphaBlendCacheUnsorted", "UnsortedAlphaBlendCache"};

bool g_done = false;
Vek::RenderKernel* g_kernel = nullptr;
Vek::RenderingCache* g_caches[3] = {};
Vek::Material* g_materials[RenderSetup::kDummyCount] = {};
Vek::GeometryChunk* g_chunks[4] = {};
std::size_t g_chunkCount = 0;
std::function<void(const std::string&)> g_observer;

int IndexOf(const char* type) {
    for (std::size_t i = 0; i < RenderSetup::kDummyCount; ++i)
        if (std::strcmp(RenderSetup::kDummyTypes[i], type) == 0) return static_cast<int>(i);
    return -1;
}

void Observe(const std::string& name) {
    if (g_observer) g_observer(name);
}

}  // namespace

namespace RenderSetup {

Vek::Material* DummyMaterial(const char* type) {
    const int i = type ? IndexOf(type) : -1;
    return i < 0 ? nullptr : g_materials[i];
}

std::size_t ChunkCount() { return g_chunkCount; }

Vek::GeometryChunk* Chunk(std::size_t i) { return i < g_chunkCount ? g_chunks[i] : nullptr; }

Vek::RenderingCache* Cache(int i) { return i >= 0 && i < 3 ? g_caches[i] : nullptr; }

void SetReleaseObserver(std::function<void(const std::string&)> observer) { g_observer = std::move(observer); }

}  // namespace RenderSetup

bool RegisterRenderSetup(Vek::RenderKernel* kernel) {
    if (g_done || !kernel) return false;
    g_kernel = kernel;

    Vek::RenderingCacheManager* caches = kernel->GetRenderingCacheManager();
    g_caches[0] = new Vek::VorlexAlphaBlendCache();
    g_caches[1] = new Vek::AlphaBlendCacheUnsorted();
    g_caches[2] = new Vek::UnsortedAlphaBlendCache(1);
    if (caches)
        for (Vek::RenderingCache* cache : g_caches) caches->AddCache(cache);

    for (Vek::GeometryChunk*& chunk : g_chunks) chunk = nullptr;
    g_chunkCount = 0;
    g_done = true;

    Vek::MaterialManager* materials = kernel->GetMaterialManager();
    for (std::size_t i = 0; i < RenderSetup::kDummyCount; ++i) {
        const std::string token = std::string("m.") + RenderSetup::kDummyTypes[i];
        const std::string name = RenderSetup::kDummyPrefix + token;
        Vek::Material* material = nullptr;
        const int result = materials ? materials->LoadMaterial(name.c_str(), &material) : Vek::MaterialManager::kFailed;
        if (result != 0) {
            if (material) material->ReleaseReference();
            material = nullptr;
            LogPrintf("DataManager::RegisterVorlexBumpVertexType> Unable to load '%s'", token.c_str());
        }
        g_materials[i] = material;
    }

    Vek::TextureResource* shared = nullptr;
    if (Vek::TextureManager* textures = kernel->GetTextureManager()) shared = textures->GetSharedTextures().GetTexture(0);
    if (!shared) LogPrintf("DataManager::RegisterVorlexBumpVertexType> SharedTextureCollection failed");
    for (const char* type : {"gloss", "reflect"})
        if (Vek::Material* material = RenderSetup::DummyMaterial(type)) material->SetTexture(9, shared, 1.0f);

    Vek::StandardChunkHint hint;
    hint.options |= Vek::StandardChunkHint::kOptionShared;
    hint.options &= static_cast<uint8_t>(~(Vek::StandardChunkHint::kOptionSeparateNormals |
                                           Vek::StandardChunkHint::kOptionSharedBuffer |
                                           Vek::StandardChunkHint::kOptionExtraVector));
    hint.influences = 4;
    hint.bones = 24;
    hint.texCoordSets = 1;
    for (const char* type : {"notex", "onetex", "gloss", "reflect"}) {
        Vek::Material* material = RenderSetup::DummyMaterial(type);
        if (!material) continue;
        g_chunks[g_chunkCount++] = material->CreateGeometryChunk(3, 1, 3, 0, Vek::GeometryChunk::kTriangleList, &hint);
    }

    if (shared) shared->ReleaseReference();
    return true;
}

void UnregisterRenderSetup() {
    if (!g_done) return;
    g_done = false;
    for (std::size_t i = 0; i < g_chunkCount; ++i) {
        if (g_chunks[i]) {
            Observe("chunk");
            g_chunks[i]->ReleaseReference();
        }
        g_chunks[i] = nullptr;
    }
    g_chunkCount = 0;
    for (const char* type : RenderSetup::kReleaseOrder) {
        Vek::Material*& material = g_materials[IndexOf(type)];
        if (!material) continue;
        Observe(type);
        material->ReleaseReference();
        material = nullptr;
    }
    for (int i = 0; i < 3; ++i) {
        if (!g_caches[i]) continue;
        Observe(kCacheNames[i]);
        g_caches[i]->ReleaseReference();
        g_caches[i] = nullptr;
    }
    g_kernel = nullptr;
}

bool IsRenderSetupDone() { return g_done; }

Vek::RenderKernel* RenderSetupKernel() { return g_kernel; }
