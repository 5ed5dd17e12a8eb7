#include "engine/materials/EngineMaterialPlugins.h"

#include "engine/display/Display.h"
#include "engine/materials/BumpColorMaterial.h"
#include "engine/materials/MaterialManager.h"
#include "engine/materials/NoTextureMaterial.h"
#include "engine/materials/ReflectiveMaterial.h"

namespace Vek {

EngineMaterialPlugin::EngineMaterialPlugin(const char* typeName, const char* uid, Kind kind,
                                           std::initializer_list<int> capabilities, int minStages,
                                           const char* fallback)
    : OneTextureMaterialPlugin(typeName, uid), m_kind(kind), m_capabilities(capabilities), m_minStages(minStages),
      m_fallback(fallback ? fallback : "") {}

bool EngineMaterialPlugin::IsSupported(Display* display, std::string& fallback) {
    bool supported = OneTextureMaterialPlugin::IsSupported(display, fallback) &&
                     display->GetTextureStageCount() >= m_minStages;
    for (int capability : m_capabilities)
        if (supported && !display->HasCapability(capability)) supported = false;
    fallback = supported ? std::string() : m_fallback;
    return supported;
}

Material* EngineMaterialPlugin::CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) {
    CreatePluginResources(kernel);
    RenderingCache* blend = GetAlphaBlendCache();
    RenderingCache* mask = GetAlphaMaskCache();
    RenderingCache* chunks = GetMaterialChunkCache();
    uint32_t state = GetStageState();
    switch (m_kind) {
        case Kind::OneTexture: return new OneTextureMaterial(manager, blend, mask, chunks, state);
        case Kind::NoTexture: return new NoTextureMaterial(manager, blend, mask, chunks, state);
        case Kind::Gloss: return new GlossMaterial(manager, blend, mask, chunks, state);
        case Kind::Reflect: return new ReflectiveMaterial(manager, blend, mask, chunks, state);
        case Kind::BumpColor:
            return new BumpColorMaterial(manager, blend, mask, chunks, state, GetTypeName().c_str());
        case Kind::Ground: return new GroundMaterial(manager, blend, mask, chunks, state, GetTypeName().c_str());
    }
    return nullptr;
}

void EngineMaterialPlugin::RegisterAll(MaterialManager& manager) {
    using K = Kind;
    constexpr int kCombine = DisplayProfile::kCapabilityTextureCombine;
    constexpr int kVertex = DisplayProfile::kCapabilityVertexPrograms;
    constexpr int kFragment = DisplayProfile::kCapabilityFragmentPrograms;
    EngineMaterialPlugin* plugins[] = {
        new EngineMaterialPlugin("onetex", "3D1F0C40-8E2A-4C7B-9A61-5B0E7C2D4F10", K::OneTexture, {}, 0, ""),
        new EngineMaterialPlugin("notex", "3D1F0C41-8E2A-4C7B-9A61-5B0E7C2D4F10", K::NoTexture, {}, 0, ""),
        new EngineMaterialPlugin("gloss", "3D1F0C42-8E2A-4C7B-9A61-5B0E7C2D4F10", K::Gloss, {}, 2, "onetex"),
        new EngineMaterialPlugin("reflect", "3D1F0C43-8E2A-4C7B-9A61-5B0E7C2D4F10", K::Reflect, {}, 2, "onetex"),
        new EngineMaterialPlugin("tbumpcoltex", "3D1F0C44-8E2A-4C7B-9A61-5B0E7C2D4F10", K::BumpColor,
                                 {kVertex, kFragment}, 0, "onetex"),
        new EngineMaterialPlugin("tbumpglosscol", "3D1F0C45-8E2A-4C7B-9A61-5B0E7C2D4F10", K::BumpColor,
                                 {kVertex, kFragment}, 0, "gloss"),
        new EngineMaterialPlugin("tgroundonetex", "3D1F0C46-8E2A-4C7B-9A61-5B0E7C2D4F10", K::Ground, {kCombine}, 0,
                                 "onetex"),
        new EngineMaterialPlugin("tgroundonetexvs", "3D1F0C47-8E2A-4C7B-9A61-5B0E7C2D4F10", K::Ground, {kVertex}, 0,
                                 "tgroundonetex"),
    };
    for (EngineMaterialPlugin* plugin : plugins) {
        manager.RegisterPlugin(plugin);
        plugin->ReleaseReference();
    }
}

}  // namespace Vek
