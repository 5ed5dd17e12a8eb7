#include "engine/materials/MaterialPlugin.h"

#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "engine/materials/OneTextureMaterial.h"
#include "engine/materials/OneTextureMaterialPlugin.h"
#include "engine/materials/RenderingCache.h"
#include "engine/materials/RenderingCacheManager.h"

namespace Vek {

bool MaterialPlugin::IsSupported(Display* display, std::string& fallback) {
    fallback.clear();
    return display && display->GetProfile().materials;
}

bool MaterialPlugin::CreatePluginResources(RenderKernel*) { return true; }

OneTextureMaterialPlugin::~OneTextureMaterialPlugin() {
    if (m_alphaBlend) m_alphaBlend->ReleaseReference();
    if (m_alphaMask) m_alphaMask->ReleaseReference();
    if (m_materialChunk) m_materialChunk->ReleaseReference();
    if (m_stageState && Display::IsAlive(m_stateDisplay)) m_stateDisplay->ReleaseTextureStageState(m_stageState);
}

bool OneTextureMaterialPlugin::IsSupported(Display* display, std::string& fallback) {
    return MaterialPlugin::IsSupported(display, fallback);
}

bool OneTextureMaterialPlugin::EnsureCache(RenderKernel* kernel, int id, RenderingCache*& holder) {
    if (holder) return true;
    if (!kernel || !kernel->GetRenderingCacheManager()) return false;
    RenderingCacheManager* manager = kernel->GetRenderingCacheManager();
    holder = manager->FindCache(id);
    if (holder) return true;
    switch (id) {
        case AlphaBlendCache::AlphaBlendCacheID: holder = new AlphaBlendCache(1); break;
        case AlphaMaskCache::AlphaMaskCacheID: holder = new AlphaMaskCache(1); break;
        case MaterialChunkCache::MaterialChunkCacheID: holder = new MaterialChunkCache(1); break;
        case UnsortedAlphaBlendCache::UnsortedAlphaBlendCacheID: holder = new UnsortedAlphaBlendCache(1); break;
        default: return false;
    }
    manager->AddCache(holder);
    return true;
}

bool OneTextureMaterialPlugin::CreatePluginResources(RenderKernel* kernel) {
    if (!kernel) return true;
    bool ok = EnsureCache(kernel, AlphaBlendCache::AlphaBlendCacheID, m_alphaBlend) &&
              EnsureCache(kernel, AlphaMaskCache::AlphaMaskCacheID, m_alphaMask) &&
              EnsureCache(kernel, MaterialChunkCache::MaterialChunkCacheID, m_materialChunk);
    Display* display = kernel->GetDisplay();
    if (!m_stageState && display && display->HasCapability(DisplayProfile::kCapabilityTextureCombine)) {
        // Stage 0: texture times diffuse, colour and alpha.
        const int color[4][2] = {{0, 0}, {0, 2}, {3, 3}, {3, 3}};
        const int alpha[4][2] = {{1, 0}, {1, 2}, {3, 3}, {3, 3}};
        m_stageState = display->CreateTextureStageState(TextureArgs(0, 2, 0, 1, color), TextureArgs(0, 2, 1, 1, alpha));
        if (m_stageState) m_stateDisplay = display;
    }
    return ok;
}

Material* OneTextureMaterialPlugin::CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) {
    CreatePluginResources(kernel);
    return new OneTextureMaterial(manager, m_alphaBlend, m_alphaMask, m_materialChunk, m_stageState);
}

}  // namespace Vek
