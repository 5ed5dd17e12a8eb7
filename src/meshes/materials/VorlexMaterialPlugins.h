#pragma once
// The product's material plug-ins, one per material type, handed to the
// engine by CreatePlugins (meshes/materials/CreatePlugins.h):
//
//   type            supported when                     fallback
//   tbumpgloss      capabilities 21 and 17             tglossrust
//   tbumptex        capabilities 21 and 17             onetex
//   tbumpenv        capabilities 21 and 17             tonetexnoalpha
//   tonetexnoalpha  the engine one-texture test        -
//   tglossrust      capability 1                       onetex
//   tmpfx           more than one texture stage        onetex
//   nofogtex        the engine one-texture test        -
//
// Each plug-in acquires what its materials share (rendering caches from the
// kernel's rendering-cache manager, programs, texture-stage states) at its
// first material and keeps it for its life; a cache another plug-in or the
// render set-up added already is shared, not made again. A material that
// cannot be made is null; nothing is reported.
#include <cstdint>

#include "engine/materials/MaterialPlugin.h"
#include "engine/materials/OneTextureMaterialPlugin.h"
#include "meshes/materials/BumpProgramTexts.h"
#include "meshes/materials/VorlexBumpMaterial.h"

namespace Vek {

class RenderingCache;

// Gets the cache of `id` from the kernel's manager (one more reference) or
// makes the engine's cache of that id with the argument 1 and adds it.
bool EnsureRenderingCache(RenderKernel* kernel, int id, RenderingCache*& holder);

class VorlexBumpPluginBase : public MaterialPlugin {
public:
    VorlexBumpPluginBase(const char* typeName, const char* uid, BumpPrograms::Family family, const char* fallback);

    bool IsSupported(Display* display, std::string& fallback) override;
    Material* CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) override;

    // The three caches, in the order alpha-blend, alpha-mask,
    // material-chunk; false without a kernel.
    bool EnsureCaches(RenderKernel* kernel);
    // Registers the texts and loads the programs once; on a failure every
    // program held is released and the result is false.
    bool LoadBumpPrograms(RenderKernel* kernel);
    void ReleaseBumpPrograms() { m_programs.Release(); }

    const BumpProgramSet& GetPrograms() const { return m_programs; }
    RenderingCache* GetAlphaBlendCache() const { return m_alphaBlend; }
    RenderingCache* GetAlphaMaskCache() const { return m_alphaMask; }
    RenderingCache* GetMaterialChunkCache() const { return m_materialChunk; }

protected:
    ~VorlexBumpPluginBase() override;
    virtual Material* MakeMaterial(MaterialManager* manager) = 0;

    BumpPrograms::Family m_family;
    std::string m_fallback;
    RenderingCache* m_alphaBlend = nullptr;
    RenderingCache* m_alphaMask = nullptr;
    RenderingCache* m_materialChunk = nullptr;
    BumpProgramSet m_programs;
};

class VorlexBumpGlossMaterialPlugin : public VorlexBumpPluginBase {
public:
    static constexpr const char* kUId = "F7478888-C721-48AB-B3C0-19621E66554E";
    VorlexBumpGlossMaterialPlugin();

protected:
    Material* MakeMaterial(MaterialManager* manager) override;
};

class VorlexBumpMaterialPlugin : public VorlexBumpPluginBase {
public:
    static constexpr const char* kUId = "E34011F3-C721-48ba-B3C0-19621E408CBD";
    VorlexBumpMaterialPlugin();

protected:
    Material* MakeMaterial(MaterialManager* manager) override;
};

class VorlexBumpEnvMaterialPlugin : public VorlexBumpPluginBase {
public:
    static constexpr const char* kUId = "0ECEE41C-76E7-47fd-ADBB-0E938E809C03";
    VorlexBumpEnvMaterialPlugin();

protected:
    Material* MakeMaterial(MaterialManager* manager) override;
};

class VorlexOneTexNoAlphaMaterialPlugin : public OneTextureMaterialPlugin {
public:
    static constexpr const char* kUId = "4BB6C98F-6FDF-4cb9-9CE2-7E40B2A78626";
    VorlexOneTexNoAlphaMaterialPlugin() : OneTextureMaterialPlugin("tonetexnoalpha", kUId) {}

    Material* CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) override;
    bool CreatePluginResources(RenderKernel* kernel) override;
    uint32_t GetCombinedState() const { return m_combined; }

protected:
    ~VorlexOneTexNoAlphaMaterialPlugin() override;

private:
    uint32_t m_combined = 0;
    Display* m_display = nullptr;
};

class VorlexGlossRustMaterialPlugin : public OneTextureMaterialPlugin {
public:
    static constexpr const char* kUId = "AFCA4E1B-811A-56EE-89E4-CAB13F9B6712";
    VorlexGlossRustMaterialPlugin() : OneTextureMaterialPlugin("tglossrust", kUId) {}

    bool IsSupported(Display* display, std::string& fallback) override;
    Material* CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) override;
    bool CreatePluginResources(RenderKernel* kernel) override;
    int GetStateCount() const { return m_count; }

protected:
    ~VorlexGlossRustMaterialPlugin() override;

private:
    void ReleaseStates();

    int m_count = 0;
    uint32_t m_states[4] = {};
    Display* m_display = nullptr;
};

class VorlexMultiPFXMaterialPlugin : public MaterialPlugin {
public:
    static constexpr const char* kUId = "643AFE90-426A-46EE-C19F-FFA0A471ABD7";
    VorlexMultiPFXMaterialPlugin() : MaterialPlugin("tmpfx", kUId) {}

    bool IsSupported(Display* display, std::string& fallback) override;
    Material* CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) override;
    // The caches in the order material-chunk, alpha-mask, alpha-blend; true
    // without a kernel (nothing made).
    bool EnsureCaches(RenderKernel* kernel);

protected:
    ~VorlexMultiPFXMaterialPlugin() override;

private:
    RenderingCache* m_materialChunk = nullptr;
    RenderingCache* m_alphaMask = nullptr;
    RenderingCache* m_alphaBlend = nullptr;
    uint32_t m_stage0 = 0;
    uint32_t m_stage1 = 0;
    Display* m_display = nullptr;
};

class VorlexNoFogMaterialPlugin : public OneTextureMaterialPlugin {
public:
    static constexpr const char* kUId = "AB84944B-00A6-4a18-8BAF-4664E98075AA";
    VorlexNoFogMaterialPlugin() : OneTextureMaterialPlugin("nofogtex", kUId) {}

    Material* CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) override;

protected:
    ~VorlexNoFogMaterialPlugin() override = default;
};

}  // namespace Vek
