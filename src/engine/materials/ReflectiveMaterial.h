#pragma once
// The engine's reflective material (type "reflect"): a one-texture material
// with an environment map in texture slot 9 and its amount, bound as the
// environment map of stage 1. It starts with the shared texture 0 in slot 9
// (engine/textures/SharedTextureCollection.h), so it is never without one.
// The gloss material (type "gloss") is the same with a sphere map bound as
// a plain texture of stage 1.
#include "engine/materials/OneTextureMaterial.h"

namespace Vek {

class ReflectiveMaterial : public OneTextureMaterial {
public:
    static constexpr int kEnvironmentSlot = 9;

    ReflectiveMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                       RenderingCache* materialChunk, uint32_t stageState);

    const char* GetTypeName() const override { return "reflect"; }
    float GetEnvironmentAmount() const { return GetTextureAmount(kEnvironmentSlot); }
    // 4 while slot 9 is empty or not loaded, else the base's answer.
    int IsLoaded() const override;
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;
};

class GlossMaterial : public ReflectiveMaterial {
public:
    using ReflectiveMaterial::ReflectiveMaterial;
    const char* GetTypeName() const override { return "gloss"; }
    void SetDisplayState(Display* display) override;
};

}  // namespace Vek
