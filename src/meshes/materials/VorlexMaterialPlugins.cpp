#include "meshes/materials/VorlexMaterialPlugins.h"

#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "engine/display/TextureCombinerManager.h"
#include "engine/display/VertexProgramManager.h"
#include "engine/materials/RenderingCache.h"
#include "meshes/materials/VorlexGlossRustMaterial.h"
#include "meshes/materials/VorlexGroundBaseMaterial.h"
#include "meshes/materials/VorlexMultiPFXMaterial.h"
#include "meshes/materials/VorlexNoFogMaterial.h"

namespace Vek {

namespace {

void Release(RenderingCache*& cache) {
    if (cache) cache->ReleaseReference();
    cache = nullptr;
}

struct BumpProgramNames {
    const char* parallelProgram;
    const char* spotProgram;
    const char* parallelCombiner;
    const char* spotCombiner;
};

BumpProgramNames NamesOf(BumpPrograms::Family family) {
    switch (family) {
        case BumpPrograms::Family::Bump:
            return {"VorlexBump_ParallelLight", "VorlexBump_SpotLight", "VorlexBumpMat_ParallelLight",
                    "VorlexBumpMat_ParallelLight"};
        case BumpPrograms::Family::BumpEnv:
            return {"VorlexBumpEnv_ParallelLight", "VorlexBumpEnv_SpotLight", "VorlexBumpEnvMat_ParallelLight",
                    "VorlexBumpEnvMat_SpotLight"};
        case BumpPrograms::Family::BumpGloss:
            return {"VorlexBumpGloss_ParallelLight", "VorlexBumpGloss_SpotLight", "VorlexBumpGlossMat_ParallelLight",
                    "VorlexBumpGlossMat_SpotLight"};
    }
    return {};
}

bool LoadProgram(VertexProgramManager& manager, const char* name, AutoReference<VertexProgram>& out) {
    VertexProgram* program = nullptr;
    const int result = manager.LoadProgram(name, BumpPrograms::kVertexGroup, 99, 0, &program);
    out.Reset(program);
    return result == 0 && program;
}

bool LoadCombiner(TextureCombinerManager& manager, const char* name, AutoReference<TextureCombiner>& out) {
    TextureCombiner* combiner = nullptr;
    const int result = manager.LoadCombiner(name, &combiner);
    out.Reset(combiner);
    return result == 0 && combiner;
}

}  // namespace

bool EnsureRenderingCache(RenderKernel* kernel, int id, RenderingCache*& holder) {
    return OneTextureMaterialPlugin::EnsureCache(kernel, id, holder);
}

// ---- bump family ----

VorlexBumpPluginBase::VorlexBumpPluginBase(const char* typeName, const char* uid, BumpPrograms::Family family,
                                           const char* fallback)
    : MaterialPlugin(typeName, uid), m_family(family), m_fallback(fallback) {}

VorlexBumpPluginBase::~VorlexBumpPluginBase() {
    Release(m_alphaBlend);
    Release(m_materialChunk);
    Release(m_alphaMask);
    m_programs.Release();
}

bool VorlexBumpPluginBase::IsSupported(Display* display, std::string& fallback) {
    const bool supported = display && display->HasCapability(DisplayProfile::kCapabilityFragmentPrograms) &&
                           display->HasCapability(DisplayProfile::kCapabilityVertexPrograms);
    fallback = supported ? std::string() : m_fallback;
    return supported;
}

bool VorlexBumpPluginBase::EnsureCaches(RenderKernel* kernel) {
    if (!kernel) return false;
    return EnsureRenderingCache(kernel, AlphaBlendCache::AlphaBlendCacheID, m_alphaBlend) &&
           EnsureRenderingCache(kernel, AlphaMaskCache::AlphaMaskCacheID, m_alphaMask) &&
           EnsureRenderingCache(kernel, MaterialChunkCache::MaterialChunkCacheID, m_materialChunk);
}

bool VorlexBumpPluginBase::LoadBumpPrograms(RenderKernel* kernel) {
    if (m_programs.Loaded()) return true;
    Display* display = kernel ? kernel->GetDisplay() : nullptr;
    if (!display || !BumpPrograms::RegisterBumpProgramTexts(display, m_family)) return false;
    VertexProgramManager* programs = display->GetVertexProgramManager();
    TextureCombinerManager* combiners = display->GetTextureCombinerManager();
    const BumpProgramNames names = NamesOf(m_family);
    bool ok = LoadProgram(*programs, names.parallelProgram, m_programs.parallelProgram) &&
              LoadProgram(*programs, names.spotProgram, m_programs.spotProgram) &&
              LoadCombiner(*combiners, names.parallelCombiner, m_programs.parallelCombiner) &&
              LoadCombiner(*combiners, names.spotCombiner, m_programs.spotCombiner);
    if (ok && m_family == BumpPrograms::Family::BumpGloss)
        ok = LoadProgram(*programs, "VorlexBump_ParallelLight", m_programs.rustParallelProgram) &&
             LoadProgram(*programs, "VorlexBump_SpotLight", m_programs.rustSpotProgram) &&
             LoadCombiner(*combiners, "VorlexBumpRustMat_ParallelLight", m_programs.rustCombiner) &&
             LoadCombiner(*combiners, "VorlexBumpRustMat_ParallelLight", m_programs.rustCombiner2);
    if (!ok) ReleaseBumpPrograms();
    return ok;
}

Material* VorlexBumpPluginBase::CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) {
    if (!EnsureCaches(kernel)) return nullptr;
    if (!LoadBumpPrograms(kernel)) return nullptr;
    Material* material = MakeMaterial(manager);
    if (material) material->AssignPlugin(this);
    return material;
}

