#pragma once
// A texture object of the headless display: its texels live in memory as a
// bitmap of the engine's 32-bit colour format, so that what is uploaded can
// be read back. Made by Display::CreateTexture, set up once with a size, a
// display format and a level count, then filled rectangle by rectangle.
#include <cstdint>

#include "engine/bitmap/Bitmap.h"

namespace Vek {

class MemoryTexture {
public:
    // Display formats a memory texture takes: 1 is 32-bit colour with alpha.
    static constexpr int kFormatARGB32 = 1;

    // False for a size of 0 or less or past the bitmap limit, a format other
    // than 1, or a level count other than 1 (mip chains are not kept).
    bool Setup(int width, int height, int displayFormat, int levels);
    // Copies `bitmap` (any pixel format) with its top-left corner at (x, y).
    // False before Setup or when the rectangle does not lie inside.
    bool Upload(const Bitmap& bitmap, int x, int y);

    int GetWidth() const { return m_texels.GetWidth(); }
    int GetHeight() const { return m_texels.GetHeight(); }
    // The texel at (x, y) as 0xAARRGGBB (0 outside).
    uint32_t GetTexel(int x, int y) const { return m_texels.GetPixel(x, y); }

private:
    Bitmap m_texels;
};

}  // namespace Vek
