#pragma once
// The engine's untextured material (type "notex"): chunks without texture
// coordinates, stage 0 disabled while drawn.
#include "engine/materials/OneTextureMaterial.h"

namespace Vek {

class NoTextureMaterial : public OneTextureMaterial {
public:
    using OneTextureMaterial::OneTextureMaterial;
    const char* GetTypeName() const override { return "notex"; }
    void SetDisplayState(Display* display) override;

protected:
    bool UsesTextureCoordinates() const override { return false; }
};

}  // namespace Vek