VorlexBumpGlossMaterialPlugin::VorlexBumpGlossMaterialPlugin()
    : VorlexBumpPluginBase("tbumpgloss", kUId, BumpPrograms::Family::BumpGloss, "tglossrust") {}

Material* VorlexBumpGlossMaterialPlugin::MakeMaterial(MaterialManager* manager) {
    return new VorlexBumpGlossMaterial(manager, m_alphaBlend, m_alphaMask, m_materialChunk, m_programs);
}

VorlexBumpMaterialPlugin::VorlexBumpMaterialPlugin()
    : VorlexBumpPluginBase("tbumptex", kUId, BumpPrograms::Family::Bump, OneTextureMaterial::UNDECORATED_TYPE) {}

Material* VorlexBumpMaterialPlugin::MakeMaterial(MaterialManager* manager) {
    return new VorlexBumpMaterial(manager, m_alphaBlend, m_alphaMask, m_materialChunk, m_programs);
}

VorlexBumpEnvMaterialPlugin::VorlexBumpEnvMaterialPlugin()
    : VorlexBumpPluginBase("tbumpenv", kUId, BumpPrograms::Family::BumpEnv, "tonetexnoalpha") {}

Material* VorlexBumpEnvMaterialPlugin::MakeMaterial(MaterialManager* manager) {
    return new VorlexBumpEnvMaterial(manager, m_alphaBlend, m_alphaMask, m_materialChunk, m_programs);
}

// ---- one-texture no-alpha ----

VorlexOneTexNoAlphaMaterialPlugin::~VorlexOneTexNoAlphaMaterialPlugin() {
    if (m_combined && Display::IsAlive(m_display)) m_display->ReleaseTextureStageState(m_combined);
}

bool VorlexOneTexNoAlphaMaterialPlugin::CreatePluginResources(RenderKernel* kernel) {
    OneTextureMaterialPlugin::CreatePluginResources(kernel);
    if (!kernel || !kernel->GetDisplay()) return true;
    Display* display = kernel->GetDisplay();
    if (!m_combined) {
        static const int color[4][2] = {{0, 0}, {0, 2}, {3, 3}, {3, 3}};
        static const int alpha[4][2] = {{1, 0}, {3, 3}, {3, 3}, {3, 3}};
        static const TextureArgs colorArgs(0, 2, 0, 1, color);
        static const TextureArgs alphaArgs(0, 1, 1, 0, alpha);
        m_combined = display->CreateTextureStageState(colorArgs, alphaArgs);
        if (m_combined) m_display = display;
    }
    return true;
}

Material* VorlexOneTexNoAlphaMaterialPlugin::CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) {
    CreatePluginResources(kernel);
    auto* material = new VorlexOneTexNoAlphaMaterial(manager, GetAlphaBlendCache(), GetAlphaMaskCache(),
                                                     GetMaterialChunkCache(), m_combined);
    material->AssignPlugin(this);
    return material;
}

// ---- gloss-rust ----

VorlexGlossRustMaterialPlugin::~VorlexGlossRustMaterialPlugin() { ReleaseStates(); }

void VorlexGlossRustMaterialPlugin::ReleaseStates() {
    if (Display::IsAlive(m_display))
        for (int i = 0; i < m_count; ++i) m_display->ReleaseTextureStageState(m_states[i]);
    for (uint32_t& state : m_states) state = 0;
    m_count = 0;
}

bool VorlexGlossRustMaterialPlugin::IsSupported(Display* display, std::string& fallback) {
    const bool supported = display && display->HasCapability(DisplayProfile::kCapabilityTextureCombine);
    fallback = supported ? std::string() : OneTextureMaterial::UNDECORATED_TYPE;
    return supported;
}

