#pragma once
// The "tmpfx" material: a one-texture material with a second texture (slot
// 12) on stage 1, combined on the fixed-function stages by the plug-in's
// pair of stage states (borrowed). Its chunks are packed PCT vertices with
// a separate normal array, described by a vertex type of its own (id 99)
// that the material builds and registers at its first chunk.
#include "engine/ReferenceCount.h"
#include "engine/geometry/VertexType.h"
#include "engine/materials/OneTextureMaterial.h"

namespace Vek {

class VorlexMultiPFXMaterial : public OneTextureMaterial {
public:
    static constexpr int kSecondSlot = 12;
    static constexpr int kVertexTypeID = 99;

    VorlexMultiPFXMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                           RenderingCache* materialChunk, uint32_t stage0State, uint32_t stage1State);

    const char* GetTypeName() const override { return "tmpfx"; }
    void InitInstance(const Material& from) override;
    int IsLoaded() const override;
    void Bind(Display* display, int pass, int last) override;
    void Unbind(Display* display, int pass, int last) override;
    GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                       uint32_t faceNormalCount, int primitiveType,
                                       const StandardChunkHint* hint) override;
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;
    void RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLightList& lights,
                     const DisplayMatrix& world) override;

    VertexType* GetVertexType() const { return m_vertexType.Get(); }
    const DisplayMatrix& GetStage1Matrix() const { return m_stage1Matrix; }

protected:
    ~VorlexMultiPFXMaterial() override = default;

private:
    uint32_t m_stage0State;
    uint32_t m_stage1State;
    DisplayMatrix m_stage1Matrix;
    AutoReference<VertexType> m_vertexType;
};

}  // namespace Vek
