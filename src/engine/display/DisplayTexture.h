#pragma once
// What the display makes of a texture's size: the number of mip levels a
// texture of that size has on the display, from the full size down to 1 x 1,
// each level halving both sides (never below 1).
#include <cstdint>

namespace Vek {

class DisplayTexture {
public:
    // 1 + floor(log2(max(width, height))); 0 when a side is 0.
    static int GetNumMipLevels(uint32_t width, uint32_t height);
};

}  // namespace Vek
