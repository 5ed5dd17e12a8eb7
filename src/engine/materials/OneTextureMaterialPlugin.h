#pragma once
// The engine's one-texture plug-in, the base of the plug-ins whose
// materials are one-texture materials. Supported on a display whose profile
// draws materials; no fallback. CreatePluginResources (kernel) gets the
// three rendering caches from the kernel's rendering-cache manager, making
// and adding those that are missing, and, on a display with texture
// combining, the stage-0 modulate state; with no kernel it makes nothing.
#include <cstdint>

#include "engine/materials/MaterialPlugin.h"

namespace Vek {

class RenderingCache;

class OneTextureMaterialPlugin : public MaterialPlugin {
public:
    static constexpr const char* kUId = "3D1F0C40-8E2A-4C7B-9A61-5B0E7C2D4F10";

    OneTextureMaterialPlugin(const char* typeName = "onetex", const char* uid = kUId) : MaterialPlugin(typeName, uid) {}

    bool IsSupported(Display* display, std::string& fallback) override;
    Material* CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) override;
    bool CreatePluginResources(RenderKernel* kernel) override;

    RenderingCache* GetAlphaBlendCache() const { return m_alphaBlend; }
    RenderingCache* GetAlphaMaskCache() const { return m_alphaMask; }
    RenderingCache* GetMaterialChunkCache() const { return m_materialChunk; }
    uint32_t GetStageState() const { return m_stageState; }

    // Finds the cache of `id` in the kernel's manager (one more reference)
    // or makes it and adds it; the holder receives the reference.
    static bool EnsureCache(RenderKernel* kernel, int id, RenderingCache*& holder);

protected:
    ~OneTextureMaterialPlugin() override;

private:
    RenderingCache* m_alphaBlend = nullptr;
    RenderingCache* m_alphaMask = nullptr;
    RenderingCache* m_materialChunk = nullptr;
    uint32_t m_stageState = 0;
    Display* m_stateDisplay = nullptr;
};

}  // namespace Vek
