#pragma once
// The "tglossrust" material: the engine's reflective material with a second
// look for rusted surfaces. Each chunk carries the float property
// "RustAge"; while f = reflection amount x (1 - 2 x RustAge) is above 1/255
// the chunk is drawn glossy through the plug-in's stage states 0 and 1 with
// the stage constants (f, f, f, f); otherwise matt through states 2 and 3
// with the constants = clamp(ambient sum) x material ambient and alpha
// max(0, 2 (RustAge - 0.5)); a RustAge above 0.5 scales the specular
// colour by 1.5 - RustAge while drawn. Without a reflection texture nothing
// is drawn. The stage states are the plug-in's, borrowed.
//
// Glossy draws set stage 1's coordinate generation for the chunk (with or
// without a vertex program), then either write sphere-map coordinates into
// the chunk or, for a cube map the display makes coordinates for, give the
// display the texture transform (camera rotation transposed x texture
// matrix) as its current one and as stage 1's matrix; both are reset after
// the draw. A batch draws every glossy chunk first, then every matt one.
//
// The headless display has no stage constant colours: the material records
// them in the display's trace ("StageConstant <stage> r g b a") and keeps
// the last ones for inspection.
#include <array>

#include "engine/materials/ReflectiveMaterial.h"

namespace Vek {

class VorlexGlossRustMaterial : public ReflectiveMaterial {
public:
    static constexpr const char* kRustAge = "RustAge";
    static constexpr float kGlossThreshold = 1.0f / 255.0f;

    VorlexGlossRustMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                            RenderingCache* materialChunk, uint32_t stageState, int stateCount,
                            const uint32_t (&states)[4]);

    const char* GetTypeName() const override { return "tglossrust"; }
    bool Equals(const Material& other) const override;
    GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                       uint32_t faceNormalCount, int primitiveType,
                                       const StandardChunkHint* hint) override;
    void ClearDisplayState(Display* display) override;
    void RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLightList& lights,
                     const DisplayMatrix& world) override;
    void RenderNumChunks(Display* display, Viewport* viewport, GeometryChunk* const* chunks,
                         const DisplayLightList* lights, const DisplayMatrix* worlds, int count) override;
    void RenderPrimitives(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLightList& lights,
                          const DisplayMatrix& world, uint32_t indexCount, const uint16_t* indices,
                          uint32_t primitives, int primitiveType) override;
    void DrawCached(Display* display, Viewport* viewport, GeometryChunk* chunk, int pass,
                    const DisplayMatrix& transform) override;

    static float RustAgeOf(const GeometryChunk& chunk);
    float GlossFactor(const GeometryChunk& chunk) const;
    const std::array<float, 4>& GetStageConstant() const { return m_constant; }

protected:
    ~VorlexGlossRustMaterial() override = default;

private:
    struct Range {
        uint32_t indexCount;
        const uint16_t* indices;
        uint32_t count;
        int type;
    };
    void DrawOne(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLightList& lights,
                 const DisplayMatrix& world, const Range* range);
    // Saves the material colours and sets the ambient to white, the display
    // state and the reflection texture on stage 1; false (nothing set)
    // without a display or a reflection texture.
    bool BeginDraw(Display* display, DisplayMaterial& saved);
    // The specular colour for a chunk of this RustAge: the saved one, scaled
    // by 1.5 - RustAge above 0.5.
    void ScaleSpecular(const DisplayMaterial& saved, float rust);
    // States `first` and `first` + 1, when the plug-in made them.
    void ApplyStates(Display* display, int first);
    void GlossCoordinates(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayMatrix& world);
    void ResetCoordinateGeneration(Display* display);
    static void Draw(Display* display, GeometryChunk* chunk, const Range* range);
    void SetStageConstants(Display* display, float r, float g, float b, float a);
    void RustConstants(Display* display, const DisplayLightList& lights, const DisplayColor& ambient, float rust);
    void Lighting(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLightList& lights,
                  const DisplayMatrix& world);

    int m_stateCount;
    uint32_t m_states[4];
    std::array<float, 4> m_constant{};
};

}  // namespace Vek
