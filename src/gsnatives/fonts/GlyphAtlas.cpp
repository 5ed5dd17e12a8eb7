#include "gsnatives/fonts/GlyphAtlas.h"

#include <algorithm>
#include <map>
#include <memory>

#include "engine/RenderKernel.h"
#include "engine/bitmap/Bitmap.h"
#include "engine/display/Display.h"
#include "engine/display/MemoryTexture.h"

namespace GSNatives {

namespace GlyphAtlas {

namespace {

struct Cell {
    int left = 0, top = 0, right = 0, bottom = 0;  // the glyph without its border
    bool used = false;
};

struct State {
    std::map<uint64_t, Cell> cells;
    bool pinned = false;
    std::unique_ptr<Vek::MemoryTexture> texture;
    int cursorX = 0;
    int shelfTop = 0;
    int shelfHeight = 0;
};

State& Atlas() {
    static State state;
    return state;
}

// The glyph with a one-pixel border repeating its nearest edge pixels.
Vek::Bitmap Bordered(const Vek::Bitmap& glyph) {
    const int w = glyph.GetWidth();
    const int h = glyph.GetHeight();
    Vek::Bitmap cell;
    cell.Init(w + 2, h + 2, Vek::Bitmap::kARGB32);
    for (int y = 0; y < h + 2; ++y)
        for (int x = 0; x < w + 2; ++x)
            cell.SetPixel(x, y, glyph.GetPixel(std::clamp(x - 1, 0, w - 1), std::clamp(y - 1, 0, h - 1)));
    return cell;
}

}  // namespace

uint64_t GlyphKey(int32_t fontId, uint32_t character) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(fontId)) << 21) | (character & 0x1FFFFFu);
}

bool Lookup(uint64_t key, float& u, float& v, float& width, float& height) {
    State& atlas = Atlas();
    const auto found = atlas.cells.find(key);
    if (found == atlas.cells.end()) {
        u = v = width = height = 0;
        return false;
    }
    Cell& cell = found->second;
    cell.used = true;
    atlas.pinned = true;
    u = static_cast<float>(cell.left) / kSize;
    v = static_cast<float>(cell.top) / kSize;
    width = static_cast<float>(cell.right - cell.left) / kSize;
    height = static_cast<float>(cell.bottom - cell.top) / kSize;
    return true;
}

bool AddGlyph(const Vek::Bitmap& bitmap, uint64_t key) {
    State& atlas = Atlas();
    const int w = bitmap.GetWidth();
    const int h = bitmap.GetHeight();
    if (w <= 0 || h <= 0 || w > kMaxGlyphSide || h > kMaxGlyphSide) return false;
    if (!EnsureTexture()) return false;

    if (atlas.cursorX + w + 2 > kSize || atlas.shelfTop + h + 2 > kSize) {
        const int nextShelf = atlas.shelfTop + atlas.shelfHeight;
        if (nextShelf + h + 2 > kSize) {
            if (atlas.pinned) return false;
            Reset();
        } else {
            atlas.cursorX = 0;
            atlas.shelfTop = nextShelf;
            atlas.shelfHeight = 0;
        }
    }

    if (!atlas.texture->Upload(Bordered(bitmap), atlas.cursorX, atlas.shelfTop)) return false;
    Cell cell;
    cell.left = atlas.cursorX + 1;
    cell.top = atlas.shelfTop + 1;
    cell.right = cell.left + w;
    cell.bottom = cell.top + h;
    atlas.cells[key] = cell;
    atlas.cursorX += w + 2;
    atlas.shelfHeight = std::max(atlas.shelfHeight, h + 2);
    return true;
}

void ReleasePins() {
    State& atlas = Atlas();
    if (!atlas.pinned) return;
    for (auto& entry : atlas.cells) entry.second.used = false;
    atlas.pinned = false;
}

bool PinsFont(int32_t fontId) {
    const State& atlas = Atlas();
    if (!atlas.pinned) return false;
    // The keys of a font's glyphs lie together, from the key of its
    // character 0 up to the next font's.
    const uint64_t first = GlyphKey(fontId, 0);
    const uint64_t end = first + (uint64_t(1) << 21);
    for (auto cell = atlas.cells.lower_bound(first); cell != atlas.cells.end() && cell->first < end; ++cell)
        if (cell->second.used) return true;
    return false;
}

void Reset() {
    State& atlas = Atlas();
    atlas.cells.clear();
    atlas.cursorX = atlas.shelfTop = atlas.shelfHeight = 0;
}

bool EnsureTexture() {
    State& atlas = Atlas();
    if (atlas.texture) return true;
    Vek::RenderKernel* kernel = Vek::RenderKernel::GetCurrent();
    Vek::Display* display = kernel ? kernel->GetDisplay() : nullptr;
    if (!display) return false;
    std::unique_ptr<Vek::MemoryTexture> texture = display->CreateTexture();
    if (!texture || !texture->Setup(kSize, kSize, Vek::MemoryTexture::kFormatARGB32, 1)) return false;
    Vek::Bitmap cleared;
    cleared.Init(kSize, kSize, Vek::Bitmap::kARGB32);
    cleared.Clear(0);
    if (!texture->Upload(cleared, 0, 0)) return false;
    atlas.texture = std::move(texture);
    return true;
}

void Shutdown() {
    Reset();
    Atlas().pinned = false;
    Atlas().texture.reset();
}

const Vek::MemoryTexture* GetTexture() { return Atlas().texture.get(); }

int GetCellCount() { return static_cast<int>(Atlas().cells.size()); }

bool IsPinned() { return Atlas().pinned; }

bool GetCellRect(uint64_t key, int& left, int& top, int& right, int& bottom) {
    const auto found = Atlas().cells.find(key);
    if (found == Atlas().cells.end()) return false;
    left = found->second.left;
    top = found->second.top;
    right = found->second.right;
    bottom = found->second.bottom;
    return true;
}

}  // namespace GlyphAtlas

}  // namespace GSNatives
