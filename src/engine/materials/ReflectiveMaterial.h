#pragma once
// The engine's reflective material (type "reflect"): a one-texture material
// with an environment map in texture slot 9 and its amount, bound as the
// environment map of stage 1. It starts with the shared texture 0 in slot 9
// (engine/textures/SharedTextureCollection.h), so it is never without one.
// The gloss material (type "gloss") is the same with a sphere map bound as
// a plain texture of stage 1.
//
// Options: bit 0 (kOptionDisplaySphereMap) has the display generate a
// sphere map's coordinates instead of the material writing them into the
// chunk; bit 1 (kOptionCubeMapTransform) has the display generate a cube
// map's coordinates from the camera-space reflection vector, turned back
// into world space by the camera's rotation and then by the texture matrix.
#include <cstdint>

#include "engine/display/DisplayMatrix.h"
#include "engine/materials/OneTextureMaterial.h"

namespace Vek {

class ReflectiveMaterial : public OneTextureMaterial {
public:
    static constexpr int kEnvironmentSlot = 9;

    ReflectiveMaterial(MaterialManager* manager, RenderingCache* alphaBlend, RenderingCache* alphaMask,
                       RenderingCache* materialChunk, uint32_t stageState);

    static constexpr uint8_t kOptionDisplaySphereMap = 0x1;
    static constexpr uint8_t kOptionCubeMapTransform = 0x2;

    const char* GetTypeName() const override { return "reflect"; }
    void InitInstance(const Material& from) override;
    bool Equals(const Material& other) const override;
    float GetEnvironmentAmount() const { return GetTextureAmount(kEnvironmentSlot); }
    uint8_t GetReflectionOptions() const { return m_options; }
    void SetReflectionOptions(uint8_t options) { m_options = options; }
    const DisplayMatrix& GetTextureMatrix() const { return m_textureMatrix; }
    void SetTextureMatrix(const DisplayMatrix& matrix) { m_textureMatrix = matrix; }
    // Whether the reflection texture is a cube map.
    bool IsCubeMap() const;
    // Sets stage 1's coordinate generation for a chunk drawn with
    // (`noProgram` false) or without a vertex program: a program makes the
    // coordinates itself, so the display passes the vertex's through.
    void ChangeTexGen(Display* display, bool noProgram) const;
    // Writes sphere-map coordinates into the chunk's texture-coordinate
    // set 1 from its normals turned by `world` (u = (1 + x) / 2,
    // v = (1 - y) / 2 of the unit normal); nothing for a chunk without
    // normals or without that set.
    static void SetSphericalTexureCoordinates(GeometryChunk* chunk, const DisplayMatrix& world);
    // 4 while slot 9 is empty or not loaded, else the base's answer.
    int IsLoaded() const override;
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;

private:
    uint8_t m_options = 0;
    DisplayMatrix m_textureMatrix;
};

class GlossMaterial : public ReflectiveMaterial {
public:
    using ReflectiveMaterial::ReflectiveMaterial;
    const char* GetTypeName() const override { return "gloss"; }
    void SetDisplayState(Display* display) override;
};

}  // namespace Vek
