#pragma once
// The bump-mapped material family, drawn with programs: "tbumptex" (a bump
// map in slot 8 on stage 1), "tbumpenv" (also an environment cube map in
// slot 9, bound by the display at stage 3) and "tbumpgloss" (also a sphere
// -mapped gloss texture in slot 9 on stage 3 whose strength fades with the
// chunk property "RustAge").
//
// Each chunk is drawn in a parallel-light pass (the brightest parallel light
// plus the ambient sum) and, when a spot light reaches it, an additive
// spot-light pass with fog off; the display's blend state and fog mode are
// put back afterwards. A bump-gloss chunk whose gloss factor
// f = gloss amount x (1 - 2 x RustAge) is at or below 1/255 gets no pass.
// Chunks use the packed PNTA vertex (engine/geometry/PackedVertex.h).
//
// Program constants (vertex-program locals and combiner registers):
//   parallel pass: local 7 light direction (object space), local 13 camera
//     (object space); c0 LightDiff = light diffuse x material diffuse (alpha
//     the material's), c1 LightAmb = clamp(material ambient x ambient sum +
//     emissive, alpha 1), c(s) Specular = light specular x material
//     specular (alpha 0.75); without a parallel light local 7, 13 = 0 and
//     c0, c(s) = (0, 0, 0, 1).
//   spot pass: locals 7, 13, 5 (light position), 6 = (cos angle, 1 / range,
//     0); c0 as above, c1 = (0, 0, 0, 1), c(s) as above.
//   s is register 2, or 3 for the gloss combiners (whose register 2, Lerp,
//   holds f in every channel).
#include <array>

#include "engine/ReferenceCount.h"
#include "engine/display/TextureCombiner.h"
#include "engine/display/VertexProgram.h"
#include "engine/materials/OneTextureMaterial.h"

namespace Vek {

class RenderKernel;

// The programs a bump plug-in loads once and hands to each material.
struct BumpProgramSet {
    AutoReference<VertexProgram> parallelProgram;
    AutoReference<TextureCombiner> parallelCombiner;
    AutoReference<VertexProgram> spotProgram;
    AutoReference<TextureCombiner> spotCombiner;
    // Bump-gloss only: loaded and held, drawn by no path.
    AutoReference<VertexProgram> rustParallelProgram;
    AutoReference<TextureCombiner> rustCombiner;
    AutoReference<VertexProgram> rustSpotProgram;
    AutoReference<TextureCombiner> rustCombiner2;

    bool Loaded() const { return parallelProgram && parallelCombiner && spotProgram && spotCombiner; }
    void Release();
};

class VorlexBumpMaterial : public OneTextureMaterial {
public:
    static constexpr int kBumpSlot = 8;
    static constexpr int kSecondSlot = 9;
    static constexpr float kGlossThreshold = 1.0f / 255.0f;

    VorlexBumpMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                       RenderingCache* materialChunk, const BumpProgramSet& programs);

    const char* GetTypeName() const override { return "tbumptex"; }
    int IsLoaded() const override;
    GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                       uint32_t faceNormalCount, int primitiveType,
                                       const StandardChunkHint* hint) override;
    void SetDisplayState(Display* display) override;
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

    const BumpProgramSet& GetPrograms() const { return m_programs; }

    // Light selection: the ambient sum (the display's ambient plus the
    // ambient of every ambient or parallel light), the brightest parallel
    // light and the brightest spot light (diffuse r + g + b, the first on
    // ties); null when there is none.
    static DisplayColor AmbientSum(const Display& display, const DisplayLightList& lights);
    static const DisplayLight* FindBrightestParallelLight(const DisplayLightList& lights);
    static const DisplayLight* FindBrightestSpotLight(const DisplayLightList& lights);

