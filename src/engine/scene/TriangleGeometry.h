#pragma once
// Geometry made of triangles: the operations through which the renderer
// draws an object and other code asks about its faces. The mesh instances
// fill these slots; the defaults here describe an object with no faces.
// Display, viewport and material objects are passed through as pointers.
#include <cstdint>

#include "engine/Vector.h"
#include "engine/math/Matrix4.h"
#include "engine/scene/ConstFaceDescriptor.h"
#include "engine/scene/Geometry.h"

namespace Vek {

class Display;
class Material;

class TriangleGeometry : public Geometry {
public:
    // The render-geometry slot: draws the object's chunks.
    virtual void RenderGeometry(Display*, ViewPort*, const Matrix4&, bool /*lit*/) {}
    virtual bool IsOutsideFrame(const ViewPort*) const { return false; }
    virtual void GetGlobalBoundingSphere(Vector3& centre, float& radius) const {
        centre = Vector3{};
        radius = 0.0f;
    }
    virtual bool GetFaceNeighbour(ConstFaceDescriptor& /*out*/, uint32_t /*face*/, uint32_t /*edge*/) const {
        return false;
    }
    virtual bool GetFaceCentre(const ConstFaceDescriptor&, Vector3& centre) const {
        centre = Vector3{};
        return false;
    }
    virtual bool GetFaceNormal(const ConstFaceDescriptor&, Vector3& normal) const {
        normal = Vector3{1, 0, 0};
        return false;
    }
    virtual bool GetFaceVertex(const ConstFaceDescriptor&, uint32_t /*corner*/, Vector3& vertex) const {
        vertex = Vector3{};
        return false;
    }
    virtual Material* GetFaceMaterial(const ConstFaceDescriptor&) const { return nullptr; }
};

}  // namespace Vek
