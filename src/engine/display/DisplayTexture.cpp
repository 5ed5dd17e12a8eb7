#include "engine/display/DisplayTexture.h"

namespace Vek {

int DisplayTexture::GetNumMipLevels(uint32_t width, uint32_t height) {
    if (width == 0 || height == 0) return 0;
    uint32_t side = width > height ? width : height;
    int levels = 1;
    while (side > 1) {
        side >>= 1;
        ++levels;
    }
    return levels;
}

}  // namespace Vek
