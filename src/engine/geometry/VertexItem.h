#pragma once
// The engine's vertex item numbers (attributes of a vertex) and their sizes.
//
//   1 position (3 floats)          9 packed weights (uint32, a byte each)
//   2 diffuse colour (uint32)     10 palette indices (uint32, a byte each)
//   3 second colour (uint32)      15-22 texture coordinate sets 0-7 (2 floats)
//   4 normal (3 floats)           27 extra vector (3 floats)
//   5-8 one to four float weights  5 tangent in the PNTA layout is item 28
#include <cstdint>

namespace Vek {

enum VertexItemNumber : int {
    kItemPosition = 1,
    kItemDiffuse = 2,
    kItemSpecular = 3,
    kItemNormal = 4,
    kItemWeight1 = 5,
    kItemWeight2 = 6,
    kItemWeight3 = 7,
    kItemWeight4 = 8,
    kItemPackedWeights = 9,
    kItemPaletteIndices = 10,
    kItemTexCoord0 = 15,
    kItemTexCoord7 = 22,
    kItemExtraVector = 27,
    kItemTangent = 28,
    kItemCount = 29,
};

// Bytes of one item; 0 for a number that is no item.
inline uint32_t VertexItemSize(int item) {
    switch (item) {
        case kItemPosition:
        case kItemNormal:
        case kItemExtraVector:
        case kItemWeight3:
            return 12;
        case kItemDiffuse:
        case kItemSpecular:
        case kItemPackedWeights:
        case kItemPaletteIndices:
        case kItemWeight1:
            return 4;
        case kItemWeight2:
            return 8;
        case kItemWeight4:
        case kItemTangent:
            return 16;
        default:
            return item >= kItemTexCoord0 && item <= kItemTexCoord7 ? 8 : 0;
    }
}

}  // namespace Vek
