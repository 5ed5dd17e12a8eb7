#pragma once
// The engine's plain one-texture material (type "onetex", also the type of
// a name without a decorated type): the texture of slot 0 on stage 0,
// combined by the plug-in's texture-stage state when there is one. It holds
// the plug-in's alpha-blend, alpha-mask and material-chunk caches; a chunk
// drawn with an opacity below 1 goes to the alpha-blend cache.
#include <cstdint>

#include "engine/materials/Material.h"

namespace Vek {

class RenderingCache;

class OneTextureMaterial : public Material {
public:
    static constexpr const char* UNDECORATED_TYPE = "onetex";

    // The caches may be null; each given one gets a reference.
    OneTextureMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                       RenderingCache* materialChunk, uint32_t stageState);

    const char* GetTypeName() const override { return UNDECORATED_TYPE; }
    void InitInstance(const Material& from) override;

    RenderingCache* GetAlphaBlendCache() const { return m_alphaBlend; }
    RenderingCache* GetAlphaMaskCache() const { return m_alphaMask; }
    RenderingCache* GetMaterialChunkCache() const { return m_materialChunk; }
    uint32_t GetStageState() const { return m_stageState; }
    void SetStageState(uint32_t state) { m_stageState = state; }

    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;
    void RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLightList& lights,
                     const DisplayMatrix& world) override;

protected:
    ~OneTextureMaterial() override;

private:
    RenderingCache* m_alphaBlend;
    RenderingCache* m_alphaMask;
    RenderingCache* m_materialChunk;
    uint32_t m_stageState;
};

}  // namespace Vek
