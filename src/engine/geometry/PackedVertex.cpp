#include "engine/geometry/PackedVertex.h"

namespace Vek {

// Indexed by item number: 0 (none), 1 position, 2 diffuse, 3 second colour,
// 4 normal, 5-8 float weights, 9 packed weights, 10 palette indices,
// 11-14 (unused), 15-22 texture coordinate sets, 23-26 (unused), 27 extra
// vector, 28 tangent.
const int PackedVertexPNT::vertexItemOffset[kItemCount] = {
    -1, 0, -1, -1, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 24, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
const int PackedVertexPCT::vertexItemOffset[kItemCount] = {
    -1, 0, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 16, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
const int PackedVertexPNTA::vertexItemOffset[kItemCount] = {
    -1, 0, -1, -1, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 24, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 32};

}  // namespace Vek
