#pragma once
// One-texture materials that change a few display states around the
// engine's drawing:
//  - "groundbase": alpha testing and depth writing under the material's
//    flags while drawn; afterwards the display's alpha-test state is put
//    back and depth writing is on. No plug-in makes it: it is the base of
//  - "tonetexnoalpha": ground-base with colour-material mode 5 while drawn,
//    its plug-in's combined stage-0 state, and packed chunks (PCT with a
//    separate normal array when the hint asks for separate normals, else
//    PNT). It is the fallback of "tbumpenv".
#include "engine/materials/OneTextureMaterial.h"

namespace Vek {

class VorlexGroundBaseMaterial : public OneTextureMaterial {
public:
    VorlexGroundBaseMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                             RenderingCache* materialChunk, uint32_t stageState)
        : OneTextureMaterial(manager, alphaBlend, alphaMask, materialChunk, stageState) {}

    const char* GetTypeName() const override { return "groundbase"; }
    void InitInstance(const Material& from) override;
    bool Equals(const Material& other) const override;
    void Bind(Display* display, int pass, int last) override;
    void Unbind(Display* display, int pass, int last) override;
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;

    bool GetDepthWrite() const { return m_depthWrite; }
    void SetDepthWrite(bool on) { m_depthWrite = on; }
    bool GetAlphaTest() const { return m_alphaTest; }
    void SetAlphaTest(bool on) { m_alphaTest = on; }

protected:
    ~VorlexGroundBaseMaterial() override = default;

private:
    bool m_depthWrite = true;
    bool m_alphaTest = false;
    bool m_savedAlphaTest = true;
};

class VorlexOneTexNoAlphaMaterial : public VorlexGroundBaseMaterial {
public:
    static constexpr int kColorMaterialMode = 5;

    using VorlexGroundBaseMaterial::VorlexGroundBaseMaterial;

    const char* GetTypeName() const override { return "tonetexnoalpha"; }
    void CacheAlphaHint() override { m_cachedAlphaHint = 0; }
    GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                       uint32_t faceNormalCount, int primitiveType,
                                       const StandardChunkHint* hint) override;
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;
    // Drawn here, never through the alpha-blend cache.
    void RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLightList& lights,
                     const DisplayMatrix& world) override;

protected:
    ~VorlexOneTexNoAlphaMaterial() override = default;
};

}  // namespace Vek
