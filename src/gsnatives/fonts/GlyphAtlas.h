#pragma once
// The process-wide glyph atlas: one 512 x 512 texture of the display into
// which glyph bitmaps are packed on shelves, each with a one-pixel border
// that repeats its edge pixels (so that filtering at a cell's edge never
// reads a neighbour). Glyphs are found again by key. A cell looked up since
// the last ReleasePins is pinned: while any is, a full atlas refuses new
// glyphs instead of starting over.
#include <cstdint>

namespace Vek {
class Bitmap;
class MemoryTexture;
}  // namespace Vek

namespace GSNatives {

namespace GlyphAtlas {

constexpr int kSize = 512;
// The widest and tallest glyph a cell takes: the atlas less the border.
constexpr int kMaxGlyphSide = kSize - 2;

// The key of a character of a font. The character keeps 21 bits (every
// Unicode code point) and the font id the bits above, so keys of distinct
// fonts and characters never meet.
uint64_t GlyphKey(int32_t fontId, uint32_t character);

// The cell of `key` as texture coordinates (origin and size); pins it.
// False (and zeros) when the key has no cell.
bool Lookup(uint64_t key, float& u, float& v, float& width, float& height);
// Packs `bitmap` (a glyph of at most kMaxGlyphSide pixels each way) under
// `key`.
bool AddGlyph(const Vek::Bitmap& bitmap, uint64_t key);
void ReleasePins();
// Whether a pinned cell holds a glyph of the font.
bool PinsFont(int32_t fontId);
// Forgets every cell; the texture is kept.
void Reset();
// Makes the texture through the current render kernel's display.
bool EnsureTexture();
// Forgets the cells and deletes the texture.
void Shutdown();

// Inspection, for tests: the texture (null before the first glyph), the
// number of cells, whether a pin is held, and a cell's texel rectangle
// (the glyph without its border).
const Vek::MemoryTexture* GetTexture();
int GetCellCount();
bool IsPinned();
bool GetCellRect(uint64_t key, int& left, int& top, int& right, int& bottom);

}  // namespace GlyphAtlas

}  // namespace GSNatives