bool VorlexGlossRustMaterialPlugin::CreatePluginResources(RenderKernel* kernel) {
    OneTextureMaterialPlugin::CreatePluginResources(kernel);
    Display* display = kernel ? kernel->GetDisplay() : nullptr;
    if (!display) return false;
    if (m_count == 4) return true;
    struct Pair {
        TextureArgs color;
        TextureArgs alpha;
    };
    static const int c0[4][2] = {{0, 0}, {0, 2}, {3, 3}, {3, 3}};
    static const int a0[4][2] = {{1, 0}, {3, 3}, {3, 3}, {3, 3}};
    static const int c1[4][2] = {{0, 2}, {0, 0}, {0, 3}, {3, 3}};
    static const int a1[4][2] = {{1, 1}, {3, 3}, {3, 3}, {3, 3}};
    static const int c2[4][2] = {{0, 0}, {0, 2}, {3, 3}, {3, 3}};
    static const int a2[4][2] = {{1, 2}, {1, 3}, {3, 3}, {3, 3}};
    static const int c3[4][2] = {{0, 3}, {0, 0}, {1, 0}, {3, 3}};
    static const int a3[4][2] = {{1, 1}, {3, 3}, {3, 3}, {3, 3}};
    static const Pair pairs[4] = {
        {TextureArgs(0, 2, 0, 1, c0), TextureArgs(0, 1, 1, 0, a0)},
        {TextureArgs(1, 1, 0, 7, c1), TextureArgs(1, 1, 1, 0, a1)},
        {TextureArgs(0, 2, 0, 1, c2), TextureArgs(0, 1, 1, 1, a2)},
        {TextureArgs(1, 1, 0, 7, c3), TextureArgs(1, 1, 1, 0, a3)},
    };
    m_display = display;
    for (const Pair& pair : pairs) {
        const uint32_t state = display->CreateTextureStageState(pair.color, pair.alpha);
        if (!state) {
            ReleaseStates();
            return false;
        }
        m_states[m_count++] = state;
    }
    return true;
}

Material* VorlexGlossRustMaterialPlugin::CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) {
    if (!CreatePluginResources(kernel)) return nullptr;
    auto* material = new VorlexGlossRustMaterial(manager, GetAlphaBlendCache(), GetAlphaMaskCache(),
                                                 GetMaterialChunkCache(), GetStageState(), m_count, m_states);
    material->AssignPlugin(this);
    return material;
}

// ---- multi-PFX ----

VorlexMultiPFXMaterialPlugin::~VorlexMultiPFXMaterialPlugin() {
    Release(m_materialChunk);
    Release(m_alphaMask);
    Release(m_alphaBlend);
    if (Display::IsAlive(m_display)) {
        if (m_stage0) m_display->ReleaseTextureStageState(m_stage0);
        if (m_stage1) m_display->ReleaseTextureStageState(m_stage1);
    }
}

bool VorlexMultiPFXMaterialPlugin::IsSupported(Display* display, std::string& fallback) {
    const bool supported = display && display->GetTextureStageCount() > 1;
    fallback = supported ? std::string() : OneTextureMaterial::UNDECORATED_TYPE;
    return supported;
}

bool VorlexMultiPFXMaterialPlugin::EnsureCaches(RenderKernel* kernel) {
    if (!kernel) return true;
    return EnsureRenderingCache(kernel, MaterialChunkCache::MaterialChunkCacheID, m_materialChunk) &&
           EnsureRenderingCache(kernel, AlphaMaskCache::AlphaMaskCacheID, m_alphaMask) &&
           EnsureRenderingCache(kernel, AlphaBlendCache::AlphaBlendCacheID, m_alphaBlend);
}

Material* VorlexMultiPFXMaterialPlugin::CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) {
    if (!EnsureCaches(kernel)) return nullptr;
    Display* display = kernel ? kernel->GetDisplay() : nullptr;
    if (display && !m_stage0) {
        static const int c0[4][2] = {{0, 2}, {0, 0}, {3, 3}, {3, 3}};
        static const int a0[4][2] = {{1, 2}, {1, 0}, {3, 3}, {3, 3}};
        static const int c1[4][2] = {{0, 0}, {3, 3}, {3, 3}, {3, 3}};
        static const int a1[4][2] = {{1, 0}, {1, 2}, {3, 3}, {3, 3}};
        const uint32_t first = display->CreateTextureStageState(TextureArgs(0, 2, 0, 1, c0), TextureArgs(0, 1, 1, 1, a0));
        if (!first) return nullptr;
        const uint32_t second = display->CreateTextureStageState(TextureArgs(1, 1, 0, 0, c1), TextureArgs(1, 1, 1, 1, a1));
        if (!second) {
            display->ReleaseTextureStageState(first);
            return nullptr;
        }
        m_stage0 = first;
        m_stage1 = second;
        m_display = display;
    }
    auto* material = new VorlexMultiPFXMaterial(manager, m_alphaBlend, m_alphaMask, m_materialChunk, m_stage0, m_stage1);
    material->AssignPlugin(this);
    return material;
}

// ---- no-fog ----

Material* VorlexNoFogMaterialPlugin::CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) {
    OneTextureMaterialPlugin::CreatePluginResources(kernel);
    auto* material = new VorlexNoFogMaterial(manager, GetAlphaBlendCache(), GetAlphaMaskCache(), GetMaterialChunkCache(),
                                             GetStageState());
    material->AssignPlugin(this);
    return material;
}

}  // namespace Vek
