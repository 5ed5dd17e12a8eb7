#pragma once
// The packed vertex layouts that chunk templates store. Each has a table of
// item offsets indexed by item number (engine/geometry/VertexItem.h); a
// negative offset means the layout has no such item.
//
//   layout   items                                       size  vertex type id
//   PNT      position, normal, texture coordinate 0       32    18
//   PCT      position, diffuse colour, texture coord. 0   24    19
//   PNTA     position, normal, texture coord. 0, tangent  48    20
#include <cstdint>

#include "engine/geometry/VertexItem.h"

namespace Vek {

struct PackedVertexPNT {
    float position[3];
    float normal[3];
    float uv[2];

    static constexpr int kVertexTypeID = 18;
    static const int vertexItemOffset[kItemCount];
};
static_assert(sizeof(PackedVertexPNT) == 32);

struct PackedVertexPCT {
    float position[3];
    uint32_t color;
    float uv[2];

    static constexpr int kVertexTypeID = 19;
    static const int vertexItemOffset[kItemCount];
};
static_assert(sizeof(PackedVertexPCT) == 24);

struct PackedVertexPNTA {
    float position[3];
    float normal[3];
    float uv[2];
    float tangent[4];

    static constexpr int kVertexTypeID = 20;
    static const int vertexItemOffset[kItemCount];
};
static_assert(sizeof(PackedVertexPNTA) == 48);

}  // namespace Vek
