#pragma once
// A display's capability profile: the numbered capabilities it reports and
// its texture-stage count. The headless display answers every capability
// question from its profile; tests inject profiles of their own.
//
//   capability                                   OpenGL   Null
//   1  kCapabilityTextureCombine (stage states)  yes      no
//   17 kCapabilityVertexPrograms                 yes      no
//   21 kCapabilityFragmentPrograms               yes      no
//   29 kCapabilityHardwareSkinning               yes      no
//   30 kCapabilitySharedVertexBuffers            yes      no
//   texture stages                               8        0
//   materials                                    yes      no
#include <set>
#include <string>

namespace Vek {

struct DisplayProfile {
    static constexpr int kCapabilityTextureCombine = 1;
    static constexpr int kCapabilityVertexPrograms = 17;
    static constexpr int kCapabilityFragmentPrograms = 21;
    static constexpr int kCapabilityHardwareSkinning = 29;
    static constexpr int kCapabilitySharedVertexBuffers = 30;
    static constexpr int kOpenGLTextureStages = 8;

    std::string name;
    std::set<int> capabilities;
    int textureStages = 0;
    bool materials = false;  // whether the engine's material types draw at all

    bool Has(int capability) const { return capabilities.count(capability) != 0; }
    bool HasVertexPrograms() const { return Has(kCapabilityVertexPrograms); }
    bool HasTextureCombiners() const { return Has(kCapabilityFragmentPrograms); }

    static DisplayProfile OpenGL() {
        DisplayProfile p;
        p.name = "OpenGL";
        p.capabilities = {kCapabilityTextureCombine, kCapabilityVertexPrograms, kCapabilityFragmentPrograms,
                          kCapabilityHardwareSkinning, kCapabilitySharedVertexBuffers};
        p.textureStages = kOpenGLTextureStages;
        p.materials = true;
        return p;
    }
    static DisplayProfile Null() {
        DisplayProfile p;
        p.name = "Null";
        return p;
    }
};

}  // namespace Vek
