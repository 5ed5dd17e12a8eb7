#include "engine/display/MemoryTexture.h"

namespace Vek {

bool MemoryTexture::Setup(int width, int height, int displayFormat, int levels) {
    if (displayFormat != kFormatARGB32 || levels != 1) return false;
    if (width <= 0 || height <= 0 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide) return false;
    if (!m_texels.Init(width, height, Bitmap::kARGB32)) return false;
    m_texels.Clear(0);
    return true;
}

bool MemoryTexture::Upload(const Bitmap& bitmap, int x, int y) {
    if (m_texels.IsEmpty() || bitmap.IsEmpty() || x < 0 || y < 0) return false;
    if (bitmap.GetWidth() > m_texels.GetWidth() - x || bitmap.GetHeight() > m_texels.GetHeight() - y) return false;
    return m_texels.CopyImage(bitmap, x, y);
}

}  // namespace Vek