protected:
    ~VorlexBumpMaterial() override = default;

    struct Primitives {
        uint32_t indexCount;
        const uint16_t* indices;
        uint32_t count;
        int type;
    };
    // The specular register of the combiners: 2, or 3 for the gloss family.
    virtual int SpecularRegister() const { return 2; }
    // Spot pass blend factors.
    virtual int SpotSourceFactor() const { return 4; }
    virtual int SpotDestinationFactor() const { return 1; }
    // Extra work before the parallel constants (environment matrix).
    virtual void BeforeParallelPass(Display*, const DisplayMatrix& /*view*/) {}

    void DrawPasses(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLightList& lights,
                    const DisplayMatrix& world, const Primitives* range);
    void ParallelPass(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLightList& lights,
                      const DisplayMatrix& world, const Primitives* range);
    void SpotPass(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLight& spot,
                  const DisplayMatrix& world, const Primitives* range);
    void SetParallelLightConstants(Display* display, const DisplayMatrix& view, const DisplayLightList& lights,
                                   const DisplayMatrix& world);
    void SetSpotLightConstants(Display* display, const DisplayMatrix& view, const DisplayLight& spot,
                               const DisplayMatrix& world);
    static void Draw(Display* display, GeometryChunk* chunk, VertexProgram* program, const Primitives* range);

    BumpProgramSet m_programs;
};

class VorlexBumpEnvMaterial : public VorlexBumpMaterial {
public:
    VorlexBumpEnvMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                          RenderingCache* materialChunk, const BumpProgramSet& programs);

    const char* GetTypeName() const override { return "tbumpenv"; }
    int IsLoaded() const override;
    void CacheAlphaHint() override { m_cachedAlphaHint = 0; }
    GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                       uint32_t faceNormalCount, int primitiveType,
                                       const StandardChunkHint* hint) override;
    void ClearDisplayState(Display* display) override;
    void RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLightList& lights,
                     const DisplayMatrix& world) override;
    void RenderNumChunks(Display* display, Viewport* viewport, GeometryChunk* const* chunks,
                         const DisplayLightList* lights, const DisplayMatrix* worlds, int count) override;
    // Range draws are not drawn by this type.
    void RenderPrimitives(Display*, Viewport*, GeometryChunk*, const DisplayLightList&, const DisplayMatrix&,
                          uint32_t, const uint16_t*, uint32_t, int) override {}
    const DisplayMatrix& GetEnvironmentMatrix() const { return m_envMatrix; }

protected:
    ~VorlexBumpEnvMaterial() override = default;
    void BeforeParallelPass(Display* display, const DisplayMatrix& view) override;

private:
    DisplayMatrix m_envMatrix;
};

class VorlexBumpGlossMaterial : public VorlexBumpMaterial {
public:
    static constexpr const char* kRustAge = "RustAge";

    VorlexBumpGlossMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                            RenderingCache* materialChunk, const BumpProgramSet& programs);

    const char* GetTypeName() const override { return "tbumpgloss"; }
    int IsLoaded() const override;
    void CacheAlphaHint() override { m_cachedAlphaHint = 0; }
    GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                       uint32_t faceNormalCount, int primitiveType,
                                       const StandardChunkHint* hint) override;
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;
    void RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLightList& lights,
                     const DisplayMatrix& world) override;
    void RenderNumChunks(Display* display, Viewport* viewport, GeometryChunk* const* chunks,
                         const DisplayLightList* lights, const DisplayMatrix* worlds, int count) override;
    void RenderPrimitives(Display*, Viewport*, GeometryChunk*, const DisplayLightList&, const DisplayMatrix&,
                          uint32_t, const uint16_t*, uint32_t, int) override {}

    // f = gloss amount x (1 - 2 x RustAge).
    float GlossFactor(const GeometryChunk& chunk) const;

protected:
    ~VorlexBumpGlossMaterial() override = default;
    int SpecularRegister() const override { return 3; }
    int SpotSourceFactor() const override { return 1; }
};

}  // namespace Vek
