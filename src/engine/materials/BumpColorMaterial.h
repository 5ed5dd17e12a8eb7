#pragma once
// The engine's bump-mapped material types drawn with programs: "tbumpcoltex"
// (a bump map in slot 8 on stage 1) and "tbumpglosscol" (also a gloss map in
// slot 9 on stage 3). They start with the shared flat normal map (shared
// texture 2) in slot 8 and, for the gloss type, the shared texture 0 in
// slot 9.
//
// The ground types "tgroundonetex" and "tgroundonetexvs" are one-texture
// materials that draw with alpha testing on and restore the display's
// alpha-test state and depth writing afterwards.
#include <string>

#include "engine/materials/OneTextureMaterial.h"

namespace Vek {

class BumpColorMaterial : public OneTextureMaterial {
public:
    static constexpr int kBumpSlot = 8;
    static constexpr int kGlossSlot = 9;

    BumpColorMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                      RenderingCache* materialChunk, uint32_t stageState, const char* typeName);

    const char* GetTypeName() const override { return m_typeName.c_str(); }
    bool HasGloss() const { return m_typeName == "tbumpglosscol"; }
    int IsLoaded() const override;
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;

private:
    std::string m_typeName;
};

class GroundMaterial : public OneTextureMaterial {
public:
    GroundMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                   RenderingCache* materialChunk, uint32_t stageState, const char* typeName)
        : OneTextureMaterial(manager, alphaBlend, alphaMask, materialChunk, stageState), m_typeName(typeName) {}

    const char* GetTypeName() const override { return m_typeName.c_str(); }
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;

private:
    std::string m_typeName;
    bool m_savedAlphaTest = false;
};

}  // namespace Vek
