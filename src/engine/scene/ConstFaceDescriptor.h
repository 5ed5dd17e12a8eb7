#pragma once
// Names one triangle of a triangle geometry: the geometry, the face and the
// chunk it is in.
#include <cstdint>

namespace Vek {

class TriangleGeometry;

struct ConstFaceDescriptor {
    const TriangleGeometry* geometry = nullptr;
    uint32_t face = 0;
    uint32_t chunk = 0;
};

}  // namespace Vek
