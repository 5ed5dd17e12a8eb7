#pragma once
// Where a collision tree reads its triangles during a query: the tree keeps
// only ids, and fetches the three corners of an id from its owner.
#include <cstdint>

class VXAxisBoxTreeExternalGeometry {
public:
    virtual ~VXAxisBoxTreeExternalGeometry() = default;
    // The corners A, B and C of triangle `id` as 9 floats; false when the
    // id names no triangle.
    virtual bool FetchTriangle(int32_t id, float corners[9]) const = 0;
};
